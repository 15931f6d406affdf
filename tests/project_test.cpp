#include <gtest/gtest.h>

#include <filesystem>

#include "project/archive.h"
#include "project/project_ini.h"

namespace {

TEST(ProjectIni, ReadingRules) {
  const IniValues v(
      "; Quillmap project\r\n"
      "Version=2\r\n"
      "=orphan\n"
      "no equals sign\n"
      "  Margin  = 8 \n"
      "Info=a=b\n"
      "TexW=256\n"
      "TexW=1024\n"
      "\n"
      ";Angle=3\n");
  EXPECT_EQ(v.integer("Version"), 2);
  EXPECT_EQ(v.text("Margin"), " 8 ");  // value untrimmed; its number still reads
  EXPECT_EQ(v.integer("Margin"), 8);
  EXPECT_EQ(v.text("Info"), "a=b");    // split at the first "="
  EXPECT_EQ(v.integer("TexW"), 1024);  // the later line wins
  EXPECT_FALSE(v.has("Angle"));
  EXPECT_FALSE(v.has(""));
  EXPECT_EQ(v.integer("Missing"), 0);
  EXPECT_TRUE(IniValues("; only a comment\n").empty());
}

TEST(ProjectIni, InfoEscapingRoundTrips) {
  const std::string report = "Line one\r\nC:\\new\\name\nends with \\";
  const std::string escaped = escapeInfo(report);
  EXPECT_EQ(escaped, "Line one\\nC:\\\\new\\\\name\\nends with \\\\");
  EXPECT_EQ(escaped.find('\n'), std::string::npos);
  EXPECT_EQ(unescapeInfo(escaped), "Line one\nC:\\new\\name\nends with \\");
}

TEST(ProjectIni, WriterFormatsNumbersWithoutTheLocale) {
  IniWriter w;
  w.addInt("TexW", 512);
  w.addReal("Yaw", 0.123456, 4);
  w.addReal("Dist", -2.5, 6);
  EXPECT_EQ(w.text(), "; Quillmap project\nTexW=512\nYaw=0.1235\nDist=-2.500000\n");
}

TEST(Archive, WritesEntriesInOrderAndReadsThemBack) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("quillmap_archive_" + std::to_string(::getpid()) + ".zip")).string();
  std::vector<uint8_t> big(300000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 % 251);
  const std::vector<ArchiveEntry> entries = {
      {"project.ini", {'a', '=', '1', '\n'}, true}, {"model.bin", big, true}, {"empty", {}, true}};
  ASSERT_EQ(writeZipArchive(path, entries), ArchiveWrite::ok);
  const auto read = readZipArchive(path, {"model.bin", "project.ini", "empty", "absent"});
  ASSERT_TRUE(read);
  EXPECT_EQ(read->size(), 3u);
  EXPECT_EQ(read->at("model.bin"), big);
  EXPECT_EQ(read->at("project.ini"), entries[0].bytes);
  EXPECT_TRUE(read->at("empty").empty());
  // Names are exact: another case is another entry.
  EXPECT_EQ(readZipArchive(path, {"MODEL.BIN"})->size(), 0u);
  // An entry over the size limit is left out rather than read.
  EXPECT_EQ(readZipArchive(path, {"model.bin"}, 1000)->count("model.bin"), 0u);
  // A failed entry marks the write as failed but the others are still written.
  ASSERT_EQ(writeZipArchive(path, {{"a", {1}, true}, {"b", {}, false}, {"c", {3}, true}}),
            ArchiveWrite::entryFailed);
  EXPECT_EQ(readZipArchive(path, {"a", "c"})->size(), 2u);
  std::filesystem::remove(path);
  EXPECT_EQ(writeZipArchive("/nonexistent/folder/x.qmap", entries), ArchiveWrite::cannotCreate);
  EXPECT_FALSE(readZipArchive("/nonexistent/x.qmap", {"a"}));
  EXPECT_FALSE(readZipArchiveBytes({'n', 'o', 't', ' ', 'z', 'i', 'p'}, {"a"}));
}

// Names read from a project's text may only name entries at the archive's top level.
TEST(Archive, PlainEntryNames) {
  for (const std::string name : {"stencil.png", "stencil.gif", "stencil.", "stencil", "pattern.jfif",
                                 "a b.png", "stencil.\xC3\xA9"})
    EXPECT_TRUE(isPlainEntryName(name)) << name;
  for (const std::string name : {"", "..", "../stencil.png", "a..b", "sub/stencil.png", "/stencil.png",
                                 "sub\\stencil.png", "stencil\n.png", "stencil\x7F", "tab\tname"})
    EXPECT_FALSE(isPlainEntryName(name)) << name;
  EXPECT_FALSE(isPlainEntryName(std::string_view("a\0b", 3)));
}

}  // namespace
