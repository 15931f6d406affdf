// Building the main window's menus and controls and placing them; their signals are wired in
// ui/main_window.cpp.
#include "ui/main_window.h"

#include "unwrap/unwrap_settings.h"
#include "ui/fixed_layout.h"

// ---- Menus ---------------------------------------------------------------------------------

Gtk::MenuItem& MainWindow::addItem(Gtk::Menu& menu, const std::string& label, int id) {
  auto* item = Gtk::manage(new Gtk::MenuItem(label, true));
  item->signal_activate().connect([this, id] { menuCommand(id); });
  menu.append(*item);
  if (id < kMenuRecentFirst) menuItems_[id] = item;
  return *item;
}

void MainWindow::buildMenus() {
  auto submenu = [this](const std::string& title) -> Gtk::Menu& {
    auto* top = Gtk::manage(new Gtk::MenuItem(title, true));
    auto* menu = Gtk::manage(new Gtk::Menu());
    menu->set_accel_group(accelGroup_);
    top->set_submenu(*menu);
    menuBar_.append(*top);
    return *menu;
  };
  auto shortcut = [this](Gtk::MenuItem& item, guint key, Gdk::ModifierType mods,
                         bool shownInMenu = true) {
    item.add_accelerator("activate", accelGroup_, key, mods,
                         shownInMenu ? Gtk::ACCEL_VISIBLE : Gtk::AccelFlags(0));
  };
  const auto ctrl = Gdk::CONTROL_MASK;

  Gtk::Menu& file = submenu("_File");
  shortcut(addItem(file, "_New project from model...", kMenuNewProject), GDK_KEY_n, ctrl);
  shortcut(addItem(file, "_Open...", kMenuOpen), GDK_KEY_o, ctrl);
  auto* recent = Gtk::manage(new Gtk::MenuItem("_Recent", true));
  recentMenu_ = Gtk::manage(new Gtk::Menu());
  recent->set_submenu(*recentMenu_);
  file.append(*recent);
  file.append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
  shortcut(addItem(file, "_Save project", kMenuSave), GDK_KEY_s, ctrl);
  shortcut(addItem(file, "Save project _as...", kMenuSaveAs), GDK_KEY_s, ctrl | Gdk::SHIFT_MASK);
  addItem(file, "Save a _copy...", kMenuSaveCopy);
  file.append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
  shortcut(addItem(file, "_Export to Serious Sam...", kMenuExport), GDK_KEY_e, ctrl);
  file.append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
  shortcut(addItem(file, "_Quit", kMenuQuit), GDK_KEY_q, ctrl);

  // Alt+T stays with Tools, as in other programs.
  Gtk::Menu& texture = submenu("Te_xture");
  addItem(texture, "_Export texture...", kMenuExportTexture);
  addItem(texture, "_Import texture...", kMenuImportTexture);
  texture.append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
  addItem(texture, "Export _UV layout (transparent overlay)...", kMenuExportUvOverlay);

  Gtk::Menu& view = submenu("_View");
  shortcut(addItem(view, "_3D preview / paint", kMenuPreview3d), GDK_KEY_3, ctrl);

  Gtk::Menu& tools = submenu("_Tools");
  shortcut(addItem(tools, "_Preferences...", kMenuPreferences), GDK_KEY_p, ctrl);

  Gtk::Menu& help = submenu("_Help");
  Gtk::MenuItem& guide = addItem(help, "_User guide", kMenuUserGuide);
  shortcut(guide, GDK_KEY_F1, Gdk::ModifierType(0));
  shortcut(guide, GDK_KEY_h, ctrl, false);
  addItem(help, "_About", kMenuAbout);

  rebuildRecentMenu();
  refreshMenus();
}

// ---- Controls ------------------------------------------------------------------------------

namespace {
constexpr int kPackRow = 28;  // the height of the unwrap group's Pack row
}  // namespace

void MainWindow::buildControls() {
  Gtk::Fixed& f = area_;
  place(f, mappingFrame_, 4, 4, 270, 98);
  place(f, textureFrame_, 4, 110, 270, 104);
  // The unwrap group has a row more than the reference layout (Pack); the groups below it
  // move down by that row and the info group gives up the room the window has not.
  place(f, unwrapFrame_, 4, 222, 270, 192);
  place(f, modelFrame_, 4, 394 + kPackRow, 270, 104);
  place(f, layoutFrame_, 4, 506 + kPackRow, 270, 80);
  place(f, infoFrame_, 4, 594 + kPackRow, 270, 136);
  buildSettingControls();

  placeLabel(f, layoutState_, 16, 528 + kPackRow, 246, 20);
  place(f, changeLayout_, 16, 552 + kPackRow, 130, 26);
  place(f, lockLayout_, 16, 552 + kPackRow, 120, 26);
  place(f, cancel_, 142, 552 + kPackRow, 120, 26);
  // The control refresh decides which of them shows.
  for (Gtk::Button* b : {&changeLayout_, &lockLayout_, &cancel_}) b->set_no_show_all(true);

  report_.set_editable(false);
  report_.set_cursor_visible(false);
  report_.set_wrap_mode(Gtk::WRAP_WORD_CHAR);
  report_.get_buffer()->set_text("No model opened");
  reportScroll_.set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
  reportScroll_.set_shadow_type(Gtk::SHADOW_IN);
  reportScroll_.add(report_);
  place(f, reportScroll_, 16, 616 + kPackRow, 246, 108);

  // The UV view's place and size are set by MainArea on every allocation.
  f.put(uvView_, 280, 4);

  buildStatusBar();

  applySettings(session_.document.settings);
  refreshControls();
  connectControls();
}

// The mapping, texture size, unwrap and model groups.
void MainWindow::buildSettingControls() {
  Gtk::Fixed& f = area_;
  Gtk::RadioButton::Group group = keep_.get_group();
  exact_.set_group(group);
  smooth_.set_group(group);
  place(f, keep_, 16, 26, 246, 22);
  place(f, exact_, 16, 50, 246, 22);
  place(f, smooth_, 16, 74, 246, 22);

  placeLabel(f, widthLabel_, 16, 136, 60, 20);
  placeLabel(f, heightLabel_, 16, 164, 60, 20);
  for (const int side : unwrapSetting::layoutWidth.sides) {
    width_.append(std::to_string(side));
    height_.append(std::to_string(side));
  }
  place(f, width_, 80, 132, 90, 24);
  place(f, height_, 80, 160, 90, 24);
  placeLabel(f, sizeText_, 16, 190, 246, 20);
  sizeText_.set_name("quillmap-size-text");

  placeLabel(f, maxAngleLabel_, 16, 248, 170, 20);
  placeLabel(f, marginLabel_, 16, 276, 170, 20);
  placeLabel(f, maxStretchLabel_, 16, 304, 170, 20);
  placeLabel(f, rotateLabel_, 16, 332, 90, 20);
  placeLabel(f, mirrorLabel_, 16, 360, 90, 20);
  auto spin = [&](Gtk::SpinButton& s, SpinRange range, int x, int y) {
    s.set_adjustment(Gtk::Adjustment::create(range.low, range.low, range.high, 1, 10, 0));
    s.set_digits(0);
    s.set_numeric(true);
    s.set_update_policy(Gtk::UPDATE_IF_VALID);
    s.set_width_chars(3);
    place(f, s, x, y, 70, 24);
  };
  spin(maxAngle_, unwrapSetting::maxAngle.range(), 190, 244);
  spin(margin_, unwrapSetting::margin.range(), 190, 272);
  spin(maxStretch_, unwrapSetting::maxStretch.range(), 190, 300);
  fillList(rotate_, unwrapSetting::rotate.labels);
  place(f, rotate_, 110, 328, 150, 24);
  fillList(mirror_, unwrapSetting::mirror.labels);
  mirror_.set_tooltip_text(
      "Symmetric model: both halves share the same part of the texture\n"
      "(twice the detail; what you paint on one side appears mirrored on the other).");
  place(f, mirror_, 110, 356, 150, 24);
  placeLabel(f, packLabel_, 16, 388, 90, 20);
  fillList(pack_, unwrapSetting::pack.labels);
  pack_.set_tooltip_text(
      "Tight fills the holes between pieces and turns them to any angle: more texture for\n"
      "the model, but it takes longer and pieces may no longer stand upright.");
  place(f, pack_, 110, 384, 150, 24);

  placeLabel(f, upAxisLabel_, 16, 420 + kPackRow, 70, 20);
  fillList(upAxis_, unwrapSetting::upAxis.labels);
  place(f, upAxis_, 80, 416 + kPackRow, 180, 24);
  place(f, combine_, 16, 446 + kPackRow, 246, 22);
  place(f, perLayer_, 16, 470 + kPackRow, 246, 22);
}

void MainWindow::buildStatusBar() {
  statusBar_.set_name("quillmap-status");
  // The counts field is only as wide as its longest text ("123456 triangles, 1234 surfaces"),
  // so that the note field holds the longest lock message at the window's opening size.
  const int widths[3] = {260, 230, -1};
  for (int i = 0; i < 3; ++i) {
    Gtk::Label& field = statusFields_[i];
    field.set_xalign(0);
    field.set_ellipsize(Pango::ELLIPSIZE_END);
    // A long text asks for no more width: the fields keep their widths whatever they show.
    field.set_max_width_chars(1);
    // What the field cuts off is shown in full as its tooltip.
    field.set_has_tooltip(true);
    field.signal_query_tooltip().connect(
        [&field](int, int, bool, const Glib::RefPtr<Gtk::Tooltip>& tooltip) {
          if (!field.get_layout()->is_ellipsized()) return false;
          tooltip->set_text(field.get_text());
          return true;
        });
    statusFrames_[i].set_shadow_type(Gtk::SHADOW_IN);
    statusFrames_[i].add(statusFields_[i]);
    statusFrames_[i].set_size_request(widths[i], -1);
    statusBar_.pack_start(statusFrames_[i], i == 2 ? Gtk::PACK_EXPAND_WIDGET : Gtk::PACK_SHRINK);
  }
  statusBar_.pack_start(jobStatus_, Gtk::PACK_SHRINK);
  // Escape stops the work in the background; otherwise it goes on to the focused control.
  signal_key_press_event().connect(
      [this](GdkEventKey* key) { return key->keyval == GDK_KEY_Escape && jobStatus_.cancel(); },
      false);
}
