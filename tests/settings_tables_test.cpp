// Every row of the settings tables: its key round-trips through project.ini, its batch option
// takes its default. The windows' controls are built from the same rows (ranges and items),
// so they cannot disagree with them.
#include <gtest/gtest.h>

#include <sstream>

#include "app/batch.h"
#include "image/image.h"
#include "paint/settings_tables.h"
#include "project/project_file.h"
#include "unwrap/unwrap_settings.h"

namespace {

// A value within the row's range other than its default.
template <typename Record>
double otherValue(const Setting<Record>& s) {
  const double byDefault = s.defaultValue();
  switch (s.kind) {
    case SettingKind::number: return byDefault == s.high ? s.low : s.high;
    case SettingKind::list:
    case SettingKind::cycle: return byDefault == s.high ? 0 : s.high;
    case SettingKind::flag: return byDefault == 0;
    case SettingKind::colour: return 0x123456;
    case SettingKind::side: return s.sides.back() == byDefault ? s.sides.front() : s.sides.back();
    case SettingKind::real: return s.low < s.high ? s.high / s.scale : byDefault + 12.5;
  }
  return byDefault;
}

template <typename Record, size_t n>
void setAll(const Setting<Record>* const (&table)[n], Record& record) {
  for (const Setting<Record>* s : table) s->field.set(record, otherValue(*s));
}

template <typename Record, size_t n>
void expectAll(const Setting<Record>* const (&table)[n], const Record& read, const std::string& ini) {
  for (const Setting<Record>* s : table) {
    SCOPED_TRACE(s->key);
    EXPECT_NE(ini.find(std::string("\n") + s->key + "="), std::string::npos);
    EXPECT_EQ(s->field.get(read), otherValue(*s));
  }
}

// The smallest project there is: one triangle.
ProjectRecord oneTriangleProject() {
  ProjectRecord r;
  for (int i = 0; i < 3; ++i) r.workModel.vertices.push_back({float(i), float(i * i), 0, 0, 0});
  r.workModel.triangles = {{0, 1, 2, 0, 0}};
  r.workModel.materialNames = {"Surface 1"};
  modelEnsureLayer(r.workModel);
  r.sourceModel = r.workModel;
  return r;
}

TEST(SettingsTables, EveryKeyRoundTripsThroughTheProjectFile) {
  ProjectRecord r = oneTriangleProject();
  ASSERT_TRUE(loadSourceImage(r.stencil.image, encodePng(Image(2, 2, 0xFF000000u), true), "png",
                              true));
  setAll(kUnwrapSettings, r.settings);
  setAll(kCameraSettings, r.view.camera);
  setAll(kBrushSettings, r.view);
  viewSetting::viewMode.field.set(r.view, otherValue(viewSetting::viewMode));
  brushSetting::source.field.set(r.view, otherValue(brushSetting::source));
  setAll(kStencilSettings, r.stencil);
  setAll(kPatternSettings, r.pattern);

  ProjectEntries entries;
  for (const ArchiveEntry& e : writeProjectEntries(r)) entries[e.name] = e.bytes;
  const std::string ini(entries["project.ini"].begin(), entries["project.ini"].end());
  const std::optional<ProjectRecord> read = readProjectEntries(entries, ViewState{});
  ASSERT_TRUE(read);
  expectAll(kUnwrapSettings, read->settings, ini);
  expectAll(kCameraSettings, read->view.camera, ini);
  expectAll(kBrushSettings, read->view, ini);
  const ViewSetting* single[] = {&viewSetting::viewMode, &brushSetting::source};
  expectAll(single, read->view, ini);
  expectAll(kStencilSettings, read->stencil, ini);
  expectAll(kPatternSettings, read->pattern, ini);
}

// The option's default as its usage line gives it: a whole number or a word.
template <typename Record>
std::string defaultText(const Setting<Record>& s) {
  const auto value = static_cast<int64_t>(s.defaultValue() * (s.kind == SettingKind::real ? s.scale : 1));
  if (s.kind == SettingKind::list || s.kind == SettingKind::cycle)
    return itemWord(s, static_cast<int>(value), false);
  return std::to_string(value);
}

// With a missing model the run stops at the file (2) once every option was taken; a refused
// option stops it before (1).
template <typename Record, size_t n>
void expectOptionsTakeTheirDefaults(const Setting<Record>* const (&table)[n]) {
  for (const Setting<Record>* s : table) {
    if (*s->option == '\0') continue;
    SCOPED_TRACE(s->option);
    std::vector<std::string> args = {"--batch", "/nonexistent/model.obj", "--paint", "brush 1,1",
                                     s->option};
    if (s->kind != SettingKind::flag) args.push_back(defaultText(*s));
    std::ostringstream out, err;
    EXPECT_EQ(runCommandLine(args, out, err), 2) << err.str();
    EXPECT_NE(err.str().find("File not found"), std::string::npos) << err.str();
    EXPECT_EQ(optionHelp(*s).option, s->option);
  }
}

// A Standard project's file is what it was before packing had a choice: no "Pack" key.
TEST(SettingsTables, StandardPackingWritesNoKey) {
  ProjectRecord r = oneTriangleProject();
  ProjectEntries entries;
  for (const ArchiveEntry& e : writeProjectEntries(r)) entries[e.name] = e.bytes;
  const std::string ini(entries["project.ini"].begin(), entries["project.ini"].end());
  EXPECT_EQ(ini.find("Pack"), std::string::npos);
  const std::optional<ProjectRecord> read = readProjectEntries(entries, ViewState{});
  ASSERT_TRUE(read);
  EXPECT_EQ(read->settings.packMode, PackMode::standard);
}

TEST(SettingsTables, EveryBatchOptionTakesItsDefault) {
  expectOptionsTakeTheirDefaults(kUnwrapSettings);
  expectOptionsTakeTheirDefaults(kBrushSettings);
  const ViewSetting* source[] = {&brushSetting::source};
  expectOptionsTakeTheirDefaults(source);
  expectOptionsTakeTheirDefaults(kPatternSettings);
}

// Lists whose items the window shows have one label per index of the range.
TEST(SettingsTables, ListsHaveALabelPerItem) {
  for (const UnwrapSetting* s : kUnwrapSettings) {
    if (!s->labels.empty()) {
      EXPECT_EQ(s->labels.size(), static_cast<size_t>(s->itemCount())) << s->key;
    }
  }
  for (const ViewSetting* s : {&viewSetting::viewMode, &brushSetting::tool, &brushSetting::tip,
                               &brushSetting::source})
    EXPECT_EQ(s->labels.size(), static_cast<size_t>(s->itemCount())) << s->key;
  for (const PatternSetting* s : {&patternSetting::rotate, &patternSetting::mapping})
    EXPECT_EQ(s->labels.size(), static_cast<size_t>(s->itemCount())) << s->key;
}

}  // namespace
