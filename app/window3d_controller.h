// The 3D window's commands: its gadgets, the gestures on its canvas and the keys, taking plain
// event records so that the window only translates toolkit events. Like the main window's
// controller it draws nothing itself: it changes the session and raises Changes, and the
// canvas asks for the picture once per frame of the window.
#pragma once

#include <string>
#include <vector>

#include "app/changes.h"
#include "app/controller.h"
#include "app/session.h"
#include "app/ui.h"
#include "app/window_rules.h"

struct Modifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;  // Alt, Super or Meta: no shortcut of the window uses them
};

// The mouse over the canvas: canvas pixels, the buttons held, the modifier keys.
struct MouseEvent {
  int x = 0, y = 0;
  bool left = false, right = false, middle = false;
  Modifiers mods{};
};
enum class MouseButton { left, right, middle };
enum class Key { space, z, y, s, other };  // the keys the window acts on

enum class CanvasCursor {
  standard,  // the brush tools
  hand,      // the tools that act on a click
  move,      // navigating (Space held, or a middle-button drag)
};

// Which of the tool row's gadgets can be used with the current tool.
struct ToolGadgets {
  bool size = true;      // the brush tools
  bool hardness = true;  // the brush only
  bool tip = true;       // the brush only
  bool operator==(const ToolGadgets&) const = default;
};
ToolGadgets toolGadgets(Tool tool);

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

// Steps of the navigation.
constexpr double kOrbitDegreesPerPixel = 0.5;
constexpr double kZoomPerNotch = 0.9;        // Dist is multiplied by this per notch up
constexpr double kNearestDist = 0.3;         // x ModelRadius
constexpr double kFarthestDist = 30;         // x ModelRadius
constexpr double kStencilScalePerNotch = 1.1;

class Window3DController {
 public:
  // main: the main window's commands that the 3D window offers too (Save, the texture files);
  // the changes raised here go with its changes.
  Window3DController(Session& session, Ui& ui, Controller& main)
      : s_(session), ui_(ui), main_(main) {}

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

  // ---- Gadgets
  void setViewMode(ViewMode mode);
  void setEdges(bool edges);
  // "Reset view": the camera frames the model.
  void resetView();
  void setTool(Tool tool);
  // The Size, Opacity and Hardness spins, read together.
  void setBrush(int size, int opacity, int hardness);
  void setBrushTip(int tip);
  // A click on the colour swatch: the colour requester.
  void chooseBrushColour();
  void setPaintSource(PaintSource source);
  void setPatternTile(int centimetres);
  void setPatternTint(bool tint);
  void setPatternMapping(int mapping);
  void setPatternRotate(int quarterTurns);
  // The offset spins, in percent of a tile, and their "Reset".
  void setPatternOffset(int xPercent, int yPercent);
  void resetPatternOffset();
  // "Center": the stencil in the middle of the view, upright, at a size that fits.
  void centerStencil();
  void setStencilOpacity(int percent);
  void setStencilShow(bool show);
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
  // The pattern swatch's picture.
  Image patternSwatch() const { return ::patternSwatch(s_.document.pattern); }
  // "New...": the New texture dialog, then a fresh texture of the kind chosen.
  void newTexture();
  void importTexture() { main_.importTexture(); }
  void exportTexture() { main_.exportTexture(); }

  // ---- Layers (app/window3d_layers.cpp)
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

  CanvasCursor cursor() const;
  std::string title() const { return s_.document.texture.title(); }

 private:
  Window3DState& state() { return *s_.window3d; }
  const Model* model() const { return s_.document.displayModel(); }
  void build();
  // Showing another model (or another layout of it).
  void showModel();
  void raise(const Changes& changes) { main_.raise(changes); }
  void changedSetting(const Changes& changes);
  // Mouse leaving or navigation starting: the brush circle goes, or the hover preview.
  void hideHover();
  // uvView: whether the UV view is drawn again now (a stroke draws it when it ends).
  void applyTextureUpdate(const TextureViewUpdate& update, bool uvView = true);
  BrushScene brushScene();
  // Left button down with the brush: one undo step, the first dab.
  void beginStrokeAt(int x, int y);
  // Left button down with a fill tool: one undo step when a triangle is under the mouse.
  void fillAt(int x, int y);
  // The hover preview: the region the tool would act on, marked when the mouse reaches
  // another triangle (through the last picture shown).
  void hoverAt(int x, int y);
  // Button up, Space, the focus leaving, another model: the stroke is done.
  void endStroke();
  void ensureTestPattern();
  // The picture as the camera stands now, so that a pick reads what is under the mouse.
  void ensureRendered();
  void pickColour(int x, int y);
  bool stencilShown() const;
  // Space held or a middle-button drag: the mouse turns or moves the view.
  bool viewDragging() const;
  // Layers (app/window3d_layers.cpp).
  // RefreshLayerList: an entry of layer state for every layer, the current layer among them;
  // the list shows them with the next refresh.
  void refreshLayerList();
  // Triangles moved between layers, or layers were made, renamed or deleted.
  void changedLayers(const Changes& changes);
  // LayoutGuard: false, after saying so, when the layers decide a layout that is locked.
  bool layoutGuard();
  // The click of the assign tools on a region ("Assign layer: triangle", flat face,
  // connected part), and the "Assign layer: brush" circle on button down and every move.
  void assignRegion(int x, int y);
  void assignBrush(int x, int y);


  Session& s_;
  Ui& ui_;
  Controller& main_;
};
