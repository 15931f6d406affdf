// The 3D window: the toolbar rows, the canvas that shows the rendered view and the right
// panel. It translates every signal into a call of the 3D window's controller, run as one
// event of this window, and shows what the event changed. The canvas renders at most once per
// frame of the window: events only mark the picture out of date, and the draw handler asks
// the controller for it.
#pragma once

#include <gtkmm.h>

#include <functional>
#include <utility>
#include <vector>

#include "app/changes.h"
#include "paint/settings_tables.h"
#include "app/session.h"
#include "app/window3d_controller.h"
#include "paint/layers.h"
#include "ui/colour_swatch.h"
#include "ui/number_field.h"

// The area under the toolbar rows: the canvas and the right panel follow the window's size.
class Window3DArea : public Gtk::Fixed {
 public:
  using Placement = std::pair<Gtk::Widget*, Rect Window3DLayout::*>;
  // The widgets (already put into this area) that are placed by the layout on every
  // allocation.
  void follow(std::vector<Placement> placements) { placements_ = std::move(placements); }

 protected:
  void on_size_allocate(Gtk::Allocation& allocation) override;
  // Never smaller than the layout's smallest size.
  void get_preferred_height_vfunc(int& minimum, int& natural) const override;

 private:
  std::vector<Placement> placements_;
};

class Window3D : public Gtk::Window, public WindowRefresh {
 public:
  // run: runs a command as one event of this window.
  using Runner = std::function<void(const std::function<void()>&)>;
  Window3D(Gtk::Window& parent, const Session& session, Window3DController& controller,
           Runner run);

  // Shows the window at its opening size, or brings it to the front when it is shown.
  void open();
  void apply(const Changes& changes) override;

 protected:
  bool on_delete_event(GdkEventAny* event) override;
  bool on_key_press_event(GdkEventKey* event) override;

 private:
  // The window opens at this size.
  static constexpr int kOpenWidth = 910, kOpenHeight = 730;

  void buildToolbar();
  void buildPanel();
  void buildLayerList();
  void buildCanvas();
  void connectGadgets();
  // Runs `command` unless the window is showing values (a gadget set from the project).
  void run(const std::function<void()>& command);
  // The project values into the gadgets, which of them can be used, the cursor and the title.
  void showValues();
  void showCursor();
  void brushSpinChanged();
  void offsetSpinChanged();
  // The layer list's rows as the project holds them, the current layer selected.
  void showLayers();
  // The list's ticks as shown, with row `flipped` (-1: none) turned over.
  std::vector<bool> layerTicks(int flipped = -1) const;
  int selectedLayerRow();
  bool drawCanvas(const Cairo::RefPtr<Cairo::Context>& cr);
  bool drawPatternSwatch(const Cairo::RefPtr<Cairo::Context>& cr);
  bool canvasKey(GdkEventKey* event, bool down);
  bool canvasButton(GdkEventButton* event);
  bool canvasMotion(GdkEventMotion* event);
  bool canvasScroll(GdkEventScroll* event);

  const Session& session_;
  Window3DController& controller_;
  Runner run_;
  bool showing_ = false;  // gadgets are being set from the project values
  CanvasCursor cursorShown_ = CanvasCursor::standard;
  bool cursorSet_ = false;
  Cairo::RefPtr<Cairo::ImageSurface> surface_;

  Window3DArea area_;
  // Row 1
  Gtk::ComboBoxText viewMode_;
  Gtk::Button newTexture_{"New..."}, importTexture_{"Import..."}, exportTexture_{"Export..."};
  Gtk::CheckButton edges_{"Show edges"};
  Gtk::Button resetView_{"Reset view"};
  Gtk::Label navigateHint_{"Space+mouse: navigate"};
  // Row 2
  Gtk::ComboBoxText tool_;
  ColourSwatch brushColour_;
  Gtk::Label sizeText_{"Size"}, opacityText_{"Opacity"}, hardnessText_{"Hardness"},
      tipText_{"Tip"}, pickHint_{"Right click: pick colour"};
  NumberField size_{brushSetting::size.range()}, opacity_{brushSetting::opacity.range()},
      hardness_{brushSetting::hardness.range()};
  Gtk::ComboBoxText tip_;
  // Row 3
  Gtk::Label paintWithText_{"Paint with"}, tileText_{"Tile size (cm)"}, rotateText_{"Rotate"};
  Gtk::ComboBoxText paintWith_, rotate_, mapping_;
  Gtk::DrawingArea patternSwatch_;
  Cairo::RefPtr<Cairo::ImageSurface> patternSurface_;
  Gtk::Button loadPattern_{"Load pattern..."};
  NumberField tile_{patternSetting::tile.range()};
  Gtk::CheckButton tint_{"Tint with brush colour"};
  // The canvas
  Gtk::DrawingArea canvas_;
  // Right panel
  struct LayerColumns : Gtk::TreeModelColumnRecord {
    Gtk::TreeModelColumn<bool> visible;
    Gtk::TreeModelColumn<Glib::RefPtr<Gdk::Pixbuf>> swatch;
    Gtk::TreeModelColumn<Glib::ustring> name;
    Gtk::TreeModelColumn<Glib::ustring> locked;
    LayerColumns() { add(visible), add(swatch), add(name), add(locked); }
  } layerColumns_;
  Glib::RefPtr<Gtk::ListStore> layers_;
  std::vector<LayerRow> layerRowsShown_;
  Gtk::ScrolledWindow layerScroll_;
  Gtk::TreeView layerList_;
  Gtk::Button layerNew_{"New..."}, layerRename_{"Rename..."}, layerDelete_{"Delete"},
      layerColour_{"Colour..."}, layerLock_{"Lock"};
  Gtk::CheckButton onlyLayer_{"Paint only on this layer"};
  Gtk::Label stencilTitle_{"Stencil (image to paint through)"};
  Gtk::Button stencilLoad_{"Load..."}, stencilRemove_{"Remove"}, stencilCenter_{"Center"};
  Gtk::Label stencilOpacityText_{"View %"};
  NumberField stencilOpacity_{stencilSetting::opacity.range()};
  Gtk::CheckButton showStencil_{"Show stencil"};
  Gtk::Label stencilHelp_{"Ctrl+drag: move   Ctrl+wheel: size\nCtrl+right drag: rotate"};
  Gtk::Label offsetTitle_{"Pattern offset (% of a tile)"}, offsetXText_{"X"}, offsetYText_{"Y"};
  NumberField offsetX_{patternSetting::offsetX.range()}, offsetY_{patternSetting::offsetY.range()};
  Gtk::Button offsetReset_{"Reset"};
};
