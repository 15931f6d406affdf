// The base of the 3D window's controller and of each of its parts (navigation, tools, stencil,
// layers, sources): the session, the Ui and the main window's controller (which collects the
// changes), and the few steps they all take: the window's runtime state, the shown model,
// raising changes and rendering the picture through which a click reads what is under the
// mouse. A part holds no state of its own; the session holds it all.
#pragma once

#include "app/changes.h"
#include "app/controller.h"
#include "app/session.h"
#include "app/ui.h"

inline bool isBrushTool(Tool tool) { return tool == Tool::brush || tool == Tool::assignBrush; }
inline bool isAssignTool(Tool tool) { return tool >= Tool::assignTriangle; }
inline bool isFillTool(Tool tool) { return tool >= Tool::fillTriangle && tool <= Tool::fillLayer; }

class Window3DPart {
 public:
  Window3DPart(Session& session, Ui& ui, Controller& main) : s_(session), ui_(ui), main_(main) {}

 protected:
  // Only while the window is open.
  Window3DState& state() { return *s_.window3d; }
  const Model* model() const { return s_.document.displayModel(); }
  // The shown model, or an empty one while none is loaded.
  const Model& modelOrEmpty() const;
  void raise(const Changes& changes) { main_.raise(changes); }
  // A camera, view, tool or paint setting changed: the project has unsaved changes.
  void changedSetting(const Changes& changes);
  // uvView: whether the UV view is drawn again now (a stroke draws it when it ends).
  void applyTextureUpdate(const TextureViewUpdate& update, bool uvView = true);
  bool stencilShown() const;
  // Space held or a middle-button drag: the mouse turns or moves the view.
  bool viewDragging() const;
  void ensureTestPattern();
  // The picture as the camera stands now, so that a pick reads what is under the mouse.
  void ensureRendered();

  Session& s_;
  Ui& ui_;
  Controller& main_;
};
