// The 3D window's paint sources: which one the brush paints with (colour, stencil, pattern),
// loading and removing the stencil and the pattern, the pattern's gadgets and its anchor.
#pragma once

#include <string>

#include "app/window3d_part.h"
#include "app/window3d_stencil.h"

class Window3DSources : public Window3DPart {
 public:
  Window3DSources(Session& session, Ui& ui, Controller& main, Window3DStencil& stencil)
      : Window3DPart(session, ui, main), stencil_(stencil) {}

  void setPaintSource(PaintSource source);
  void setPatternTile(int centimetres);
  void setPatternTint(bool tint);
  void setPatternMapping(int mapping);
  void setPatternRotate(int quarterTurns);
  // The offset spins, in percent of a tile.
  void setPatternOffset(int xPercent, int yPercent);
  // Stencil "Load...", "Remove" and "Load pattern...": the file requester, then the file.
  void loadStencil();
  void removeStencil();
  void loadPattern();
  // The image at `path` as the stencil or the pattern, as chosen in the requester: false,
  // after "Could not load " + path + ": " and the reason, and with the previous image kept,
  // when it is no image.
  bool loadStencilFile(const std::string& path);
  bool loadPatternFile(const std::string& path);
  // Shift+click: the pattern's anchor at canvas pixel (x, y); when it is set (true), anchored
  // mapping, and painting with the pattern when one is loaded.
  bool anchorAt(int x, int y);

 private:
  Window3DStencil& stencil_;  // a loaded stencil is centred
};
