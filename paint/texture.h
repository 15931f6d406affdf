// The painted texture and its undo store. The store draws nothing: operations that would
// change what the 3D window shows return a TextureViewUpdate, and the controller acts on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
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
  std::string file;         // the texture's file then: undoing an import names it as before

  // The pixels into `out`, resized to width * height values, row 0 at the top.
  void copyTo(std::vector<uint32_t>& out) const;
  // A snapshot of width x height `pixels` (missing pixels saved as 0), no file.
  static TextureSnapshot of(std::span<const uint32_t> pixels, int64_t width, int64_t height);
};
using SnapshotList = std::deque<TextureSnapshot>;  // oldest first, newest last

// What the 3D window should do after an operation.
struct TextureViewUpdate {
  bool redraw = false;       // the image changed: refresh the title and redraw the view
  bool showTexture = false;  // switch the view mode to "Texture" when it is not already
                             // (and redraw if it was switched)
};

// The options of the New texture dialog, in its order.
enum class NewTextureKind {
  oneColour,       // every pixel `colour`
  testPattern,     // a copy of `testPattern` (RGB) when it has exactly this size, else all 0
  surfaceColours,  // `colour`, then every triangle of `model` (may be null) in its Surface colour
};

// The painted texture: its pixels, the file it was last loaded from or saved to, whether it
// holds unsaved paint, a revision that counts its changes, and its undo and redo steps. Every
// change goes through these methods, so the flag, the revision and the steps stay in step with
// the pixels.
class Texture {
 public:
  int64_t width() const { return width_; }  // 0: no texture yet
  int64_t height() const { return height_; }
  // width() * height() values, row 0 at the top, RGB; empty without a texture.
  const std::vector<uint32_t>& pixels() const { return pixels_; }
  const std::string& file() const { return file_; }  // empty after New
  bool modified() const { return modified_; }        // unsaved paint
  int64_t revision() const { return revision_; }     // counts strokes, fills, imports and new textures
  const SnapshotList& undoSteps() const { return undo_; }
  const SnapshotList& redoSteps() const { return redo_; }

  // The start of one undoable change: the current state goes onto the undo steps, the redo
  // steps are emptied.
  void beginStep();
  // Nothing when there is no undo (redo) step; otherwise the current state goes onto the
  // other list, the newest step becomes the texture (size, pixels and file) and leaves its
  // list, and the texture counts as modified. The revision is not changed. showTexture only
  // when the restored texture has a width.
  TextureViewUpdate undo();
  TextureViewUpdate redo();

  // A fresh width x height texture (the main window's texture size) of `kind`, one undo step
  // when a texture existed before. Clears the file, sets modified and counts a revision.
  // Nothing (and an empty update) when width or height is not positive.
  TextureViewUpdate newTexture(NewTextureKind kind, uint32_t colour, int64_t width,
                               int64_t height, const Model* model,
                               const Image* testPattern = nullptr);
  // Before painting: makes a white width x height texture when there is none (no undo step of
  // its own). Always asks for the "Texture" view; redraw only when a texture was made.
  TextureViewUpdate ensure(int64_t width, int64_t height);
  // The start of a fill (or of what a brush stroke changes): beginStep, then ensure, then the
  // texture counts as modified and one revision more. In this order the white texture made for
  // the first stroke belongs to that stroke's undo step, so undoing it brings back "no texture".
  TextureViewUpdate beginPaintStep(int64_t width, int64_t height);
  // The first change of a brush stroke, which paints before it knows whether it changes
  // anything. paintedInPlace: the stroke painted the texture itself and `before` (of the
  // texture's size) holds it as the stroke found it, which the undo step saves. Otherwise
  // there was no texture: the undo step saves "no texture" and `painted` (width x height, what
  // the stroke painted onto white) becomes the texture. Either way as beginPaintStep.
  TextureViewUpdate beginStrokeStep(std::vector<uint32_t>& before);
  TextureViewUpdate beginStrokeStep(std::vector<uint32_t>&& painted, int64_t width,
                                    int64_t height);
  // The pixels to paint into, for a stroke or fill under way: a fill after its beginPaintStep,
  // a brush stroke from its start (its first change is then told by beginStrokeStep).
  std::span<uint32_t> pixelsToPaint() { return pixels_; }

  // "Import...": `image` (RGB) becomes the texture, from `file`: one undo step when a texture
  // existed before, modified, one revision more.
  void replaceWith(Image image, std::string file);
  // The texture of an opened project (`image` of width 0: none), from `file`: no undo steps,
  // nothing modified; the revision keeps counting.
  void load(Image image, std::string file);
  // No texture, no undo or redo steps, nothing modified; `file` names where the file dialogs
  // start (a new model leaves its folder there). The revision keeps counting. For opening a
  // project or a model.
  void clear(std::string file = {});

  // The size, pixels and file as one snapshot, sharing tiles with the newest undo step.
  TextureSnapshot snapshot() const;
  // A layout change: the size and pixels of `snap` (none when its width is 0) and no undo
  // steps, which belong to another layout. The file and the modified flag stay.
  void restore(const TextureSnapshot& snap);
  // The painting carried to a new layout: width x height `pixels`, no undo steps.
  void carryTo(std::vector<uint32_t> pixels, int64_t width, int64_t height);
  // No undo or redo steps: those taken on a layout that is no longer shown.
  void forgetSteps();

  // The project was saved or opened: no unsaved paint.
  void markSaved() { modified_ = false; }
  // The texture was written to `path` (or names the folder the file dialogs start in).
  void setFile(std::string path) { file_ = std::move(path); }

  // The 3D window's title: "3D preview", then " - texture WxH" when there is a texture,
  // " (file name)" when the file names a file and " *" when modified.
  std::string title() const;
  // Bytes held by the snapshots of both lists: each distinct tile once, plus the tile tables.
  size_t undoStoreBytes() const;
  // Appends a snapshot of the current texture to the undo (redo) steps, dropping the list's
  // oldest when it then holds more than kUndoDepth; the other list is left as it is.
  void pushSnapshot(bool ontoRedo);

 private:
  void setPixels(std::vector<uint32_t> pixels, int64_t width, int64_t height);
  void countChange() {
    modified_ = true;
    ++revision_;
  }
  TextureViewUpdate stepBack(SnapshotList& from, SnapshotList& to);

  std::vector<uint32_t> pixels_;
  int64_t width_ = 0;
  int64_t height_ = 0;
  std::string file_;
  bool modified_ = false;
  int64_t revision_ = 0;
  SnapshotList undo_;
  SnapshotList redo_;
};
