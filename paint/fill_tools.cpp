#include "paint/fill_tools.h"

#include <optional>
#include <vector>

#include "paint/fill.h"

TextureViewUpdate fillAt(Stroke& stroke, const BrushScene& scene, const BrushSettings& brush,
                         Tool tool, NeighbourTables& tables, TriangleMarks& marks,
                         int64_t texWidth, int64_t texHeight, int x, int y) {
  const std::optional<ViewHit> hit = pickAt(scene.view, x, y);
  // A render older than the model may name a triangle it no longer has: as the background.
  if (!hit || hit->triangle >= scene.model.triangleCount()) return {};

  Texture& texture = scene.texture;
  TextureViewUpdate update = beginPaintStep(texture, texWidth, texHeight);
  prepareStroke(stroke, texture, texWidth, texHeight);

  std::vector<int32_t> region;
  toolRegion(tool, hit->triangle, scene.model, tables, marks, region);
  const PaintSource source = paintSourceOf(brush, scene);
  const int alpha = brush.opacity * 255 / 100;
  const StrokeBlend blend{stroke.base, stroke.mask};
  for (const int32_t r : region) {
    if (!isPaintable(scene.model, scene.layers, r)) continue;
    if (source == PaintSource::stencil)
      paintTriangle(stroke, scene, r, nullptr, brush.hardness / 100.0, brush.opacity / 100.0,
                    brush.color, source);
    else if (source == PaintSource::pattern)
      paintTrianglePattern({scene.model, *scene.pattern, *scene.patternCaches, brush.color},
                           texture.TexturePixels, texture.TextureWidth, texture.TextureHeight,
                           blend, r, alpha);
    else
      fillTriangle(scene.model, r, texture.TexturePixels, texture.TextureWidth,
                   texture.TextureHeight, brush.color, alpha, &blend);
  }
  texture.TextureModified = true;
  ++texture.TextureRevision;
  update.redraw = true;
  return update;
}
