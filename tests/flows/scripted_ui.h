// A Ui for flow tests: answers come from a script, everything shown is recorded.
#pragma once

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/ui.h"

struct ScriptedUi : Ui {
  struct Shown {
    std::string title, text;
    Icon icon;
    Buttons buttons;
  };
  std::deque<Answer> answers;          // for questions, in order
  std::deque<std::string> savePaths;   // what the save dialogs "choose"; "" = cancel
  std::deque<int> saveFilters;         // the filter entry chosen with them; 0 when none left
  std::deque<std::string> openPaths;   // what the open dialogs "choose"; none left = cancel
  std::vector<Shown> shown;
  std::vector<FileDialog> saveDialogs;
  std::vector<FileDialog> openDialogs;
  std::vector<std::string> documentsOpened;
  bool documentsOpen = true;  // whether openDocument succeeds
  std::string statusText[3];
  std::deque<std::optional<uint32_t>> colours;  // the colour requester's answers; none left = cancel
  std::deque<std::optional<NewTextureChoice>> newTextures;  // the New texture dialog's; none = cancel
  std::vector<std::string> newTextureTitles;
  struct TextAsked {
    std::string title, prompt, proposal;
  };
  std::deque<std::optional<std::string>> texts;  // the input requester's answers; none left = cancel
  std::vector<TextAsked> textsAsked;

  Answer message(const std::string& title, const std::string& text, Icon icon,
                 Buttons buttons) override {
    shown.push_back({title, text, icon, buttons});
    if (buttons == Buttons::ok) return Answer::ok;
    if (answers.empty()) throw std::logic_error("unexpected question: " + text);
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::string chooseOpen(const FileDialog& dialog) override {
    openDialogs.push_back(dialog);
    if (openPaths.empty()) return "";
    const std::string path = openPaths.front();
    openPaths.pop_front();
    return path;
  }
  std::string chooseSave(const FileDialog& dialog) override {
    saveDialogs.push_back(dialog);
    if (savePaths.empty()) throw std::logic_error("unexpected save dialog: " + dialog.title);
    const std::string path = savePaths.front();
    savePaths.pop_front();
    return path;
  }
  std::string chooseSaveFiltered(const FileDialog& dialog, int& filterIndex) override {
    filterIndex = 0;
    if (!saveFilters.empty()) {
      filterIndex = saveFilters.front();
      saveFilters.pop_front();
    }
    return chooseSave(dialog);
  }
  void status(int field, const std::string& text) override { statusText[field] = text; }
  bool openDocument(const std::string& path) override {
    documentsOpened.push_back(path);
    return documentsOpen;
  }

  std::optional<uint32_t> chooseColour(const std::string&, uint32_t) override {
    return next(colours);
  }
  std::optional<NewTextureChoice> chooseNewTexture(const std::string& title) override {
    newTextureTitles.push_back(title);
    return next(newTextures);
  }
  std::optional<std::string> askText(const std::string& title, const std::string& prompt,
                                     const std::string& proposal) override {
    textsAsked.push_back({title, prompt, proposal});
    return next(texts);
  }
  template <class T>
  static std::optional<T> next(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) return std::nullopt;
    const std::optional<T> a = answers.front();
    answers.pop_front();
    return a;
  }

  std::string lastText() const { return shown.empty() ? "" : shown.back().text; }
};
