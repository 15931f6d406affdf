// What the controller needs from a person or a window. The GTK front end implements it with
// dialogs and widgets, tests and the batch mode with scripts. Questions added later come with
// a default answer, so that those need no change. What the windows show again after a command
// is not asked here: commands raise Changes (app/changes.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/progress.h"
#include "paint/texture.h"

enum class Icon { information, warning, error, question };
enum class Buttons { ok, yesNo, yesNoCancel };
enum class Answer { ok, yes, no, cancel };

struct FileDialog {
  std::string title;
  std::string folder;    // where the dialog starts
  std::string fileName;  // proposed name (save dialogs)
  std::string filter;    // "Description (*.ext)|*.ext|..." pairs
  std::string note = {};  // a line shown in the requester, "" for none
};

// What the New texture dialog asks for.
struct NewTextureChoice {
  NewTextureKind kind = NewTextureKind::oneColour;
  uint32_t colour = 0xFFFFFF;  // of "One colour" and the ground of "Surface colours"
};

// Status bar fields.
enum StatusField { kStatusFile = 0, kStatusCounts = 1, kStatusNote = 2 };

struct Ui {
  virtual ~Ui() = default;
  virtual Answer message(const std::string& title, const std::string& text, Icon icon,
                         Buttons buttons) = 0;
  virtual std::string chooseOpen(const FileDialog& dialog) = 0;  // "" = cancelled
  virtual std::string chooseSave(const FileDialog& dialog) = 0;  // "" = cancelled
  // A save dialog that also tells which entry of its filter was selected when the user
  // confirmed (0 = the first), for commands that add the extension of the chosen type.
  virtual std::string chooseSaveFiltered(const FileDialog& dialog, int& filterIndex) {
    filterIndex = 0;
    return chooseSave(dialog);
  }
  // Whether `files` (each a name, perhaps with a note) may be overwritten; `question` names
  // them. Asked as a warning with Yes and No.
  virtual bool confirmOverwrite(const std::string& title, const std::string& question,
                                const std::vector<std::string>& /*files*/) {
    return message(title, question, Icon::warning, Buttons::yesNo) == Answer::yes;
  }
  virtual void status(int field, const std::string& text) = 0;
  // Where an unwrap that runs at once on this thread reports its progress; null for none.
  virtual Progress* unwrapProgress() { return nullptr; }
  // Opens a file with the desktop's default program for it; false when that fails. Without a
  // desktop there is nothing to open it with.
  virtual bool openDocument(const std::string& /*path*/) { return false; }
  // The colour requester, starting at `colour` (RGB, red in the lowest byte): the chosen
  // colour, or nothing when cancelled.
  virtual std::optional<uint32_t> chooseColour(const std::string& /*title*/, uint32_t /*colour*/) {
    return std::nullopt;
  }
  // The input requester titled `title`: `prompt` above a text field holding `proposal`. The
  // text as entered on OK, or nothing for Cancel, Escape or closing it.
  virtual std::optional<std::string> askText(const std::string& /*title*/,
                                             const std::string& /*prompt*/,
                                             const std::string& /*proposal*/) {
    return std::nullopt;
  }
  // The New texture dialog titled `title`: the kind and colour chosen with OK, or nothing for
  // Cancel, Escape or closing it.
  virtual std::optional<NewTextureChoice> chooseNewTexture(const std::string& /*title*/) {
    return std::nullopt;
  }
};
