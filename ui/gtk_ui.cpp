#include "ui/gtk_ui.h"

#include <gtk/gtk.h>

#include "ui/dialogs.h"
#include "ui/main_window.h"

Answer GtkUi::message(const std::string& title, const std::string& text, Icon icon,
                      Buttons buttons) {
  return runMessageBox(window_.dialogParent(), title, text, icon, buttons);
}

std::string GtkUi::chooseOpen(const FileDialog& dialog) {
  return runOpenDialog(window_.dialogParent(), dialog);
}

std::string GtkUi::chooseSave(const FileDialog& dialog) {
  return runSaveDialog(window_.dialogParent(), dialog);
}

std::string GtkUi::chooseSaveFiltered(const FileDialog& dialog, int& filterIndex) {
  return runSaveDialog(window_.dialogParent(), dialog, &filterIndex);
}

std::optional<uint32_t> GtkUi::chooseColour(const std::string& title, uint32_t colour) {
  return runColourDialog(window_.dialogParent(), title, colour);
}

std::optional<NewTextureChoice> GtkUi::chooseNewTexture(const std::string& title) {
  return runNewTextureDialog(window_.dialogParent(), title);
}

std::optional<std::string> GtkUi::askText(const std::string& title, const std::string& prompt,
                                          const std::string& proposal) {
  return runTextDialog(window_.dialogParent(), title, prompt, proposal);
}

void GtkUi::status(int field, const std::string& text) { window_.setStatus(field, text); }

bool GtkUi::openDocument(const std::string& path) {
  std::string uri;
  try {
    uri = Glib::filename_to_uri(path);
  } catch (const Glib::Error&) {
    return false;
  }
  // Launched synchronously through GIO: gtk_show_uri_on_window hands the launch to the main
  // loop on X11 and says yes before it knows whether a program was found.
  GdkAppLaunchContext* context = gdk_display_get_app_launch_context(window_.get_display()->gobj());
  gdk_app_launch_context_set_timestamp(context, GDK_CURRENT_TIME);
  GError* error = nullptr;
  const bool shown = g_app_info_launch_default_for_uri(uri.c_str(), G_APP_LAUNCH_CONTEXT(context), &error);
  if (error) g_error_free(error);
  g_object_unref(context);
  return shown;
}
