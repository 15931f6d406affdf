#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/help.h"
#include "app/layout_change.h"

namespace {

TEST(UserGuide, TitleSectionsInOrderAndSelfContained) {
  const std::string html(userGuideHtml());
  EXPECT_TRUE(html.starts_with("<!DOCTYPE html>"));
  EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(html.find("<title>Quillmap - User guide</title>"), std::string::npos);
  EXPECT_NE(html.find("prefers-color-scheme: dark"), std::string::npos);
  EXPECT_TRUE(html.ends_with("</html>\n"));
  // Nothing is fetched from elsewhere: the page is read from /tmp, perhaps offline.
  for (const char* outside : {"src=", "http:", "https:", "@import", "url("})
    EXPECT_EQ(html.find(outside), std::string::npos) << outside;

  // The numbered contents, each entry leading to its heading, in this order.
  const std::vector<std::pair<std::string, std::string>> sections = {
      {"what", "What the program does"},
      {"quick-start", "Quick start"},
      {"main-window", "The main window"},
      {"projects", "Projects and files"},
      {"window-3d", "The 3D window"},
      {"painting", "Painting and filling"},
      {"layers", "Layers"},
      {"stencil", "Stencil"},
      {"pattern", "Pattern"},
      {"export", "Export to Serious Sam"},
      {"keys", "Mouse and keyboard"},
      {"tips", "Tips and problems"},
      {"formats", "Background: the file formats"},
  };
  size_t contents = html.find("<nav>"), heading = contents;
  ASSERT_NE(contents, std::string::npos);
  for (size_t i = 0; i < sections.size(); ++i) {
    const auto& [id, name] = sections[i];
    const size_t entry = html.find("<li><a href=\"#" + id + "\">" + name + "</a></li>", contents);
    ASSERT_NE(entry, std::string::npos) << name;
    contents = entry;
    const size_t h2 =
        html.find("<h2 id=\"" + id + "\">" + std::to_string(i + 1) + ". " + name + "</h2>", heading);
    ASSERT_NE(h2, std::string::npos) << name;
    heading = h2;
  }
  for (const char* format : {".3ds", ".obj", ".tex", "How Serious Modeler reads the mapping"})
    EXPECT_NE(html.find(format, html.find("<h2 id=\"formats\">")), std::string::npos) << format;
}

// The guide quotes what the layout lock shows as the program shows it.
TEST(UserGuide, QuotesTheLayoutLockTexts) {
  const std::string html(userGuideHtml());
  for (const char* text : {kLockedPaintedNote, kLockedStartedPaintingNote, kNewLayoutLockedNote,
                           "Free (locks when you start painting)", "Locked (the texture is painted)",
                           "Changing layout - painting follows", "Changing layout - starting empty",
                           "--change-layout keep", "--change-layout empty"})
    EXPECT_NE(html.find(text), std::string::npos) << text;
}

TEST(UserGuide, ShortHelpStartsWithTheFirstStepAndNumbersSeven) {
  const std::string text = shortHelpText();
  EXPECT_TRUE(text.starts_with(
      "1. Export your model from your 3D program as .3ds (or .obj with 'Y Up').\n"));
  size_t at = 0;
  for (int step = 1; step <= 7; ++step) {
    at = text.find(std::to_string(step) + ". ", at);
    ASSERT_NE(at, std::string::npos) << step;
    EXPECT_TRUE(at == 0 || text[at - 1] == '\n') << step;
  }
  EXPECT_NE(text.find("one Surface"), std::string::npos);
}

}  // namespace
