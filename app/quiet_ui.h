// A Ui for runs without a person (benchmarks, fuzzers, tests that only need the work done):
// boxes are dropped, questions answered No, dialogs cancelled, nothing is shown.
#pragma once

#include <string>

#include "app/ui.h"

struct QuietUi : Ui {
  Answer message(const std::string&, const std::string&, Icon, Buttons buttons) override {
    return buttons == Buttons::ok ? Answer::ok : Answer::no;
  }
  std::string chooseOpen(const FileDialog&) override { return ""; }
  std::string chooseSave(const FileDialog&) override { return ""; }
  void status(int, const std::string&) override {}
};
