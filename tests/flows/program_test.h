// The program for flow tests, in a temporary folder: a session, a scripted Ui, preferences in
// the folder's "prefs/" and a controller over them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/controller.h"
#include "app/preferences.h"
#include "app/session.h"
#include "tests/flows/scripted_ui.h"
#include "tests/temp_folder.h"

class ProgramTest : public ::testing::Test, protected TempFolder {
 protected:
  explicit ProgramTest(const std::string& folderName) : TempFolder(folderName) {
    std::filesystem::create_directories(dir() / "prefs");
    prefsFile_ = PreferencesFile(path("prefs/Quillmap.prefs"));
  }

  // A fresh program run on the same files and preferences.
  void makeController() {
    session_ = Session{};
    ui_ = ScriptedUi{};
    prefs_ = loadPreferences(prefsFile_, "");
    controller_ = std::make_unique<Controller>(session_, ui_, prefs_, prefsFile_, path("prefs") + "/");
  }

  PreferencesFile prefsFile_{""};
  Preferences prefs_;
  Session session_;
  ScriptedUi ui_;
  std::unique_ptr<Controller> controller_;
};
