// Skins are kept with their bodies and written back: a scene with skins survives saving, and so
// every backup, undo and recovery that goes through the writer.
#include <fstream>
#include <sstream>

#include "SceneFixture.h"
#include "base/TextEncoding.h"
#include "script/SceneWriter.h"
#include "skin/SkinRecord.h"

namespace korvan {
namespace {

using testing::SceneFixture;

// Objects: "body" mirrored in x (two groups), "front wheel", "lamp", "trim".
std::string CarModel() {
    auto object = [](const std::string& name, const std::string& extra, double x) {
        std::string px = std::to_string(x), qx = std::to_string(x + 1);
        return "Object \"" + name + "\" {\r\n" + extra + "\tvertex 3 {\r\n\t\t" + px + " 0 0\r\n\t\t" + qx +
               " 0 0\r\n\t\t" + px + " 1 0\r\n\t}\r\n\tface 1 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t}\r\n}\r\n";
    };
    return "Metasequoia Document\r\nFormat Text Ver 1.0\r\nMaterial 1 {\r\n\t\"paint\" col(1 0 0 "
           "1)\r\n}\r\n" +
           object("body", "\tmirror 1\r\n\tmirror_axis 1\r\n", 1) +
           object("front wheel", "\tvisible 0\r\n", 3) + object("lamp", "\tdepth 1\r\n", 5) +
           object("trim", "", 7) + "Eof\r\n";
}

class SkinScene : public SceneFixture {
  protected:
    std::string Save(const std::string& name) {
        std::string path = (dir / name).string();
        EXPECT_TRUE(SaveSceneAs(document, *application, path));
        std::ifstream file(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return ShiftJisToUtf8(bytes.str());
    }
    std::vector<char> Visible(const std::string& body, std::size_t skin) {
        return Body(body)->skins.at(skin)->groupVisible;
    }
};

const char* const kScene = R"(
Set B = Application.AddObj( "BOX" , "車" )
B.AddSkin "models\car.mqo" , 1 , "lamp" , 0 , 0,0,0 , 0,0,0 , 1 , 0,0,1 , 0
B.AddSkin "models\car.mqo" , 0 , Chr(34) & "front wheel" & Chr(34) & " bodyCopy1" , 1 , 1,0,0 , 0,0,0 , 2 , 0,0,1 , 90
Set C = Application.AddObj( "CYLINDER" , "輪" )
C.AddSkin "models\plain.obj" , 1 , "" , 0 , 0.5,0.25,0 , 1,2,3 , 0.001 , 1,1,0 , 45
)";

TEST_F(SkinScene, SkinsKeepTheirGroupsAndPlacementAndShareTheirModel) {
    Write("models/car.mqo", CarModel());
    Write("models/plain.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\ng a\nf 1 2 3\ng b\nf 3 2 1\n");
    ASSERT_TRUE(Load(kScene)) << (host.messages.empty() ? "" : host.messages.front());
    ASSERT_EQ(Body("車")->skins.size(), 2u);
    // Groups: body, body copy 1, front wheel, lamp, trim.
    EXPECT_EQ(Visible("車", 0), (std::vector<char>{1, 1, 1, 0, 1}));
    EXPECT_EQ(Visible("車", 1), (std::vector<char>{0, 1, 1, 0, 0}));
    EXPECT_EQ(Body("車")->skins[0]->model, Body("車")->skins[1]->model);
    // Pivot (1, 0, 0) to the origin, turned 90 degrees about z and doubled: (2, 0, 0) -> (0, 2, 0).
    Vec3 p = TransformPoint(Body("車")->skins[1]->placement, {2, 0, 0});
    EXPECT_NEAR(p.x, 0, 1e-12);
    EXPECT_NEAR(p.y, 2, 1e-12);
    EXPECT_EQ(Body("車")->skins[1]->flags, 2);
    EXPECT_EQ(Visible("輪", 0), (std::vector<char>{1, 1}));
}

TEST_F(SkinScene, ScenesWithSkinsSurviveLoadSaveLoadSaveByteForByte) {
    Write("models/car.mqo", CarModel());
    Write("models/plain.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\ng a\nf 1 2 3\ng b\nf 3 2 1\n");
    ASSERT_TRUE(Load(kScene));
    const std::string first = Save("first.txt");
    ASSERT_TRUE(commands.LoadScene((dir / "first.txt").string(), 0, 0)) << first;
    const std::string second = Save("second.txt");
    EXPECT_EQ(first, second);
    EXPECT_TRUE(host.messages.empty()) << host.messages.front();
    EXPECT_EQ(Visible("車", 0), (std::vector<char>{1, 1, 1, 0, 1}));
    EXPECT_EQ(Visible("車", 1), (std::vector<char>{0, 1, 1, 0, 0}));
    // The statements as written: the shorter list, copies named, the blank name quoted, the
    // all-visible skin with an empty list.
    EXPECT_NE(first.find("B.AddSkin \"models\\car.mqo\" ,_\r\n\t\t\t1 , \" lamp  \" , 1 , _\r\n"
                         "\t\t\t    0.000000 ,     0.000000 ,     0.000000 , _\r\n"),
              std::string::npos)
        << first;
    EXPECT_NE(first.find("\t\t\t0 , \" bodyCopy1 \"+Chr(34)+\"front wheel\"+Chr(34)+\"  \" , 1 , _\r\n"),
              std::string::npos);
    EXPECT_NE(first.find("C.AddSkin \"models\\plain.obj\" ,_\r\n\t\t\t1 , \"  \" , 1 , _\r\n"),
              std::string::npos);
    EXPECT_NE(first.find("\t\t\t   45.000000 \r\n' \r\n"), std::string::npos);
}

TEST_F(SkinScene, AModelThatDoesNotLoadAddsNoSkinAndSaysWhy) {
    Write("models/bad.obj", "v 0 0 0\nf 1 2 3\n");
    ASSERT_TRUE(Load(R"(
Set B = Application.AddObj( "BOX" , "箱" )
B.AddSkin "models\bad.obj" , 1 , "" , 0 , 0,0,0 , 0,0,0 , 1 , 0,0,0 , 0
B.AddSkin "models\none.obj" , 1 , "" , 0 , 0,0,0 , 0,0,0 , 1 , 0,0,0 , 0
)"));
    EXPECT_TRUE(Body("箱")->skins.empty());
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_NE(host.messages[0].find("bad.obj"), std::string::npos);
    EXPECT_NE(host.messages[1].find("が見つかりません"), std::string::npos);
}

}  // namespace
}  // namespace korvan
