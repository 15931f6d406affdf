#include "ui/dialogs.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "app/batch.h"
#include "app/controller.h"
#include "app/window_rules.h"
#include "ui/colour_swatch.h"

extern const unsigned char kAboutLogoPng[];
extern const std::size_t kAboutLogoPng_size;

namespace {

const char* iconName(Icon icon) {
  switch (icon) {
    case Icon::information: return "dialog-information";
    case Icon::warning: return "dialog-warning";
    case Icon::error: return "dialog-error";
    case Icon::question: return "dialog-question";
  }
  return "dialog-information";
}

void addFilters(Gtk::FileChooser& chooser, const std::string& filter) {
  for (const FileFilter& entry : fileFilters(filter)) {
    auto f = Gtk::FileFilter::create();
    f->set_name(entry.name);
    for (const std::string& pattern : entry.patterns) f->add_pattern(pattern);
    chooser.add_filter(f);
  }
}

void startIn(Gtk::FileChooser& chooser, const std::string& folder) {
  std::error_code ec;
  if (!folder.empty() && std::filesystem::is_directory(folder, ec))
    chooser.set_current_folder(folder);
}

// GTK's file requester, with two of its habits kept from reaching widgets that are not there:
// - Ctrl+L gives the focus to its location field before that field is on the screen, and the
//   keys that follow at once (the release of Ctrl) went to a widget without a window. The field
//   gets its window first; the keys then reach it as GTK meant.
// - It is still busy for a moment after it has answered: a timer follows the typed location
//   150 ms after the last key. Destroyed at once, the requester left that timer to work on
//   widgets already taken apart. So it is hidden when it answers and destroyed a second later.
class FileRequester {
 public:
  FileRequester(Gtk::Window& parent, const std::string& title, Gtk::FileChooserAction action)
      : dialog_(std::make_shared<Gtk::FileChooserDialog>(parent, title, action)) {
    Gtk::Window& window = *dialog_;
    auto realizeFocus = [&window](GdkEventKey*) {
      if (Gtk::Widget* focus = window.get_focus(); focus && !focus->get_realized())
        gtk_widget_realize(focus->gobj());  // with every parent that has no window yet
      return false;
    };
    // Before the window's own handlers, which hand the key to the focus.
    dialog_->signal_key_press_event().connect(realizeFocus, false);
    dialog_->signal_key_release_event().connect(realizeFocus, false);
  }
  FileRequester(const FileRequester&) = delete;
  FileRequester& operator=(const FileRequester&) = delete;
  ~FileRequester() {
    dialog_->hide();
    Glib::signal_timeout().connect_once([kept = std::move(dialog_)] {}, kRetireMilliseconds);
  }
  Gtk::FileChooserDialog& operator*() { return *dialog_; }

 private:
  static constexpr unsigned kRetireMilliseconds = 1000;
  std::shared_ptr<Gtk::FileChooserDialog> dialog_;
};

std::string runFileDialog(Gtk::Window& parent, const FileDialog& d, Gtk::FileChooserAction action,
                          const char* acceptLabel, int* filterIndex = nullptr) {
  FileRequester requester(parent, d.title, action);
  Gtk::FileChooserDialog& chooser = *requester;
  chooser.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
  chooser.add_button(acceptLabel, Gtk::RESPONSE_ACCEPT);
  chooser.set_default_response(Gtk::RESPONSE_ACCEPT);
  chooser.set_local_only(true);
  startIn(chooser, d.folder);
  if (action == Gtk::FILE_CHOOSER_ACTION_SAVE) {
    chooser.set_do_overwrite_confirmation(false);  // the controller asks its own question
    if (!d.fileName.empty()) chooser.set_current_name(d.fileName);
  }
  if (!d.note.empty()) {
    auto* note = Gtk::manage(new Gtk::Label(d.note));
    note->set_xalign(0);
    note->show();
    chooser.set_extra_widget(*note);
  }
  addFilters(chooser, d.filter);
  if (chooser.run() != Gtk::RESPONSE_ACCEPT) return "";
  if (filterIndex) {
    // The position of the chosen filter in the dialog's list, as the filter text gave them.
    *filterIndex = 0;
    const auto chosen = chooser.get_filter();
    const auto filters = chooser.list_filters();
    for (size_t i = 0; i < filters.size(); ++i)
      if (filters[i] == chosen) *filterIndex = static_cast<int>(i);
  }
  return chooser.get_filename();
}

// A fixed-layout modal window with its own loop, as the dialogs of the main window are laid
// out to the pixel.
class FixedDialog : public Gtk::Window {
 public:
  FixedDialog(Gtk::Window& parent, const std::string& title, int w, int h) {
    set_title(title);
    set_name("quillmap-dialog");
    set_transient_for(parent);
    set_modal(true);
    set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
    set_resizable(false);
    set_default_size(w, h);
    fixed_.set_size_request(w, h);
    add(fixed_);
    loop_ = Glib::MainLoop::create();
    signal_key_press_event().connect(
        [this](GdkEventKey* key) {
          if (key->keyval != GDK_KEY_Escape) return false;
          close(false);
          return true;
        },
        false);
  }
  void put(Gtk::Widget& widget, int x, int y, int w, int h) {
    widget.set_size_request(w, h);
    fixed_.put(widget, x, y);
  }
  // Runs until close(); returns what close() was given.
  bool run() {
    show_all();
    loop_->run();
    hide();
    if (Gtk::Window* parent = get_transient_for()) parent->present();
    return accepted_;
  }
  void close(bool accepted) {
    accepted_ = accepted;
    if (loop_->is_running()) loop_->quit();
  }

 protected:
  bool on_delete_event(GdkEventAny*) override {
    close(false);
    return true;
  }

 private:
  Gtk::Fixed fixed_;
  Glib::RefPtr<Glib::MainLoop> loop_;
  bool accepted_ = false;
};

Gtk::Label& label(Gtk::Label& l, const std::string& text) {
  l.set_text(text);
  l.set_xalign(0);
  l.set_yalign(0.5);
  return l;
}

}  // namespace

Answer runMessageBox(Gtk::Window& parent, const std::string& title, const std::string& text,
                     Icon icon, Buttons buttons) {
  // Built here rather than with Gtk::MessageDialog, which no longer shows the icon.
  Gtk::Dialog box(title, parent, true);
  box.set_resizable(false);
  box.set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
  Gtk::Box row(Gtk::ORIENTATION_HORIZONTAL, 16);
  row.set_border_width(16);
  Gtk::Image image;
  image.set_from_icon_name(iconName(icon), Gtk::ICON_SIZE_DIALOG);
  image.set_valign(Gtk::ALIGN_START);
  Gtk::Label message(text);
  message.set_line_wrap(true);
  message.set_max_width_chars(80);
  message.set_xalign(0);
  message.set_yalign(0);
  row.pack_start(image, Gtk::PACK_SHRINK);
  row.pack_start(message, Gtk::PACK_EXPAND_WIDGET);
  box.get_content_area()->pack_start(row, Gtk::PACK_EXPAND_WIDGET);
  if (buttons == Buttons::ok) {
    box.add_button("OK", Gtk::RESPONSE_OK);
  } else {
    box.add_button("_Yes", Gtk::RESPONSE_YES);
    box.add_button("_No", Gtk::RESPONSE_NO);
    if (buttons == Buttons::yesNoCancel) box.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
  }
  box.set_default_response(buttons == Buttons::ok ? Gtk::RESPONSE_OK : Gtk::RESPONSE_YES);
  box.show_all_children();
  for (;;) {
    const int response = box.run();
    switch (buttons) {
      case Buttons::ok:
        return Answer::ok;
      case Buttons::yesNo:
        // A Yes/No question has no third way out: closing it asks again, so that Escape
        // never stands for an answer that deletes something.
        if (response == Gtk::RESPONSE_YES) return Answer::yes;
        if (response == Gtk::RESPONSE_NO) return Answer::no;
        break;
      case Buttons::yesNoCancel:
        if (response == Gtk::RESPONSE_YES) return Answer::yes;
        if (response == Gtk::RESPONSE_NO) return Answer::no;
        return Answer::cancel;
    }
  }
}

std::string runOpenDialog(Gtk::Window& parent, const FileDialog& dialog) {
  return runFileDialog(parent, dialog, Gtk::FILE_CHOOSER_ACTION_OPEN, "_Open");
}

std::string runSaveDialog(Gtk::Window& parent, const FileDialog& dialog, int* filterIndex) {
  return runFileDialog(parent, dialog, Gtk::FILE_CHOOSER_ACTION_SAVE, "_Save", filterIndex);
}

std::optional<PreferencesChoice> runPreferencesDialog(Gtk::Window& parent,
                                                      const Preferences& prefs) {
  FixedDialog d(parent, "Preferences", 500, 284);
  Gtk::Label folderText, exportText, autosaveText;
  Gtk::Entry folder;
  Gtk::Button browse("Browse..."), ok("OK"), cancel("Cancel");
  Gtk::CheckButton script("the .scr script for Serious Modeler"),
      tga("the texture as <name>.tga"),
      tex("the texture as <name>.tex (Serious Sam texture, max. 1024 pixels)"),
      png("the UV layout as <name>_uv.png");
  const SpinRange minutes = kAutosaveMinutes;
  Gtk::SpinButton autosave(Gtk::Adjustment::create(0, minutes.low, minutes.high, 1, 10, 0));
  d.put(label(folderText, "Serious Sam folder (all model files must be inside this folder):"), 10,
        14, 480, 20);
  d.put(folder, 10, 36, 390, 24);
  d.put(browse, 406, 36, 84, 24);
  d.put(label(exportText, "Export to Serious Sam also writes:"), 10, 74, 480, 20);
  d.put(script, 22, 94, 460, 22);
  d.put(tga, 22, 118, 460, 22);
  d.put(tex, 22, 142, 460, 22);
  d.put(png, 22, 166, 460, 22);
  d.put(label(autosaveText, "Autosave every ... minutes (0 = off):"), 10, 204, 300, 20);
  d.put(autosave, 310, 200, 70, 24);
  d.put(ok, 296, 246, 94, 28);
  d.put(cancel, 396, 246, 94, 28);

  folder.set_text(prefs.seriousSamRoot);
  folder.set_activates_default(true);
  script.set_active(prefs.writeScript);
  tga.set_active(prefs.writeTexture);
  tex.set_active(prefs.writeTex);
  png.set_active(prefs.writePNG);
  autosave.set_numeric(true);
  autosave.set_digits(0);
  autosave.set_width_chars(3);
  autosave.set_value(static_cast<double>(prefs.autosave));
  autosave.set_activates_default(true);
  ok.set_can_default(true);
  d.set_default(ok);

  browse.signal_clicked().connect([&] {
    FileRequester requester(d, "Serious Sam folder", Gtk::FILE_CHOOSER_ACTION_SELECT_FOLDER);
    Gtk::FileChooserDialog& chooser = *requester;
    chooser.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
    chooser.add_button("_Select", Gtk::RESPONSE_ACCEPT);
    startIn(chooser, folder.get_text());
    if (chooser.run() == Gtk::RESPONSE_ACCEPT) folder.set_text(chooser.get_filename());
  });
  ok.signal_clicked().connect([&] { d.close(true); });
  cancel.signal_clicked().connect([&] { d.close(false); });

  folder.grab_focus();
  if (!d.run()) return std::nullopt;
  autosave.update();  // a number typed but not yet taken over
  PreferencesChoice choice;
  choice.seriousSamRoot = folder.get_text();
  choice.writeScript = script.get_active();
  choice.writeTexture = tga.get_active();
  choice.writeTex = tex.get_active();
  choice.writePNG = png.get_active();
  choice.autosave = autosave.get_value_as_int();
  return choice;
}

void runAboutDialog(Gtk::Window& parent) {
  FixedDialog d(parent, "About", 600, 300);
  Gtk::Image logo;
  try {
    auto loader = Gdk::PixbufLoader::create("png");
    loader->write(kAboutLogoPng, kAboutLogoPng_size);
    loader->close();
    logo.set(loader->get_pixbuf());
  } catch (const Glib::Error&) {
    // The logo is ours and built in; a box without it is still an About box.
  }
  d.put(logo, 16, 16, 256, 256);

  Gtk::Label name, about, createdUsing, buildNote;
  label(name, kProgramVersion);
  Pango::AttrList font;
  auto sans12 = Pango::Attribute::create_attr_font_desc(Pango::FontDescription("Sans 12"));
  font.insert(sans12);
  name.set_attributes(font);
  name.set_yalign(0);
  d.put(name, 290, 24, 300, 46);
  label(about,
        "Prepares 3D models for Serious Modeler:\n"
        "unwrapping, Surfaces, projects and export.\n"
        "\n"
        "Made by the Quillmap developers with GTK,\n"
        "cairo, libarchive, libpng, libjpeg and zlib.");
  about.set_yalign(0);
  d.put(about, 290, 76, 300, 100);
  d.put(label(createdUsing, "Created using:"), 290, 182, 300, 20);
  // The build note: compiler, toolkit and the day of the build.
  d.put(label(buildNote, "GCC " + std::string(__VERSION__) + ", gtkmm " +
                             std::to_string(GTKMM_MAJOR_VERSION) + "." +
                             std::to_string(GTKMM_MINOR_VERSION) + ", built " + __DATE__),
        290, 204, 300, 20);
  buildNote.set_ellipsize(Pango::ELLIPSIZE_END);

  Gtk::Button close("Close");
  d.put(close, 490, 256, 94, 28);
  close.set_can_default(true);
  d.set_default(close);
  close.signal_clicked().connect([&] { d.close(true); });
  close.grab_focus();
  d.run();
}

std::optional<uint32_t> runColourDialog(Gtk::Window& parent, const std::string& title,
                                        uint32_t colour) {
  // gtkmm's constructor with a parent passes it as the container property, which tries to put
  // the dialog inside the window: the parent is set as what it is, the window it sits on.
  Gtk::ColorChooserDialog chooser(title);
  chooser.set_transient_for(parent);
  chooser.set_modal(true);
  chooser.set_use_alpha(false);
  Gdk::RGBA start;
  start.set_rgba((colour & 0xFF) / 255.0, (colour >> 8 & 0xFF) / 255.0, (colour >> 16 & 0xFF) / 255.0);
  chooser.set_rgba(start);
  if (chooser.run() != Gtk::RESPONSE_OK) return std::nullopt;
  const Gdk::RGBA chosen = chooser.get_rgba();
  auto channel = [](double v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  return channel(chosen.get_red()) | channel(chosen.get_green()) << 8 | channel(chosen.get_blue()) << 16;
}

std::optional<NewTextureChoice> runNewTextureDialog(Gtk::Window& parent, const std::string& title) {
  FixedDialog d(parent, title, 330, 190);
  Gtk::RadioButton oneColour("One colour"), testPattern("Test pattern"),
      surfaceColours("Surface colours (each surface its own colour)");
  Gtk::RadioButton::Group group = oneColour.get_group();
  testPattern.set_group(group);
  surfaceColours.set_group(group);
  ColourSwatch swatch;
  swatch.show(0xFFFFFF);
  Gtk::Label note;
  Gtk::Button ok("OK"), cancel("Cancel");
  d.put(oneColour, 12, 12, 140, 22);
  d.put(swatch, 160, 12, 40, 22);
  d.put(testPattern, 12, 42, 300, 22);
  d.put(surfaceColours, 12, 72, 300, 22);
  d.put(label(note, "The size is the texture size of the main window.\n"
                    "Change it there if you need another size."),
        12, 104, 310, 36);
  d.put(ok, 128, 150, 90, 28);
  d.put(cancel, 228, 150, 90, 28);
  oneColour.set_active(true);
  ok.set_can_default(true);
  d.set_default(ok);
  swatch.onClick = [&] {
    if (const std::optional<uint32_t> colour = runColourDialog(d, "Texture colour", *swatch.colour())) {
      swatch.show(*colour);
      oneColour.set_active(true);
    }
  };
  ok.signal_clicked().connect([&] { d.close(true); });
  cancel.signal_clicked().connect([&] { d.close(false); });
  ok.grab_focus();
  if (!d.run()) return std::nullopt;
  NewTextureChoice choice;
  choice.kind = testPattern.get_active()      ? NewTextureKind::testPattern
                : surfaceColours.get_active() ? NewTextureKind::surfaceColours
                                              : NewTextureKind::oneColour;
  choice.colour = *swatch.colour();
  return choice;
}

std::optional<std::string> runTextDialog(Gtk::Window& parent, const std::string& title,
                                         const std::string& prompt, const std::string& proposal) {
  FixedDialog d(parent, title, 320, 110);
  Gtk::Label promptText;
  Gtk::Entry text;
  Gtk::Button ok("OK"), cancel("Cancel");
  d.put(label(promptText, prompt), 12, 12, 296, 20);
  d.put(text, 12, 36, 296, 26);
  d.put(ok, 120, 74, 90, 28);
  d.put(cancel, 218, 74, 90, 28);
  text.set_text(proposal);
  text.set_activates_default(true);
  ok.set_can_default(true);
  d.set_default(ok);
  ok.signal_clicked().connect([&] { d.close(true); });
  cancel.signal_clicked().connect([&] { d.close(false); });
  // The proposal selected, so typing replaces it.
  text.grab_focus();
  if (!d.run()) return std::nullopt;
  return std::string(text.get_text());
}
