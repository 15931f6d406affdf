#include "app/render_inputs.h"

RenderInputs renderInputsOf(const Document& d, const Framing& framing, const Camera& camera,
                            const Image& testPattern) {
  RenderInputs in;
  in.camera = camera;
  in.framing = framing;
  in.mode = d.view.viewMode;
  in.edges = d.view.edges;
  in.texture = TexelView(d.texture.TextureWidth, d.texture.TextureHeight, d.texture.TexturePixels);
  in.testPattern = TexelView(testPattern);
  in.layerColor = d.layers.color;
  in.layerHidden = d.layers.hidden;
  return in;
}
