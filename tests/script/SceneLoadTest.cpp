#include <unistd.h>

#include <cmath>

#include "SceneFixture.h"
#include "script/DispatchObj.h"
#include "sim/ObjBox.h"
#include "sim/ObjDef.h"
#include "sim/ObjSpring.h"

namespace korvan {
namespace {

using testing::SceneFixture;

class SceneLoad : public SceneFixture {};

TEST_F(SceneLoad, SameDisplayNameTwiceBecomesNameAndNameWithCounter) {
    ASSERT_TRUE(Load(R"(
Set a = Application.AddObj( "BOX" , "A" )
Set b = Application.AddObj( "BOX" , "A" )
Set c = Application.AddObj( "CYLINDER" , "A" )
)"));
    ASSERT_EQ(document.scene.Count(), 3);
    EXPECT_EQ(document.scene.Body(0)->displayName, "A");
    EXPECT_EQ(document.scene.Body(1)->displayName, "A(2)");
    EXPECT_EQ(document.scene.Body(2)->displayName, "A(3)");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(SceneLoad, UnknownOrLowerCaseTypeIsRejectedAndTheScriptGoesOn) {
    ASSERT_TRUE(Load(R"(
Set a = Application.AddObj( "box" , "lower" )
If a Is Nothing Then MsgBox "nothing"
Set b = Application.AddObj( "BOX" , "upper" )
)"));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "\"box\" は、このバージョンでは対応していないオブジェクトタイプです。");
    EXPECT_EQ(host.scriptMessages, std::vector<std::string>{"nothing"});
    EXPECT_EQ(document.scene.Count(), 1);
}

TEST_F(SceneLoad, PropertiesReadBackWhatTheScriptAssignedNotTheLiveValue) {
    ASSERT_TRUE(Load(R"(
Set a = Application.AddObj( "BOX" , "A" )
MsgBox a.ColorR
a.ColorR = 0.25
MsgBox a.ColorR
Application.GravityZ = -1.6
MsgBox Application.GravityZ
a.widthX = 2
MsgBox a.widthX
)"));
    EXPECT_EQ(host.scriptMessages, (std::vector<std::string>{"0", "0.25", "-1.6", "2"}));
    CObj* a = Body("A");
    EXPECT_EQ(a->colorR, 0.25);
    EXPECT_EQ(a->colorG, 128.0 / 255.0);
    EXPECT_EQ(document.scene.settings.GravityZ, -1.6);
    EXPECT_EQ(a->mass, 2000);  // the loader rebuilds every shape after the script
}

TEST_F(SceneLoad, StateMethodsWriteBackThroughByReferenceArguments) {
    ASSERT_TRUE(Load(R"(
Set a = Application.AddObj( "BOX" , "A" )
a.SetAngle 0, 0, 1.5
a.GetAngle x, y, z
MsgBox x & " " & y & " " & z
a.SetPosition 1, 2, 3
a.GetPosition px, py, pz
MsgBox px + py + pz
)"));
    EXPECT_EQ(host.scriptMessages, (std::vector<std::string>{"0 0 1.5", "6"}));
}

TEST_F(SceneLoad, CheckVersionInformsOnlyForOtherVersions) {
    ASSERT_TRUE(Load("Application.CheckVersion 3.015\nApplication.CheckVersion 3.02\n"));
    EXPECT_TRUE(host.messages.empty());
    ASSERT_TRUE(Load("Application.CheckVersion 3.01\n"));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "本アプリのバージョンは3.02ですが\nこのスクリプトのバージョンは3.01です。\n");
}

TEST_F(SceneLoad, VariableNamesComeFromTheAddObjLinesOfTheFile) {
    ASSERT_TRUE(Load(R"(
Set Car = Application.AddObj( "BOX" , "Body" )
Set Car = Application.AddObj( "BOX" , "Body2" )
Set Wheel = Application.AddObj("CYLINDER", "front wheel")
Set v = Application.AddObj( "VIEW" , "cam" )
)"));
    EXPECT_EQ(Body("Body")->varName, "Car");
    EXPECT_EQ(Body("Body2")->varName, "Car2");
    EXPECT_EQ(Body("front wheel")->varName, "Wheel");
    EXPECT_EQ(document.views[0]->varName, "v");
}

// The pre-scan blanks the call's punctuation; a quoted name keeps its own ("A(2)" is how a second
// "A" is named), or the body would not find its variable name again.
TEST(AddObjScan, ReadsVariableTypeAndNameOfAnAddObjLine) {
    struct Case {
        const char* line;
        AddObjEntry expected;
    } cases[] = {
        {R"-(Set Car = Application.AddObj( "BOX" , "Body" ))-", {"Car", "BOX", "Body"}},
        {R"-(set w=Application.addobj("CYLINDER","front wheel"))-", {"w", "CYLINDER", "front wheel"}},
        {R"-(Set ObjBOX6 = Application.AddObj( "BOX" , "PA(2)" ))-", {"ObjBOX6", "BOX", "PA(2)"}},
        {R"-(Set x = Application.AddObj( "BOX" , "a,b.c=d%e" ))-", {"x", "BOX", "a,b.c=d%e"}},
        {R"-(Application.AddObj "VIEW")-", {"", "VIEW", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        AddObjEntry entry;
        ASSERT_TRUE(ScanAddObjLine(c.line, entry));
        EXPECT_EQ(entry.varName, c.expected.varName);
        EXPECT_EQ(entry.type, c.expected.type);
        EXPECT_EQ(entry.displayName, c.expected.displayName);
    }
    AddObjEntry entry;
    EXPECT_FALSE(ScanAddObjLine(R"-(Set a = Application.FindObj("A(2)"))-", entry));
}

TEST_F(SceneLoad, ForceAndActuationRecordsHoldTheScriptValues) {
    ASSERT_TRUE(Load(R"(
Set a = Application.AddObj( "BOX" , "A" )
Set b = Application.AddObj( "BOX" , "B" )
a.AddMoveByKey 65, 0, 0, 0
a.AddRotateByKey 66, 0, 0, 10
a.RotateJointByKey b, 37, 39, 0.01, -1, 1, 0, 0, 0, 0, 0, 1, 0, 0.25
a.SetMoveObj b, "TWIST", 37, 39, 0.01, -1, 1, 0, 0, 0, 0, 0, 1, 0, 0
a.AddMoveForceZ 1, 2, 3, 4
r = a.AddMoveByGameCtrl("no such pad", 1, 0, 0, 0, 0)
MsgBox r
)"));
    CObj* a = Body("A");
    ASSERT_EQ(a->forces.size(), 2u);
    EXPECT_EQ(a->forces[0].magnitude, 0);
    EXPECT_EQ(a->forces[0].direction, (Vec3{}));
    EXPECT_EQ(a->forces[0].key, 65);
    EXPECT_EQ(a->forces[1].magnitude, 10);
    EXPECT_EQ(a->forces[1].direction, (Vec3{0, 0, 1}));
    EXPECT_EQ(a->forces[1].forceKind, kForceRotate);
    ASSERT_EQ(a->moves.size(), 2u);
    EXPECT_EQ(a->moves[0].moveKind, kMoveRotate);
    EXPECT_EQ(a->moves[0].other, Body("B"));
    EXPECT_EQ(a->moves[0].keyPlus, 37);
    EXPECT_EQ(a->moves[0].ffbSmoothing, 0.1);
    EXPECT_EQ(a->moves[0].displacement, 0.25);
    EXPECT_EQ(a->moves[1].moveKind, -1);
    EXPECT_EQ(a->moves[1].moveKindName, "TWIST");
    ASSERT_EQ(a->moveForcesZ.size(), 1u);
    EXPECT_EQ(a->moveForcesZ[0].offset, 1);
    EXPECT_EQ(a->moveForcesZ[0].amplitude, 2);
    EXPECT_EQ(a->moveForcesZ[0].phase, 3);
    EXPECT_EQ(a->moveForcesZ[0].angularFrequency, 4);
    EXPECT_EQ(host.scriptMessages, std::vector<std::string>{"-1"});
}

TEST_F(SceneLoad, CollisionDefaultsAndGearConstants) {
    ASSERT_TRUE(Load(R"(
Set a = Application.AddObj( "BOX" , "A" )
Set g = Application.AddObj( "GROUND" , "G" )
a.AddCrash g
a.AddCrash g, 1, 0.9, 0.8, 0.02, -2
a.AddGear g, 3
)"));
    const auto& r = Body("A")->interactions;
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].type, -1);
    EXPECT_EQ(r[0].staticFriction, 0.5);
    EXPECT_EQ(r[0].dynamicFriction, 0.4);
    EXPECT_EQ(r[0].staticLimitSpeed, 0.01);
    EXPECT_EQ(r[0].springSetting, -1);
    EXPECT_EQ(r[1].springSetting, -2);
    EXPECT_EQ(r[1].dampingSetting, -1);
    EXPECT_EQ(r[2].kind, kInteractionGear);
    EXPECT_EQ(r[2].staticFriction, 10000);
    EXPECT_EQ(r[2].springSetting, 1000000);
    EXPECT_EQ(r[2].type, 3);
}

TEST_F(SceneLoad, ObjectsThatAreNotBodiesOfThisSceneAreRefused) {
    EXPECT_FALSE(Load(R"(
Set a = Application.AddObj( "BOX" , "A" )
Set v = Application.AddObj( "VIEW" , "cam" )
a.AddCrash v
)"));
    EXPECT_EQ(document.scene.Count(), 1);  // the initial scene: the ground alone
}

TEST_F(SceneLoad, AViewRidesOnOneBodyOnly) {
    ASSERT_TRUE(Load(R"(
Set v = Application.AddObj( "VIEW" , "cam" )
Set a = Application.AddObj( "BOX" , "A" )
Set b = Application.AddObj( "BOX" , "B" )
r1 = a.AddView(v, 1,1,1, 0,0,0, 0,0,1)
r2 = b.AddView(v, 2,2,2, 0,0,0, 0,0,1)
MsgBox r1 & " " & r2
)"));
    EXPECT_TRUE(Body("A")->mountedViews.empty());
    ASSERT_EQ(Body("B")->mountedViews.size(), 1u);
    EXPECT_EQ(Body("B")->viewpoints[0].values[0], 2);
    EXPECT_EQ(host.scriptMessages, std::vector<std::string>{"0 0"});
}

TEST_F(SceneLoad, ViewpointRoundTripsAndLooksStraightDownWithTheUpFallback) {
    ASSERT_TRUE(Load(R"(
Set v = Application.AddObj( "VIEW" , "cam" )
v.SetViewpoint 3, -4, 2, 0.5, 0, 0.25
v.GetViewpoint ex, ey, ez, tx, ty, tz, ux, uy, uz
MsgBox Round(ex, 9) & " " & Round(ey, 9) & " " & Round(ez, 9) & " " & Round(tx, 9)
v.SetViewpoint 0, 0, 5, 0, 0, 0
v.GetViewpoint ex, ey, ez, tx, ty, tz, ux, uy, uz
MsgBox Round(ux, 9) & " " & Round(uy, 9) & " " & Round(uz, 9)
)"));
    EXPECT_EQ(host.scriptMessages, (std::vector<std::string>{"3 -4 2 0.5", "0 1 0"}));
}

TEST_F(SceneLoad, MissingFileShowsBothMessagesAndLeavesTheInitialScene) {
    EXPECT_FALSE(commands.LoadScene((dir / "nowhere.txt").string(), 0, 0));
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0], (dir / "nowhere.txt").string() + " は存在しません");
    EXPECT_EQ(host.messages[1], (dir / "nowhere.txt").string() + " の読み込みに失敗しました");
    ASSERT_EQ(document.scene.Count(), 1);
    EXPECT_EQ(document.scene.Body(0)->typeName, "GROUND");
    EXPECT_EQ(document.scene.Body(0)->displayName, "地面");
    ASSERT_EQ(document.views.size(), 1u);
    EXPECT_EQ(document.views[0]->displayName, "メイン");
}

TEST_F(SceneLoad, ScriptErrorReportsTheLinesAroundItAndLeavesTheInitialScene) {
    host.answer = Answer::No;
    EXPECT_FALSE(
        Load("Set a = Application.AddObj( \"BOX\" , \"A\" )\n"
             "a.widthX = 1\n"
             "a.widht = 2\n"
             "a.widthY = 1\n"
             "a.widthZ = 1\n"
             "a.colorR = 1\n"));
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0],
              "スクリプト解釈時のエラー\n\nLineNumber=2\nCharacterPosition=2\n\n"
              "00000000 : Set a = Application.AddObj( \"BOX\" , \"A\" )\n"
              "00000001 : a.widthX = 1\n"
              "00000002 : a.widht = 2  <--------- Error\n"
              "00000003 : a.widthY = 1\n"
              "00000004 : a.widthZ = 1\n");
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0], (dir / "scene.txt").string() + " を\n編集のために開きますか?\n");
    EXPECT_EQ(host.messages[1], (dir / "scene.txt").string() + " の読み込みに失敗しました");
    // The error's own description goes to the host's log, not to a stream of its own.
    ASSERT_EQ(host.diagnostics.size(), 1u);
    EXPECT_EQ(host.diagnostics[0].rfind("KORVAN3: script error ", 0), 0u) << host.diagnostics[0];
    ASSERT_EQ(document.scene.Count(), 1);
    EXPECT_EQ(document.scene.Body(0)->typeName, "GROUND");
}

TEST_F(SceneLoad, ErrorReportOnTheFirstAndLastLineListsOnlyExistingLines) {
    vbs::ScriptError first{13, "Type mismatch", 0, 4};
    std::vector<std::string> lines{"a", "b", "c", "d"};
    EXPECT_EQ(FormatScriptErrorReport(first, lines),
              "スクリプト解釈時のエラー\n\nLineNumber=0\nCharacterPosition=4\n\n"
              "00000000 : a  <--------- Error\n00000001 : b\n00000002 : c\n");
    vbs::ScriptError last{13, "Type mismatch", 3, 0};
    EXPECT_EQ(FormatScriptErrorReport(last, lines),
              "スクリプト解釈時のエラー\n\nLineNumber=3\nCharacterPosition=0\n\n"
              "00000001 : b\n00000002 : c\n00000003 : d  <--------- Error\n");
}

TEST_F(SceneLoad, FileNameWithoutFolderLoadsFromTheCurrentDirectory) {
    Write("plain.txt", "Set a = Application.AddObj( \"BOX\" , \"here\" )\n");
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    bool loaded = commands.LoadScene("plain.txt", 0, 0);
    std::filesystem::current_path(previous);
    ASSERT_TRUE(loaded);
    EXPECT_NE(Body("here"), nullptr);
    EXPECT_EQ(document.sceneFolder, std::filesystem::canonical(dir).string() + "/");
    EXPECT_EQ(document.sceneFileName, "plain.txt");
}

TEST_F(SceneLoad, RelativeFileNamesResolveAgainstTheSceneFolderFromElsewhere) {
    Write("scenes/music/theme.ogg", "not really music");
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    bool loaded = Load(R"(
Set m = Application.AddObj( "MUSIC" , "" )
m.AddFile "music\theme.ogg"
m.AddFile "music\missing.ogg"
Set v = Application.AddObj( "VIEW" , "cam" )
v.SetPicture "pics\help.png" , "" , 1 , 0 , 0 , 1 , 1
)",
                       "scenes/scene.txt");
    std::filesystem::current_path(previous);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(document.musics[0]->files.size(), 1u);
    EXPECT_EQ(document.musics[0]->files[0], (dir / "scenes").string() + "/music\\theme.ogg");
    EXPECT_EQ(document.musics[0]->displayName, "theme");
    EXPECT_EQ(document.views[0]->picture.file, (dir / "scenes").string() + "/pics\\help.png");
}

TEST_F(SceneLoad, ReferenceBodyCarriesTheViewsNoBodyCarries) {
    ASSERT_TRUE(Load(R"(
Set g = Application.AddObj( "GROUND" , "G" )
g.RHO = -1
Set base = Application.AddObj( "BOX" , "base" )
base.RHO = -1
Set car = Application.AddObj( "BOX" , "car" )
Set v = Application.AddObj( "VIEW" , "free" )
Set w = Application.AddObj( "VIEW" , "riding" )
car.AddView w, 1,1,1, 0,0,0, 0,0,1
)"));
    EXPECT_EQ(Body("base")->mountedViews, std::vector<int>{0});
    EXPECT_EQ(Body("car")->mountedViews, std::vector<int>{1});
}

TEST_F(SceneLoad, JoinSettingsAreSharedOutOverTheGroupsPoints) {
    ASSERT_TRUE(Load(R"(
Set a = Application.AddObj( "BOX" , "A" )
Set b = Application.AddObj( "BOX" , "B" )
Application.Join2 a, 0.5,0,0, 0,0.2,0, b, -0.5,0,0, 0,0.2,0, -2
Application.Join1 a, 0,0,0.5, b, 0,0,-0.5
)"));
    CObj* a = Body("A");
    ASSERT_EQ(a->joins.size(), 3u);
    EXPECT_EQ(a->joins[0].strengthSetting, -1);
    EXPECT_EQ(a->joins[1].strengthSetting, -1);
    EXPECT_EQ(a->joins[0].kindCode, 201);
    EXPECT_EQ(a->joins[1].kindCode, 202);
    EXPECT_EQ(a->joins[2].strengthSetting, -1);
    EXPECT_EQ(a->joins[0].partner, Body("B"));
}

TEST_F(SceneLoad, MergeHangsTheMergedModelOnTheLastGround) {
    ASSERT_TRUE(Load(R"(
Set g = Application.AddObj( "GROUND" , "G" )
g.RHO = -1
)"));
    std::string merged = Write("part.txt", R"(
Set g2 = Application.AddObj( "GROUND" , "G2" )
g2.RHO = -1
Set car = Application.AddObj( "BOX" , "car" )
car.SetPosition 0, 0, 1
car.AddCrash g2
Application.Join1 car, 0,0,-0.5, g2, 0,0,0.5
Set v = Application.AddObj( "VIEW" , "extra" )
)");
    const std::size_t views = document.views.size();
    ASSERT_TRUE(commands.MergeScene(merged));
    ASSERT_EQ(document.scene.Count(), 2);
    CObj* g = Body("G");
    CObj* car = Body("car");
    ASSERT_NE(car, nullptr);
    EXPECT_EQ(Body("G2"), nullptr);
    EXPECT_EQ(car->interactions[0].other, g);
    ASSERT_EQ(car->joins.size(), 1u);
    EXPECT_EQ(car->joins[0].partner, g);
    ASSERT_EQ(g->joins.size(), 1u);
    EXPECT_EQ(g->joins[0].partner, car);
    EXPECT_EQ(car->joins[0].partnerIndex, 0);
    EXPECT_EQ(g->joins[0].partnerIndex, 0);
    EXPECT_EQ(car->id, 1);
    EXPECT_EQ(document.views.size(), views);  // the merged file's views are not kept
}

TEST_F(SceneLoad, MergeWithoutGroundOrBodiesIsRefusedAndChangesNothing) {
    ASSERT_TRUE(Load("Set a = Application.AddObj( \"BOX\" , \"A\" )\n"));
    std::string merged = Write("part.txt", "Set b = Application.AddObj( \"BOX\" , \"B\" )\n");
    EXPECT_FALSE(commands.MergeScene(merged));
    EXPECT_EQ(document.scene.Count(), 1);
    EXPECT_EQ(host.messages.size(), 1u);
    std::string broken =
        Write("broken.txt", "Set b = Application.AddObj( \"BOX\" , \"B\" )\nb.nothing = 1\n");
    EXPECT_FALSE(commands.MergeScene(broken));
    EXPECT_EQ(document.scene.Count(), 1);
}

TEST_F(SceneLoad, KindMembersReachSpringsDifferentialsAndTheGround) {
    ASSERT_TRUE(Load(R"(
Set s = Application.AddObj( "SPRING" , "S" )
s.SetSpringObjByName "X", "Y", 1234, 5, 0.01
Set d = Application.AddObj( "DEF" , "D" )
d.SetDefObjByName "", "", 1, 2
Set g = Application.AddObj( "GROUND" , "G" )
g.SetHeightBmp "relief\missing.png"
)"));
    auto* spring = dynamic_cast<CObjSpring*>(Body("S"));
    ASSERT_NE(spring, nullptr);
    EXPECT_EQ(spring->springConstant, 1234);
    EXPECT_EQ(spring->springDamping, 5);
    EXPECT_EQ(spring->extension.value[0], 0.01);
    auto* def = dynamic_cast<CObjDef*>(Body("D"));
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->defSpring, 1);
    EXPECT_EQ(def->defDamping, 2);
    EXPECT_NE(Body("G"), nullptr);  // a missing image leaves a flat ground and the load goes on
}

}  // namespace
}  // namespace korvan
