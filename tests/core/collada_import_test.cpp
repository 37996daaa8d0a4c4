// LoadCollada on small documents written here: naming, materials and the
// texture chain, geometry, errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "collada/collada.h"
#include "model/animation.h"
#include "tests/core/collada_test_util.h"
#include "tests/core/status_util.h"

using colladatest::Import;
using colladatest::ImportFails;
using colladatest::Name;
using colladatest::Wrap;

TEST(ColladaName, StemRule) {
    EXPECT_EQ(colladatest::ModelNameOf("C:\\models\\robot.dae", ".dae"), "robot");
    EXPECT_EQ(colladatest::ModelNameOf("C:\\models\\robot.DAE", ".dae"), "robot.DAE");
    EXPECT_EQ(colladatest::ModelNameOf("washitu1.dae", ".dae"), "washitu1");
    EXPECT_EQ(colladatest::ModelNameOf("robot.dae", ".dae"), "robot");
    EXPECT_EQ(colladatest::ModelNameOf("dir/sub/robot.dae", ".dae"), "robot");
    EXPECT_EQ(colladatest::ModelNameOf("dir/robot.dae", ".da"), "robot.dae");  // only four-character extensions strip
    EXPECT_EQ(colladatest::ModelNameOf("dir/\xe3\x83\xad\xe3\x83\x9c.dae", ".dae"), "\xe3\x83\xad\xe3\x83\x9c");
}

TEST(ColladaLoad, MissingOrMalformedFileEntersNothing) {
    CModel model;
    CName ext;
    ext.SetAscii(".dae");
    std::string error;
    EXPECT_FALSE(Kept(LoadCollada(model, "/nonexistent/robot.dae", ext), error));
    EXPECT_NE(error.find("/nonexistent/robot.dae"), std::string::npos) << error;
    EXPECT_TRUE(model.name.Empty());
    EXPECT_EQ(model.animations.Count(), 0);

    CModel bad;
    error.clear();
    EXPECT_FALSE(Kept(LoadColladaFromMemory(bad, "<COLLADA><library_images>", Name("bad")), error));
    EXPECT_NE(error.find("not well-formed"), std::string::npos) << error;
    EXPECT_TRUE(bad.name.Empty());
}

TEST(ColladaLoad, DocumentWithoutSectionsKeepsOnlyNameAndOneAnimation) {
    CModel model;
    ASSERT_TRUE(Import(model, "<?xml version='1.0'?><COLLADA xmlns='http://www.collada.org/2005/11/COLLADASchema'/>"));
    EXPECT_EQ(model.name.ToUtf8(), "test");
    EXPECT_EQ(model.geometries.Count(), 0);
    EXPECT_EQ(model.materials.Count(), 0);
    ASSERT_EQ(model.animations.Count(), 1);
    EXPECT_EQ(model.animations[0]->id.ToUtf8(), "ColladaAnim_001");
    EXPECT_EQ(model.animations[0]->channels.Count(), 0);
}

TEST(ColladaLoad, FromFileUsesThePath) {
    const std::string path = std::string(VORLAND_BINARY_DIR) + "/collada_import_test_robot.dae";
    {
        std::ofstream f(path, std::ios::binary);
        f << Wrap("<library_images><image id='i'><init_from>tex.png</init_from></image></library_images>");
    }
    CModel model;
    CName ext;
    ext.SetAscii(".dae");
    std::string error;
    ASSERT_TRUE(Kept(LoadCollada(model, path, ext), error)) << error;
    EXPECT_EQ(model.name.ToUtf8(), "collada_import_test_robot");
    EXPECT_EQ(model.textures.Count(), 1);
    std::remove(path.c_str());
}

// ------------------------------------------------------------- materials

namespace {
const char* kEffects = R"(
<library_images>
  <image id="img1"><init_from>  textures/wood grain.png </init_from></image>
  <image id="img2"><init_from>b.png</init_from></image>
</library_images>
<library_effects>
  <effect id="phong-fx"><profile_COMMON>
    <newparam sid="surf"><surface type="2D"><init_from>img1</init_from></surface></newparam>
    <newparam sid="samp"><sampler2D><source>surf</source></sampler2D></newparam>
    <technique sid="common"><phong><diffuse><texture texture="samp" texcoord="UV"/></diffuse></phong></technique>
  </profile_COMMON></effect>
  <effect id="lambert-fx"><profile_COMMON>
    <newparam sid="s2"><surface type="2D"><init_from>img2</init_from></surface></newparam>
    <newparam sid="p2"><sampler2D><source>s2</source></sampler2D></newparam>
    <technique sid="common"><lambert><diffuse><texture texture="p2"/></diffuse></lambert></technique>
  </profile_COMMON></effect>
  <effect id="color-fx"><profile_COMMON><technique sid="c"><phong>
    <diffuse><color>0.8 0.8
      0.8 1</color></diffuse></phong></technique></profile_COMMON></effect>
  <effect id="rgb-fx"><profile_COMMON><technique sid="c"><lambert>
    <diffuse><color>0.1 0.2 0.3</color></diffuse></lambert></technique></profile_COMMON></effect>
  <effect id="broken-fx"><profile_COMMON>
    <newparam sid="samp"><sampler2D><source>nosurface</source></sampler2D></newparam>
    <technique sid="c"><phong><diffuse><texture texture="samp"/></diffuse></phong></technique>
  </profile_COMMON></effect>
  <effect id="it's-fx"><profile_COMMON><technique sid="c"><phong>
    <diffuse><color>0.5 0.25 0.125 1</color></diffuse></phong></technique></profile_COMMON></effect>
  <effect id="blinn-fx"><profile_COMMON><technique sid="c"><blinn>
    <diffuse><color>1 1 1 1</color></diffuse></blinn></technique></profile_COMMON></effect>
</library_effects>
<library_materials>
  <material id="m-phong"><instance_effect url="#phong-fx"/></material>
  <material id="m-lambert"><instance_effect url="#lambert-fx"/></material>
  <material id="m-color"><instance_effect url="#color-fx"/></material>
  <material id="m-rgb"><instance_effect url="#rgb-fx"/></material>
  <material id="m-broken"><instance_effect url="#broken-fx"/></material>
  <material id="m-none"><instance_effect url="#no-such-fx"/></material>
  <material id="m-quote"><instance_effect url="#it's-fx"/></material>
  <material id="m-blinn"><instance_effect url="#blinn-fx"/></material>
  <material id="m-phong2"><instance_effect url="#phong-fx"/></material>
</library_materials>)";
}  // namespace

TEST(ColladaMaterials, TextureChainColoursAndOrder) {
    CModel model;
    ASSERT_TRUE(Import(model, Wrap(kEffects)));
    ASSERT_EQ(model.textures.Count(), 2);
    EXPECT_EQ(model.textures[0]->id.ToUtf8(), "img1");
    EXPECT_EQ(model.textures[0]->fileName.ToUtf8(), "textures/wood grain.png");
    ASSERT_EQ(model.materials.Count(), 9);
    const auto mat = [&](int i) { return model.materials[i]; };
    EXPECT_EQ(mat(0)->name.ToUtf8(), "m-phong");
    EXPECT_EQ(mat(0)->textureName.ToUtf8(), "img1");
    EXPECT_EQ(model.TextureIndexOfMaterial(0), 0);
    EXPECT_EQ(mat(1)->textureName.ToUtf8(), "img2");  // lambert without phong
    EXPECT_EQ(mat(2)->diffuse[0], 0.8f);
    EXPECT_EQ(mat(2)->diffuse[2], 0.8f);
    EXPECT_EQ(mat(2)->diffuse[3], 1.0f);
    EXPECT_TRUE(mat(2)->textureName.Empty());
    EXPECT_EQ(mat(3)->diffuse[2], 0.3f);
    EXPECT_EQ(mat(3)->diffuse[3], 0.0f);       // three numbers leave alpha at 0
    EXPECT_TRUE(mat(4)->textureName.Empty());  // broken chain is no error
    EXPECT_TRUE(mat(5)->textureName.Empty());
    EXPECT_EQ(mat(5)->diffuse[0], 0.0f);
    // An effect id with a quote is found like any other.
    EXPECT_EQ(mat(6)->diffuse[0], 0.5f);
    EXPECT_EQ(mat(6)->diffuse[2], 0.125f);
    EXPECT_EQ(mat(7)->diffuse[0], 0.0f);              // blinn is not read
    EXPECT_EQ(mat(8)->textureName.ToUtf8(), "img1");  // same effect, same result
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(mat(i)->ambient[0], 0.0f);
        EXPECT_EQ(mat(i)->specular[3], 0.0f);
    }
}

TEST(ColladaMaterials, CraftedIdCannotSelectOtherEffects) {
    // Spliced into a query, this id would select every effect.
    CModel model;
    ASSERT_TRUE(Import(model, Wrap(R"(
<library_effects>
  <effect id="a"><profile_COMMON><technique sid="c"><phong><diffuse><color>1 0 0 1</color></diffuse></phong></technique></profile_COMMON></effect>
</library_effects>
<library_materials><material id="m"><instance_effect url="#x' or @id!='"/></material></library_materials>)")));
    ASSERT_EQ(model.materials.Count(), 1);
    EXPECT_EQ(model.materials[0]->diffuse[0], 0.0f);
}

TEST(ColladaMaterials, LaterEffectOfTheSameIdOverwrites) {
    CModel model;
    ASSERT_TRUE(Import(model, Wrap(R"(
<library_effects>
  <effect id="e"><profile_COMMON><technique sid="c"><phong><diffuse><color>1 0 0 1</color></diffuse></phong></technique></profile_COMMON></effect>
  <effect id="e"><profile_COMMON><technique sid="c"><phong><diffuse><color>0 1</color></diffuse></phong></technique></profile_COMMON></effect>
</library_effects>
<library_materials><material id="m"><instance_effect url="#e"/></material></library_materials>)")));
    const float* d = model.materials[0]->diffuse;
    EXPECT_EQ(d[0], 0.0f);
    EXPECT_EQ(d[1], 1.0f);
    EXPECT_EQ(d[3], 1.0f);  // not given again: stays from the first
}

TEST(ColladaErrors, ImageWithoutInitFromEndsTheImport) {
    CModel model;
    const std::string error = ImportFails(model, Wrap(R"(
<library_images><image id="ok"><init_from>a.png</init_from></image>
<image id="bad"/></library_images>
<library_materials><material id="m"><instance_effect url="#e"/></material></library_materials>)"));
    EXPECT_NE(error.find("<image id=\"bad\"> has no <init_from>"), std::string::npos) << error;
    EXPECT_NE(error.find("test:"), std::string::npos) << error;
    EXPECT_EQ(model.textures.Count(), 1);
    EXPECT_EQ(model.materials.Count(), 0);
    EXPECT_EQ(model.animations.Count(), 0);
}

TEST(ColladaErrors, MaterialWithoutInstanceEffectNamesTheLine) {
    CModel model;
    const std::string error =
        ImportFails(model, Wrap("<library_materials>\n<material id='a'><instance_effect url='#x'/></material>\n"
                                "<material id='b'/>\n</library_materials>"));
    EXPECT_NE(error.find(":4: <material id=\"b\"> has no <instance_effect>"), std::string::npos) << error;
    EXPECT_EQ(model.materials.Count(), 1);
}
