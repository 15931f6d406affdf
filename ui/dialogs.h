// The window's own dialogs and message boxes.
#pragma once

#include <gtkmm.h>

#include <cstdint>
#include <optional>
#include <string>

#include "app/preferences.h"
#include "app/ui.h"

// A modal message box over `parent` with the title, icon and buttons asked for. Yes/No
// questions cannot be closed without an answer; closing a Yes/No/Cancel question is Cancel.
Answer runMessageBox(Gtk::Window& parent, const std::string& title, const std::string& text,
                     Icon icon, Buttons buttons);
// Modal file dialogs; "" when cancelled. The filter is "Description|*.a;*.b|..." pairs.
std::string runOpenDialog(Gtk::Window& parent, const FileDialog& dialog);
// filterIndex, when given, receives the position of the filter chosen in the dialog.
std::string runSaveDialog(Gtk::Window& parent, const FileDialog& dialog,
                          int* filterIndex = nullptr);

// The Preferences dialog, modal over `parent`; the choice on OK, nothing on Cancel, Escape or
// closing.
std::optional<PreferencesChoice> runPreferencesDialog(Gtk::Window& parent,
                                                      const Preferences& prefs);
// The About box, modal over `parent`.
void runAboutDialog(Gtk::Window& parent);

// The colour requester, modal over `parent`, starting at `colour` (RGB, red in the lowest
// byte); nothing when cancelled.
std::optional<uint32_t> runColourDialog(Gtk::Window& parent, const std::string& title,
                                        uint32_t colour);
// The New texture dialog, modal over `parent`: the kind and colour chosen with OK; nothing for
// Cancel, Escape or closing it.
std::optional<NewTextureChoice> runNewTextureDialog(Gtk::Window& parent, const std::string& title);
// The input requester, modal over `parent`: `prompt` above a text field holding `proposal`;
// the text on OK (or Return), nothing for Cancel, Escape or closing it.
std::optional<std::string> runTextDialog(Gtk::Window& parent, const std::string& title,
                                         const std::string& prompt, const std::string& proposal);
