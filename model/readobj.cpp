#include <charconv>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/file_io.h"
#include "model/readers.h"

namespace {

constexpr int32_t kNone = -1;

std::string_view trimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Leading number of the text, 0 when there is none (or it is not finite).
float parseFloat(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  float value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  (void)end;
  return (error == std::errc() && std::isfinite(value)) ? value : 0.0f;
}

// A 1-based (or negative, from the end) reference into a list of `count` entries, resolved
// to a 0-based index; kNone for 0, empty or unreadable text. Not checked against count.
int64_t resolveReference(std::string_view s, int64_t count) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  int64_t r = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), r);
  (void)end;
  if (error != std::errc() || r == 0) return kNone;
  if (r > 0) return r - 1;
  const int64_t index = count + r;
  return index < 0 ? kNone : index;
}

struct Point2 {
  double x, y;
};

bool samePoint(const Point2& p, const Point2& q) { return p.x == q.x && p.y == q.y; }

double cross(const Point2& origin, const Point2& p, const Point2& q) {
  return (p.x - origin.x) * (q.y - origin.y) - (p.y - origin.y) * (q.x - origin.x);
}

// Splits one face into triangles: n > 3 corners by ear clipping in the polygon's plane.
void triangulate(Model& model, const std::vector<int32_t>& corners, int32_t material,
                 int32_t layer) {
  const size_t n = corners.size();
  if (n < 3) return;
  if (n == 3) {
    modelAddTriangle(model, corners[0], corners[1], corners[2], material, layer);
    return;
  }
  ++model.splitPolygons;

  // Newell's normal; the dominant axis is dropped for the projection.
  double nx = 0, ny = 0, nz = 0;
  for (size_t i = 0; i < n; ++i) {
    const Vertex& a = model.vertices[corners[i]];
    const Vertex& b = model.vertices[corners[(i + 1) % n]];
    nx += (double(a.y) - b.y) * (double(a.z) + b.z);
    ny += (double(a.z) - b.z) * (double(a.x) + b.x);
    nz += (double(a.x) - b.x) * (double(a.y) + b.y);
  }
  std::vector<Point2> p(n);
  for (size_t i = 0; i < n; ++i) {
    const Vertex& v = model.vertices[corners[i]];
    if (std::fabs(nx) >= std::fabs(ny) && std::fabs(nx) >= std::fabs(nz))
      p[i] = {v.y, v.z};
    else if (std::fabs(ny) >= std::fabs(nz))
      p[i] = {v.z, v.x};
    else
      p[i] = {v.x, v.y};
  }
  double area = 0;
  for (size_t i = 0; i < n; ++i) {
    const size_t j = (i + 1) % n;
    area += p[i].x * p[j].y - p[j].x * p[i].y;
  }
  const double s = area >= 0 ? 1.0 : -1.0;

  std::vector<size_t> remaining(n);
  for (size_t i = 0; i < n; ++i) remaining[i] = i;
  while (remaining.size() > 3) {
    const size_t m = remaining.size();
    bool clipped = false;
    for (size_t i = 0; i < m && !clipped; ++i) {
      const size_t a = remaining[(i + m - 1) % m], b = remaining[i], c = remaining[(i + 1) % m];
      if (s * cross(p[a], p[b], p[c]) <= 0) continue;
      // No other corner may lie in the ear, not even on its border. Corners at the ear's own
      // points do not count: a keyhole edge cut in to a hole visits both its ends twice.
      bool empty = true;
      for (size_t q : remaining) {
        if (samePoint(p[q], p[a]) || samePoint(p[q], p[b]) || samePoint(p[q], p[c])) continue;
        if (s * cross(p[a], p[b], p[q]) >= 0 && s * cross(p[b], p[c], p[q]) >= 0 &&
            s * cross(p[c], p[a], p[q]) >= 0) {
          empty = false;
          break;
        }
      }
      if (!empty) continue;
      modelAddTriangle(model, corners[a], corners[b], corners[c], material, layer);
      remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(i));
      clipped = true;
    }
    if (!clipped) break;  // degenerate or self-intersecting: fan what is left
  }
  for (size_t k = 1; k + 1 < remaining.size(); ++k)
    modelAddTriangle(model, corners[remaining[0]], corners[remaining[k]],
                     corners[remaining[k + 1]], material, layer);
}

}  // namespace

ReadResult parseObj(std::span<const uint8_t> bytes, const std::string& path, Model& model,
                    bool keepYUp) {
  modelClear(model);
  struct Float3 {
    float x, y, z;
  };
  struct Float2 {
    float u, v;
  };
  std::vector<Float3> positions;
  std::vector<Float2> texcoords;
  std::unordered_map<uint64_t, int32_t> cornerVertex;  // (position, texcoord + 1) -> vertex
  std::vector<int32_t> corners;
  std::vector<std::string_view> tokens;
  std::string line;
  int32_t material = kNone;
  int32_t layer = 0;

  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(start, end - start);
    start = end + 1;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

    line.assign(raw);
    for (char& c : line)
      if (c == '\t') c = ' ';
    const std::string_view trimmed = trimSpaces(line);
    tokens.clear();
    for (size_t i = 0; i < trimmed.size();) {
      const size_t space = std::min(trimmed.find(' ', i), trimmed.size());
      if (space > i) tokens.push_back(trimmed.substr(i, space - i));
      i = space + 1;
    }
    if (tokens.empty()) continue;
    std::string keyword(tokens[0]);
    for (char& c : keyword)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');

    if (keyword == "v" && tokens.size() >= 4) {
      positions.push_back({parseFloat(tokens[1]), parseFloat(tokens[2]), parseFloat(tokens[3])});
    } else if (keyword == "vt" && tokens.size() >= 3) {
      texcoords.push_back({parseFloat(tokens[1]), parseFloat(tokens[2])});
    } else if (keyword == "usemtl") {
      material = modelMaterialIndex(model, std::string(trimSpaces(trimmed.substr(6))));
    } else if ((keyword == "g" || keyword == "o") && tokens.size() >= 2) {
      layer = modelLayerIndex(model, std::string(tokens[1]));
    } else if (keyword == "f") {
      if (material == kNone) material = modelMaterialIndex(model, "Default");
      corners.clear();
      for (size_t i = 1; i < tokens.size(); ++i) {
        const std::string_view token = tokens[i];
        const size_t slash1 = token.find('/');
        const std::string_view positionText = token.substr(0, slash1);
        std::string_view texcoordText;
        if (slash1 != std::string_view::npos) {
          const size_t slash2 = token.find('/', slash1 + 1);
          texcoordText = token.substr(slash1 + 1, slash2 == std::string_view::npos
                                                      ? std::string_view::npos
                                                      : slash2 - slash1 - 1);
        }
        const auto positionCount = static_cast<int64_t>(positions.size());
        const auto texcoordCount = static_cast<int64_t>(texcoords.size());
        const int64_t p = resolveReference(positionText, positionCount);
        if (p == kNone || p >= positionCount)
          return {false, "Vlak verwijst naar een hoekpunt dat niet bestaat: " + std::string(raw)};
        int64_t t = resolveReference(texcoordText, texcoordCount);
        if (t >= texcoordCount) t = kNone;
        const uint64_t key = static_cast<uint64_t>(p) << 32 | static_cast<uint64_t>(t + 1);
        const auto [it, isNew] =
            cornerVertex.try_emplace(key, static_cast<int32_t>(model.vertices.size()));
        if (isNew) {
          const Float3& position = positions[static_cast<size_t>(p)];
          const Float2 uv = t == kNone ? Float2{0, 0} : texcoords[static_cast<size_t>(t)];
          modelAddVertex(model, position.x, position.y, position.z, uv.u, uv.v);
          if (t != kNone) model.hasUVs = true;
        }
        corners.push_back(it->second);
      }
      triangulate(model, corners, material, layer);
    }
  }

  model.objectCount = 1;
  model.zUp = !keepYUp;
  modelEnsureLayer(model);
  if (model.triangles.empty()) return {false, "Geen vlakken gevonden in " + path};
  return {true, ""};
}

ReadResult readObj(const std::string& path, Model& model, bool keepYUp) {
  modelClear(model);
  std::vector<uint8_t> bytes;
  try {
    if (!readFileBytes(path, bytes)) return {false, "Kan bestand niet openen: " + path};
    return parseObj(bytes, path, model, keepYUp);
  } catch (const std::bad_alloc&) {
    modelClear(model);
    return {false, "Te weinig geheugen"};
  }
}
