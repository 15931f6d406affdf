#include "unwrap/surfaces.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "unwrap/key_table.h"
#include "unwrap/weld.h"

namespace {

// Which UV vertex each surface uses at each position: key (surface, position).
class SurfaceMap {
 public:
  // The UV vertex, or -1 when the surface has none at the position.
  int32_t find(int64_t surface, int32_t position) const {
    const int32_t n = keys_.find(key(surface, position));
    return n < 0 ? -1 : uvVertex_[n];
  }
  void set(int64_t surface, int32_t position, int32_t uvVertex) {
    const auto [n, isNew] = keys_.insert(key(surface, position));
    if (isNew)
      uvVertex_.push_back(uvVertex);
    else
      uvVertex_[n] = uvVertex;
  }

 private:
  static uint64_t key(int64_t surface, int32_t position) {
    return static_cast<uint64_t>(surface) << 32 | static_cast<uint32_t>(position);
  }
  KeyNumbers<uint64_t, IntegerKeyHash> keys_;
  std::vector<int32_t> uvVertex_;  // by key number
};

// The map of the group being grown in the first pass: only that group is ever asked about,
// so one entry per position suffices, valid while it names the group.
struct GroupMap {
  std::vector<int32_t> group, uvVertex;  // per position
  int32_t find(int64_t g, int32_t position) const { return group[position] == g ? uvVertex[position] : -1; }
  void set(int64_t g, int32_t position, int32_t id) {
    group[position] = static_cast<int32_t>(g);
    uvVertex[position] = id;
  }
};

// The number of each vertex's (position, uvKey), in vertex order of first appearance.
std::vector<int32_t> positionUvIds(const Model& model, const std::vector<int32_t>& positionId) {
  std::vector<int32_t> ids(model.vertices.size());
  KeyNumbers<std::array<int64_t, 3>, KeyHash> numbers(model.vertices.size());
  for (size_t i = 0; i < model.vertices.size(); ++i) {
    const Vertex& v = model.vertices[i];
    ids[i] = numbers.insert({positionId[i], uvKeyCoordinate(v.u), uvKeyCoordinate(v.v)}).first;
  }
  return ids;
}

struct SurfaceData {
  const Model& model;
  std::vector<int32_t> positionId, uvVertexId;  // per vertex
  std::vector<int32_t> cornerHead, cornerNext;  // corner lists per uvVertexId, newest first

  int32_t cornerVertex(int32_t corner) const { return model.triangles[corner / 3].corner(corner % 3); }

  template <class Map>
  bool canJoin(int32_t t, int64_t surface, const Map& map) const {
    for (int k = 0; k < 3; ++k) {
      const int32_t v = cornerVertex(3 * t + k);
      const int32_t used = map.find(surface, positionId[v]);
      if (used >= 0 && used != uvVertexId[v]) return false;
    }
    return true;
  }

  template <class Map>
  void add(int32_t t, int64_t surface, Map& map) const {
    for (int k = 0; k < 3; ++k) {
      const int32_t v = cornerVertex(3 * t + k);
      map.set(surface, positionId[v], uvVertexId[v]);
    }
  }
};

std::string sequenceText(int64_t n) {
  std::string digits = std::to_string(n);
  // Three digits, zero-padded; larger numbers keep all their digits so names stay unique.
  return digits.size() < 3 ? std::string(3 - digits.size(), '0') + digits : digits;
}

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The n-th try at a distinct name: the name cut to maxLength characters, and from n = 2 on
// cut further to make room for n, which follows it.
std::string numberedName(const std::string& name, size_t maxLength, int n) {
  if (n < 2) return name.substr(0, maxLength);
  const std::string number = std::to_string(n);
  return name.substr(0, maxLength - std::min(maxLength, number.size())) + number;
}

// "<first 11 characters of the material>_<sequence number>" for every Surface, at most
// kMaxSurfaceName characters and unique ignoring case, as importers match material names.
// A number of four digits or more shortens the stem so that it fits. The Surfaces of one
// material whose numbers have one length share a stem: they keep their names when no earlier
// group holds any of them, and otherwise number the stem as repeated layer names are
// numbered, staying clear of the names other groups have as they are.
std::vector<std::string> surfaceNames(const Model& model, const std::vector<int32_t>& surfaceMaterial,
                                      const std::vector<int32_t>& surfaceSequence) {
  const size_t count = surfaceMaterial.size();
  auto nameOf = [&](size_t l, int n) {
    const int32_t m = surfaceMaterial[l];
    const std::string source =
        m >= 0 && m < model.materialCount() ? model.materialNames[m] : std::string("Default");
    const std::string number = sequenceText(surfaceSequence[l]);
    const size_t stemRoom = kMaxSurfaceName - 1 - std::min(number.size(), kMaxSurfaceName - 1);
    return numberedName(source, std::min<size_t>(11, stemRoom), n) + "_" + number;
  };
  // Groups sharing a stem, in the order of their first Surface.
  std::vector<std::vector<size_t>> groups;
  std::map<std::pair<int32_t, size_t>, size_t> groupOf;  // (material, number length)
  std::unordered_map<std::string, size_t> plainOwner;    // lower-cased name as it is -> group
  for (size_t l = 0; l < count; ++l) {
    const auto key = std::make_pair(surfaceMaterial[l], sequenceText(surfaceSequence[l]).size());
    const auto [it, isNew] = groupOf.try_emplace(key, groups.size());
    if (isNew) groups.emplace_back();
    groups[it->second].push_back(l);
    plainOwner.try_emplace(lowerAscii(nameOf(l, 1)), it->second);
  }
  std::vector<std::string> names(count);
  std::unordered_set<std::string> taken;  // lower-cased
  for (size_t g = 0; g < groups.size(); ++g) {
    int n = 1;
    auto isFree = [&](size_t l) {
      const std::string lower = lowerAscii(nameOf(l, n));
      if (taken.count(lower)) return false;
      const auto owner = plainOwner.find(lower);
      return n == 1 || owner == plainOwner.end() || owner->second == g;
    };
    while (!std::all_of(groups[g].begin(), groups[g].end(), isFree)) ++n;
    for (size_t l : groups[g]) {
      names[l] = nameOf(l, n);
      taken.insert(lowerAscii(names[l]));
    }
  }
  return names;
}

}  // namespace

int64_t buildSurfaces(Model& model, bool mergeSurfaces) {
  const auto T = static_cast<int32_t>(model.triangles.size());
  if (T == 0) return 0;
  SurfaceData d{model, positionIds(model), {}, {}, {}};
  d.uvVertexId = positionUvIds(model, d.positionId);
  const int32_t uvVertexCount =
      d.uvVertexId.empty() ? 0 : *std::max_element(d.uvVertexId.begin(), d.uvVertexId.end()) + 1;
  d.cornerHead.assign(uvVertexCount, -1);
  d.cornerNext.assign(3 * static_cast<size_t>(T), -1);
  for (int32_t corner = 0; corner < 3 * T; ++corner) {
    const int32_t id = d.uvVertexId[d.cornerVertex(corner)];
    d.cornerNext[corner] = d.cornerHead[id];
    d.cornerHead[id] = corner;
  }

  // Islands: triangles of one material joined through shared UV vertices.
  std::vector<int32_t> root(T);
  for (int32_t t = 0; t < T; ++t) root[t] = t;
  for (int32_t head : d.cornerHead) {
    if (head < 0) continue;
    const int32_t h = head / 3;
    for (int32_t n = d.cornerNext[head]; n != -1; n = d.cornerNext[n])
      if (model.triangles[n / 3].material == model.triangles[h].material)
        root[findRoot(root, n / 3)] = findRoot(root, h);
  }

  // Triangles without area are not exported, so they neither form Surfaces nor keep other
  // triangles out of one; they join a Surface of their material at the end.
  std::vector<uint8_t> withoutArea(T);
  for (int32_t t = 0; t < T; ++t) {
    const int32_t a = d.positionId[d.cornerVertex(3 * t)], b = d.positionId[d.cornerVertex(3 * t + 1)],
                  c = d.positionId[d.cornerVertex(3 * t + 2)];
    withoutArea[t] = a == b || b == c || c == a;  // as cornersCoincide
  }

  // First pass: groups grown breadth-first inside an island while no position gets two UVs.
  std::vector<int32_t> group(T, -1), queuedFor(T, -1);
  std::vector<std::vector<int32_t>> groups;
  const size_t positionCount =
      d.positionId.empty() ? 0 : *std::max_element(d.positionId.begin(), d.positionId.end()) + 1;
  GroupMap firstMap{std::vector<int32_t>(positionCount, -1), std::vector<int32_t>(positionCount, -1)};
  std::vector<int32_t> queue;  // first in first out from `next`
  for (int32_t s = 0; s < T; ++s) {
    if (group[s] != -1 || withoutArea[s]) continue;
    const auto g = static_cast<int32_t>(groups.size());
    groups.emplace_back();
    queue.assign({s});
    queuedFor[s] = g;
    for (size_t next = 0; next < queue.size(); ++next) {
      const int32_t t = queue[next];
      if (!d.canJoin(t, g, firstMap)) continue;
      group[t] = g;
      groups[g].push_back(t);
      d.add(t, g, firstMap);
      const int32_t rootT = findRoot(root, t);
      for (int k = 0; k < 3; ++k) {
        const int32_t id = d.uvVertexId[d.cornerVertex(3 * t + k)];
        for (int32_t c = d.cornerHead[id]; c != -1; c = d.cornerNext[c]) {
          const int32_t n = c / 3;
          if (group[n] == -1 && !withoutArea[n] && queuedFor[n] != g &&
              findRoot(root, n) == rootT) {
            queuedFor[n] = g;
            queue.push_back(n);
          }
        }
      }
    }
  }

  // Second pass: groups become Surfaces, merged into earlier ones of the same material when
  // asked and allowed.
  std::vector<int32_t> surfaceMaterial, surfaceSequence;
  std::vector<int32_t> surfaceOfGroup(groups.size());
  std::unordered_map<int32_t, int32_t> openedPerMaterial;
  SurfaceMap secondMap;
  for (size_t g = 0; g < groups.size(); ++g) {
    std::vector<int32_t>& members = groups[g];
    std::sort(members.begin(), members.end());
    const int32_t material = model.triangles[members.front()].material;
    int32_t surface = -1;
    if (mergeSurfaces) {
      for (size_t l = 0; l < surfaceMaterial.size() && surface < 0; ++l) {
        if (surfaceMaterial[l] != material) continue;
        if (std::all_of(members.begin(), members.end(),
                        [&](int32_t t) { return d.canJoin(t, static_cast<int64_t>(l), secondMap); }))
          surface = static_cast<int32_t>(l);
      }
    }
    if (surface < 0) {
      surface = static_cast<int32_t>(surfaceMaterial.size());
      surfaceMaterial.push_back(material);
      surfaceSequence.push_back(++openedPerMaterial[material]);
    }
    for (int32_t t : members) d.add(t, surface, secondMap);
    surfaceOfGroup[g] = surface;
  }

  // A triangle without area joins the first Surface of its material, or one of its own when
  // its material has no other triangles.
  std::unordered_map<int32_t, int32_t> firstSurfaceOf;
  for (size_t l = 0; l < surfaceMaterial.size(); ++l)
    firstSurfaceOf.try_emplace(surfaceMaterial[l], static_cast<int32_t>(l));
  for (int32_t t = 0; t < T; ++t) {
    Triangle& tri = model.triangles[t];
    if (!withoutArea[t]) {
      tri.material = surfaceOfGroup[group[t]];
      continue;
    }
    const auto [first, isNew] =
        firstSurfaceOf.try_emplace(tri.material, static_cast<int32_t>(surfaceMaterial.size()));
    if (isNew) {
      surfaceMaterial.push_back(tri.material);
      surfaceSequence.push_back(++openedPerMaterial[tri.material]);
    }
    tri.material = first->second;
  }
  model.materialNames = surfaceNames(model, surfaceMaterial, surfaceSequence);
  return model.materialCount();
}

std::vector<std::string> distinctNames(const std::vector<std::string>& names, size_t maxLength) {
  std::vector<std::string> result;
  std::unordered_set<std::string> taken;  // lower-cased
  for (const std::string& name : names) {
    int n = 1;
    while (taken.count(lowerAscii(numberedName(name, maxLength, n)))) ++n;
    result.push_back(numberedName(name, maxLength, n));
    taken.insert(lowerAscii(result.back()));
  }
  return result;
}

void layerSurfaceNames(Model& model) {
  static const std::string kAllowed =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-";
  std::vector<std::string> cleaned;
  for (const std::string& layer : model.layerNames) {
    std::string name;
    for (char c : layer) {
      if (kAllowed.find(c) != std::string::npos)
        name += c;
      else if (c == ' ')
        name += '_';
    }
    cleaned.push_back(name.empty() ? "Layer" : name);
  }
  model.materialNames = distinctNames(cleaned, 11);
  for (Triangle& t : model.triangles) t.material = t.layer;
}
