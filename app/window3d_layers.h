// The 3D window's layers: the layer list and its buttons, "Paint only on this layer" and the
// assign tools, which move the triangles under the mouse to the current layer.
#pragma once

#include <vector>

#include "app/window3d_part.h"

class Window3DLayers : public Window3DPart {
 public:
  using Window3DPart::Window3DPart;

  // Any event of the layer list: the ticked rows are the visible layers, the selected row
  // (-1 for none) becomes the current layer.
  void layerListEvent(const std::vector<bool>& ticked, int selectedRow);
  // "New...", "Rename...", "Delete", "Colour...": each asks first; an answer that changes
  // nothing does nothing.
  void newLayer();
  void renameLayer();
  void deleteLayer();
  void chooseLayerColour();
  // "Lock" / "Unlock" on the current layer.
  void toggleLayerLock();
  // "Paint only on this layer".
  void setOnlyLayer(bool only);

  // RefreshLayerList: an entry of layer state for every layer, the current layer among them;
  // the list shows them with the next refresh.
  void refreshLayerList();
  // LayoutGuard: false, after saying so, when the layers decide a layout that is locked.
  bool layoutGuard();
  // The click of the assign tools on a region ("Assign layer: triangle", flat face,
  // connected part), and the "Assign layer: brush" circle on button down and every move.
  void assignRegion(int x, int y);
  void assignBrush(int x, int y);

 private:
  // Triangles moved between layers, or layers were made, renamed or deleted.
  void changedLayers(const Changes& changes);
};
