// Our .3ds as an independent reader (assimp) sees it: the exported file must hold the work
// model's triangles, UVs and Surfaces, whatever our own reader makes of it.
#include <gtest/gtest.h>


#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <array>
#include <filesystem>
#include <set>
#include <tuple>

#include "app/controller.h"
#include "model/readers.h"
#include "tests/flows/scripted_ui.h"
#include "tests/temp_folder.h"
#include "tools/meshgen/meshgen.h"

namespace {

namespace fs = std::filesystem;

using Corner = std::array<float, 5>;  // x, y, z, u, v
using Face = std::tuple<std::string, Corner, Corner, Corner>;

class Assimp3ds : public ::testing::Test, protected TempFolder {
 protected:
  Assimp3ds() : TempFolder("quillmap_assimp") {
    fs::create_directories(dir() / "SS" / "Bin");
    fs::create_directories(dir() / "SS" / "Models");
    writeText(path("SS/Bin/SeriousModeler.exe"), "");
  }

  // Opens `mesh` as a new project, unwraps it and exports it; returns the .3ds path.
  std::string exportModel(const GenMesh& mesh) {
    const std::string model = path("model.3ds");
    EXPECT_TRUE(genWriteFile(mesh, model));
    Preferences prefs;
    prefs.writeScript = prefs.writeTexture = prefs.writeTex = prefs.writePNG = false;
    PreferencesFile prefsFile("");
    controller_ = std::make_unique<Controller>(session_, ui_, prefs, prefsFile, "");
    EXPECT_TRUE(controller_->openFile(model));
    const std::string out = path("SS/Models/out.3ds");
    ui_.savePaths.push_back(out);
    EXPECT_TRUE(controller_->exportToSeriousSam());
    return out;
  }

  Session session_;
  ScriptedUi ui_;
  std::unique_ptr<Controller> controller_;
};

Corner cornerOf(const Vertex& v) { return {v.x, v.y, v.z, v.u, v.v}; }

// Reads the exported file with assimp and with our own reader and compares both with the
// work model: materials by name and colour, and every face with its material's name and its
// corners' positions and UVs.
void expectHoldsWorkModel(const std::string& path, const Model& work) {
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(path, 0);
  ASSERT_TRUE(scene) << importer.GetErrorString();

  ASSERT_EQ(scene->mNumMaterials, static_cast<unsigned>(work.materialCount()));
  std::vector<std::string> names;
  for (unsigned i = 0; i < scene->mNumMaterials; ++i) {
    aiString name;
    ASSERT_EQ(scene->mMaterials[i]->Get(AI_MATKEY_NAME, name), aiReturn_SUCCESS);
    names.emplace_back(name.C_Str());
    aiColor3D diffuse;
    ASSERT_EQ(scene->mMaterials[i]->Get(AI_MATKEY_COLOR_DIFFUSE, diffuse), aiReturn_SUCCESS);
    const uint32_t colour = surfaceColor(i);
    EXPECT_NEAR(diffuse.r, (colour & 0xFF) / 255.0, 1e-6) << i;
    EXPECT_NEAR(diffuse.g, (colour >> 8 & 0xFF) / 255.0, 1e-6) << i;
    EXPECT_NEAR(diffuse.b, (colour >> 16 & 0xFF) / 255.0, 1e-6) << i;
  }
  EXPECT_EQ(names, work.materialNames);

  // Assimp regroups faces by material, so the two sides are compared as multisets.
  std::multiset<Face> theirs, ours;
  std::set<Corner> theirCorners, ourCorners;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    ASSERT_TRUE(mesh->HasTextureCoords(0));
    const std::string material = names.at(mesh->mMaterialIndex);
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const aiFace& face = mesh->mFaces[f];
      ASSERT_EQ(face.mNumIndices, 3u);
      Corner c[3];
      for (int k = 0; k < 3; ++k) {
        const aiVector3D& p = mesh->mVertices[face.mIndices[k]];
        const aiVector3D& t = mesh->mTextureCoords[0][face.mIndices[k]];
        c[k] = {p.x, p.y, p.z, t.x, t.y};
        theirCorners.insert(c[k]);
      }
      theirs.insert({material, c[0], c[1], c[2]});
    }
  }
  for (const Triangle& t : work.triangles) {
    const Corner a = cornerOf(work.vertices[t.cornerA]), b = cornerOf(work.vertices[t.cornerB]),
                 c = cornerOf(work.vertices[t.cornerC]);
    ours.insert({work.materialNames[t.material], a, b, c});
  }
  for (const Vertex& v : work.vertices) ourCorners.insert(cornerOf(v));
  EXPECT_EQ(theirs.size(), static_cast<size_t>(work.triangleCount()));
  EXPECT_TRUE(theirs == ours);
  // The work model has one vertex per distinct position and UV; so has the file.
  EXPECT_EQ(ourCorners.size(), static_cast<size_t>(work.vertexCount()));
  EXPECT_EQ(theirCorners.size(), ourCorners.size());

  // Our own reader gets the same model back, in order.
  Model back;
  ASSERT_TRUE(read3ds(path, back).ok);
  EXPECT_EQ(back.vertices, work.vertices);
  EXPECT_EQ(back.materialNames, work.materialNames);
  ASSERT_EQ(back.triangleCount(), work.triangleCount());
  for (size_t i = 0; i < work.triangles.size(); ++i) {
    const Triangle& x = work.triangles[i];
    const Triangle& y = back.triangles[i];
    EXPECT_EQ(std::tie(x.cornerA, x.cornerB, x.cornerC, x.material),
              std::tie(y.cornerA, y.cornerB, y.cornerC, y.material))
        << i;
  }
}

TEST_F(Assimp3ds, HoldsTheWorkModel) {
  GenMesh mesh = genTwoObjects();
  genAppend(mesh, genSphere(12, 6), {4, 0, 0});
  genAppend(mesh, genCylinder(9), {-4, 0, 0});
  const std::string path = exportModel(mesh);
  ASSERT_GT(session_.document.workModel.materialCount(), 3);
  expectHoldsWorkModel(path, session_.document.workModel);
}

// Materials that share their first 11 characters (one in capitals), and one with more than
// 999 Surfaces, whose numbers no longer fit behind 11 characters: assimp still sees as many
// materials as there are Surfaces, each with its own faces.
TEST_F(Assimp3ds, SurfaceNamesStayApart) {
  GenMesh mesh;
  mesh.materialNames = {"LongMaterialA", "LONGMATERIALB", "LongMaterialC"};
  const int32_t perMaterial[] = {2, 3, 1000};
  // Triangles apart from each other: with combining off, each is a Surface of its own.
  for (int32_t m = 0; m < 3; ++m)
    for (int32_t i = 0; i < perMaterial[m]; ++i) {
      const auto first = static_cast<int32_t>(mesh.positions.size());
      const float x = 2.0f * static_cast<float>(i), z = 2.0f * static_cast<float>(m);
      mesh.positions.insert(mesh.positions.end(), {{x, 0, z}, {x + 1, 0, z}, {x, 1, z}});
      mesh.faces.push_back({{first, first + 1, first + 2}, m, 0});
    }
  session_.document.settings.mergeSurfaces = false;
  const std::string path = exportModel(mesh);
  const Model& work = session_.document.workModel;
  ASSERT_EQ(work.materialCount(), 1005);
  expectHoldsWorkModel(path, work);
  std::set<std::string> lowered;
  for (std::string name : work.materialNames) {
    EXPECT_LE(name.size(), 15u) << name;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    lowered.insert(name);
  }
  EXPECT_EQ(lowered.size(), work.materialNames.size());
}

}  // namespace
