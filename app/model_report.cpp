#include "app/model_report.h"

std::string modelReportHead(const Model& model, bool layerUnwrap) {
  std::string report = "Vertices: " + std::to_string(model.vertexCount()) +
                       "    Triangles: " + std::to_string(model.triangleCount()) + "\n";
  if (model.objectCount > 1)
    report += "Objects: " + std::to_string(model.objectCount) + " (combined into one)\n";
  if (model.splitPolygons < 1)
    report += "All faces are triangles\n";
  else
    report += "Polygons split into triangles: " + std::to_string(model.splitPolygons) + "\n";
  report += "Layers: " + std::to_string(model.layerCount());
  if (layerUnwrap) report += "  (used as surfaces)";
  report += "\n";
  return report;
}
