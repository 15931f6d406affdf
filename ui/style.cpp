#include "ui/style.h"

#include <gtkmm.h>

namespace {

// The windows are laid out to the pixel for compact controls: lists and spin boxes 24 pixels
// high, buttons 26. The default theme makes them taller and its spin buttons wider, so their
// padding shrinks here; the text keeps the theme's font, a little smaller.
constexpr const char* kCss = R"css(
#quillmap-main .settings, #quillmap-dialog {
  font-size: 9pt;
}
/* The 3D window's toolbar packs three rows of gadgets into 910 pixels. */
#quillmap-3d .settings {
  font-size: 8pt;
  font-stretch: condensed;
}
/* A changed setting starts an unwrap that holds the window: the controls must show their new
   state in the one frame drawn before it, not fade into it afterwards. */
#quillmap-main .settings * {
  transition: none;
}
#quillmap-main .settings button,
#quillmap-3d .settings button,
#quillmap-dialog button {
  min-height: 0;
  padding: 1px 6px;
}
#quillmap-main .settings combobox button,
#quillmap-3d .settings combobox button {
  padding: 0 4px;
}
#quillmap-main .settings spinbutton,
#quillmap-3d .settings spinbutton,
#quillmap-dialog spinbutton {
  min-height: 0;
}
#quillmap-main .settings spinbutton entry,
#quillmap-3d .settings spinbutton entry,
#quillmap-dialog spinbutton entry {
  min-height: 0;
  min-width: 0;
  padding: 0 4px;
}
#quillmap-main .settings spinbutton button,
#quillmap-3d .settings spinbutton button,
#quillmap-dialog spinbutton button {
  min-width: 14px;
  padding: 0 2px;
}
#quillmap-dialog entry {
  min-height: 0;
  padding-top: 0;
  padding-bottom: 0;
}
/* The size text is the longest line of the column. */
#quillmap-size-text {
  font-stretch: condensed;
}
/* Its spin boxes are as narrow as 46 pixels. */
#quillmap-3d .number-field entry {
  min-height: 0;
  min-width: 0;
  padding: 0 3px;
}
#quillmap-status label {
  margin: 1px 4px;
}
/* The work in the background shows in the status bar without making it taller. */
#quillmap-job button {
  min-height: 0;
  padding: 0 6px;
  border-width: 0 1px;
}
#quillmap-job label {
  margin: 0 4px;
}
)css";

}  // namespace

void installStyle() {
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data(kCss);
  Gtk::StyleContext::add_provider_for_screen(Gdk::Screen::get_default(), provider,
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}
