#include "ui/window3d.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "ui/image_surface.h"

namespace {

// The layout's smallest height.
constexpr int kLeastHeight = 560;

Modifiers modifiersOf(guint state) {
  return {.shift = (state & GDK_SHIFT_MASK) != 0,
          .ctrl = (state & GDK_CONTROL_MASK) != 0,
          .alt = (state & (GDK_MOD1_MASK | GDK_SUPER_MASK | GDK_META_MASK)) != 0};
}

Key keyOf(guint keyval) {
  switch (gdk_keyval_to_lower(keyval)) {
    case GDK_KEY_space: return Key::space;
    case GDK_KEY_z: return Key::z;
    case GDK_KEY_y: return Key::y;
    case GDK_KEY_s: return Key::s;
    default: return Key::other;
  }
}

const char* cursorName(CanvasCursor cursor) {
  switch (cursor) {
    case CanvasCursor::hand: return "pointer";
    case CanvasCursor::move: return "move";
    case CanvasCursor::standard: break;
  }
  return "default";
}

Glib::RefPtr<Gdk::Pixbuf> pixbufOf(const Image& image) {
  const auto pixbuf = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, image.width, image.height);
  guint8* pixels = pixbuf->get_pixels();
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      guint8* p = pixels + y * pixbuf->get_rowstride() + x * 3;
      const uint32_t c = image.at(x, y);
      p[0] = static_cast<guint8>(redOf(c));
      p[1] = static_cast<guint8>(greenOf(c));
      p[2] = static_cast<guint8>(blueOf(c));
    }
  return pixbuf;
}

// Set from the project only when it differs, so that no signal reports it as a change.
void showValue(NumberField& field, int value) { field.setValue(value); }
void showValue(Gtk::ComboBox& combo, int row) {
  if (combo.get_active_row_number() != row) combo.set_active(row);
}
void showValue(Gtk::ToggleButton& toggle, bool on) {
  if (toggle.get_active() != on) toggle.set_active(on);
}

}  // namespace

// ---- Layout --------------------------------------------------------------------------------

void Window3DArea::on_size_allocate(Gtk::Allocation& allocation) {
  Gtk::Fixed::on_size_allocate(allocation);
  const Window3DLayout layout = window3dLayout(allocation.get_width(), allocation.get_height());
  for (const auto& [widget, rect] : placements_) {
    const Rect& r = layout.*rect;
    Gtk::Allocation a(allocation.get_x() + r.x, allocation.get_y() + r.y, r.width, r.height);
    widget->size_allocate(a);
  }
}

void Window3DArea::get_preferred_height_vfunc(int& minimum, int& natural) const {
  Gtk::Fixed::get_preferred_height_vfunc(minimum, natural);
  minimum = std::max(minimum, kLeastHeight);
  natural = std::max(natural, minimum);
}

// ---- Wiring --------------------------------------------------------------------------------

void Window3D::buildCanvas() {
  canvas_.set_can_focus(true);
  canvas_.add_events(Gdk::POINTER_MOTION_MASK | Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK |
                     Gdk::SCROLL_MASK | Gdk::SMOOTH_SCROLL_MASK | Gdk::ENTER_NOTIFY_MASK |
                     Gdk::LEAVE_NOTIFY_MASK | Gdk::KEY_PRESS_MASK | Gdk::KEY_RELEASE_MASK |
                     Gdk::FOCUS_CHANGE_MASK);
  canvas_.signal_draw().connect(sigc::mem_fun(*this, &Window3D::drawCanvas));
  canvas_.signal_size_allocate().connect([this](Gtk::Allocation& a) {
    if (!session_.window3d) return;
    controller_.resize(a.get_width(), a.get_height());
    canvas_.queue_draw();
  });
  canvas_.signal_enter_notify_event().connect([this](GdkEventCrossing* e) {
    canvas_.grab_focus();
    const int x = static_cast<int>(std::floor(e->x)), y = static_cast<int>(std::floor(e->y));
    run([&] { controller_.mouseEnter(x, y); });
    return false;
  });
  canvas_.signal_leave_notify_event().connect([this](GdkEventCrossing*) {
    run([this] { controller_.mouseLeave(); });
    return false;
  });
  canvas_.signal_focus_out_event().connect([this](GdkEventFocus*) {
    run([this] { controller_.focusLost(); });
    return false;
  });
  canvas_.signal_key_press_event().connect([this](GdkEventKey* e) { return canvasKey(e, true); });
  canvas_.signal_key_release_event().connect([this](GdkEventKey* e) { return canvasKey(e, false); });
  canvas_.signal_button_press_event().connect(sigc::mem_fun(*this, &Window3D::canvasButton));
  canvas_.signal_button_release_event().connect(sigc::mem_fun(*this, &Window3D::canvasButton));
  canvas_.signal_motion_notify_event().connect(sigc::mem_fun(*this, &Window3D::canvasMotion));
  canvas_.signal_scroll_event().connect(sigc::mem_fun(*this, &Window3D::canvasScroll));
}

void Window3D::connectGadgets() {
  Window3DController& c = controller_;
  viewMode_.signal_changed().connect([this, &c] {
    run([&] { c.setViewMode(static_cast<ViewMode>(std::max(viewMode_.get_active_row_number(), 0))); });
  });
  newTexture_.signal_clicked().connect([this, &c] { run([&] { c.newTexture(); }); });
  importTexture_.signal_clicked().connect([this, &c] { run([&] { c.importTexture(); }); });
  exportTexture_.signal_clicked().connect([this, &c] { run([&] { c.exportTexture(); }); });
  edges_.signal_toggled().connect([this, &c] { run([&] { c.setEdges(edges_.get_active()); }); });
  resetView_.signal_clicked().connect([this, &c] { run([&] { c.resetView(); }); });
  tool_.signal_changed().connect([this, &c] {
    run([&] { c.setTool(static_cast<Tool>(std::max(tool_.get_active_row_number(), 0))); });
  });
  brushColour_.onClick = [this, &c] { run([&] { c.chooseBrushColour(); }); };
  for (NumberField* f : {&size_, &opacity_, &hardness_}) f->onChange = [this] { brushSpinChanged(); };
  tip_.signal_changed().connect([this, &c] { run([&] { c.setBrushTip(tip_.get_active_row_number()); }); });
  paintWith_.signal_changed().connect([this, &c] {
    run([&] { c.setPaintSource(static_cast<PaintSource>(std::max(paintWith_.get_active_row_number(), 0))); });
  });
  tile_.onChange = [this, &c] { run([&] { c.setPatternTile(tile_.value()); }); };
  rotate_.signal_changed().connect([this, &c] { run([&] { c.setPatternRotate(rotate_.get_active_row_number()); }); });
  tint_.signal_toggled().connect([this, &c] { run([&] { c.setPatternTint(tint_.get_active()); }); });
  mapping_.signal_changed().connect([this, &c] { run([&] { c.setPatternMapping(mapping_.get_active_row_number()); }); });
  layerNew_.signal_clicked().connect([this, &c] { run([&] { c.newLayer(); }); });
  layerRename_.signal_clicked().connect([this, &c] { run([&] { c.renameLayer(); }); });
  layerDelete_.signal_clicked().connect([this, &c] { run([&] { c.deleteLayer(); }); });
  layerColour_.signal_clicked().connect([this, &c] { run([&] { c.chooseLayerColour(); }); });
  layerLock_.signal_clicked().connect([this, &c] { run([&] { c.toggleLayerLock(); }); });
  onlyLayer_.signal_toggled().connect([this, &c] { run([&] { c.setOnlyLayer(onlyLayer_.get_active()); }); });
  loadPattern_.signal_clicked().connect([this, &c] { run([&] { c.loadPattern(); }); });
  stencilLoad_.signal_clicked().connect([this, &c] { run([&] { c.loadStencil(); }); });
  stencilRemove_.signal_clicked().connect([this, &c] { run([&] { c.removeStencil(); }); });
  stencilCenter_.signal_clicked().connect([this, &c] { run([&] { c.centerStencil(); }); });
  stencilOpacity_.onChange = [this, &c] { run([&] { c.setStencilOpacity(stencilOpacity_.value()); }); };
  showStencil_.signal_toggled().connect([this, &c] { run([&] { c.setStencilShow(showStencil_.get_active()); }); });
  for (NumberField* f : {&offsetX_, &offsetY_}) f->onChange = [this] { offsetSpinChanged(); };
  offsetReset_.signal_clicked().connect([this, &c] { run([&] { c.resetPatternOffset(); }); });
}

void Window3D::brushSpinChanged() {
  run([this] {
    controller_.setBrush(size_.value(), opacity_.value(), hardness_.value());
  });
}

void Window3D::offsetSpinChanged() {
  run([this] { controller_.setPatternOffset(offsetX_.value(), offsetY_.value()); });
}

// ---- Showing -------------------------------------------------------------------------------

void Window3D::open() {
  if (!get_visible()) resize(kOpenWidth, kOpenHeight);  // a closed window opens anew
  present();
}

void Window3D::run(const std::function<void()>& command) {
  if (!showing_ && session_.window3d) run_(command);
}

void Window3D::apply(const Changes& changes) {
  controller_.apply(changes);
  if (!session_.window3d) return;
  showValues();
  if (controller_.framePending()) canvas_.queue_draw();
}

void Window3D::showValues() {
  showing_ = true;
  const Document& d = session_.document;
  const ViewState& v = d.view;
  showValue(viewMode_, static_cast<int>(v.viewMode));
  showValue(edges_, v.edges);
  showValue(tool_, static_cast<int>(v.tool));
  brushColour_.show(v.brushColor);
  showValue(size_, v.brushSize);
  showValue(opacity_, v.opacity);
  showValue(hardness_, v.hardness);
  showValue(tip_, static_cast<int>(v.brushTip));
  const ToolGadgets usable = toolGadgets(v.tool);
  size_.set_sensitive(usable.size);
  hardness_.set_sensitive(usable.hardness);
  tip_.set_sensitive(usable.tip);
  showValue(paintWith_, static_cast<int>(v.paintSource));
  showValue(tile_, static_cast<int>(d.pattern.tile * 100 + 0.5));
  showValue(rotate_, static_cast<int>(d.pattern.rotate));
  showValue(tint_, d.pattern.tint);
  showValue(mapping_, static_cast<int>(d.pattern.mapping));
  showValue(stencilOpacity_, d.stencil.opacity);
  showValue(showStencil_, d.stencil.show);
  showValue(offsetX_, static_cast<int>(std::lround(d.pattern.offsetX * 100)));
  showValue(offsetY_, static_cast<int>(std::lround(d.pattern.offsetY * 100)));
  showLayers();
  patternSwatch_.queue_draw();  // 24 x 24: cheaper to draw again than to track its inputs
  showing_ = false;
  const std::string title = controller_.title();
  if (get_title() != title) set_title(title);
  showCursor();
}

void Window3D::showLayers() {
  const LayerState& layers = session_.document.layers;
  const std::vector<LayerRow> rows = layerRows(session_.document.workModel, layers);
  if (rows != layerRowsShown_) {
    // Rows that stay are changed in place, so the list keeps its scroll position.
    if (rows.size() != layerRowsShown_.size()) {
      layers_->clear();
      layerRowsShown_.clear();
      for (size_t k = 0; k < rows.size(); ++k) layers_->append();
    }
    size_t k = 0;
    for (const Gtk::TreeRow& row : layers_->children()) {
      const LayerRow& shown = rows[k];
      if (k >= layerRowsShown_.size() || layerRowsShown_[k] != shown) {
        row[layerColumns_.visible] = shown.visible;
        row[layerColumns_.swatch] = pixbufOf(layerSwatch(shown.color));
        row[layerColumns_.name] = shown.name;
        row[layerColumns_.locked] = shown.locked ? "locked" : "";
      }
      ++k;
    }
    layerRowsShown_ = rows;
  }
  const Glib::RefPtr<Gtk::TreeSelection> selection = layerList_.get_selection();
  const int64_t current = layers.curLayer;
  if (current >= 0 && current < static_cast<int64_t>(rows.size())) {
    const Gtk::TreePath path(std::to_string(current));
    if (!selection->is_selected(path)) {
      selection->select(path);
      layerList_.scroll_to_row(path);
    }
  }
  const bool currentLocked = current >= 0 && current < static_cast<int64_t>(rows.size()) &&
                             rows[static_cast<size_t>(current)].locked;
  const char* lockText = currentLocked ? "Unlock" : "Lock";
  if (layerLock_.get_label() != lockText) layerLock_.set_label(lockText);
  showValue(onlyLayer_, layers.onlyLayer);
}

std::vector<bool> Window3D::layerTicks(int flipped) const {
  std::vector<bool> ticks;
  for (const Gtk::TreeRow& row : layers_->children())
    ticks.push_back(row[layerColumns_.visible] != (static_cast<int>(ticks.size()) == flipped));
  return ticks;
}

int Window3D::selectedLayerRow() {
  const Gtk::TreeIter selected = layerList_.get_selection()->get_selected();
  return selected ? layers_->get_path(selected)[0] : -1;
}

void Window3D::showCursor() {
  const Glib::RefPtr<Gdk::Window> window = canvas_.get_window();
  if (!window) return;
  const CanvasCursor cursor = controller_.cursor();
  if (cursorSet_ && cursor == cursorShown_) return;
  window->set_cursor(Gdk::Cursor::create(get_display(), cursorName(cursor)));
  cursorShown_ = cursor;
  cursorSet_ = true;
}

bool Window3D::drawCanvas(const Cairo::RefPtr<Cairo::Context>& cr) {
  if (!session_.window3d) return false;
  showCursor();  // the canvas has its own window only once it is drawn
  try {
    copyToSurface(controller_.frame(), surface_);
  } catch (const std::exception&) {
    // Out of memory for the view buffers: the canvas keeps its last picture.
  }
  if (!surface_) return false;
  cr->set_source(surface_, 0, 0);
  cr->paint();
  return true;
}

bool Window3D::drawPatternSwatch(const Cairo::RefPtr<Cairo::Context>& cr) {
  if (!session_.window3d) return false;
  copyToSurface(controller_.patternSwatch(), patternSurface_);
  cr->set_source(patternSurface_, 0, 0);
  cr->paint();
  return true;
}

// ---- Events --------------------------------------------------------------------------------

bool Window3D::on_delete_event(GdkEventAny*) {
  run([this] { controller_.close(); });
  return true;  // hidden by the main window once the event has closed it
}

bool Window3D::on_key_press_event(GdkEventKey* event) {
  // The window's shortcuts work wherever the keyboard focus is.
  const Key key = keyOf(event->keyval);
  if ((event->state & GDK_CONTROL_MASK) && key != Key::other && key != Key::space) {
    bool handled = false;
    run([&] { handled = controller_.keyDown(key, modifiersOf(event->state)); });
    if (handled) return true;
  }
  return Gtk::Window::on_key_press_event(event);
}

bool Window3D::canvasKey(GdkEventKey* event, bool down) {
  if (keyOf(event->keyval) != Key::space) return false;
  run([&] {
    if (down)
      controller_.keyDown(Key::space, modifiersOf(event->state));
    else
      controller_.keyUp(Key::space);
  });
  return true;
}

bool Window3D::canvasButton(GdkEventButton* event) {
  if (event->button < 1 || event->button > 3) return false;
  if (event->type == GDK_BUTTON_RELEASE) {
    run([this] { controller_.buttonUp(); });
    return true;
  }
  if (event->type != GDK_BUTTON_PRESS) return true;  // the second and third of a double click
  const MouseButton button = event->button == 1   ? MouseButton::left
                             : event->button == 2 ? MouseButton::middle
                                                  : MouseButton::right;
  const MouseEvent e{.x = static_cast<int>(std::floor(event->x)),
                     .y = static_cast<int>(std::floor(event->y)),
                     .left = button == MouseButton::left,
                     .right = button == MouseButton::right,
                     .middle = button == MouseButton::middle,
                     .mods = modifiersOf(event->state)};
  run([&] { controller_.buttonDown(button, e); });
  return true;
}

bool Window3D::canvasMotion(GdkEventMotion* event) {
  const MouseEvent e{.x = static_cast<int>(std::floor(event->x)),
                     .y = static_cast<int>(std::floor(event->y)),
                     .left = (event->state & GDK_BUTTON1_MASK) != 0,
                     .right = (event->state & GDK_BUTTON3_MASK) != 0,
                     .middle = (event->state & GDK_BUTTON2_MASK) != 0,
                     .mods = modifiersOf(event->state)};
  run([&] { controller_.motion(e); });
  return true;
}

bool Window3D::canvasScroll(GdkEventScroll* event) {
  double notches = 0;
  switch (event->direction) {
    case GDK_SCROLL_UP: notches = 1; break;
    case GDK_SCROLL_DOWN: notches = -1; break;
    case GDK_SCROLL_SMOOTH: notches = -event->delta_y; break;
    default: return false;
  }
  if (notches == 0) return true;
  const Modifiers mods = modifiersOf(event->state);
  run([&] { controller_.wheel(notches, mods); });
  return true;
}
