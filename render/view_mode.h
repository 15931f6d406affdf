// The 3D view's modes, apart from the renderer so that the stored view state need not know
// the view's buffers.
#pragma once

// The view modes, in the order of the 3D window's combo box (project key `ViewMode`).
enum class ViewMode {
  testPattern = 0,     // "Test pattern": the test-pattern image sampled by UV
  texture = 1,         // "Texture": the painted Texture sampled by UV
  surfaceColours = 2,  // "Surface colours": surfaceColor(material)
  unwrapPieces = 3,    // "Unwrap pieces": surfaceColor(piece of the triangle)
  layerColours = 4,    // "Layer colours": the layer's colour; grey without an entry
};
