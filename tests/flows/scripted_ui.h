// A Ui for flow tests: answers come from a script, everything shown is recorded.
#pragma once

#include <deque>
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
  std::vector<Shown> shown;
  std::vector<FileDialog> saveDialogs;
  std::string statusText[3];

  Answer message(const std::string& title, const std::string& text, Icon icon,
                 Buttons buttons) override {
    shown.push_back({title, text, icon, buttons});
    if (buttons == Buttons::ok) return Answer::ok;
    if (answers.empty()) throw std::logic_error("unexpected question: " + text);
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::string chooseOpen(const FileDialog&) override { return ""; }
  std::string chooseSave(const FileDialog& dialog) override {
    saveDialogs.push_back(dialog);
    if (savePaths.empty()) throw std::logic_error("unexpected save dialog: " + dialog.title);
    const std::string path = savePaths.front();
    savePaths.pop_front();
    return path;
  }
  void status(int field, const std::string& text) override { statusText[field] = text; }
  void refreshControls() override {}
  void refreshViews() override {}

  std::string lastText() const { return shown.empty() ? "" : shown.back().text; }
};
