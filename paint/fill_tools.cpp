#include "paint/fill_tools.h"

#include <optional>
#include <vector>

#include "paint/surface.h"

TextureViewUpdate fillAt(Stroke& stroke, const BrushScene& scene, const BrushSettings& brush,
                         Tool tool, NeighbourTables& tables, TriangleMarks& marks,
                         int64_t texWidth, int64_t texHeight, int x, int y) {
  const std::optional<int32_t> hit = triangleShownAt(scene, x, y);
  if (!hit) return {};
  const TextureViewUpdate update = scene.texture.beginPaintStep(texWidth, texHeight);
  prepareStroke(stroke, scene.texture, texWidth, texHeight);
  std::vector<int32_t> region;
  toolRegion(tool, *hit, scene.model, tables, marks, region);
  fillRegion(stroke, scene, brush, region);
  return update;
}
