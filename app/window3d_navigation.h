// The 3D window's view: what it shows (view mode, edges) and from where. The camera turns
// with the mouse while Space is held or the middle button drags, moves with Shift, zooms with
// the wheel, and "Reset view" frames the model again.
#pragma once

#include "app/window3d_part.h"
#include "app/window3d_events.h"

// Steps of the navigation.
constexpr double kOrbitDegreesPerPixel = 0.5;
constexpr double kZoomPerNotch = 0.9;        // Dist is multiplied by this per notch up
constexpr double kNearestDist = 0.3;         // x ModelRadius
constexpr double kFarthestDist = 30;         // x ModelRadius

class Window3DNavigation : public Window3DPart {
 public:
  using Window3DPart::Window3DPart;

  void setViewMode(ViewMode mode);
  void setEdges(bool edges);
  // "Reset view": the camera frames the model.
  void resetView();
  // The window opens or shows another model: the camera orbits the model's middle, framing it
  // when the document has no camera yet.
  void frame();
  // A middle-button press: turning, or moving with Shift.
  void beginMiddleDrag(const MouseEvent& event);
  // A mouse move by (dx, dy) pixels: returns whether it turned or moved the view.
  bool drag(const MouseEvent& event, double dx, double dy);
  // notches: positive away from the user (up).
  void zoom(double notches);
};
