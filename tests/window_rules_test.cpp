#include <gtest/gtest.h>

#include <clocale>
#include <locale>

#include "app/quiet_ui.h"
#include "app/unwrap_driver.h"
#include "app/uv_view.h"
#include "app/window_rules.h"
#include "image/draw.h"
#include "model/model.h"
#include "tests/temp_folder.h"
#include "tests/unwrap_checks.h"

namespace {

TEST(WindowRules, ControlStatesFollowLockAndMapping) {
  struct Case {
    const char* name;
    bool loaded, locked, changing, follows;
    MapMode mode;
    bool perLayer;
    // expected
    bool settingsEnabled, angleEnabled, stretchEnabled;
    const char* stateText;
    bool change, lockAndCancel, assignBlocked;
  };
  const Case cases[] = {
      {"no model", false, false, false, false, MapMode::exact, false,
       true, true, false, "", false, false, false},
      {"free, keep", true, false, false, false, MapMode::keep, false,
       true, false, false, "Free (locks when you start painting)", false, false, false},
      {"free, smooth", true, false, false, false, MapMode::smooth, true,
       true, true, true, "Free (locks when you start painting)", false, false, false},
      {"locked", true, true, false, false, MapMode::smooth, false,
       false, false, false, "Locked (the texture is painted)", true, false, false},
      {"locked per layer", true, true, false, false, MapMode::exact, true,
       false, false, false, "Locked (the texture is painted)", true, false, true},
      {"changing, follows", true, false, true, true, MapMode::exact, false,
       true, true, false, "Changing layout - painting follows", false, true, false},
      {"changing, empty", true, false, true, false, MapMode::smooth, false,
       true, true, true, "Changing layout - starting empty", false, true, false},
  };
  for (const Case& c : cases) {
    Session s;
    s.document.modelLoaded = c.loaded;
    s.document.layoutLocked = c.locked;
    s.layoutChange.layoutChanging = c.changing;
    s.layoutChange.paintingFollows = c.follows;
    s.document.settings.mapMode = c.mode;
    s.document.settings.layerUnwrap = c.perLayer;
    const ControlStates st = controlStates(s, s.document.settings);
    SCOPED_TRACE(c.name);
    EXPECT_EQ(st.mappingEnabled, c.settingsEnabled);
    EXPECT_EQ(st.sizeEnabled, c.settingsEnabled);
    EXPECT_EQ(st.upAxisEnabled, c.settingsEnabled);
    EXPECT_EQ(st.checkBoxesEnabled, c.settingsEnabled);
    EXPECT_EQ(st.maxAngleEnabled, c.angleEnabled);
    EXPECT_EQ(st.marginEnabled, c.angleEnabled);
    EXPECT_EQ(st.rotateEnabled, c.angleEnabled);
    EXPECT_EQ(st.mirrorEnabled, c.angleEnabled);
    EXPECT_EQ(st.packEnabled, c.angleEnabled);
    EXPECT_EQ(st.maxStretchEnabled, c.stretchEnabled);
    EXPECT_EQ(st.layoutStateText, c.stateText);
    EXPECT_EQ(st.changeLayoutVisible, c.change);
    EXPECT_EQ(st.lockLayoutVisible, c.lockAndCancel);
    EXPECT_EQ(st.cancelVisible, c.lockAndCancel);
    EXPECT_EQ(st.layerAssignBlocked, c.assignBlocked);
  }
}

TEST(WindowRules, ControlStatesFollowTheSettingsShownBeforeTheSessionHasThem) {
  Session s;
  s.document.modelLoaded = true;
  UnwrapSettings shown = s.document.settings;
  shown.mapMode = MapMode::smooth;
  shown.layoutWidth = 512;
  shown.layoutHeight = 256;
  const ControlStates c = controlStates(s, shown);
  EXPECT_TRUE(c.maxStretchEnabled);
  EXPECT_EQ(c.sizeText, "Create texture: Size in meters 2.00 x 1.00");
}

TEST(WindowRules, WorkThatMakesTheLayoutHoldsWhatWouldChangeIt) {
  Session s;
  s.document.modelLoaded = true;
  s.document.settings.mapMode = MapMode::smooth;
  struct Case {
    JobKind running;
    bool free;
  };
  for (const Case c : {Case{JobKind::none, true}, Case{JobKind::save, true},
                       Case{JobKind::autosave, true}, Case{JobKind::exportFiles, true},
                       Case{JobKind::unwrap, false}, Case{JobKind::open, false}}) {
    SCOPED_TRACE(static_cast<int>(c.running));
    const ControlStates st = controlStates(s, s.document.settings, c.running);
    for (const bool enabled :
         {st.mappingEnabled, st.sizeEnabled, st.upAxisEnabled, st.checkBoxesEnabled,
          st.maxAngleEnabled, st.marginEnabled, st.rotateEnabled, st.mirrorEnabled,
          st.packEnabled, st.maxStretchEnabled, st.layoutButtonsEnabled, st.paintingEnabled})
      EXPECT_EQ(enabled, c.free);
  }
  // A locked layout stays locked whatever runs; its button waits for an unwrap.
  s.document.layoutLocked = true;
  EXPECT_FALSE(controlStates(s, s.document.settings, JobKind::save).mappingEnabled);
  EXPECT_TRUE(controlStates(s, s.document.settings, JobKind::save).layoutButtonsEnabled);
  EXPECT_FALSE(controlStates(s, s.document.settings, JobKind::unwrap).layoutButtonsEnabled);
}

TEST(WindowRules, MenuItemsThatNeedAModel) {
  const int needModel[] = {kMenuSave, kMenuSaveAs, kMenuSaveCopy, kMenuExport, kMenuImportTexture,
                           kMenuExportUvOverlay, kMenuPreview3d};
  for (int id = kMenuNewProject; id <= kMenuRecentLast; ++id) {
    SCOPED_TRACE(id);
    const bool needs = std::find(std::begin(needModel), std::end(needModel), id) != std::end(needModel);
    EXPECT_EQ(menuItemEnabled(id, false), !needs);
    EXPECT_TRUE(menuItemEnabled(id, true));
  }
}

TEST(WindowRules, MnemonicLabelsKeepLiteralUnderscores) {
  EXPECT_EQ(mnemonicLabel("3  my_ship.3ds"), "_3  my__ship.3ds");
  EXPECT_EQ(mnemonicLabel("Save a copy...", 7), "Save a _copy...");
  EXPECT_EQ(mnemonicLabel("__init__.obj", 2), "_____init____.obj");
  EXPECT_EQ(mnemonicLabel("(empty)", std::string::npos), "(empty)");
  EXPECT_EQ(mnemonicLabel("a_b", std::string::npos), "a__b");
}

TEST(WindowRules, ChoicesUnwrapAtOnceAndSpinBoxesWhenTheirValueRests) {
  SettingsChange c;
  EXPECT_FALSE(c.pending());
  EXPECT_EQ(c.startTime(), SettingsChange::kNever);

  // A list or a radio button: at once, with the control refresh.
  c.changed(true, false, 1000);
  EXPECT_LE(c.startTime(), 1000);
  EXPECT_TRUE(c.take());
  EXPECT_FALSE(c.pending());

  // Spin steps 40 ms apart make one unwrap, 300 ms after the last, without a refresh.
  for (int64_t t = 2000; t <= 2200; t += 40) c.changed(false, true, t);
  EXPECT_EQ(c.startTime(), 2200 + kSpinRestMilliseconds);
  EXPECT_FALSE(c.refresh());
  // A list changed meanwhile: now, and the refresh it asks for is kept.
  c.changed(true, false, 2300);
  EXPECT_LE(c.startTime(), 2300);
  EXPECT_TRUE(c.take());

  // Enter (or leaving the box) starts a stepped value at once; with nothing pending it does
  // nothing.
  c.commit();
  EXPECT_FALSE(c.pending());
  c.changed(false, true, 3000);
  c.commit();
  EXPECT_LE(c.startTime(), 3000);
  EXPECT_FALSE(c.take());
}

TEST(WindowRules, AHeldSpinArrowWaitsForItsRelease) {
  SettingsChange c;
  c.held(true);
  // The first step, then the arrow's repeat after a pause longer than the rest time.
  c.changed(false, true, 0);
  c.changed(false, true, 500);
  c.changed(false, true, 550);
  EXPECT_EQ(c.startTime(), SettingsChange::kNever);
  c.held(false);
  EXPECT_EQ(c.startTime(), 550 + kSpinRestMilliseconds);  // already due when let go later

  // Leaving the box while a key is down: the release may never come, the value counts.
  c.held(true);
  c.changed(false, true, 1000);
  c.commit();
  EXPECT_LE(c.startTime(), 1000);
  c.take();
  c.changed(false, true, 2000);
  EXPECT_EQ(c.startTime(), 2000 + kSpinRestMilliseconds);
}

TEST(WindowRules, TheUnwrappingNoteIsForeseenForEveryMode) {
  // The window shows the note before it starts the driver: both must agree.
  const Model withUvs = modelOf(genGrid(2, 2));
  ASSERT_TRUE(withUvs.hasUVs);
  const Model withoutUvs = modelOf(genSphere(8, 4));
  ASSERT_FALSE(withoutUvs.hasUVs);
  for (const Model* source : {&withUvs, &withoutUvs, static_cast<const Model*>(nullptr)})
    for (const MapMode mode : {MapMode::keep, MapMode::exact, MapMode::smooth}) {
      struct NoteUi : QuietUi {
        bool noted = false;
        void status(int field, const std::string& text) override {
          noted = noted || (field == kStatusCounts && text == kUnwrappingNote);
        }
      } ui;
      Session s;
      if (source) s.document.sourceModel = *source;
      s.document.settings.mapMode = mode;
      const bool foreseen = unwrapFlattens(s.document.sourceModel, s.document.settings);
      unwrapModel(s, ui);
      SCOPED_TRACE(std::to_string(static_cast<int>(mode)) + (source ? "" : " no model"));
      EXPECT_EQ(ui.noted, foreseen);
      EXPECT_EQ(foreseen, source && (source == &withoutUvs || mode != MapMode::keep));
    }
}

TEST(WindowRules, SizeTextKeepsTheLongerSideAtTwoMetres) {
  // A decimal-comma locale must not change the text.
  if (std::setlocale(LC_ALL, "de_DE.UTF-8")) std::locale::global(std::locale("de_DE.UTF-8"));
  EXPECT_EQ(textureSizeText(512, 512), "Create texture: Size in meters 2.00 x 2.00");
  EXPECT_EQ(textureSizeText(512, 256), "Create texture: Size in meters 2.00 x 1.00");
  EXPECT_EQ(textureSizeText(32, 2048), "Create texture: Size in meters 0.03 x 2.00");
  EXPECT_EQ(textureSizeText(2048, 256), "Create texture: Size in meters 2.00 x 0.25");
  std::locale::global(std::locale::classic());
  std::setlocale(LC_ALL, "C");
}

TEST(WindowRules, CanvasSizeAndScrollArea) {
  EXPECT_EQ(uvCanvasSize(512, 512), (CanvasSize{768, 768}));
  EXPECT_EQ(uvCanvasSize(2048, 32), (CanvasSize{768, 12}));
  EXPECT_EQ(uvCanvasSize(32, 2048), (CanvasSize{12, 768}));
  EXPECT_EQ(uvCanvasSize(1024, 512), (CanvasSize{768, 384}));
  EXPECT_EQ(uvCanvasSize(256, 1024), (CanvasSize{192, 768}));
  EXPECT_EQ(uvScrollArea(1000, 795), (Rect{280, 4, 714, 735}));
  EXPECT_EQ(uvScrollArea(200, 40), (Rect{280, 4, 1, 1}));
  // The window's minimum gives the scrolling area exactly its own minimum.
  const Size inner = innerSizeForUvArea(37, 41);
  EXPECT_EQ(uvScrollArea(inner.width, inner.height), (Rect{280, 4, 37, 41}));
}

TEST(WindowRules, RecentMenu) {
  std::array<std::string, 8> recent;
  EXPECT_EQ(recentMenuItems(recent), (std::vector<RecentItem>{{14, "(empty)", false}}));
  recent[0] = "/home/a/tank.qmap";
  recent[2] = "/home/a/my_ship.3ds";  // an underscore stays as it is
  recent[7] = "plain.obj";
  EXPECT_EQ(recentMenuItems(recent),
            (std::vector<RecentItem>{{14, "1  tank.qmap", true},
                                     {16, "3  my_ship.3ds", true},
                                     {21, "8  plain.obj", true}}));
}

TEST(WindowRules, FileFiltersFromPairs) {
  EXPECT_EQ(fileFilters("Projects and models (*.qmap;*.3ds;*.obj)|*.qmap;*.3ds;*.obj|"
                        "All files (*.*)|*.*"),
            (std::vector<FileFilter>{
                {"Projects and models (*.qmap;*.3ds;*.obj)",
                 {"*.[qQ][mM][aA][pP]", "*.3[dD][sS]", "*.[oO][bB][jJ]"}},
                {"All files (*.*)", {"*"}}}));
  EXPECT_EQ(fileFilters(""), std::vector<FileFilter>{});
  EXPECT_EQ(fileFilters("Lonely description"), std::vector<FileFilter>{});
}

class WindowPreferences : public ::testing::Test, protected TempFolder {
 protected:
  WindowPreferences() : TempFolder("quillmap_window"), path_(path("Quillmap.prefs")) {}
  const std::string path_;
};

TEST_F(WindowPreferences, SettingsFromPreferences) {
  PreferencesFile file(path_);
  UnwrapSettings s = windowSettingsFromPreferences(file);  // no file: the defaults
  EXPECT_EQ(s.mapMode, MapMode::exact);
  EXPECT_EQ(s.layoutWidth, 512);
  EXPECT_EQ(s.maxAngle, 40);
  EXPECT_EQ(s.margin, 4);
  EXPECT_EQ(s.maxStretch, 30);
  EXPECT_EQ(s.rotateMode, RotateMode::lyingOnly);
  EXPECT_TRUE(s.mergeSurfaces);

  file.writeInt("Smooth", 1);
  file.writeInt("Unwrap", 0);
  file.writeInt("TexW", 300);  // not an item: the first one
  file.writeInt("TexH", 2048);
  file.writeInt("MaxAngle", 0);
  file.writeInt("Margin", 99);
  file.writeInt("Rotate", 7);
  file.writeInt("Merge", 0);
  s = windowSettingsFromPreferences(file);
  EXPECT_EQ(s.mapMode, MapMode::smooth);
  EXPECT_EQ(s.layoutWidth, 32);
  EXPECT_EQ(s.layoutHeight, 2048);
  EXPECT_EQ(s.maxAngle, 1);
  EXPECT_EQ(s.margin, 64);
  EXPECT_EQ(s.rotateMode, RotateMode::never);  // no such item: the first one
  EXPECT_FALSE(s.mergeSurfaces);
  file.writeInt("Smooth", 0);
  EXPECT_EQ(windowSettingsFromPreferences(file).mapMode, MapMode::keep);
}

TEST_F(WindowPreferences, StoredOnQuitInOrderWithoutUpAxisMirrorOrPerLayer) {
  PreferencesFile file(path_);
  UnwrapSettings s;
  s.mapMode = MapMode::smooth;
  s.layoutWidth = 1024;
  s.layoutHeight = 256;
  s.maxAngle = 12;
  s.margin = 0;
  s.maxStretch = 250;
  s.rotateMode = RotateMode::all;
  s.mergeSurfaces = false;
  s.upAxisChoice = UpAxis::y;
  s.mirrorAxis = MirrorAxis::upDown;
  s.layerUnwrap = true;
  storeWindowSettings(file, s);
  EXPECT_EQ(readText(path_),
            "\xEF\xBB\xBF\nUnwrap = 0\nSmooth = 1\nTexW = 1024\nTexH = 256\nMaxAngle = 12\n"
            "Margin = 0\nMaxStretch = 250\nRotate = 2\nMerge = 0\n");
  const UnwrapSettings back = windowSettingsFromPreferences(file);
  EXPECT_EQ(back.mapMode, s.mapMode);
  EXPECT_EQ(back.layoutWidth, 1024);
  EXPECT_EQ(back.layoutHeight, 256);
  EXPECT_EQ(back.upAxisChoice, UpAxis::z);
  EXPECT_EQ(back.mirrorAxis, MirrorAxis::off);
  EXPECT_FALSE(back.layerUnwrap);
}

// ---- The UV view picture ----

constexpr uint32_t kFill = rgba(32, 32, 32);
constexpr uint32_t kBorder = rgba(90, 90, 90);

// One triangle of Surface 0 across the lower-left half, one of Surface 1 in the upper right.
Model twoTriangles() {
  Model m;
  m.vertices = {{0, 0, 0, 0.0f, 0.0f}, {0, 0, 0, 0.5f, 0.0f}, {0, 0, 0, 0.0f, 0.5f},
                {0, 0, 0, 1.0f, 1.0f}, {0, 0, 0, 0.75f, 1.0f}, {0, 0, 0, 1.0f, 0.75f}};
  m.triangles = {{0, 1, 2, 0, 0}, {3, 4, 5, 1, 0}};
  return m;
}

TEST(UvView, WithoutModelOnlyFillAndBorder) {
  const Image view = uvViewImage(nullptr, Texture{}, 2048, 32);
  ASSERT_EQ(view.width, 768);
  ASSERT_EQ(view.height, 12);
  Image expected(768, 12, kFill);
  drawBorder(expected, kBorder);
  EXPECT_EQ(view, expected);
}

TEST(UvView, WireframeInSurfaceColoursOverTheFill) {
  const Model m = twoTriangles();
  const Image view = uvViewImage(&m, Texture{}, 512, 256);
  ASSERT_EQ(view.width, 768);
  ASSERT_EQ(view.height, 384);
  const uint32_t surface0 = surfaceColor(0) | 0xFF000000u;
  EXPECT_EQ(surface0, rgba(255, 60, 60));
  // Corner (0.5, 0) of Surface 0 maps to x = round(0.5 * 767) = 384, y = 383; the bottom edge
  // runs along the border row and is drawn over it.
  EXPECT_EQ(view.at(384, 383), surface0);
  EXPECT_EQ(view.at(200, 383), surface0);
  EXPECT_EQ(view.at(0, 300), surface0);
  EXPECT_EQ(view.at(700, 0), surfaceColor(1) | 0xFF000000u);
  EXPECT_EQ(view.at(600, 383), kBorder);
  EXPECT_EQ(view.at(100, 300), kFill);  // inside a triangle: only edges are drawn
  EXPECT_EQ(view.at(500, 200), kFill);
}

TEST(UvView, TextureShowsThroughStretchedOverTheCanvas) {
  const Model m = twoTriangles();
  Texture t;
  // 2 x 1 texture (not the 512 x 512 layout): left half red, right half blue, with alpha bits
  // that must not show.
  Image picture(2, 1);
  picture.pixels = {rgba(200, 0, 0, 0), rgba(0, 0, 200, 7)};
  t.load(std::move(picture), "");
  const Image view = uvViewImage(&m, t, 512, 512);
  ASSERT_EQ(view.width, 768);
  ASSERT_EQ(view.height, 768);
  EXPECT_EQ(view.at(100, 300), rgba(200, 0, 0));   // left of the blend zone
  EXPECT_EQ(view.at(700, 500), rgba(0, 0, 200));   // right of it, top to bottom
  EXPECT_EQ(view.at(700, 10), rgba(0, 0, 200));
  EXPECT_EQ(view.at(0, 600), surfaceColor(0) | 0xFF000000u);  // wireframe on top
  EXPECT_EQ(view.at(767, 767), kBorder);
  // Without a model the texture is not shown.
  EXPECT_EQ(uvViewImage(nullptr, t, 512, 512).at(100, 300), kFill);
}

}  // namespace
