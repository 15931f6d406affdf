// The 3D window's layers: the list, its buttons and the assign tools, run as events of the
// window, and what the event step makes of their edits.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "paint/brush.h"
#include "paint/layers.h"
#include "tests/flows/window3d_fixture.h"

namespace {

class LayersFlow : public Window3DFlow {
 protected:
  Model& work() { return session_.document.workModel; }
  LayerState& layers() { return session_.document.layers; }
  // The open cube's triangles put on the named layers, triangle t on layer t % count, in both
  // models, each layer with its own colour 0x10 * (k + 1).
  void setLayers(const std::vector<std::string>& names) {
    for (Model* m : {&work(), &session_.document.sourceModel}) {
      m->layerNames = names;
      for (size_t t = 0; t < m->triangles.size(); ++t)
        m->triangles[t].layer = static_cast<int32_t>(t % names.size());
    }
    resizeLayerState(layers(), 0);
    fitLayerState(layers(), work());
    for (size_t k = 0; k < names.size(); ++k) layers().color[k] = 0x10 * static_cast<uint32_t>(k + 1);
    session_.document.projectChanged = false;
  }
  std::vector<int32_t> triangleLayers(const Model& m) const {
    std::vector<int32_t> result;
    for (const Triangle& t : m.triangles) result.push_back(t.layer);
    return result;
  }
  int64_t onLayer(int32_t layer) { return trianglesOnLayer(work(), layer); }
  // Events since `from` that showed another model (an unwrap ran).
  int64_t unwrapsSince(size_t from) const {
    const auto& applied = windows_.view3d.applied;
    return std::count_if(applied.begin() + static_cast<std::ptrdiff_t>(from), applied.end(),
                         [](const Changes& c) { return c.model3d; });
  }
  void click(int x, int y) {
    event([&] { c3d_.buttonDown(MouseButton::left, {.x = x, .y = y, .left = true}); });
    event([&] { c3d_.buttonUp(); });
  }
  // "Unwrap per layer" ticked in the main window.
  void unwrapPerLayer() {
    UnwrapSettings settings = session_.document.settings;
    settings.layerUnwrap = true;
    main([&] { controller_.changeSettings(settings, true); });
  }
};

constexpr const char* kGuardText =
    "The layers decide the layout ('Unwrap per layer' is on) and the layout is locked.\n"
    "Use 'Change layout...' in the main window first.";

TEST_F(LayersFlow, DeleteMovesTheTrianglesToTheHeirAndShiftsTheLaterLayersDown) {
  // Triangle t of the cube's 12 is on layer t % 3: four each.
  const struct {
    int64_t current;
    Answer answer;
    std::string question;
    std::vector<std::string> names;
    std::vector<int32_t> layersOfFirstThree;  // triangles 0, 1, 2 (on A, B, C before)
    std::vector<uint32_t> colours;
    int64_t currentAfter;
  } cases[] = {
      {0, Answer::yes, "Delete layer 'A'?\nIts 4 triangles move to layer 'B'.", {"B", "C"},
       {0, 0, 1}, {0x20, 0x30}, 0},
      {1, Answer::yes, "Delete layer 'B'?\nIts 4 triangles move to layer 'A'.", {"A", "C"},
       {0, 0, 1}, {0x10, 0x30}, 1},  // the layer that followed is selected
      {2, Answer::yes, "Delete layer 'C'?\nIts 4 triangles move to layer 'A'.", {"A", "B"},
       {0, 1, 0}, {0x10, 0x20}, 1},
      {1, Answer::no, "Delete layer 'B'?\nIts 4 triangles move to layer 'A'.", {"A", "B", "C"},
       {0, 1, 2}, {0x10, 0x20, 0x30}, 1},
  };
  openCube();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.question);
    setLayers({"A", "B", "C"});
    layers().curLayer = c.current;
    ui_.answers = {c.answer};
    event([&] { c3d_.deleteLayer(); });
    EXPECT_EQ(ui_.shown.back().title, "Delete layer");
    EXPECT_EQ(ui_.lastText(), c.question);
    EXPECT_EQ(work().layerNames, c.names);
    const std::vector<int32_t> after = triangleLayers(work());
    EXPECT_EQ(std::vector<int32_t>(after.begin(), after.begin() + 3), c.layersOfFirstThree);
    EXPECT_EQ(layers().color, c.colours);
    EXPECT_EQ(layers().hidden.size(), c.names.size());
    EXPECT_EQ(layers().curLayer, c.currentAfter);
    // The event step passed a deletion on to the source model.
    EXPECT_EQ(session_.document.sourceModel.layerNames, c.names);
    EXPECT_EQ(triangleLayers(session_.document.sourceModel), triangleLayers(work()));
    EXPECT_EQ(session_.document.projectChanged, c.answer == Answer::yes);
  }

  // The last layer stays.
  setLayers({"Only"});
  event([&] { c3d_.deleteLayer(); });
  EXPECT_EQ(ui_.lastText(), "The last layer cannot be deleted.");
  EXPECT_EQ(work().layerCount(), 1);

  // An empty layer is asked about too.
  setLayers({"A", "B"});
  work().layerNames.push_back("Empty");
  fitLayerState(layers(), work());
  layers().curLayer = 2;
  ui_.answers = {Answer::yes};
  event([&] { c3d_.deleteLayer(); });
  EXPECT_EQ(ui_.lastText(), "Delete layer 'Empty'?\nIts 0 triangles move to layer 'A'.");
  EXPECT_EQ(work().layerNames, (std::vector<std::string>{"A", "B"}));
}

TEST_F(LayersFlow, ALockedLayoutThatTheLayersDecideRefusesMovingTriangles) {
  openCube();
  setLayers({"A", "B"});
  work().layerNames.push_back("Empty");
  fitLayerState(layers(), work());
  session_.document.settings.layerUnwrap = true;
  session_.document.layoutLocked = true;
  const std::vector<int32_t> before = triangleLayers(work());

  // Deleting a layer with triangles, and every assign tool.
  layers().curLayer = 0;
  event([&] { c3d_.deleteLayer(); });
  for (Tool tool : {Tool::assignTriangle, Tool::assignFlatFace, Tool::assignConnectedPart, Tool::assignBrush}) {
    event([&] { c3d_.setTool(tool); });
    layers().curLayer = 1;
    // The hover marks nothing the click would refuse, and says why.
    ui_.statusText[kStatusNote].clear();
    event([&] { c3d_.motion({.x = 100, .y = 75}); });
    if (tool != Tool::assignBrush) {  // the brush shows its circle, no region
      EXPECT_EQ(state().hoverTriangle, -1);
      EXPECT_EQ(ui_.statusText[kStatusNote],
                "Assign layer is off: the layers decide the locked layout (Change layout...)");
    }
    click(100, 75);
    EXPECT_FALSE(state().assignDrag);
  }
  ASSERT_EQ(ui_.shown.size(), 5u);
  for (const auto& shown : ui_.shown) {
    EXPECT_EQ(shown.title, "Layers");
    EXPECT_EQ(shown.text, kGuardText);
  }
  EXPECT_EQ(triangleLayers(work()), before);
  EXPECT_EQ(work().layerCount(), 3);

  // An empty layer moves no triangle: it may go.
  layers().curLayer = 2;
  ui_.answers = {Answer::yes};
  event([&] { c3d_.deleteLayer(); });
  EXPECT_EQ(work().layerCount(), 2);

  // Without "Unwrap per layer" the layers decide nothing.
  session_.document.settings.layerUnwrap = false;
  event([&] { c3d_.setTool(Tool::assignConnectedPart); });
  event([&] { c3d_.motion({.x = 101, .y = 75}); });
  EXPECT_GE(state().hoverTriangle, 0);
  click(100, 75);
  EXPECT_NE(triangleLayers(work()), before);
}

TEST_F(LayersFlow, NewAndRenameTakeTrimmedNamesAndRefuseDuplicates) {
  openCube();
  setLayers({"Body"});
  const struct {
    bool rename;
    std::optional<std::string> answer;
    std::vector<std::string> names;
    int64_t current;
    std::string message;  // "" = none
  } cases[] = {
      {false, "  Wheels\t", {"Body", "Wheels"}, 1, ""},
      {false, "Body", {"Body", "Wheels"}, 0, ""},  // selects the layer that has the name
      {false, "   ", {"Body", "Wheels"}, 0, ""},
      {false, std::nullopt, {"Body", "Wheels"}, 0, ""},  // Cancel
      {true, "Body", {"Body", "Wheels"}, 0, ""},         // its own name
      {true, "", {"Body", "Wheels"}, 0, ""},
      {true, "  ", {"Body", "Wheels"}, 0, ""},
      {true, "Wheels", {"Body", "Wheels"}, 0, "There is already a layer with this name."},
      {true, "body", {"body", "Wheels"}, 0, ""},  // names are case-sensitive
      {true, " Hull ", {"Hull", "Wheels"}, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer.value_or("(cancel)"));
    const std::vector<std::string> before = work().layerNames;
    const size_t shown = ui_.shown.size();
    session_.document.projectChanged = false;
    ui_.texts = {c.answer};
    event([&] { c.rename ? c3d_.renameLayer() : c3d_.newLayer(); });
    const ScriptedUi::TextAsked& asked = ui_.textsAsked.back();
    if (c.rename) {
      EXPECT_EQ(asked.title, "Rename layer");
      EXPECT_EQ(asked.prompt, "New name:");
      EXPECT_EQ(asked.proposal, before[static_cast<size_t>(layers().curLayer)]);
    } else {
      EXPECT_EQ(asked.title, "New layer");
      EXPECT_EQ(asked.prompt, "Name of the new layer:");
      EXPECT_EQ(asked.proposal, "Layer " + std::to_string(before.size() + 1));
    }
    EXPECT_EQ(work().layerNames, c.names);
    EXPECT_EQ(layers().curLayer, c.current);
    EXPECT_EQ(layers().count(), work().layerCount());
    EXPECT_EQ(session_.document.sourceModel.layerNames, c.names);
    if (c.message.empty()) {
      EXPECT_EQ(ui_.shown.size(), shown);
    } else {
      ASSERT_EQ(ui_.shown.size(), shown + 1);
      EXPECT_EQ(ui_.shown.back().title, "Rename layer");
      EXPECT_EQ(ui_.lastText(), c.message);
    }
  }
  // A new layer gets its default colour, visible and unlocked.
  EXPECT_EQ(layers().color[1], layerDefaultColor(1));
  EXPECT_EQ(layers().hidden[1], 0);
  EXPECT_EQ(layers().locked[1], 0);
}

// The colour, hidden and locked flags belong to the layers by index, so Cancel of a layout
// change brings them back with the layers: a layer deleted or added during the change would
// leave them shifted, or leave a stale entry for the next new layer.
TEST_F(LayersFlow, CancelOfALayoutChangeBringsBackTheLayerFlags) {
  openCube();
  ui_.texts = {"Extra"};
  event([&] { c3d_.newLayer(); });
  event([&] { c3d_.toggleLayerLock(); });
  ui_.colours = {0x00AA55};
  event([&] { c3d_.chooseLayerColour(); });
  newTexture(NewTextureKind::oneColour, rgba(200, 200, 200, 0));
  ASSERT_TRUE(session_.document.layoutLocked);
  const Model layout = work();
  const LayerState before = layers();
  ASSERT_EQ(before.locked, (std::vector<uint8_t>{0, 1}));

  ui_.answers = {Answer::yes};
  main([&] { controller_.startLayoutChange(); });
  event([&] { c3d_.layerListEvent({true, true}, 0); });
  ui_.answers = {Answer::yes};
  event([&] { c3d_.deleteLayer(); });
  ASSERT_EQ(work().layerNames, std::vector<std::string>{"Extra"});
  ui_.texts = {"Temporary"};
  event([&] { c3d_.newLayer(); });
  event([&] { c3d_.toggleLayerLock(); });
  ASSERT_EQ(layers().locked, (std::vector<uint8_t>{1, 1}));

  main([&] { controller_.cancelLayoutChange(); });
  EXPECT_EQ(work(), layout);
  EXPECT_EQ(layers(), before);
  EXPECT_EQ(layerRows(work(), layers()),
            (std::vector<LayerRow>{{"Object", layerDefaultColor(0), true, false},
                                   {"Extra", 0x00AA55, true, true}}));
  // The next new layer is visible, unlocked and in its own default colour.
  ui_.texts = {"Third"};
  event([&] { c3d_.newLayer(); });
  EXPECT_EQ(layers().locked, (std::vector<uint8_t>{0, 1, 0}));
  EXPECT_EQ(layers().color[2], layerDefaultColor(2));
}

TEST_F(LayersFlow, ListTicksSelectionColourAndLockAreTheLayersStyle) {
  openCube();
  setLayers({"A", "B"});
  // Selecting another layer is no change of the project while all layers are painted.
  event([&] { c3d_.layerListEvent({true, true}, 1); });
  EXPECT_EQ(layers().curLayer, 1);
  EXPECT_FALSE(session_.document.projectChanged);
  event([&] { c3d_.layerListEvent({true, true}, -1); });  // nothing selected: stays
  EXPECT_EQ(layers().curLayer, 1);

  // Unticking hides the layer from the view.
  windows_.view3d.applied.clear();
  event([&] { c3d_.layerListEvent({false, true}, 1); });
  EXPECT_EQ(layers().hidden, (std::vector<uint8_t>{1, 0}));
  EXPECT_TRUE(session_.document.projectChanged);
  EXPECT_TRUE(windows_.view3d.applied.back().view3d);

  // With "Paint only on this layer", hiding the current layer leaves nothing paintable.
  event([&] { c3d_.setOnlyLayer(true); });
  event([&] { c3d_.layerListEvent({true, false}, 1); });
  for (int64_t t = 0; t < work().triangleCount(); ++t) EXPECT_FALSE(isPaintable(work(), layers(), t)) << t;
  // ... and choosing another layer changes what is painted.
  session_.document.projectChanged = false;
  event([&] { c3d_.layerListEvent({true, false}, 0); });
  EXPECT_TRUE(session_.document.projectChanged);
  EXPECT_TRUE(isPaintable(work(), layers(), 0));
  EXPECT_FALSE(isPaintable(work(), layers(), 1));

  // Colour: OK takes it, Cancel keeps it.
  ui_.colours = {0x00AA55, std::nullopt};
  session_.document.projectChanged = false;
  event([&] { c3d_.chooseLayerColour(); });
  EXPECT_EQ(layers().color[0], 0x00AA55u);
  EXPECT_TRUE(session_.document.projectChanged);
  event([&] { c3d_.chooseLayerColour(); });
  EXPECT_EQ(layers().color[0], 0x00AA55u);

  // Lock and Unlock the current layer.
  event([&] { c3d_.toggleLayerLock(); });
  EXPECT_EQ(layers().locked, (std::vector<uint8_t>{1, 0}));
  EXPECT_EQ(layerRows(work(), layers())[0], (LayerRow{"A", 0x00AA55, true, true}));
  event([&] { c3d_.toggleLayerLock(); });
  EXPECT_EQ(layers().locked, (std::vector<uint8_t>{0, 0}));
  // None of these moved a triangle.
  EXPECT_FALSE(state().layersChanged);
}

TEST_F(LayersFlow, AssignToolsPutTheirRegionOnTheCurrentLayerAndShowIt) {
  openCube();
  const struct {
    Tool tool;
    int64_t moved;
  } cases[] = {
      {Tool::assignTriangle, 1},
      {Tool::assignFlatFace, 2},  // the cube side
      {Tool::assignConnectedPart, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.tool));
    setLayers({"Default"});
    layers().locked[0] = 1;  // locking protects paint, not membership
    ui_.texts = {"Red"};
    event([&] { c3d_.newLayer(); });
    event([&] { c3d_.setTool(c.tool); });
    EXPECT_EQ(view().viewMode, ViewMode::layerColours);
    const Image before = c3d_.frame();
    click(2, 2);  // the background
    EXPECT_EQ(onLayer(1), 0);
    click(100, 75);
    EXPECT_EQ(onLayer(1), c.moved);
    EXPECT_EQ(state().hoverTriangle, -2);
    EXPECT_EQ(triangleLayers(session_.document.sourceModel), triangleLayers(work()));
    // The view shows the new layer's colour where the cube was clicked.
    EXPECT_NE(c3d_.frame().at(100, 75), before.at(100, 75));
  }
}

TEST_F(LayersFlow, AssignBrushReachesOnlyTheTrianglesSeenUnderTheCircle) {
  openCube();
  setLayers({"Default"});
  ui_.texts = {"Front"};
  event([&] { c3d_.newLayer(); });
  event([&] { c3d_.setTool(Tool::assignBrush); });
  view().brushSize = 400;  // the circle covers the whole 200 x 150 view
  c3d_.frame();
  std::set<int32_t> seen;
  for (int32_t t : state().view.viewTriangle)
    if (t >= 0) seen.insert(t);
  ASSERT_LT(seen.size(), 12u);  // the back of the cube is hidden

  const std::vector<int32_t> sourceBefore = triangleLayers(session_.document.sourceModel);
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 100, .y = 75, .left = true}); });
  EXPECT_TRUE(state().assignDrag);
  for (int32_t t = 0; t < work().triangleCount(); ++t)
    EXPECT_EQ(work().triangles[static_cast<size_t>(t)].layer, seen.count(t) ? 1 : 0) << t;
  event([&] { c3d_.motion({.x = 120, .y = 80, .left = true}); });
  // Passed on when the drag ends.
  EXPECT_EQ(triangleLayers(session_.document.sourceModel), sourceBefore);
  event([&] { c3d_.buttonUp(); });
  EXPECT_FALSE(state().assignDrag);
  EXPECT_EQ(triangleLayers(session_.document.sourceModel), triangleLayers(work()));
}

TEST_F(LayersFlow, WithUnwrapPerLayerEveryCompletedAssignmentUnwrapsOnce) {
  openCube();
  unwrapPerLayer();
  ui_.texts = {"Lid"};
  size_t from = windows_.view3d.applied.size();
  event([&] { c3d_.newLayer(); });
  EXPECT_EQ(unwrapsSince(from), 1);

  event([&] { c3d_.setTool(Tool::assignFlatFace); });
  from = windows_.view3d.applied.size();
  click(100, 75);
  EXPECT_EQ(unwrapsSince(from), 1);
  // The layers are the surfaces now: the lid is a surface of its own.
  ASSERT_EQ(onLayer(1), 2);
  std::set<int32_t> lid, rest;
  for (const Triangle& t : work().triangles) (t.layer == 1 ? lid : rest).insert(t.material);
  EXPECT_EQ(lid.size(), 1u);
  EXPECT_FALSE(rest.count(*lid.begin()));
  from = windows_.view3d.applied.size();
  click(100, 75);  // already on the layer: nothing changed, nothing unwrapped
  EXPECT_EQ(unwrapsSince(from), 0);

  // A brush drag unwraps once, on release.
  ui_.texts = {"Band"};
  event([&] { c3d_.newLayer(); });
  event([&] { c3d_.setTool(Tool::assignBrush); });
  view().brushSize = 10;
  from = windows_.view3d.applied.size();
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 60, .y = 75, .left = true}); });
  for (int x = 64; x <= 140; x += 4) event([&] { c3d_.motion({.x = x, .y = 75, .left = true}); });
  EXPECT_EQ(unwrapsSince(from), 0);
  event([&] { c3d_.buttonUp(); });
  EXPECT_EQ(unwrapsSince(from), 1);
  EXPECT_GT(onLayer(2), 0);

  // Without "Unwrap per layer" the layers only go to the source model.
  UnwrapSettings settings = session_.document.settings;
  settings.layerUnwrap = false;
  main([&] { controller_.changeSettings(settings, true); });
  event([&] { c3d_.setTool(Tool::assignConnectedPart); });
  from = windows_.view3d.applied.size();
  click(100, 75);
  EXPECT_EQ(onLayer(2), 12);
  EXPECT_EQ(unwrapsSince(from), 0);
  EXPECT_TRUE(windows_.view3d.applied[from].uvView);
  EXPECT_EQ(triangleLayers(session_.document.sourceModel), triangleLayers(work()));
}

TEST_F(LayersFlow, DeletingALayerKeepsTheLockAndVisibilityOfTheOthers) {
  openCube();
  setLayers({"A", "B", "C"});
  event([&] { c3d_.layerListEvent({true, true, false}, 2); });  // C unticked and selected
  event([&] { c3d_.toggleLayerLock(); });
  event([&] { c3d_.layerListEvent({true, true, false}, 1); });
  ui_.answers = {Answer::yes};
  event([&] { c3d_.deleteLayer(); });
  EXPECT_EQ(layers().hidden, (std::vector<uint8_t>{0, 1}));
  EXPECT_EQ(layers().locked, (std::vector<uint8_t>{0, 1}));
  EXPECT_EQ(layerRows(work(), layers()),
            (std::vector<LayerRow>{{"A", 0x10, true, false}, {"C", 0x30, false, true}}));
}

}  // namespace
