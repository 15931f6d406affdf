// The painted texture and its undo store. The store draws nothing: operations that would
// change what the 3D window shows return a TextureViewUpdate, and the controller acts on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "image/image.h"
#include "model/model.h"

// Snapshots are cut into tiles of this side (smaller at the right and bottom edges).
constexpr int64_t kTextureTileSide = 64;
// Snapshots kept per list; pushing one more drops the oldest.
constexpr size_t kUndoDepth = 20;

// One saved state of the texture: its size and its pixels as row-major tiles of immutable,
// shared data. A tile equal to the same tile of a neighbouring snapshot is shared, not copied,
// so a step that changes a small region costs about that region; a width of 0 is "no texture".
struct TextureSnapshot {
  using Tile = std::shared_ptr<const std::vector<uint32_t>>;
  int64_t width = 0;
  int64_t height = 0;
  std::vector<Tile> tiles;  // ceil(width / side) * ceil(height / side), row by row
  std::string file;         // TextureFile then: undoing an import names the texture as before

  // The pixels into `out`, resized to width * height values, row 0 at the top.
  void copyTo(std::vector<uint32_t>& out) const;
};
using SnapshotList = std::deque<TextureSnapshot>;  // oldest first, newest last

struct Texture {
  std::vector<uint32_t> TexturePixels;  // TextureWidth * TextureHeight, row 0 at the top, RGB
  int64_t TextureWidth = 0;             // 0: no texture yet
  int64_t TextureHeight = 0;
  std::string TextureFile;       // last loaded from or saved to; empty after New
  bool TextureModified = false;  // unsaved paint
  int64_t TextureRevision = 0;   // counts strokes, fills, imports and new textures
  SnapshotList UndoList;
  SnapshotList RedoList;
};

// What the 3D window should do after an operation.
struct TextureViewUpdate {
  bool redraw = false;       // the image changed: refresh the title and redraw the view
  bool showTexture = false;  // switch the view mode to "Texture" when it is not already
                             // (and redraw if it was switched)
};

// Appends a snapshot of the current texture to `list` (UndoList or RedoList of `texture`),
// dropping the list's oldest when it then holds more than kUndoDepth. Pixels missing from a
// TexturePixels shorter than TextureWidth * TextureHeight are saved as 0.
void PushSnapshot(Texture& texture, SnapshotList& list);
// The start of one undoable change: the current state goes onto UndoList, RedoList is emptied.
void BeginTextureStep(Texture& texture);
// Undo is StepBack(UndoList, RedoList), redo StepBack(RedoList, UndoList). Nothing when `from`
// is empty; otherwise the current state goes onto `to`, the newest snapshot of `from` becomes
// the texture (size, pixels and TextureFile) and leaves `from`, and TextureModified is set. The revision
// is not changed. showTexture only when the restored texture has a width.
TextureViewUpdate StepBack(Texture& texture, SnapshotList& from, SnapshotList& to);
TextureViewUpdate undoTexture(Texture& texture);
TextureViewUpdate redoTexture(Texture& texture);

// The options of the New texture dialog, in its order.
enum class NewTextureKind {
  oneColour,       // every pixel `colour`
  testPattern,     // a copy of `testPattern` (RGB) when it has exactly this size, else all 0
  surfaceColours,  // `colour`, then every triangle of `model` (may be null) in its Surface colour
};
// A fresh width x height texture (the main window's texture size) of `kind`, one undo step
// when a texture existed before. Clears TextureFile, sets TextureModified and counts a
// revision. Nothing (and an empty update) when width or height is not positive.
TextureViewUpdate NewTexture(Texture& texture, NewTextureKind kind, uint32_t colour,
                             int64_t width, int64_t height, const Model* model,
                             const Image* testPattern = nullptr);
// Before painting: makes a white width x height texture when there is none (no undo step of
// its own). Always asks for the "Texture" view; redraw only when a texture was made.
TextureViewUpdate EnsureTexture(Texture& texture, int64_t width, int64_t height);
// The start of a brush stroke or a fill: BeginTextureStep, then EnsureTexture. In this order
// the white texture made for the first stroke belongs to that stroke's undo step, so undoing
// the first stroke brings back "no texture".
TextureViewUpdate beginPaintStep(Texture& texture, int64_t width, int64_t height);

// No texture, no undo or redo steps, nothing modified and no file; the revision keeps
// counting. For opening a project or a model.
void resetTexture(Texture& texture);

// The 3D window's title: "3D preview", then " - texture WxH" when there is a texture,
// " (file name)" when TextureFile names a file and " *" when TextureModified is.
std::string UpdateTitle(const Texture& texture);

// Bytes held by the snapshots of both lists: each distinct tile once, plus the tile tables.
size_t undoStoreBytes(const Texture& texture);
