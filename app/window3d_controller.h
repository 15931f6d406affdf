// The 3D window's commands: its gadgets, the gestures on its canvas and the keys, taking plain
// event records so that the window only translates toolkit events. Like the main window's
// controller it draws nothing itself: it changes the session and raises Changes, and the
// canvas asks for the picture once per frame of the window.
//
// It owns the window's life and its picture, routes the events, and hands every concern to
// one part: the view and its navigation, the tools, the stencil's gestures, the layers and
// the paint sources (app/window3d_*.h).
#pragma once

#include <string>
#include <vector>

#include "app/changes.h"
#include "app/controller.h"
#include "app/session.h"
#include "app/ui.h"
#include "app/window3d_events.h"
#include "app/window3d_layers.h"
#include "app/window3d_navigation.h"
#include "app/window3d_part.h"
#include "app/window3d_sources.h"
#include "app/window3d_stencil.h"
#include "app/window3d_tools.h"
#include "app/window_rules.h"

// Where the canvas and the right panel's gadgets go in a window whose inner size is width x
// height; below 300 x 560 the panel is laid out as for that size.
struct Window3DLayout {
  Rect canvas;
  Rect layerList, layerNew, layerRename, layerDelete, layerColour, layerLock, onlyLayer;
  Rect stencilTitle, stencilLoad, stencilRemove, stencilCenter, stencilOpacityText,
      stencilOpacity, showStencil, stencilHelp;
  Rect offsetTitle, offsetXText, offsetX, offsetYText, offsetY, offsetReset;
};
Window3DLayout window3dLayout(int width, int height);

class Window3DController : public Window3DPart {
 public:
  // main: the main window's commands that the 3D window offers too (Save, the texture files);
  // the changes raised here go with its changes.
  Window3DController(Session& session, Ui& ui, Controller& main)
      : Window3DPart(session, ui, main),
        navigation_(session, ui, main),
        stencil_(session, ui, main),
        layers_(session, ui, main),
        sources_(session, ui, main, stencil_),
        tools_(session, ui, main, layers_) {}
  // The parts refer to each other.
  Window3DController(const Window3DController&) = delete;
  Window3DController& operator=(const Window3DController&) = delete;

  // View > 3D preview / paint: opens the window on the model (nothing while none is loaded),
  // or brings the open window to the front.
  void open();
  // The window is closed: its state goes, the project values stay.
  void close();
  // After every event, before the window shows what changed: a new model or project reaches
  // the view here, and the view learns what must be drawn again.
  void apply(const Changes& changes);

  // The canvas has this size.
  void resize(int width, int height);
  // Whether the canvas shows something out of date.
  bool framePending() const;
  // The picture to show on the canvas: rendered only when the model, the camera or what it
  // shows changed, and the overlays laid over it only when they changed.
  const Image& frame();

  // ---- Gadgets, each handed to its part
  void setViewMode(ViewMode mode) { navigation_.setViewMode(mode); }
  void setEdges(bool edges) { navigation_.setEdges(edges); }
  void resetView() { navigation_.resetView(); }
  void setTool(Tool tool) { tools_.setTool(tool); }
  void setBrush(int size, int opacity, int hardness) { tools_.setBrush(size, opacity, hardness); }
  void setBrushTip(int tip) { tools_.setBrushTip(tip); }
  void chooseBrushColour() { tools_.chooseBrushColour(); }
  void newTexture() { tools_.newTexture(); }
  void importTexture() { main_.importTexture(); }
  void exportTexture() { main_.exportTexture(); }
  void setPaintSource(PaintSource source) { sources_.setPaintSource(source); }
  void setPatternTile(int centimetres) { sources_.setPatternTile(centimetres); }
  void setPatternTint(bool tint) { sources_.setPatternTint(tint); }
  void setPatternMapping(int mapping) { sources_.setPatternMapping(mapping); }
  void setPatternRotate(int quarterTurns) { sources_.setPatternRotate(quarterTurns); }
  void setPatternOffset(int xPercent, int yPercent) { sources_.setPatternOffset(xPercent, yPercent); }
  void resetPatternOffset() { sources_.setPatternOffset(0, 0); }
  // The pattern swatch's picture.
  Image patternSwatch() const { return ::patternSwatch(s_.document.pattern); }
  void loadStencil() { sources_.loadStencil(); }
  void removeStencil() { sources_.removeStencil(); }
  void loadPattern() { sources_.loadPattern(); }
  bool loadStencilFile(const std::string& path) { return sources_.loadStencilFile(path); }
  bool loadPatternFile(const std::string& path) { return sources_.loadPatternFile(path); }
  bool anchorAt(int x, int y) { return sources_.anchorAt(x, y); }
  void centerStencil() { stencil_.center(); }
  void setStencilOpacity(int percent) { stencil_.setOpacity(percent); }
  void setStencilShow(bool show) { stencil_.setShow(show); }
  void layerListEvent(const std::vector<bool>& ticked, int selectedRow) {
    layers_.layerListEvent(ticked, selectedRow);
  }
  void newLayer() { layers_.newLayer(); }
  void renameLayer() { layers_.renameLayer(); }
  void deleteLayer() { layers_.deleteLayer(); }
  void chooseLayerColour() { layers_.chooseLayerColour(); }
  void toggleLayerLock() { layers_.toggleLayerLock(); }
  void setOnlyLayer(bool only) { layers_.setOnlyLayer(only); }

  // ---- Canvas and keys
  // The mouse came in at (x, y).
  void mouseEnter(int x, int y);
  void mouseLeave();
  // The canvas lost the keyboard focus: navigation and strokes end.
  void focusLost();
  // Returns whether the key was the window's: Space, and Ctrl with Z (undo), Shift+Z or Y
  // (redo) or S (the main window's Save). A shortcut with a modifier it does not name is not
  // the window's.
  bool keyDown(Key key, Modifiers mods);
  void keyUp(Key key);
  void buttonDown(MouseButton button, const MouseEvent& event);
  void buttonUp();
  void motion(const MouseEvent& event);
  // notches: positive away from the user (up).
  void wheel(double notches, Modifiers mods);

  CanvasCursor cursor() const { return tools_.cursor(); }
  std::string title() const { return UpdateTitle(s_.document.texture); }

 private:
  void build();
  // Showing another model (or another layout of it).
  void showModel();

  Window3DNavigation navigation_;
  Window3DStencil stencil_;
  Window3DLayers layers_;
  Window3DSources sources_;
  Window3DTools tools_;
};
