#include "paint/texture.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_set>

#include "paint/fill.h"

namespace {

constexpr uint32_t kWhite = 255 | 255 << 8 | 255 << 16;

int64_t tilesAcross(int64_t size) { return (size + kTextureTileSide - 1) / kTextureTileSide; }

// Where tile (tx, ty) of a width x height image lies.
struct TileRect {
  int64_t x, y, w, h;
};
TileRect tileRect(int64_t tx, int64_t ty, int64_t width, int64_t height) {
  const int64_t x = tx * kTextureTileSide, y = ty * kTextureTileSide;
  return {x, y, std::min(kTextureTileSide, width - x), std::min(kTextureTileSide, height - y)};
}

bool tileEquals(const std::vector<uint32_t>& tile, const uint32_t* image, int64_t width,
                const TileRect& r) {
  if (tile.size() != static_cast<size_t>(r.w * r.h)) return false;
  for (int64_t row = 0; row < r.h; ++row)
    if (std::memcmp(tile.data() + row * r.w, image + (r.y + row) * width + r.x,
                    static_cast<size_t>(r.w) * sizeof(uint32_t)) != 0)
      return false;
  return true;
}

bool tileIsUniform(const uint32_t* image, int64_t width, const TileRect& r) {
  const uint32_t first = image[r.y * width + r.x];
  for (int64_t row = 0; row < r.h; ++row) {
    const uint32_t* p = image + (r.y + row) * width + r.x;
    if (std::any_of(p, p + r.w, [first](uint32_t c) { return c != first; })) return false;
  }
  return true;
}

TextureSnapshot::Tile copyTile(const uint32_t* image, int64_t width, const TileRect& r) {
  // Appended row by row rather than zero-filled and then overwritten.
  auto tile = std::make_shared<std::vector<uint32_t>>();
  tile->reserve(static_cast<size_t>(r.w * r.h));
  for (int64_t row = 0; row < r.h; ++row) {
    const uint32_t* from = image + (r.y + row) * width + r.x;
    tile->insert(tile->end(), from, from + r.w);
  }
  return tile;
}

// Cuts the image into tiles. A tile equal to the same tile of one of the `near` snapshots (the
// newest of each list, which differ from the image by about one step) is shared with it; among
// the rest, tiles of one colour are shared with each other, so a fresh one-colour texture costs
// a few tiles instead of a full copy.
TextureSnapshot makeSnapshot(std::span<const uint32_t> pixels, int64_t width, int64_t height,
                             const TextureSnapshot* const (&near)[2]) {
  TextureSnapshot snap;
  snap.width = width;
  snap.height = height;
  if (width <= 0 || height <= 0) return snap;
  if (pixels.size() < static_cast<size_t>(width * height)) {
    // Never read past a pixel array shorter than its stated size; the missing pixels are 0.
    std::vector<uint32_t> padded(pixels.begin(), pixels.end());
    padded.resize(static_cast<size_t>(width * height), 0);
    return makeSnapshot(padded, width, height, near);
  }
  const int64_t across = tilesAcross(width), down = tilesAcross(height);
  snap.tiles.reserve(static_cast<size_t>(across * down));
  std::map<std::tuple<uint32_t, int64_t, int64_t>, TextureSnapshot::Tile> uniform;
  const uint32_t* image = pixels.data();
  for (int64_t ty = 0; ty < down; ++ty) {
    for (int64_t tx = 0; tx < across; ++tx) {
      const TileRect r = tileRect(tx, ty, width, height);
      const size_t index = static_cast<size_t>(ty * across + tx);
      TextureSnapshot::Tile tile;
      for (const TextureSnapshot* other : near) {
        if (other && other->width == width && other->height == height &&
            tileEquals(*other->tiles[index], image, width, r)) {
          tile = other->tiles[index];
          break;
        }
      }
      if (!tile && tileIsUniform(image, width, r)) {
        TextureSnapshot::Tile& shared = uniform[{image[r.y * width + r.x], r.w, r.h}];
        if (!shared) shared = copyTile(image, width, r);
        tile = shared;
      }
      if (!tile) tile = copyTile(image, width, r);
      snap.tiles.push_back(std::move(tile));
    }
  }
  return snap;
}

}  // namespace

void TextureSnapshot::copyTo(std::vector<uint32_t>& out) const {
  if (width <= 0 || height <= 0) {
    out.clear();
    return;
  }
  out.resize(static_cast<size_t>(width * height));
  const int64_t across = tilesAcross(width), down = tilesAcross(height);
  for (int64_t ty = 0; ty < down; ++ty) {
    for (int64_t tx = 0; tx < across; ++tx) {
      const TileRect r = tileRect(tx, ty, width, height);
      const std::vector<uint32_t>& tile = *tiles[static_cast<size_t>(ty * across + tx)];
      for (int64_t row = 0; row < r.h; ++row)
        std::memcpy(out.data() + (r.y + row) * width + r.x, tile.data() + row * r.w,
                    static_cast<size_t>(r.w) * sizeof(uint32_t));
    }
  }
}

TextureSnapshot TextureSnapshot::of(std::span<const uint32_t> pixels, int64_t width,
                                    int64_t height) {
  const TextureSnapshot* const none[2] = {nullptr, nullptr};
  return makeSnapshot(pixels, width, height, none);
}

void Texture::pushSnapshot(bool ontoRedo) {
  SnapshotList& list = ontoRedo ? redo_ : undo_;
  const SnapshotList& other = ontoRedo ? undo_ : redo_;
  const TextureSnapshot* const near[2] = {list.empty() ? nullptr : &list.back(),
                                          other.empty() ? nullptr : &other.back()};
  list.push_back(makeSnapshot(pixels_, width_, height_, near));
  list.back().file = file_;
  if (list.size() > kUndoDepth) list.pop_front();
}

void Texture::beginStep() {
  pushSnapshot(false);
  redo_.clear();
}

TextureViewUpdate Texture::stepBack(SnapshotList& from, SnapshotList& to) {
  if (from.empty()) return {};
  pushSnapshot(&to == &redo_);
  const TextureSnapshot& snap = from.back();
  width_ = snap.width;
  height_ = snap.height;
  file_ = snap.file;
  // Written into the live array, which keeps its memory when the size is the same.
  snap.copyTo(pixels_);
  from.pop_back();
  modified_ = true;
  return {.redraw = true, .showTexture = width_ > 0};
}

TextureViewUpdate Texture::undo() { return stepBack(undo_, redo_); }

TextureViewUpdate Texture::redo() { return stepBack(redo_, undo_); }

TextureViewUpdate Texture::newTexture(NewTextureKind kind, uint32_t colour, int64_t width,
                                      int64_t height, const Model* model,
                                      const Image* testPattern) {
  if (width <= 0 || height <= 0) return {};
  if (width_ > 0) beginStep();
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<size_t>(width * height), 0);
  switch (kind) {
    case NewTextureKind::oneColour:
      std::fill(pixels_.begin(), pixels_.end(), colour);
      break;
    case NewTextureKind::testPattern:
      if (testPattern && testPattern->width == width && testPattern->height == height &&
          testPattern->pixels.size() == pixels_.size()) {
        // The texture is RGB: whatever alpha the pattern image carries is dropped.
        pixels_ = testPattern->pixels;
        dropAlpha(pixels_);
      }
      break;
    case NewTextureKind::surfaceColours:
      std::fill(pixels_.begin(), pixels_.end(), colour);
      fillSurfaceColours(model, pixels_, width, height);
      break;
  }
  file_.clear();
  countChange();
  return {.redraw = true, .showTexture = true};
}

TextureViewUpdate Texture::ensure(int64_t width, int64_t height) {
  TextureViewUpdate update;
  if (width_ == 0) update = newTexture(NewTextureKind::oneColour, kWhite, width, height, nullptr);
  update.showTexture = true;
  return update;
}

TextureViewUpdate Texture::beginPaintStep(int64_t width, int64_t height) {
  beginStep();
  TextureViewUpdate update = ensure(width, height);
  countChange();
  update.redraw = true;
  return update;
}

TextureViewUpdate Texture::beginStrokeStep(std::vector<uint32_t>& before) {
  // For the snapshot the texture is as the stroke found it for a moment.
  std::swap(pixels_, before);
  const TextureViewUpdate update = beginPaintStep(width_, height_);
  std::swap(pixels_, before);
  return update;
}

TextureViewUpdate Texture::beginStrokeStep(std::vector<uint32_t>&& painted, int64_t width,
                                           int64_t height) {
  const TextureViewUpdate update = beginPaintStep(width, height);
  pixels_.swap(painted);
  painted = {};
  return update;
}

void Texture::replaceWith(Image image, std::string file) {
  if (width_ > 0) beginStep();
  setPixels(std::move(image.pixels), image.width, image.height);
  file_ = std::move(file);
  countChange();
}

void Texture::load(Image image, std::string file) {
  clear(std::move(file));
  setPixels(std::move(image.pixels), image.width, image.height);
}

void Texture::clear(std::string file) {
  pixels_ = {};
  width_ = 0;
  height_ = 0;
  forgetSteps();
  modified_ = false;
  file_ = std::move(file);
}

TextureSnapshot Texture::snapshot() const {
  const TextureSnapshot* const near[2] = {undo_.empty() ? nullptr : &undo_.back(), nullptr};
  TextureSnapshot snap = makeSnapshot(pixels_, width_, height_, near);
  snap.file = file_;
  return snap;
}

void Texture::restore(const TextureSnapshot& snap) {
  width_ = snap.width;
  height_ = snap.height;
  snap.copyTo(pixels_);
  forgetSteps();
}

void Texture::carryTo(std::vector<uint32_t> pixels, int64_t width, int64_t height) {
  setPixels(std::move(pixels), width, height);
  forgetSteps();
}

void Texture::forgetSteps() {
  undo_.clear();
  redo_.clear();
}

void Texture::setPixels(std::vector<uint32_t> pixels, int64_t width, int64_t height) {
  pixels_ = std::move(pixels);
  width_ = width;
  height_ = height;
}

std::string Texture::title() const {
  std::string title = "3D preview";
  if (width_ > 0) {
    auto decimal = [](int64_t n) {
      char buffer[24];
      return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, n).ptr);
    };
    title += " - texture " + decimal(width_) + "x" + decimal(height_);
  }
  // A new model leaves its folder there, as the place the file dialogs start: no file to name.
  const std::string fileName = file_.substr(file_.rfind('/') + 1);
  if (!fileName.empty()) title += " (" + fileName + ")";
  if (modified_) title += " *";
  return title;
}

size_t Texture::undoStoreBytes() const {
  std::unordered_set<const std::vector<uint32_t>*> seen;
  size_t bytes = 0;
  for (const SnapshotList* list : {&undo_, &redo_}) {
    for (const TextureSnapshot& snap : *list) {
      bytes += sizeof(TextureSnapshot) + snap.tiles.capacity() * sizeof(TextureSnapshot::Tile);
      for (const TextureSnapshot::Tile& tile : snap.tiles)
        if (seen.insert(tile.get()).second)
          bytes += sizeof(*tile) + tile->capacity() * sizeof(uint32_t);
    }
  }
  return bytes;
}
