// The Ui of the real program: message boxes and dialogs of GTK over the window whose event
// asks, and the main window's status bar.
#pragma once

#include "app/ui.h"

class MainWindow;

class GtkUi : public Ui {
 public:
  explicit GtkUi(MainWindow& window) : window_(window) {}
  Answer message(const std::string& title, const std::string& text, Icon icon,
                 Buttons buttons) override;
  std::string chooseOpen(const FileDialog& dialog) override;
  std::string chooseSave(const FileDialog& dialog) override;
  std::string chooseSaveFiltered(const FileDialog& dialog, int& filterIndex) override;
  void status(int field, const std::string& text) override;
  bool openDocument(const std::string& path) override;
  std::optional<uint32_t> chooseColour(const std::string& title, uint32_t colour) override;
  std::optional<NewTextureChoice> chooseNewTexture(const std::string& title) override;
  std::optional<std::string> askText(const std::string& title, const std::string& prompt,
                                     const std::string& proposal) override;

 private:
  MainWindow& window_;
};
