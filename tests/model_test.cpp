#include <gtest/gtest.h>

#include "model/model.h"

namespace {

Model twoTriangles() {
  Model m;
  for (int i = 0; i < 4; ++i) modelAddVertex(m, float(i), float(i + 10), float(i + 20), 0.5f, 0.25f);
  modelAddTriangle(m, 0, 1, 2, modelMaterialIndex(m, "A"), 0);
  modelAddTriangle(m, 0, 2, 3, modelMaterialIndex(m, "B"), 0);
  return m;
}

TEST(Model, NamesAreFoundCaseSensitivelyAndAppendedWhenNew) {
  Model m;
  EXPECT_EQ(modelMaterialIndex(m, "Wood"), 0);
  EXPECT_EQ(modelMaterialIndex(m, "wood"), 1);
  EXPECT_EQ(modelMaterialIndex(m, "Wood"), 0);
  EXPECT_EQ(modelLayerIndex(m, "Body"), 0);
  EXPECT_EQ(modelLayerIndex(m, "Head"), 1);
  EXPECT_EQ(modelLayerIndex(m, "Body"), 0);
  EXPECT_EQ(m.materialCount(), 2);
  EXPECT_EQ(m.layerCount(), 2);
}

TEST(Model, EnsureLayerAddsDefaultOnlyWhenThereIsNone) {
  Model m = twoTriangles();
  m.triangles[1].layer = 5;
  modelEnsureLayer(m);
  ASSERT_EQ(m.layerNames, std::vector<std::string>{"Default"});
  EXPECT_EQ(m.triangles[1].layer, 0);

  Model named = twoTriangles();
  modelLayerIndex(named, "Body");
  named.triangles[1].layer = 3;
  modelEnsureLayer(named);
  EXPECT_EQ(named.layerNames, std::vector<std::string>{"Body"});
  EXPECT_EQ(named.triangles[1].layer, 3);
}

TEST(Model, ToYUpTurnsOnceAndKeepsUVs) {
  Model m = twoTriangles();
  m.zUp = true;
  modelToYUp(m);
  modelToYUp(m);
  const Vertex& v = m.vertices[1];
  EXPECT_EQ(v.x, 1.0f);
  EXPECT_EQ(v.y, 21.0f);
  EXPECT_EQ(v.z, -11.0f);
  EXPECT_EQ(v.u, 0.5f);
  EXPECT_EQ(v.v, 0.25f);
  EXPECT_FALSE(m.zUp);
}

TEST(Model, CopyIsDeepAndClearEmptiesEverything) {
  Model src = twoTriangles();
  src.objectCount = 2;
  Model dest;
  modelCopy(dest, src);
  EXPECT_EQ(dest, src);
  dest.vertices[0].x = 99;
  dest.materialNames[0] = "changed";
  EXPECT_EQ(src.vertices[0].x, 0.0f);
  EXPECT_EQ(src.materialNames[0], "A");
  modelClear(dest);
  EXPECT_EQ(dest, Model{});
}

TEST(Model, StoreLayersCopiesOnlyBetweenModelsOfEqualTriangleCount) {
  Model source = twoTriangles();
  modelEnsureLayer(source);
  Model work = source;
  work.layerNames = {"Default", "Wheels"};
  work.triangles[1].layer = 1;

  Model shorter = source;
  shorter.triangles.pop_back();
  const Model shorterBefore = shorter;
  modelStoreLayers(shorter, work);
  EXPECT_EQ(shorter, shorterBefore);

  modelStoreLayers(source, work);
  EXPECT_EQ(source.layerNames, work.layerNames);
  EXPECT_EQ(source.triangles[1].layer, 1);
}

TEST(Model, ResizeLayerStateGrowsWithDefaultsAndNeverShrinksExceptToZero) {
  LayerState s;
  resizeLayerState(s, 2);
  s.color[1] = 0x123456;
  s.hidden[1] = 1;
  resizeLayerState(s, 1);
  ASSERT_EQ(s.count(), 2);
  resizeLayerState(s, 3);
  ASSERT_EQ(s.count(), 3);
  EXPECT_EQ(s.color[1], 0x123456u);
  EXPECT_EQ(s.hidden[1], 1);
  EXPECT_EQ(s.color[2], layerDefaultColor(2));
  EXPECT_EQ(s.hidden[2], 0);
  EXPECT_EQ(s.locked[2], 0);
  resizeLayerState(s, 0);
  EXPECT_EQ(s.count(), 0);
  EXPECT_TRUE(s.hidden.empty() && s.locked.empty());
}

// Expected values worked out by hand from the two colour wheels (red in the lowest byte).
TEST(Model, DefaultColours) {
  struct Case {
    uint32_t (*wheel)(int64_t);
    int64_t k;
    uint32_t r, g, b;
  };
  const Case cases[] = {
      {surfaceColor, 0, 255, 60, 60},     // hue 0
      {surfaceColor, 1, 60, 255, 117},    // hue 137.508: sector 2, x = 0.2918
      {surfaceColor, 2, 174, 60, 255},    // hue 275.016: sector 4, x = 0.5836
      {layerDefaultColor, 0, 240, 190, 90},  // hue 40: sector 0, x = 0.6667
      {layerDefaultColor, 1, 90, 240, 234},  // hue 177.508: sector 2, x = 0.9585
  };
  for (const Case& c : cases) {
    const uint32_t colour = c.wheel(c.k);
    EXPECT_EQ(colour & 0xFF, c.r) << c.k;
    EXPECT_EQ(colour >> 8 & 0xFF, c.g) << c.k;
    EXPECT_EQ(colour >> 16 & 0xFF, c.b) << c.k;
    EXPECT_EQ(colour >> 24, 0u) << c.k;
  }
}

}  // namespace
