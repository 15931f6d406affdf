// The stencil on the 3D canvas: its gadgets ("Center", opacity, "Show stencil") and the
// gestures with Ctrl that place it (drag with the left button moves it, with the right button
// turns it, the wheel scales it). The gestures act only while the stencil is shown.
#pragma once

#include "app/window3d_part.h"
#include "app/window3d_events.h"

constexpr double kStencilScalePerNotch = 1.1;

class Window3DStencil : public Window3DPart {
 public:
  using Window3DPart::Window3DPart;

  // "Center": the stencil in the middle of the view, upright, at a size that fits.
  void center();
  void setOpacity(int percent);
  void setShow(bool show);
  // A Ctrl+click: returns whether it began moving (left) or turning (right) the stencil.
  bool beginDrag(MouseButton button, const MouseEvent& event);
  // A mouse move by dx, dy pixels: returns whether it moved or turned the stencil.
  bool drag(const MouseEvent& event, double dx, double dy);
  // Ctrl+wheel: returns whether it scaled the stencil.
  bool scale(double notches);
};
