// Undo, redo and the recovery from anomalies, through the real loader, writer and files.
#include <filesystem>

#include "SceneFixture.h"
#include "base/Anomaly.h"
#include "base/Paths.h"
#include "script/DispatchObj.h"
#include "script/SceneWriter.h"
#include "sim/ObjGround.h"
#include "sim/Scheduler.h"

namespace korvan {
namespace {

using testing::SceneFixture;
using testing::SmallBmp;
using testing::TestBackupNames;

class Backups : public SceneFixture {
  protected:
    void SetUp() override {
        SceneFixture::SetUp();
        DiscardAnomalies();
        backups.Attach(commands);
    }
    void TearDown() override {
        DiscardAnomalies();
        SceneFixture::TearDown();
    }

    int Cur() const { return backups.positions().cur; }
    int Low() const { return backups.positions().low; }
    std::vector<std::string> BodyNames() const {
        std::vector<std::string> names;
        for (int i = 0; i < document.scene.Count(); ++i) names.push_back(document.scene.Body(i)->displayName);
        return names;
    }
    bool Has(const std::string& text) const {
        for (const std::string& m : host.messages)
            if (m.find(text) != std::string::npos) return true;
        return false;
    }

    CScheduler scheduler{document.scene};
};

TEST_F(Backups, StartUpWritesTheEmptySceneAndTheGroundAndUndoRedoWalkBetweenThem) {
    commands.Initialise();
    EXPECT_EQ(Cur(), 1);
    EXPECT_EQ(backups.positions().top, 1);
    EXPECT_TRUE(std::filesystem::exists(backups.FileOf(0)));
    EXPECT_TRUE(std::filesystem::exists(backups.FileOf(1)));

    ASSERT_TRUE(backups.Undo());
    EXPECT_EQ(Cur(), 0);
    EXPECT_EQ(document.scene.Count(), 0);
    ASSERT_EQ(document.views.size(), 1u);
    EXPECT_EQ(document.views[0]->displayName, "メイン");
    EXPECT_FALSE(backups.CanUndo());
    EXPECT_FALSE(backups.Undo());

    ASSERT_TRUE(backups.Redo());
    EXPECT_EQ(BodyNames(), std::vector<std::string>{"地面"});
    EXPECT_FALSE(backups.Redo());
    EXPECT_EQ(Cur(), 1);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Backups, OneCreatedBodyIsOneUndoAndRedoBringsItBackAsCreationLeftIt) {
    commands.Initialise();
    CObj* box = application->CreateBody("BOX", "箱")->body();
    EXPECT_EQ(Cur(), 3);
    box->SetPosition(0, 0, 5);  // the follow-up raise of an add-body command, after the backup

    ASSERT_TRUE(backups.Undo());
    EXPECT_EQ(BodyNames(), std::vector<std::string>{"地面"});
    ASSERT_TRUE(backups.Redo());
    ASSERT_EQ(BodyNames(), (std::vector<std::string>{"地面", "箱"}));
    EXPECT_EQ(document.scene.Body(1)->GetPosition().z, 0);

    ASSERT_TRUE(backups.Undo());
    application->CreateBody("CYLINDER", "車輪");  // a new edit gives up what lay ahead
    EXPECT_FALSE(backups.CanRedo());
    EXPECT_FALSE(backups.Redo());
    EXPECT_EQ(BodyNames(), (std::vector<std::string>{"地面", "車輪"}));
}

// Two backups per body and one at the end, which keeps what the script did after its last body
// (here E's position, the join and the collision) and the file's own variable names.
TEST_F(Backups, LoadingTakesTwoBackupsPerBodyAndOneAtTheEndAndKeepsTheUsersFileName) {
    commands.Initialise();
    ASSERT_TRUE(Load(R"(
Set a = Application.AddObj( "BOX" , "A" )
Set b = Application.AddObj( "BOX" , "B" )
Set c = Application.AddObj( "BOX" , "C" )
Set d = Application.AddObj( "BOX" , "D" )
Set e = Application.AddObj( "BOX" , "E" )
e.SetPosition 1, 2, 3
Application.Join1 d, 0, 0, 0.5, e, 0, 0, -0.5
e.AddCrash a
)",
                     "five.txt"));
    EXPECT_EQ(Cur(), 1 + 2 * 5 + 1);
    EXPECT_EQ(Low(), Cur() - 9);  // the oldest reachable position lies inside the load
    const std::string folder = document.sceneFolder;
    SceneWriteOptions options;
    options.saveFolder = dir.string() + "/";
    const std::string loaded = SceneFileBytes(document, options);

    ASSERT_TRUE(backups.Undo());  // back to the moment E was created
    EXPECT_EQ(BodyNames(), (std::vector<std::string>{"A", "B", "C", "D", "E"}));
    EXPECT_EQ(Body("E")->GetPosition().z, 0);
    EXPECT_TRUE(Body("E")->joins.empty());
    EXPECT_TRUE(Body("E")->interactions.empty());
    for (int i = 0; i < document.scene.Count(); ++i) {
        CObj* body = document.scene.Body(i);
        EXPECT_EQ(body->varName, std::string(1, static_cast<char>('a' + i)));
    }
    ASSERT_TRUE(backups.Undo());  // and before it
    EXPECT_EQ(BodyNames(), (std::vector<std::string>{"A", "B", "C", "D"}));
    EXPECT_EQ(document.sceneFileName, "five.txt");
    EXPECT_EQ(document.sceneFolder, folder);

    ASSERT_TRUE(backups.Redo());
    ASSERT_TRUE(backups.Redo());  // the whole scene again, names and all
    EXPECT_FALSE(backups.CanRedo());
    EXPECT_EQ(SceneFileBytes(document, options), loaded);
}

TEST_F(Backups, FilesTheSceneNamesAreFoundAgainFromTheRingsFolder) {
    Write("img/h.bmp", SmallBmp());
    ASSERT_TRUE(Load(R"(
Set G = Application.AddObj( "GROUND" , "地面" )
G.SetHeightBmp "img\h.bmp"
Set V = Application.AddObj( "VIEW" , "図" )
V.SetPicture "img\h.bmp", "", 1, 0, 0, 0.5, 0.25
Set A = Application.AddObj( "BOX" , "A" )
)"));
    const std::string image = (dir / "img" / "h.bmp").string();
    ASSERT_TRUE(backups.Undo());
    auto* ground = dynamic_cast<CObjGround*>(Body("地面"));
    ASSERT_NE(ground, nullptr);
    auto normal = [](const std::string& p) {
        return std::filesystem::path(NativePath(p)).lexically_normal();
    };
    EXPECT_EQ(normal(ground->heightImagePath), normal(image));
    ASSERT_EQ(document.views.size(), 1u);
    EXPECT_EQ(normal(document.views[0]->picture.file), normal(image));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Backups, FromPositionTwelveWithLowThreeNineUndosSucceedAndTheTenthDoesNothing) {
    commands.Initialise();
    for (const char* name : {"A", "B", "C", "D", "E"}) application->CreateBody("BOX", name);
    backups.SaveBackup();  // a dialog's apply
    ASSERT_EQ(Cur(), 12);
    ASSERT_EQ(Low(), 3);
    int undone = 0;
    while (backups.Undo()) ++undone;
    EXPECT_EQ(undone, 9);
    EXPECT_EQ(Cur(), 3);
    EXPECT_EQ(BodyNames(), (std::vector<std::string>{"地面", "A"}));  // position 3: after A
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Backups, PositionsTenApartShareOneFile) {
    BackupPositions p;
    for (int i = 0; i < 24; ++i) p.Advance();
    EXPECT_EQ(p.cur, 23);
    EXPECT_EQ(p.low, 14);
    EXPECT_EQ(p.FileIndex(3), p.FileIndex(13));
    EXPECT_EQ(p.FileIndex(13), p.FileIndex(23));
    EXPECT_EQ(backups.FileOf(23), backups.FileOf(3));
    EXPECT_NE(backups.FileOf(23), backups.FileOf(22));
}

TEST_F(Backups, AnomalyAfterALoadGoesBackToTheLastBodyOfTheFileAndRedoBringsTheRest) {
    commands.Initialise();
    ASSERT_TRUE(Load(R"(
Set a = Application.AddObj( "BOX" , "A" )
a.SetPosition 0, 0, 2
Set b = Application.AddObj( "BOX" , "B" )
Application.Join1 a, 0, 0, -0.5, b, 0, 0, 0.5
b.AddCrash a
Application.PreCalcTime = 0.5
)"));
    EXPECT_EQ(Cur(), 6);
    // Several reports of one pass (stages, bodies) are one fault: one step back.
    PostAnomaly("B の計算で、速度が異常な値 1e+21 0 0 になりました。");
    PostAnomaly("B の計算で、位置が異常な値 1e+21 0 0 になりました。");
    ASSERT_TRUE(backups.HandlePendingAnomaly(scheduler));
    EXPECT_FALSE(backups.HandlePendingAnomaly(scheduler));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0],
              "B の計算で、位置が異常な値 1e+21 0 0 "
              "になりました。\n\n\n直前に保存したバックアップファイルを読み込みます...");
    EXPECT_EQ(BodyNames(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Body("A")->GetPosition().z, 2);
    EXPECT_TRUE(Body("B")->joins.empty());
    EXPECT_EQ(document.scene.settings.PreCalcTime, 0);
    EXPECT_EQ(Cur(), 5);

    ASSERT_TRUE(backups.Redo());  // the scene that ran away, as the file made it
    EXPECT_EQ(Body("B")->joins.size(), 1u);
    EXPECT_EQ(Body("B")->interactions.size(), 1u);
    EXPECT_EQ(document.scene.settings.PreCalcTime, 0.5);
}

TEST_F(Backups, AnomalyWithNoEarlierBackupStartsAfresh) {
    ASSERT_TRUE(Load("Set a = Application.AddObj( \"BOX\" , \"A\" )\n"));
    while (backups.Undo()) {
    }
    ASSERT_EQ(Cur(), 0);  // the oldest position
    backups.HandleAnomaly("A の計算で、計算が続行不可能になりました。", scheduler);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(
        host.messages[0],
        "A の計算で、計算が続行不可能になりました。\n\n\nバックアップファイルが無いため続行不可能です...");
    EXPECT_EQ(BodyNames(), std::vector<std::string>{"地面"});
    EXPECT_EQ(document.views.size(), 1u);
    EXPECT_EQ(Cur(), 2);  // the new ground was backed up as usual
}

TEST_F(Backups, ABackupThatCannotBeWrittenFailsLaterAsAMissingFile) {
    SceneBackups unwritable(TestBackupNames(dir / "missing-folder"));
    auto app = std::make_shared<CDispatchAPP>(document, unwritable.ScriptHooks());
    SceneCommands loader(document, app, unwritable.SceneHooks());
    unwritable.Attach(loader);
    loader.Initialise();
    EXPECT_EQ(unwritable.positions().cur, 1);  // the positions advance all the same
    ASSERT_TRUE(unwritable.Undo());
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0], unwritable.FileOf(0) + " は存在しません");
    EXPECT_EQ(host.messages[1], unwritable.FileOf(0) + " の読み込みに失敗しました");
    EXPECT_EQ(document.scene.Count(), 1);  // the failed load leaves the initial scene
}

TEST_F(Backups, FailedMergeReturnsToTheSceneBeforeIt) {
    ASSERT_TRUE(Load(R"(
Set g = Application.AddObj( "GROUND" , "G" )
g.RHO = -1
Set a = Application.AddObj( "BOX" , "A" )
a.SetPosition 1, 2, 3
a.SetVelocity 4, 5, 6
)"));
    const int before = Cur();
    const std::string broken = "Set b = Application.AddObj( \"BOX\" , \"B\" )\nb.nothing = 1\n";
    EXPECT_FALSE(commands.MergeScene(Write("part.txt", broken)));
    EXPECT_EQ(BodyNames(), (std::vector<std::string>{"G", "A"}));
    EXPECT_EQ(Body("A")->GetVelocity().y, 5);
    // Back at the merge's first backup; the two that B's creation took are given up.
    EXPECT_EQ(Cur(), before + 1);
    EXPECT_FALSE(backups.CanRedo());
}

TEST_F(Backups, TheRingsFilesAreDeletedWithIt) {
    const auto names = TestBackupNames(dir / "ring");
    std::filesystem::create_directories(dir / "ring");
    {
        SceneBackups ring(names);
        auto app = std::make_shared<CDispatchAPP>(document, ring.ScriptHooks());
        SceneCommands loader(document, app, ring.SceneHooks());
        ring.Attach(loader);
        loader.Initialise();
        ASSERT_TRUE(std::filesystem::exists(names[1]));
    }
    for (const std::string& name : names) EXPECT_FALSE(std::filesystem::exists(name)) << name;
}

}  // namespace
}  // namespace korvan
