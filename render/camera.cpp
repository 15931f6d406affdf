#include "render/camera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr double kDegree = std::numbers::pi / 180.0;
}

double halfFieldTangent() { return std::tan(22.5 * kDegree); }

Framing frameModel(const Model& model) {
  Vec3 low{HUGE_VAL, HUGE_VAL, HUGE_VAL}, high{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  bool any = false;
  for (const Vertex& v : model.vertices) {
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) continue;
    low = {std::min<double>(low.x, v.x), std::min<double>(low.y, v.y), std::min<double>(low.z, v.z)};
    high = {std::max<double>(high.x, v.x), std::max<double>(high.y, v.y),
            std::max<double>(high.z, v.z)};
    any = true;
  }
  Framing framing;
  if (!any) return framing;
  framing.modelCentre = {(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
  const double radius = length(high - low) / 2;
  framing.modelRadius = radius > 0 ? radius : 1;
  return framing;
}

Camera resetCamera(const Framing& framing) {
  return {.yaw = 30,
          .pitch = 20,
          .dist = framing.modelRadius / halfFieldTangent() * 1.15,
          .panX = 0,
          .panY = 0};
}

CameraTransform::CameraTransform(const Camera& camera, const Framing& framing)
    : centre(framing.modelCentre),
      cy(std::cos(camera.yaw * kDegree)),
      sy(std::sin(camera.yaw * kDegree)),
      cp(std::cos(camera.pitch * kDegree)),
      sp(std::sin(camera.pitch * kDegree)),
      panX(camera.panX),
      panY(camera.panY),
      dist(camera.dist) {}
