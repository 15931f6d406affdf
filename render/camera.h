// The 3D view's camera: an orbit around the model centre, and the framing that "Reset view"
// computes from the model.
#pragma once

#include "base/geometry.h"
#include "model/model.h"

struct Camera {
  double yaw = 0;    // degrees, about the vertical axis
  double pitch = 0;  // degrees, tilt; the navigation keeps it within -89 .. 89
  double dist = 0;   // model units from the eye to the model centre along the view axis
  double panX = 0, panY = 0;  // model units, shift of the model in the view plane

  bool operator==(const Camera&) const = default;
};

// What the camera orbits: `ModelCentre` and `ModelRadius`.
struct Framing {
  Vec3 modelCentre;
  double modelRadius = 1;
};

// The centre of the model's bounding box and half its diagonal (centre 0 and radius 1 without
// vertices, radius 1 when the diagonal is 0). Coordinates that are not finite are left out.
Framing frameModel(const Model& model);

// "Reset view": yaw 30, pitch 20, no pan, and the distance at which the framing's sphere
// fits the 45-degree field of view with a margin.
Camera resetCamera(const Framing& framing);

// The camera as a rigid map from model space to camera space (x right, y up, z into the
// screen, the eye at the origin).
struct CameraTransform {
  CameraTransform(const Camera& camera, const Framing& framing);
  Vec3 toCamera(double x, double y, double z) const {
    const double dx = x - centre.x, dy = y - centre.y, dz = z - centre.z;
    const double rx = dx * cy + dz * sy;
    const double rz = -dx * sy + dz * cy;
    return {rx + panX, dy * cp - rz * sp + panY, dist - (dy * sp + rz * cp)};
  }

 private:
  Vec3 centre;
  double cy, sy, cp, sp, panX, panY, dist;
};

// tan(22.5 degrees): half the vertical field of view.
double halfFieldTangent();
