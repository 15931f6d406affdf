// The 3D window's commands driven like the window drives them: every gadget change, gesture
// and key runs as one event of the window through the event step, with a scripted Ui.
#include "app/window3d_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "app/event_step.h"
#include "base/file_io.h"
#include "project/archive.h"
#include "project/project_file.h"
#include "image/image.h"
#include "render/test_pattern.h"
#include "tests/flows/window3d_fixture.h"

namespace {

namespace fs = std::filesystem;

const double kHalfField = std::tan(22.5 * std::numbers::pi / 180);

TEST_F(Window3DFlow, OpensOnTheModelFramedAndClosesKeepingTheProjectValues) {
  main([&] { c3d_.open(); });  // no model: nothing opens
  EXPECT_FALSE(session_.window3d);
  openCube();
  EXPECT_EQ(c3d_.title(), "3D preview");
  // Never framed before: Reset view's values.
  EXPECT_EQ(view().camera.yaw, 30);
  EXPECT_EQ(view().camera.pitch, 20);
  EXPECT_EQ(view().camera.panX, 0);
  EXPECT_EQ(view().camera.panY, 0);
  EXPECT_NEAR(view().camera.dist, radius() / kHalfField * 1.15, 1e-9);
  EXPECT_NEAR(state().framing.modelRadius, radius(), 1e-6);

  session_.document.projectChanged = false;
  navigate(MouseButton::left, 20, 10);
  EXPECT_TRUE(session_.document.projectChanged);  // the camera is saved with the project
  const ViewState kept = view();
  event([&] { c3d_.close(); });
  EXPECT_FALSE(session_.window3d);
  EXPECT_EQ(view().camera.yaw, kept.camera.yaw);
  EXPECT_EQ(view().camera.pitch, kept.camera.pitch);

  // Opening again keeps the camera (it is framed), and opening twice only raises the window.
  const size_t told = windows_.view3d.applied.size();
  main([&] { c3d_.open(); });
  main([&] { c3d_.open(); });
  EXPECT_EQ(view().camera.yaw, kept.camera.yaw);
  EXPECT_EQ(windows_.view3d.applied.size(), told + 2);
  EXPECT_TRUE(windows_.view3d.applied.back().open3d);
}

TEST_F(Window3DFlow, OrbitPanAndZoomStayWithinTheirLimits) {
  openCube();
  const ViewState start = view();
  navigate(MouseButton::left, 10, -4);
  EXPECT_DOUBLE_EQ(view().camera.yaw, start.camera.yaw + 5);
  EXPECT_DOUBLE_EQ(view().camera.pitch, start.camera.pitch - 2);

  // The tilt stops at +-89 degrees.
  navigate(MouseButton::left, 0, 1000);
  EXPECT_EQ(view().camera.pitch, 89);
  navigate(MouseButton::left, 0, -1000);
  EXPECT_EQ(view().camera.pitch, -89);

  // Panning moves the model with the mouse at the depth of its centre: 150 pixels high.
  const double dist = view().camera.dist;
  navigate(MouseButton::right, 30, 15);
  EXPECT_NEAR(view().camera.panX, kHalfField * 30 * 2 * dist / 150, 1e-12);
  EXPECT_NEAR(view().camera.panY, -kHalfField * 15 * 2 * dist / 150, 1e-12);

  // Without Space a drag does not move the camera.
  const ViewState before = view();
  event([&] { c3d_.motion({.x = 10, .y = 10}); });
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 10, .y = 10, .left = true}); });
  event([&] { c3d_.motion({.x = 60, .y = 40, .left = true}); });
  event([&] { c3d_.buttonUp(); });
  EXPECT_EQ(view().camera.yaw, before.camera.yaw);
  EXPECT_EQ(view().camera.panX, before.camera.panX);

  // Three notches up: 0.9^3; then the nearest and farthest distances hold.
  event([&] { c3d_.wheel(3, {}); });
  EXPECT_NEAR(view().camera.dist, dist * 0.729, 1e-12);
  event([&] { c3d_.wheel(40, {}); });
  EXPECT_NEAR(view().camera.dist, radius() * 0.3, 1e-6);
  event([&] { c3d_.wheel(-200, {}); });
  EXPECT_NEAR(view().camera.dist, radius() * 30, 1e-6);

  // Reset view: the framing's values again.
  event([&] { c3d_.resetView(); });
  EXPECT_EQ(view().camera.yaw, 30);
  EXPECT_EQ(view().camera.pitch, 20);
  EXPECT_EQ(view().camera.panX, 0);
  EXPECT_EQ(view().camera.panY, 0);
  EXPECT_NEAR(view().camera.dist, radius() / kHalfField * 1.15, 1e-9);
}

TEST_F(Window3DFlow, SpaceEndsAStrokeAndClicksWhileNavigatingOnlyNavigate) {
  openCube();
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 100, .y = 75, .left = true}); });
  ASSERT_TRUE(state().stroke.active);
  state().assignDrag = true;
  event([&] { c3d_.keyDown(Key::space, {}); });
  EXPECT_TRUE(state().navigating);
  EXPECT_EQ(c3d_.cursor(), CanvasCursor::move);
  EXPECT_FALSE(state().stroke.active);
  EXPECT_FALSE(state().assignDrag);
  event([&] { c3d_.keyUp(Key::space); });
  EXPECT_FALSE(state().navigating);
  EXPECT_FALSE(state().stroke.active);  // not resumed
  EXPECT_EQ(c3d_.cursor(), CanvasCursor::standard);
  event([&] { c3d_.keyDown(Key::z, {.ctrl = true}); });  // the stroke made the texture
  ASSERT_EQ(session_.document.texture.TextureWidth, 0);

  // The fill and assign tools, clicked while Space is held, turn the view and nothing else.
  for (Tool tool : {Tool::fillSurface, Tool::assignFlatFace}) {
    event([&] { c3d_.setTool(tool); });
    EXPECT_EQ(c3d_.cursor(), CanvasCursor::hand);
    const std::vector<Triangle> triangles = session_.document.workModel.triangles;
    const double yaw = view().camera.yaw;
    const size_t shown = ui_.shown.size();
    navigate(MouseButton::left, 8, 0);
    EXPECT_DOUBLE_EQ(view().camera.yaw, yaw + 4);
    EXPECT_EQ(session_.document.texture.TextureWidth, 0);
    EXPECT_EQ(session_.document.workModel.triangles.size(), triangles.size());
    for (size_t t = 0; t < triangles.size(); ++t)
      EXPECT_EQ(session_.document.workModel.triangles[t].layer, triangles[t].layer);
    EXPECT_EQ(ui_.shown.size(), shown);
  }

  // Losing the keyboard focus ends the navigation as letting go of Space does.
  event([&] { c3d_.keyDown(Key::space, {}); });
  event([&] { c3d_.focusLost(); });
  EXPECT_FALSE(state().navigating);
}

TEST_F(Window3DFlow, MiddleDragTurnsTheViewAndWithShiftMovesItWithoutPainting) {
  openCube();
  event([&] { c3d_.setTool(Tool::brush); });
  const ViewState start = view();
  // A middle drag turns as a Space drag with the left button does, even with the brush.
  event([&] { c3d_.buttonDown(MouseButton::middle, {.x = 100, .y = 75, .middle = true}); });
  EXPECT_EQ(c3d_.cursor(), CanvasCursor::move);
  event([&] { c3d_.motion({.x = 110, .y = 71, .middle = true}); });
  // The left button during the drag neither paints nor stops the turn.
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 110, .y = 71, .left = true, .middle = true}); });
  EXPECT_FALSE(state().stroke.active);
  event([&] { c3d_.buttonUp(); });
  EXPECT_DOUBLE_EQ(view().camera.yaw, start.camera.yaw + 5);
  EXPECT_DOUBLE_EQ(view().camera.pitch, start.camera.pitch - 2);
  EXPECT_EQ(c3d_.cursor(), CanvasCursor::standard);

  // Shift when the drag begins moves the view: 150 pixels high.
  const double dist = view().camera.dist;
  event([&] {
    c3d_.buttonDown(MouseButton::middle, {.x = 100, .y = 75, .middle = true, .mods = {.shift = true}});
  });
  event([&] { c3d_.motion({.x = 130, .y = 90, .middle = true}); });
  event([&] { c3d_.buttonUp(); });
  EXPECT_NEAR(view().camera.panX, kHalfField * 30 * 2 * dist / 150, 1e-12);
  EXPECT_NEAR(view().camera.panY, -kHalfField * 15 * 2 * dist / 150, 1e-12);

  // After the release the mouse moves nothing, and nothing was painted.
  const ViewState after = view();
  event([&] { c3d_.motion({.x = 20, .y = 20}); });
  EXPECT_EQ(view().camera.yaw, after.camera.yaw);
  EXPECT_EQ(view().camera.panX, after.camera.panX);
  EXPECT_EQ(session_.document.texture.TextureWidth, 0);
}

TEST_F(Window3DFlow, ShortcutsTakeOnlyTheirOwnModifiers) {
  openCube();
  newTexture(NewTextureKind::oneColour, 0x102030);
  newTexture(NewTextureKind::oneColour, 0x405060);
  const std::vector<uint32_t>& pixels = session_.document.texture.TexturePixels;
  auto colour = [&] { return pixels[0]; };
  ASSERT_EQ(colour(), 0x405060u);
  struct Case {
    Key key;
    Modifiers mods;
    bool handled;
    uint32_t colourAfter;
  };
  // From 0x405060 with one step to undo: each row runs on the state the row before left.
  const Case cases[] = {
      {Key::z, {.ctrl = true}, true, 0x102030},                            // undo
      {Key::z, {.shift = true, .ctrl = true}, true, 0x405060},             // redo
      {Key::z, {.ctrl = true, .alt = true}, false, 0x405060},              // not undo
      {Key::z, {.ctrl = true}, true, 0x102030},                            //
      {Key::y, {.shift = true, .ctrl = true}, false, 0x102030},            // not redo
      {Key::y, {.ctrl = true, .alt = true}, false, 0x102030},              //
      {Key::y, {.ctrl = true}, true, 0x405060},                            // redo
      {Key::z, {.shift = true}, false, 0x405060},                          // no Ctrl
      {Key::s, {.shift = true, .ctrl = true}, false, 0x405060},            // Save as is not Save
      {Key::s, {.ctrl = true, .alt = true}, false, 0x405060},
  };
  for (const Case& c : cases) {
    bool handled = false;
    event([&] { handled = c3d_.keyDown(c.key, c.mods); });
    EXPECT_EQ(handled, c.handled) << static_cast<int>(c.key) << c.mods.shift << c.mods.alt;
    EXPECT_EQ(colour(), c.colourAfter) << static_cast<int>(c.key) << c.mods.shift << c.mods.alt;
  }
}

TEST_F(Window3DFlow, NewTextureOfEachKindAndCancel) {
  openCube();
  event([&] { c3d_.newTexture(); });  // Cancel
  ASSERT_EQ(ui_.newTextureTitles.size(), 1u);
  EXPECT_EQ(ui_.newTextureTitles[0], "New texture 512 x 512");
  EXPECT_EQ(session_.document.texture.TextureWidth, 0);
  EXPECT_EQ(view().viewMode, ViewMode::testPattern);
  EXPECT_EQ(c3d_.title(), "3D preview");

  const Texture& t = session_.document.texture;
  const uint32_t ground = rgba(10, 20, 30, 0);
  newTexture(NewTextureKind::oneColour, ground);
  EXPECT_EQ(t.TextureWidth, 512);
  EXPECT_EQ(t.TextureHeight, 512);
  EXPECT_EQ(std::count(t.TexturePixels.begin(), t.TexturePixels.end(), ground), 512 * 512);
  EXPECT_EQ(view().viewMode, ViewMode::texture);
  EXPECT_EQ(c3d_.title(), "3D preview - texture 512x512 *");

  newTexture(NewTextureKind::testPattern, 0);
  const Image pattern = makeTestPattern(512, 512);
  ASSERT_EQ(t.TexturePixels.size(), pattern.pixels.size());
  for (size_t i = 0; i < pattern.pixels.size(); i += 997)
    ASSERT_EQ(t.TexturePixels[i], pattern.pixels[i] & 0xFFFFFFu) << i;

  newTexture(NewTextureKind::surfaceColours, ground);
  const Model& model = session_.document.workModel;
  for (int64_t tri = 0; tri < model.triangleCount(); ++tri) {
    const Triangle& tr = model.triangles[tri];
    double u = 0, v = 0;
    for (int32_t c : {tr.cornerA, tr.cornerB, tr.cornerC}) {
      u += model.vertices[c].u / 3;
      v += model.vertices[c].v / 3;
    }
    const auto x = static_cast<int64_t>(u * 512), y = static_cast<int64_t>((1 - v) * 512);
    EXPECT_EQ(t.TexturePixels[y * 512 + x], surfaceColor(tr.material)) << tri;
  }
  EXPECT_EQ(t.TexturePixels[0], ground);  // the margin keeps the ground colour

  // Each New after the first was one undo step.
  event([&] { c3d_.keyDown(Key::z, {.ctrl = true}); });
  EXPECT_EQ(t.TexturePixels[512 * 512 / 2], pattern.pixels[512 * 512 / 2] & 0xFFFFFFu);
  event([&] { c3d_.keyDown(Key::z, {.ctrl = true}); });
  EXPECT_EQ(t.TexturePixels[512 * 512 / 2], ground);
  event([&] { c3d_.keyDown(Key::z, {.ctrl = true}); });  // the first New made the texture
  EXPECT_EQ(t.TexturePixels[512 * 512 / 2], ground);
  event([&] { c3d_.keyDown(Key::y, {.ctrl = true}); });
  EXPECT_EQ(t.TexturePixels[512 * 512 / 2], pattern.pixels[512 * 512 / 2] & 0xFFFFFFu);
  // Z without Ctrl is not the window's.
  EXPECT_FALSE(c3d_.keyDown(Key::z, {}));
}

TEST_F(Window3DFlow, RightClickPicksTheTextureColourUnderTheMouse) {
  openCube();
  const uint32_t start = view().brushColor;
  event([&] { c3d_.buttonDown(MouseButton::right, {.x = 100, .y = 75, .right = true}); });
  EXPECT_EQ(view().brushColor, start);  // no texture yet

  const uint32_t painted = rgba(10, 200, 30, 0);
  newTexture(NewTextureKind::oneColour, painted);
  // The texture changed since the canvas was last drawn: the pick still reads the new picture.
  ASSERT_TRUE(c3d_.framePending());
  const struct {
    int x, y;
    Modifiers mods;
    bool navigating;
    bool picks;
  } cases[] = {
      {100, 75, {}, false, true},
      {100, 75, {.ctrl = true}, false, true},  // Ctrl without a stencil shown
      {2, 2, {}, false, false},                // the background
      {500, 75, {}, false, false},             // outside the canvas
      {100, 75, {}, true, false},              // navigating
  };
  for (const auto& c : cases) {
    view().brushColor = start;
    state().navigating = c.navigating;
    event([&] { c3d_.buttonDown(MouseButton::right, {.x = c.x, .y = c.y, .right = true, .mods = c.mods}); });
    EXPECT_EQ(view().brushColor, c.picks ? painted : start) << c.x << "," << c.y;
  }
  state().navigating = false;

  // The swatch's colour requester: OK takes the colour, Cancel keeps it.
  ui_.colours = {rgba(1, 2, 3, 0), std::nullopt};
  event([&] { c3d_.chooseBrushColour(); });
  EXPECT_EQ(view().brushColor, rgba(1, 2, 3, 0));
  event([&] { c3d_.chooseBrushColour(); });
  EXPECT_EQ(view().brushColor, rgba(1, 2, 3, 0));
}

TEST_F(Window3DFlow, ABrushDragPaintsUnderTheMouseAsOneStep) {
  openCube();
  const uint32_t colour = rgba(20, 40, 220, 0);
  view().brushColor = colour;
  view().brushSize = 12;
  view().hardness = 100;
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 90, .y = 75, .left = true}); });
  // The first stroke makes a white texture of the main window's size, in the same undo step.
  const Texture& texture = session_.document.texture;
  ASSERT_EQ(texture.TextureWidth, 512);
  EXPECT_EQ(texture.UndoList.size(), 1u);
  EXPECT_EQ(view().viewMode, ViewMode::texture);
  EXPECT_NE(c3d_.title().find(" *"), std::string::npos);
  // The first paint locks the free layout.
  EXPECT_TRUE(session_.document.layoutLocked);
  EXPECT_EQ(ui_.statusText[kStatusNote],
            "Layout locked: the texture is painted. Use 'Change layout...' to change it.");
  windows_.view3d.applied.clear();
  for (int x = 92; x <= 110; x += 2)
    event([&] { c3d_.motion({.x = x, .y = 75, .left = true}); });
  // The UV view waits for the end of the stroke; the 3D view follows every move.
  for (const Changes& c : windows_.view3d.applied) EXPECT_FALSE(c.uvView);
  EXPECT_TRUE(windows_.view3d.applied.back().view3d);
  event([&] { c3d_.buttonUp(); });
  EXPECT_TRUE(windows_.view3d.applied.back().uvView);
  EXPECT_EQ(texture.UndoList.size(), 1u);

  // Along the stroke the texel the view shows is the brush colour; the right click reads it
  // back; above the stroke the texture stays white.
  c3d_.frame();
  const auto texelUnder = [&](int x, int y) {
    const std::optional<ViewHit> hit = pickAt(state().view, x, y);
    EXPECT_TRUE(hit);
    return sampleTexel(TexelView(texture.TextureWidth, texture.TextureHeight, texture.TexturePixels),
                       hit->u, hit->v) & 0xFFFFFFu;
  };
  for (int x : {90, 100, 110}) EXPECT_EQ(texelUnder(x, 75), colour) << x;
  EXPECT_EQ(texelUnder(100, 60), 0xFFFFFFu);
  view().brushColor = 0;
  event([&] { c3d_.buttonDown(MouseButton::right, {.x = 100, .y = 75, .right = true}); });
  EXPECT_EQ(view().brushColor, colour);

  // Ctrl+Z takes the whole stroke back: no texture again.
  event([&] { c3d_.keyDown(Key::z, {.ctrl = true}); });
  EXPECT_EQ(texture.TextureWidth, 0);
}

// A stroke that changes no texel counts as no painting: no texture, no undo step, no lock,
// and a layout change keeps its Cancel. When a layer kept the brush off the model, the status
// bar says which.
TEST_F(Window3DFlow, AStrokeThatPaintsNothingIsNoPainting) {
  openCube();
  view().viewMode = ViewMode::surfaceColours;
  const auto strokeAt = [&](int x, int y) {
    event([&] { c3d_.buttonDown(MouseButton::left, {.x = x, .y = y, .left = true}); });
    event([&] { c3d_.motion({.x = x + 4, .y = y, .left = true}); });
    event([&] { c3d_.buttonUp(); });
  };
  const auto expectNothingMade = [&] {
    EXPECT_EQ(session_.document.texture.TextureWidth, 0);
    EXPECT_TRUE(session_.document.texture.UndoList.empty());
    EXPECT_EQ(session_.document.texture.TextureRevision, 0);
    EXPECT_FALSE(session_.document.layoutLocked);
    EXPECT_EQ(view().viewMode, ViewMode::surfaceColours);
    EXPECT_EQ(c3d_.title(), "3D preview");
  };
  ASSERT_FALSE(pickAt(state().view, 3, 3));
  strokeAt(3, 3);  // the background
  expectNothingMade();
  EXPECT_EQ(ui_.statusText[kStatusNote], "");

  // The cube on a second layer; each way a layer can refuse the brush.
  ui_.texts.push_back("Other");
  event([&] { c3d_.newLayer(); });
  LayerState& layers = session_.document.layers;
  ASSERT_EQ(layers.count(), 2);
  const struct {
    int64_t curLayer;
    bool only, lockCube, hideCurrent;
    const char* note;
  } cases[] = {
      {0, false, true, false, "Nothing painted: the layer is locked"},
      {1, true, false, false, "Nothing painted: not the current layer"},
      {1, true, false, true, "Nothing painted: the layer is hidden"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.note);
    layers.curLayer = c.curLayer;
    layers.onlyLayer = c.only;
    layers.locked = {c.lockCube, 0};
    layers.hidden = {0, c.hideCurrent};
    ui_.statusText[kStatusNote] = "";
    strokeAt(100, 75);
    expectNothingMade();
    EXPECT_EQ(ui_.statusText[kStatusNote], c.note);
  }

  // In a layout change started empty, a stroke on the background leaves the change open.
  layers.curLayer = 0;
  layers.onlyLayer = false;
  layers.locked = {0, 0};
  layers.hidden = {0, 0};
  strokeAt(100, 75);
  ASSERT_TRUE(session_.document.layoutLocked);
  ui_.answers.push_back(Answer::no);
  main([&] { controller_.startLayoutChange(); });
  ASSERT_TRUE(session_.layoutChange.layoutChanging);
  ASSERT_EQ(session_.document.texture.TextureWidth, 0);
  strokeAt(3, 3);
  EXPECT_TRUE(session_.layoutChange.layoutChanging);
  EXPECT_EQ(session_.document.texture.TextureWidth, 0);
  strokeAt(100, 75);  // painting ends it
  EXPECT_FALSE(session_.layoutChange.layoutChanging);
  EXPECT_EQ(ui_.statusText[kStatusNote], "Layout locked: you started painting");
}

TEST_F(Window3DFlow, FillToolsMarkTheirRegionUnderTheMouseAndFillItOnAClick) {
  openCube();
  const auto marked = [&] {
    const TriangleMarks& m = state().marks;
    return std::count(m.mark.begin(), m.mark.end(), m.stamp);
  };
  event([&] { c3d_.setTool(Tool::fillFlatFace); });
  event([&] { c3d_.motion({.x = 100, .y = 75}); });
  const int32_t hovered = state().hoverTriangle;
  ASSERT_GE(hovered, 0);
  EXPECT_EQ(marked(), 2);  // the cube side under the mouse
  EXPECT_TRUE(windows_.view3d.applied.back().view3d);
  // Moving over the background takes the mark away.
  event([&] { c3d_.motion({.x = 2, .y = 2}); });
  EXPECT_EQ(state().hoverTriangle, -1);
  EXPECT_EQ(marked(), 0);

  view().brushColor = rgba(250, 10, 10, 0);
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 2, .y = 2, .left = true}); });
  EXPECT_EQ(session_.document.texture.TextureWidth, 0);  // the background: nothing at all
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 100, .y = 75, .left = true}); });
  event([&] { c3d_.buttonUp(); });
  const Texture& texture = session_.document.texture;
  ASSERT_EQ(texture.TextureWidth, 512);
  EXPECT_EQ(texture.UndoList.size(), 1u);
  EXPECT_EQ(state().hoverTriangle, -2);  // the next move marks the region again
  const Model& cube = session_.document.workModel;
  const auto centreTexel = [&](int32_t t) {
    const Triangle& tri = cube.triangles[static_cast<size_t>(t)];
    double u = 0, v = 0;
    for (int k = 0; k < 3; ++k) {
      u += cube.vertices[static_cast<size_t>(tri.corner(k))].u / 3;
      v += cube.vertices[static_cast<size_t>(tri.corner(k))].v / 3;
    }
    return texture.TexturePixels[static_cast<size_t>((1 - v) * 512) * 512 + static_cast<size_t>(u * 512)];
  };
  int painted = 0;
  for (int32_t t = 0; t < cube.triangleCount(); ++t) painted += centreTexel(t) == view().brushColor;
  EXPECT_EQ(painted, 2);
  EXPECT_EQ(centreTexel(hovered), view().brushColor);
  event([&] { c3d_.motion({.x = 100, .y = 75}); });
  EXPECT_EQ(marked(), 2);

  // "Fill surface" marks and fills the whole Surface of the triangle under the mouse.
  event([&] { c3d_.setTool(Tool::fillSurface); });
  event([&] { c3d_.motion({.x = 101, .y = 75}); });
  const int32_t material = cube.triangles[static_cast<size_t>(hovered)].material;
  const auto sameSurface = std::count_if(cube.triangles.begin(), cube.triangles.end(),
                                         [&](const Triangle& t) { return t.material == material; });
  EXPECT_EQ(marked(), sameSurface);
}

TEST_F(Window3DFlow, RendersOncePerFrameHoweverManyEvents) {
  openCube();
  EXPECT_FALSE(c3d_.framePending());
  for (int i = 0; i < 20; ++i) navigate(MouseButton::left, 3, 1);
  EXPECT_TRUE(c3d_.framePending());
  const Image first = c3d_.frame();
  EXPECT_FALSE(c3d_.framePending());
  // Nothing asked for a render: the next frame is the same picture even though the texture
  // behind it is new.
  session_.document.texture.TextureWidth = 1;
  session_.document.texture.TextureHeight = 1;
  session_.document.texture.TexturePixels = {rgba(255, 0, 255, 0)};
  view().viewMode = ViewMode::texture;
  EXPECT_EQ(c3d_.frame().pixels, first.pixels);
  // A moved mouse lays the overlays over the same render again; a resize renders.
  event([&] { c3d_.motion({.x = 5, .y = 5}); });
  EXPECT_TRUE(c3d_.framePending());
  EXPECT_EQ(c3d_.frame().pixels, first.pixels);
  c3d_.resize(120, 90);
  EXPECT_EQ(c3d_.frame().width, 120);
}

TEST_F(Window3DFlow, GadgetsSetTheProjectValues) {
  openCube();
  session_.document.projectChanged = false;
  event([&] { c3d_.setViewMode(ViewMode::unwrapPieces); });
  EXPECT_EQ(view().viewMode, ViewMode::unwrapPieces);
  EXPECT_TRUE(session_.document.projectChanged);

  // An assign tool shows the layers; the spins follow the tool.
  event([&] { c3d_.setTool(Tool::assignTriangle); });
  EXPECT_EQ(view().viewMode, ViewMode::layerColours);
  EXPECT_EQ(state().hoverTriangle, -2);
  const struct {
    Tool tool;
    ToolGadgets gadgets;
  } tools[] = {
      {Tool::brush, {true, true, true}},
      {Tool::fillTriangle, {false, false, false}},
      {Tool::assignConnectedPart, {false, false, false}},
      {Tool::assignBrush, {true, false, false}},
  };
  for (const auto& c : tools) EXPECT_EQ(toolGadgets(c.tool), c.gadgets);

  event([&] { c3d_.setBrush(0, 0, 0); });
  EXPECT_EQ(view().brushSize, 1);
  EXPECT_EQ(view().opacity, 1);
  EXPECT_EQ(view().hardness, 0);

  // "Paint with" without the source's image says what is missing and falls back to Colour.
  const struct {
    PaintSource source;
    std::string title, text;
  } sources[] = {
      {PaintSource::pattern, "Pattern", "Load a pattern first (a seamless tile image)."},
      {PaintSource::stencil, "Stencil", "Load a stencil first (right panel)."},
  };
  for (const auto& c : sources) {
    event([&] { c3d_.setPaintSource(c.source); });
    EXPECT_EQ(view().paintSource, PaintSource::colour);
    ASSERT_FALSE(ui_.shown.empty());
    EXPECT_EQ(ui_.shown.back().title, c.title);
    EXPECT_EQ(ui_.shown.back().text, c.text);
  }
  event([&] { c3d_.setPatternMapping(1); });
  EXPECT_EQ(session_.document.pattern.mapping, PatternMapping::anchor);
  EXPECT_EQ(ui_.lastText(),
            "Shift+click on the model to set the anchor:\nthe pattern is centered there and "
            "rolled out over the surface.\nUp is the top of the screen when you click.");

  event([&] { c3d_.setPatternTile(35); });
  EXPECT_DOUBLE_EQ(session_.document.pattern.tile, 0.35);
  event([&] { c3d_.setPatternTile(0); });
  EXPECT_DOUBLE_EQ(session_.document.pattern.tile, 0.01);
  event([&] { c3d_.setPatternOffset(25, -50); });
  EXPECT_DOUBLE_EQ(session_.document.pattern.offsetX, 0.25);
  EXPECT_DOUBLE_EQ(session_.document.pattern.offsetY, -0.5);
  event([&] { c3d_.resetPatternOffset(); });
  EXPECT_EQ(session_.document.pattern.offsetX, 0);
  EXPECT_EQ(session_.document.pattern.offsetY, 0);
}

TEST_F(Window3DFlow, StencilFollowsCtrlDragsAndTheWheel) {
  openCube();
  StencilState& stencil = session_.document.stencil;
  // Center: the stencil half as high as the view (150 pixels), unless it would then be wider
  // than 80 % of it (160 pixels).
  const struct {
    int width, height;
    double scale;
  } pictures[] = {{40, 20, 150 * 0.5 / 20}, {60, 20, 200 * 0.8 / 60}};
  for (const auto& p : pictures) {
    Image picture;
    picture.width = p.width;
    picture.height = p.height;
    picture.pixels.assign(static_cast<size_t>(p.width * p.height), rgba(255, 255, 255, 255));
    ASSERT_TRUE(loadSourceImage(stencil.image, encodePng(picture, true), "png", true));
    stencil.angle = 30;
    event([&] { c3d_.centerStencil(); });
    EXPECT_EQ(stencil.x, 100);
    EXPECT_EQ(stencil.y, 75);
    EXPECT_EQ(stencil.angle, 0);
    EXPECT_DOUBLE_EQ(stencil.scale, p.scale) << p.width;
  }

  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 50, .y = 50, .left = true, .mods = {.ctrl = true}}); });
  event([&] { c3d_.motion({.x = 57, .y = 45, .left = true, .mods = {.ctrl = true}}); });
  event([&] { c3d_.buttonUp(); });
  EXPECT_EQ(stencil.x, 107);
  EXPECT_EQ(stencil.y, 70);
  event([&] { c3d_.buttonDown(MouseButton::right, {.x = 50, .y = 50, .right = true, .mods = {.ctrl = true}}); });
  event([&] { c3d_.motion({.x = 70, .y = 50, .right = true, .mods = {.ctrl = true}}); });
  event([&] { c3d_.buttonUp(); });
  EXPECT_EQ(stencil.angle, 10);

  const double dist = view().camera.dist, scale = stencil.scale;
  event([&] { c3d_.wheel(2, {.ctrl = true}); });
  EXPECT_NEAR(stencil.scale, scale * 1.21, 1e-12);
  EXPECT_EQ(view().camera.dist, dist);
  event([&] { c3d_.wheel(-500, {.ctrl = true}); });
  EXPECT_EQ(stencil.scale, 0.01);

  // Hidden, the stencil takes no Ctrl gestures: the wheel zooms.
  event([&] { c3d_.setStencilShow(false); });
  event([&] { c3d_.wheel(1, {.ctrl = true}); });
  EXPECT_NEAR(view().camera.dist, dist * 0.9, 1e-12);
}

// Writes `picture` as a PNG file and returns its path.
std::string writePng(const std::string& path, const Image& picture, bool withAlpha) {
  const std::vector<uint8_t> png = encodePng(picture, withAlpha);
  EXPECT_EQ(writeWholeFile(path, png.data(), png.size()), FileWrite::ok);
  return path;
}

TEST_F(Window3DFlow, StencilLoadsThroughItsRequesterAndIsPaintedThrough) {
  openCube();
  const std::string green = writePng(path("green.png"), Image(40, 20, rgba(10, 200, 30, 255)), true);
  // Refused files leave the loaded stencil, the paint source and everything else as it was.
  std::vector<uint8_t> png = encodePng(Image(40, 20, rgba(1, 2, 3, 255)), true);
  const std::vector<uint8_t> truncated(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
  ASSERT_EQ(writeWholeFile(path("truncated.png"), truncated.data(), truncated.size()), FileWrite::ok);
  const uint8_t text[] = {'n', 'o', ' ', 'i', 'm', 'a', 'g', 'e'};
  ASSERT_EQ(writeWholeFile(path("text.png"), text, sizeof text), FileWrite::ok);
  ASSERT_EQ(writeWholeFile(path("empty.jpg"), text, 0), FileWrite::ok);
  writePng(path("wide.png"), Image(8193, 1, rgba(1, 2, 3, 255)), true);  // beyond 8192 a side
  ASSERT_TRUE(c3d_.loadStencilFile(green));
  view().paintSource = PaintSource::colour;
  const StencilState before = session_.document.stencil;
  // Each refusal says why after the path.
  const std::pair<const char*, const char*> refused[] = {
      {"truncated.png", "the file is cut short"},
      {"text.png", "not a PNG, JPEG, TGA or BMP image"},
      {"empty.jpg", "the file is empty"},
      {"wide.png", "larger than 8192 pixels"},
      {"missing.png", "the file cannot be read"}};
  for (const auto& [name, why] : refused) {
    SCOPED_TRACE(name);
    ui_.shown.clear();
    ui_.openPaths.push_back(path(name));
    event([&] { c3d_.loadStencil(); });
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].title, "Stencil");
    EXPECT_EQ(ui_.shown[0].text, "Could not load " + path(name) + ": " + why);
    EXPECT_EQ(session_.document.stencil, before);
    EXPECT_EQ(view().paintSource, PaintSource::colour);
  }
  EXPECT_EQ(ui_.openDialogs.back().title, "Load stencil (an image to paint through)");

  // Loaded: centred, shown and painted with; the project keeps the file's bytes.
  session_.document.stencil = {};
  session_.document.stencil.show = false;
  ui_.openPaths.push_back(green);
  event([&] { c3d_.loadStencil(); });
  const StencilState& stencil = session_.document.stencil;
  ASSERT_TRUE(stencil.image.loaded());
  EXPECT_EQ(stencil.image.fileExt, "png");
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(readFileBytes(green, bytes));
  EXPECT_EQ(stencil.image.fileBytes, bytes);
  EXPECT_TRUE(stencil.show);
  EXPECT_EQ(stencil.x, 100);
  EXPECT_EQ(stencil.y, 75);
  EXPECT_EQ(view().paintSource, PaintSource::stencil);
  // The overlay lies over the view with its outline; off the stencil the view is untouched.
  const Image& shown = c3d_.frame();
  // The lower edge: 20 pixels at 3.75 (half the view's height) below and above the centre.
  EXPECT_EQ(shown.at(100, 113), rgba(255, 200, 0, 0));
  EXPECT_EQ(shown.at(5, 75), state().view.viewColour.at(5, 75));

  // Moved aside with Ctrl+drag, then painted through: the green lands where it lies.
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 100, .y = 75, .left = true, .mods = {.ctrl = true}}); });
  event([&] { c3d_.motion({.x = 90, .y = 75, .left = true, .mods = {.ctrl = true}}); });
  event([&] { c3d_.buttonUp(); });
  view().brushSize = 16;
  view().hardness = 100;
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 85, .y = 75, .left = true}); });
  event([&] { c3d_.buttonUp(); });
  c3d_.frame();
  const Texture& texture = session_.document.texture;
  const auto texelUnder = [&](int x, int y) {
    const std::optional<ViewHit> hit = pickAt(state().view, x, y);
    EXPECT_TRUE(hit);
    return sampleTexel(TexelView(texture.TextureWidth, texture.TextureHeight, texture.TexturePixels),
                       hit->u, hit->v) & 0xFFFFFFu;
  };
  EXPECT_EQ(texelUnder(85, 75), rgba(10, 200, 30, 0));

  // Removed: gone from the project, and the brush paints its colour again.
  event([&] { c3d_.removeStencil(); });
  EXPECT_FALSE(stencil.image.loaded());
  EXPECT_TRUE(stencil.image.fileBytes.empty());
  view().brushColor = rgba(200, 0, 0, 0);
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 85, .y = 75, .left = true}); });
  event([&] { c3d_.buttonUp(); });
  c3d_.frame();
  EXPECT_EQ(texelUnder(85, 75), rgba(200, 0, 0, 0));
}

TEST_F(Window3DFlow, RemovingTheStencilPaintedWithFallsBackToColour) {
  openCube();
  // Removing the stencil that is painted with goes back to Colour; another source stays.
  ASSERT_TRUE(c3d_.loadStencilFile(writePng(path("s.png"), Image(4, 4, rgba(1, 2, 3, 255)), true)));
  ASSERT_TRUE(c3d_.loadPatternFile(writePng(path("p.png"), Image(2, 2, rgba(4, 5, 6)), false)));
  event([&] { c3d_.setPaintSource(PaintSource::stencil); });
  EXPECT_EQ(view().paintSource, PaintSource::stencil);
  event([&] { c3d_.removeStencil(); });
  EXPECT_EQ(view().paintSource, PaintSource::colour);
  ASSERT_TRUE(c3d_.loadStencilFile(path("s.png")));
  event([&] { c3d_.setPaintSource(PaintSource::pattern); });
  event([&] { c3d_.removeStencil(); });
  EXPECT_EQ(view().paintSource, PaintSource::pattern);
}

TEST_F(Window3DFlow, PatternLoadsAndShiftClickAnchorsIt) {
  openCube();
  const std::string tile = writePng(path("tile.png"), Image(2, 2, rgba(90, 60, 30)), false);
  ui_.openPaths.push_back(path("nothing.png"));
  event([&] { c3d_.loadPattern(); });
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].title, "Pattern");
  EXPECT_EQ(ui_.shown[0].text, "Could not load " + path("nothing.png") + ": the file cannot be read");
  EXPECT_EQ(c3d_.patternSwatch(), Image(24, 24, rgba(128, 128, 128, 0)));
  EXPECT_EQ(ui_.openDialogs.back().title, "Load pattern (a seamless tile image)");

  ui_.openPaths.push_back(tile);
  event([&] { c3d_.loadPattern(); });
  EXPECT_EQ(view().paintSource, PaintSource::pattern);
  EXPECT_EQ(c3d_.patternSwatch().at(12, 12), rgba(90, 60, 30, 0));

  // Shift+click on the background sets nothing.
  PatternState& pattern = session_.document.pattern;
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 3, .y = 3, .left = true, .mods = {.shift = true}}); });
  EXPECT_EQ(pattern.anchorFace, -1);
  EXPECT_EQ(pattern.mapping, PatternMapping::triplanar);
  view().paintSource = PaintSource::colour;
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 100, .y = 75, .left = true, .mods = {.shift = true}}); });
  event([&] { c3d_.buttonUp(); });
  EXPECT_GE(pattern.anchorFace, 0);
  EXPECT_EQ(pattern.mapping, PatternMapping::anchor);
  EXPECT_EQ(view().paintSource, PaintSource::pattern);
  EXPECT_EQ(session_.document.texture.TextureWidth, 0);  // the click painted nothing
  // The marker: a circle of radius 5 in orange round the anchor, the centre (100.5, 75.5) of
  // the clicked pixel.
  EXPECT_EQ(c3d_.frame().at(106, 76), rgba(255, 160, 0, 0));

  // Another layout of the same model drops the roll-out; the next stroke rolls it out again
  // from the stored anchor.
  const Anchor anchor = anchorOf(pattern);
  UnwrapSettings settings = session_.document.settings;
  settings.margin = 9;
  main([&] { controller_.changeSettings(settings, false); });
  EXPECT_FALSE(state().patternCaches.rollout.builtFor(session_.document.workModel, anchor));
  event([&] { c3d_.buttonDown(MouseButton::left, {.x = 100, .y = 75, .left = true}); });
  event([&] { c3d_.buttonUp(); });
  EXPECT_TRUE(state().patternCaches.rollout.builtFor(session_.document.workModel, anchor));
  c3d_.frame();
  const std::optional<ViewHit> hit = pickAt(state().view, 100, 75);
  ASSERT_TRUE(hit);
  const Texture& texture = session_.document.texture;
  EXPECT_EQ(sampleTexel(TexelView(texture.TextureWidth, texture.TextureHeight, texture.TexturePixels),
                        hit->u, hit->v) & 0xFFFFFFu,
            rgba(90, 60, 30, 0));
}

TEST_F(Window3DFlow, AProjectWhoseStencilDoesNotDecodeOpensWithoutItAndSaysSoOnce) {
  openCube();
  ASSERT_TRUE(c3d_.loadStencilFile(writePng(path("s.png"), Image(4, 4, rgba(1, 2, 3, 255)), true)));
  ASSERT_TRUE(c3d_.loadPatternFile(writePng(path("p.png"), Image(4, 4, rgba(1, 2, 3)), false)));
  Session broken = session_;
  broken.document.stencil.image.fileBytes = {'n', 'o', 't'};
  ASSERT_EQ(writeZipArchive(path("broken.qmap"), projectEntriesOf(broken)), ArchiveWrite::ok);
  ui_.shown.clear();
  ui_.answers.push_back(Answer::no);  // the unsaved cube is dropped
  main([&] { controller_.openFile(path("broken.qmap")); });
  EXPECT_TRUE(session_.document.modelLoaded);
  EXPECT_FALSE(session_.document.stencil.image.loaded());
  EXPECT_TRUE(session_.document.pattern.image.loaded());
  int told = 0;
  for (const auto& s : ui_.shown) told += s.text.find("stencil.png") != std::string::npos;
  EXPECT_EQ(told, 1);
}

TEST_F(Window3DFlow, AnotherModelOrProjectReachesTheOpenWindow) {
  openCube();
  navigate(MouseButton::left, 10, 0);
  state().hoverTriangle = 3;
  const int32_t stamp = state().marks.stamp;
  const double yaw = view().camera.yaw;

  // Another layout: the hover preview ends and the camera stays.
  UnwrapSettings settings = session_.document.settings;
  settings.margin = 9;
  main([&] { controller_.changeSettings(settings, false); });
  EXPECT_EQ(state().hoverTriangle, -1);
  EXPECT_GT(state().marks.stamp, stamp);
  EXPECT_EQ(view().camera.yaw, yaw);
  EXPECT_TRUE(c3d_.framePending());

  // Another model: framed anew.
  ASSERT_TRUE(genWriteFile(genCube(4), path("big.obj")));
  ui_.answers.push_back(Answer::no);  // the unsaved cube is dropped
  main([&] { controller_.openFile(path("big.obj")); });
  EXPECT_EQ(view().camera.yaw, 30);
  EXPECT_NEAR(state().framing.modelRadius, 4 * radius(), 1e-5);
  EXPECT_NEAR(view().camera.dist, 4 * radius() / kHalfField * 1.15, 1e-5);

  // A project: the open window starts again on it, with its camera, at its size.
  navigate(MouseButton::left, 10, 0);
  ui_.savePaths.push_back(path("big.qmap"));
  event([&] { c3d_.keyDown(Key::s, {.ctrl = true}); });  // the main window's Save
  ASSERT_TRUE(fs::exists(path("big.qmap")));
  EXPECT_FALSE(session_.document.projectChanged);
  const double savedYaw = view().camera.yaw;
  event([&] { c3d_.resetView(); });
  ui_.answers.push_back(Answer::no);
  main([&] { controller_.openFile(path("big.qmap")); });
  ASSERT_TRUE(session_.window3d);
  EXPECT_NEAR(view().camera.yaw, savedYaw, 1e-4);
  EXPECT_EQ(state().canvasWidth, 200);
  EXPECT_EQ(state().canvasHeight, 150);
  EXPECT_EQ(c3d_.frame().width, 200);
}

TEST_F(Window3DFlow, RightPanelFollowsTheWindowSize) {
  const Window3DLayout l = window3dLayout(910, 730);
  EXPECT_EQ(l.canvas, (Rect{0, 96, 720, 634}));
  EXPECT_EQ(l.layerList, (Rect{726, 96, 178, 270}));
  EXPECT_EQ(l.layerRename, (Rect{818, 370, 86, 26}));
  EXPECT_EQ(l.stencilOpacity, (Rect{858, 540, 46, 26}));
  EXPECT_EQ(l.offsetX, (Rect{742, 666, 70, 26}));
  EXPECT_EQ(l.offsetY, (Rect{834, 666, 70, 26}));
  EXPECT_EQ(l.offsetReset, (Rect{726, 696, 86, 26}));
  // Smaller windows are laid out as 300 x 560.
  const Window3DLayout small = window3dLayout(100, 200);
  EXPECT_EQ(small.canvas, (Rect{0, 96, 110, 464}));
  EXPECT_EQ(small.layerList, (Rect{116, 96, 178, 100}));
}

}  // namespace
