// The 3D window's tools: the tool row's gadgets (tool, brush size, opacity, hardness, tip and
// colour, "New..." texture) and what a click or a drag of the current tool does on the
// canvas: the brush strokes, the fill tools, the assign tools (through the layers), the
// colour pick of the right button, and the hover preview of the tools that act on a region.
#pragma once

#include "app/window3d_events.h"
#include "app/window3d_layers.h"
#include "app/window3d_part.h"

// Which of the tool row's gadgets can be used with the current tool.
struct ToolGadgets {
  bool size = true;      // the brush tools
  bool hardness = true;  // the brush only
  bool tip = true;       // the brush only
  bool operator==(const ToolGadgets&) const = default;
};
ToolGadgets toolGadgets(Tool tool);

class Window3DTools : public Window3DPart {
 public:
  Window3DTools(Session& session, Ui& ui, Controller& main, Window3DLayers& layers)
      : Window3DPart(session, ui, main), layers_(layers) {}

  void setTool(Tool tool);
  // The Size, Opacity and Hardness spins, read together.
  void setBrush(int size, int opacity, int hardness);
  void setBrushTip(int tip);
  // A click on the colour swatch: the colour requester.
  void chooseBrushColour();
  // "New...": the New texture dialog, then a fresh texture of the kind chosen.
  void newTexture();

  // Left button down (without Shift) with the current tool.
  void use(int x, int y);
  // A mouse move that neither navigates nor places the stencil: the stroke or assign drag
  // goes on, or the hover preview or the brush circle follows the mouse.
  void motion(const MouseEvent& event);
  // Right button down: the brush colour becomes the texture's colour under the mouse.
  void pickColour(int x, int y);
  // Button up, Space, the focus leaving, another model: the stroke is done.
  void endStroke();
  // Navigation starts: the stroke and the assign drag end, the hover preview goes.
  void yieldToNavigation();
  // Mouse leaving or navigation starting: the brush circle goes, or the hover preview.
  void hideHover();
  CanvasCursor cursor() const;

 private:
  BrushScene brushScene();
  // Left button down with the brush: one undo step, the first dab.
  void beginStrokeAt(int x, int y);
  // Left button down with a fill tool: one undo step when a triangle is under the mouse.
  void fillAt(int x, int y);
  // The hover preview: the region the tool would act on, marked when the mouse reaches
  // another triangle (through the last picture shown).
  void hoverAt(int x, int y);

  Window3DLayers& layers_;  // the assign tools
};
