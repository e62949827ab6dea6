#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "SceneFixture.h"
#include "base/TextEncoding.h"
#include "script/SceneWriter.h"
#include "sim/ObjGround.h"

namespace korvan {
namespace {

using testing::SceneFixture;
using testing::SmallBmp;

__attribute__((format(printf, 1, 2))) std::string Fmt(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

class SceneWriter : public SceneFixture {
  protected:
    // Saves the loaded scene to name in the test folder and returns the bytes written.
    std::string Save(const std::string& name) {
        std::string path = (dir / name).string();
        EXPECT_TRUE(SaveSceneAs(document, *application, path));
        return ReadBytes(path);
    }
    // load -> save -> load -> save: the two saved files must be the same bytes, and the scene
    // loaded back must have the connection constants the scene had.
    void ExpectRoundTrip(const std::string& scene) {
        ASSERT_TRUE(Load(scene));
        const std::vector<double> constants = ConnectionConstants();
        const std::string first = Save("first.txt");
        ASSERT_TRUE(commands.LoadScene((dir / "first.txt").string(), 0, 0)) << ShiftJisToUtf8(first);
        const std::vector<double> reloaded = ConnectionConstants();
        ASSERT_EQ(reloaded.size(), constants.size());
        for (std::size_t k = 0; k < constants.size(); ++k)
            EXPECT_EQ(reloaded[k], constants[k]) << "record " << k / 4 << ", value " << k % 4;
        const std::string second = Save("second.txt");
        EXPECT_EQ(ShiftJisToUtf8(first), ShiftJisToUtf8(second));
        EXPECT_TRUE(host.messages.empty()) << host.messages.front();
    }
    // Every connection record's spring, damping and break values, body by body (a body's records
    // sorted: the file makes each connection from the body listed first).
    std::vector<double> ConnectionConstants() const {
        std::vector<double> values;
        for (int i = 0; i < document.scene.Count(); ++i) {
            std::vector<std::array<double, 4>> records;
            for (const _JOININFO& j : document.scene.Body(i)->joins)
                records.push_back({j.baseStrength, j.effStrength, j.effFriction, j.effBreak});
            std::sort(records.begin(), records.end());
            for (const auto& r : records) values.insert(values.end(), r.begin(), r.end());
        }
        return values;
    }
};

std::string Header() {
    const std::string dashes = "' " + std::string(128, '-') + "\n",
                      slashes = "' " + std::string(128, '/') + "\n";
    return dashes + slashes + dashes;
}

std::string Section(const std::string& title) {
    const std::string blank4 = "' \n' \n' \n' \n";
    return Header() + blank4 + "'" + std::string(47, ' ') + title + " \n" + blank4;
}

std::string Spaced() {
    std::string line = "' ";
    for (int i = 0; i < 64; ++i) line += "- ";
    return line + "\n";
}

std::string Sub(const std::string& word) {
    return "'\n' " + word + "\n'\n";
}

TEST_F(SceneWriter, SmallSceneIsWrittenLineByLineInShiftJisWithCrLf) {
    ASSERT_TRUE(Load(R"(
Set Base = Application.AddObj( "BOX" , "台" )
Base.RHO = -1
Base.colorR = 0.5 : Base.colorG = 0.5 : Base.colorB = 0.5
Base.SetPosition 0, 0, -0.5
Set Wheel = Application.AddObj( "CYLINDER" , "輪" )
Wheel.widthR = 0.5
Wheel.widthW = 0.2
Wheel.colorR = 0.5 : Wheel.colorG = 0.5 : Wheel.colorB = 0.5
Application.Join2_Horz Base, 0, 0, 0, 0, 0.1, 0, Wheel, 0, 0, 0.5, 0, 0.1, 0
)"));
    const CObj& base = *Body("台");
    const CObj& wheel = *Body("輪");
    const std::string bytes = Save("small.txt");

    // Every line ends in CR LF, and nowhere is there a bare LF.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
        }
    }

    const std::string zero3 = Fmt("%24.16e , %24.16e , %24.16e\n", 0.0, 0.0, 0.0);
    auto position = [&](const char* v, double z) {
        return Sub("位置情報") + Fmt("%s.SetPosition        %24.16e , %24.16e , %24.16e\n", v, 0.0, 0.0, z) +
               v + ".SetVelocity        " + zero3 + v + ".SetAngularVelocity " + zero3 + v +
               ".SetAngle           " + zero3 + "' \n";
    };
    auto attributes = [&](const char* v) {
        return std::string(v) + ".Transparent =      0\n" + v + ".colorR =    0.5\n" + v +
               ".colorG =    0.5\n" + v + ".colorB =    0.5\n";
    };
    const std::string blank = "' \n", row0 = "                                     " +
                                             Fmt("%12g , %12g , %12g ,_\n", 0.0, 0.0, 0.0);
    std::string expected =
        Header() + "' \n' \n' \n' \n'" + std::string(48, ' ') +
        "KORVAN3 Version 3.02 Scene File \n' \n' \n' \nApplication.CheckVersion 3.02 \n' \n' \n' \n";
    expected += Section("オブジェクトの作成と基本物性の設定");
    expected += Spaced() + Sub("作成") + "Set Base = Application.AddObj( \"BOX\" , \"台\" )\n" +
                Sub("サイズ") + "Base.widthX =      1 ' ( 幅  =   1000 mm )\n" +
                "Base.widthY =      1 ' ( 奥行=   1000 mm )\n" +
                "Base.widthZ =      1 ' ( 高さ=   1000 mm )\n" + Sub("基本属性") +
                "Base.RHO =     -1 ' ( 完全固定 )\n" + attributes("Base") + position("Base", -0.5) + blank;
    expected +=
        Spaced() + Sub("作成") + "Set Wheel = Application.AddObj( \"CYLINDER\" , \"輪\" )\n" + Sub("サイズ") +
        "Wheel.widthR =    0.5 ' ( 半径=    500 mm )\n" + "Wheel.widthW =    0.2 ' ( 長さ=    200 mm )\n" +
        Sub("基本属性") +
        Fmt("Wheel.RHO =   1000 ' ( 質量= %6g kg , 体積= %6g m^3 )\n", wheel.mass, wheel.mass / 1000) +
        attributes("Wheel") + position("Wheel", 0) + blank + blank;
    expected += Section("カメラの作成と配置") + blank;
    expected += Section("計器の作成と配置") + "'\n'\n" + blank;
    expected += Section("BGM ウィンドウの作成と配置") + blank;
    const _JOININFO& r0 = base.joins.at(0);
    expected += Section("オブジェクト同士の接続") +
                Fmt("' 台 と 輪 の２点接続 (基準K=%e , 基準R=%e)\n", r0.baseStrength, r0.baseFriction) +
                "Application.Join2_Horz Base ,_\n" + row0 + "                                     " +
                Fmt("%12g , %12g , %12g ,_\n", 0.0, 0.1, 0.0) + "                  Wheel ,_\n" +
                "                                     " + Fmt("%12g , %12g , %12g ,_\n", 0.0, 0.0, 0.5) +
                "                                     " + Fmt("%12g , %12g , %12g ,_\n", 0.0, 0.1, 0.0) +
                "                  -1 , -1 , 0 \n\n" + blank + blank + blank;
    expected += Section("衝突可能性の定義") + blank;
    expected += Section("ユーザーインターフェースの定義") + blank;
    // Default gravity writes no gravity line.
    expected += Section("全体の環境設定") +
                "Application.GrabForce = 100000\nApplication.PreCalcTime =      0\n" +
                "Application.CurTime =      0\n" + "Application.ShowControl \"CPU\" , 1  \n" +
                "Application.ShowControl \"BGM\" , 1  \n" + "Application.ShowControl \"METER\" , 1  \n" +
                "Application.ShowControl \"PANEL\" , 1  \n" + "' \n' \n' \n' End of File\n";

    std::istringstream want(expected), got(ShiftJisToUtf8(bytes));
    std::string a, b;
    for (int line = 1; std::getline(want, a); ++line) {
        ASSERT_TRUE(std::getline(got, b)) << "file ends before line " << line << ": " << a;
        ASSERT_FALSE(b.empty());
        b.pop_back();  // CR
        ASSERT_EQ(a, b) << "line " << line;
    }
    EXPECT_FALSE(std::getline(got, b)) << "extra line: " << b;
}

TEST_F(SceneWriter, EveryRecordKindSurvivesALoadSaveRoundTrip) {
    Write("a.wav", "RIFF");
    ExpectRoundTrip(R"(
Set G = Application.AddObj( "GROUND" , "地面" )
G.RHO = -1
Set A = Application.AddObj( "BOX" , "箱 A" )
A.widthX = 0.5
A.crashPointX = 3
A.SetPosition 0, 0, 1
A.SetVelocity 0.1, 0.2, 0.3
A.ShadeThrow = 1
Set B = Application.AddObj( "CYLINDER" , "B" )
B.crashPointR = 12
B.SetPosition 1, 0, 1
Set C = Application.AddObj( "BOX" , "C" )
C.SetPosition 0, 1, 1
Set D = Application.AddObj( "BOX" , "D" )
D.SetPosition 0, 2, 1
Application.Join1 A, 0.1, 0, 0, B, 0, 0.1, 0, -2, -3, 0.5
Application.Join2_Vert A, 0, 0, 0, 0, 0, 0.1, C, 0, 0, 0, 0, 0, 0.1
Application.Join2 C, 0, 0, 0, 0.1, 0, 0, D, 0, 0, 0, 0.1, 0, 0
Application.Join4 D, 0, 0, 0, 0.1, 0, 0, 0, 0.1, 0, G, 0, 2, 0, 0.1, 0, 0, 0, 0.1, 0, 1000, 10, 0
A.MoveJointByKey B, 38, 40, 0.01, -0.1, 0.1, 0, 0, 0, 1, 0, 0, 0.5, 0.02
A.RotateJointByKey C, 37, 39, 0.02, -1, 1, 0, 0, 0, 0, 0, 1, 0, 0
C.SlideJointByKey D, 33, 34, 0.03, 0, 0.2, 0, 0, 0, 0, 1, 0, 0, 0
D.AddMoveForceX 0, 0.1, 0.5, 6.28
D.AddMoveForceZ 1, 0.2, 0, 3
A.AddCrash G, -1, 0.9, 0.8, 0.02, -2, -3
B.AddGear A, 2
A.AddMoveByKey 87, 0, 10, 0
A.AddRotateByKey 65, 0, 0, 5
B.AddBrakeByKey 32, 0, 80, 0
A.SetCrashSoundMode 1
A.SetSpeedSoundMode 2
A.SetSpeedSoundMode1param 0.5, 2
Set V = Application.AddObj( "VIEW" , "追跡" )
V.left = 0.5
V.fixH = 1
V.projection = 0.5
A.AddView V, -6, 0, 2.5, 0, 0, 0, 0, 0, 1
Set M = Application.AddObj( "METER" , "速度計" )
A.AddMeter M, 0, 3.6
Set Music = Application.AddObj( "MUSIC" , "BGM" )
Music.AddFile "a.wav"
Application.GravityX = 1
Application.PreCalcTime = 0.5
Application.ShowControl "BGM", 0
)");
}

TEST_F(SceneWriter, EverySampleSceneSurvivesALoadSaveRoundTrip) {
    const char* root = std::getenv("KORVAN_SOURCE_DIR");
    ASSERT_NE(root, nullptr);
    for (const char* name : {"car.txt", "arm.txt", "chain.txt", "suspension.txt"}) {
        SCOPED_TRACE(name);
        ExpectRoundTrip(ReadBytes(std::string(root) + "/Samples/" + name));
    }
}

// A fixed body keeps the mass it had when it was fixed, and that mass sets the stiffness of its
// connections: an 8 kg anchor fixed after MakeModel must not come back as the 1000 kg of a new box
// (125 times stiffer connections). A body fixed without a model of its own writes no more lines.
TEST_F(SceneWriter, FixedBodyKeepsItsMassThroughTheFile) {
    const std::string scene = R"(
Set Anchor = Application.AddObj( "BOX" , "錨" )
Anchor.widthX = 0.2 : Anchor.widthY = 0.2 : Anchor.widthZ = 0.2
Anchor.MakeModel
Anchor.RHO = -1
Anchor.SetPosition 0, 0, 2
Set Post = Application.AddObj( "CYLINDER" , "柱" )
Post.RHO = -1
Set Bob = Application.AddObj( "BOX" , "重り" )
Bob.widthX = 0.1 : Bob.widthY = 0.1 : Bob.widthZ = 0.1
Bob.SetPosition 0, 0, 1.85
Application.Join1 Anchor, 0, 0, -0.1, Bob, 0, 0, 0.05
Application.Join1 Post, 0, 0, 0, Bob, 0, 0, -0.05
)";
    ExpectRoundTrip(scene);
    ASSERT_NE(Body("錨"), nullptr);
    EXPECT_DOUBLE_EQ(Body("錨")->mass, 8);
    EXPECT_DOUBLE_EQ(Body("錨")->joins[0].baseStrength, 3000000 * 8);
    const std::string saved = ShiftJisToUtf8(Save("anchor.txt"));
    EXPECT_NE(
        saved.find("Anchor.RHO = 1000 ' ( 固定前の質量= " + Fmt("%6g", 8.0) +
                   " kg )\r\nAnchor.MakeModel\r\nAnchor.RHO = " + Fmt("%6g", -1.0) + " ' ( 完全固定 )\r\n"),
        std::string::npos)
        << saved;
    EXPECT_EQ(saved.find("Post.MakeModel"), std::string::npos);  // it kept the mass it was created with
}

// A scene built the way hand-written scripts build one: a class makes each wheel and is
// instantiated four times, With blocks set the bodies up. The saved file holds plain lines
// that give back the same bodies.
TEST_F(SceneWriter, AScriptWithClassesWithAndDatesBuildsBodiesThatSurviveARoundTrip) {
    const std::string scene = R"(
Set Ground = Application.AddObj( "GROUND" , "Ground" )
With Ground
    .widthX = 100 : .widthY = 100 : .widthZ = 1 : .RHO = -1
End With
Set Car = Application.AddObj( "BOX" , "Body" )
With Car
    .widthX = 2 : .widthY = 1 : .widthZ = 0.3 : .RHO = 200
    .SetPosition 0, 0, 0.5
End With

Class Wheel
    Public Radius, Body
    Private Sub Class_Initialize
        Radius = 0.3
    End Sub
    Public Sub Build(name, x, y)
        Set Body = Application.AddObj("CYLINDER", name)
        With Body
            .widthR = Radius : .widthW = 0.2 : .RHO = 500
            .SetPosition x, y, Radius
        End With
        Application.Join2_Horz Body, 0, 0, 0, 0, 0.1, 0, Car, x, y, -0.2, 0, 0.1, 0
    End Sub
End Class

Dim wheels(3), k, built
built = #2020-01-31#
For k = 0 To 3
    Set wheels(k) = New Wheel
    If k >= 2 Then wheels(k).Radius = 0.3 + Month(DateAdd("m", 1, built)) * 0.025
    wheels(k).Build "Wheel" & k, IIf(k Mod 2 = 0, 0.8, -0.8), IIf(k < 2, 0.6, -0.6)
Next
)";
    ASSERT_TRUE(Load(scene.substr(0, scene.find("Dim wheels")) + R"(
Function IIf(c, a, b)
    If c Then IIf = a Else IIf = b
End Function
)" + scene.substr(scene.find("Dim wheels"))));
    ASSERT_EQ(document.scene.Count(), 6);
    ASSERT_NE(Body("Wheel3"), nullptr);
    EXPECT_DOUBLE_EQ(Body("Wheel3")->Position(0).z, 0.35);
    EXPECT_DOUBLE_EQ(Body("Wheel0")->Position(0).x, 0.8);
    const std::string first = Save("first.txt");
    ASSERT_TRUE(commands.LoadScene((dir / "first.txt").string(), 0, 0)) << ShiftJisToUtf8(first);
    ASSERT_EQ(document.scene.Count(), 6);
    EXPECT_DOUBLE_EQ(Body("Wheel3")->Position(0).z, 0.35);
    EXPECT_EQ(ShiftJisToUtf8(first), ShiftJisToUtf8(Save("second.txt")));
    EXPECT_TRUE(host.messages.empty()) << host.messages.front();
}

TEST_F(SceneWriter, SpringsDifferentialsAndTurnedBodiesSurviveARoundTrip) {
    ExpectRoundTrip(R"(
Set S = Application.AddObj( "SPRING" , "ばね" )
S.SetSpringObjByName "", "", 5000, 50, 0.01, 0.2
Set D = Application.AddObj( "DEF" , "デフ" )
D.SetDefObj S, S, 3, 0.5, 0.25, 1.5
D.SetAngle 0.3, -0.2, 1.1
D.SetAngularVelocity 1, 2, 3
Application.Join1 S, 0, 0.15, 0, D, 0, -0.15, 0
)");
}

TEST_F(SceneWriter, GroundImagesAndViewPicturesAreWrittenRelativeAndReloaded) {
    Write("img/h.bmp", SmallBmp());
    ExpectRoundTrip(R"(
Set G = Application.AddObj( "GROUND" , "地面" )
G.SetHeightBmp "img\h.bmp"
G.SetColorBmp "img\h.bmp"
Set V = Application.AddObj( "VIEW" , "図" )
V.SetPicture "img\h.bmp", "img\h.bmp", 1, 0, 0, 0.5, 0.25
)");
    const std::string written = ShiftJisToUtf8(Save("ground.txt"));
    EXPECT_NE(written.find("G.SetHeightBmp \"img\\h.bmp\" ' ( 高さを表現する画像データ )\r\n"
                           "G.SetColorBmp \"img\\h.bmp\" ' ( 色を表現する画像データ )\r\n"),
              std::string::npos);
    EXPECT_NE(written.find("V.SetPicture \"img\\h.bmp\" , \"img\\h.bmp\" , 1 , 0 , 0 , 0.5 , 0.25 \r\n"),
              std::string::npos);
}

// A saved file that does not load loses the user's work: names with quotes and line ends, and
// files named with quotes, are written as literals the loader reads back to the same text.
TEST_F(SceneWriter, NamesWithQuotesAndLineEndsComeBackUnchanged) {
    Write("img/say \"h\".bmp", SmallBmp());
    ASSERT_TRUE(Load(R"(
Set G = Application.AddObj( "GROUND" , "the ""big"" one" )
G.SetColorBmp "img\say ""h"".bmp"
Set A = Application.AddObj( "BOX" , "two" & vbCrLf & "lines" )
Application.Join1 A, 0,0,0, G, 0,0,0
Set V = Application.AddObj( "VIEW" , "cam ""1""" )
)"));
    Save("saved.txt");
    ASSERT_TRUE(commands.LoadScene((dir / "saved.txt").string(), 0, 0));
    EXPECT_TRUE(host.messages.empty()) << host.messages.front();
    EXPECT_EQ(Body("the \"big\" one")->displayName, "the \"big\" one");
    EXPECT_NE(Body("two\r\nlines"), nullptr);
    EXPECT_EQ(document.views[0]->displayName, "cam \"1\"");
    auto* ground = dynamic_cast<CObjGround*>(Body("the \"big\" one"));
    ASSERT_NE(ground, nullptr);
    EXPECT_NE(ground->colorImagePath.find("say \"h\".bmp"), std::string::npos);
}

class OneController final : public GameControllers {
  public:
    bool plugged = true;
    int Count() const override { return plugged ? 1 : 0; }
    std::string Name(int index) const override { return plugged && index == 0 ? "Pad" : ""; }
    bool Read(int, ControllerState& state) override {
        state = ControllerState{};
        return false;
    }
    void SetForce(int, double, double, double) override {}
};

TEST_F(SceneWriter, ControllerRecordsAreWrittenWhileTheControllerIsThereAndLeftOutWhenItIsGone) {
    OneController pad;
    document.scene.controllers = &pad;
    const std::string scene = R"(
Set A = Application.AddObj( "BOX" , "A" )
Set B = Application.AddObj( "BOX" , "B" )
Application.Join1 A, 0, 0, 0, B, 0, 0, 0
A.MoveJointByGameCtrl B, "Pad", 1, 0, 1, 0.5, 0.01, -0.1, 0.1, 0, 0, 0, 1, 0, 0, 0, 0
A.AddRotateByGameCtrl "Pad", 0, 0, 3, 2, 1, 4, 5
A.AddMoveByGameCtrl "Pad", 10, 0, 0, 0, 0
A.AddBrakeByKey 32, 0, 0, 7
)";
    ExpectRoundTrip(scene);
    const std::string written = ShiftJisToUtf8(Save("with-pad.txt"));
    EXPECT_NE(
        written.find(
            "A.MoveJointByGameCtrl B , _\r\n                                \"Pad\" , 1 , 0 , 1 , 0.5 , _"),
        std::string::npos);
    EXPECT_NE(written.find("A.AddRotateByGameCtrl \"Pad\" ,      0 ,      0 ,      3 , 2 , 1 , 4 , 5 \r\n"),
              std::string::npos);
    EXPECT_NE(written.find("A.AddMoveByGameCtrl \"Pad\" ,     10 ,      0 ,      0 , 0 , 0 \r\n"),
              std::string::npos);

    pad.plugged = false;
    const std::string unplugged = ShiftJisToUtf8(Save("without-pad.txt"));
    EXPECT_EQ(unplugged.find("GameCtrl"), std::string::npos);
    EXPECT_NE(unplugged.find("A.AddBrakeByKey 32 ,      0,     0,     7 \r\n"), std::string::npos);
    EXPECT_TRUE(commands.LoadScene((dir / "without-pad.txt").string(), 0, 0));
}

TEST_F(SceneWriter, FileNamesAreWrittenRelativeToTheSaveFolder) {
    Write("sound/a.wav", "RIFF");
    ASSERT_TRUE(Load(R"(
Set M = Application.AddObj( "MUSIC" , "BGM" )
M.AddFile "sound\a.wav"
)"));
    ASSERT_EQ(document.musics.at(0)->files.size(), 1u);
    document.musics[0]->files.push_back("C:\\music\\b.wav");
    EXPECT_NE(ShiftJisToUtf8(Save("same.txt")).find("M.AddFile \"sound\\a.wav\" \r\n"), std::string::npos);
    std::filesystem::create_directories(dir / "below");
    EXPECT_NE(ShiftJisToUtf8(Save("below/x.txt")).find("M.AddFile \"..\\sound\\a.wav\" \r\n"),
              std::string::npos);
    // A name on another root is written whole, with a message unless the writer is quiet.
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0], "C:\\music\\b.wav と\n" + (dir / "").string() +
                                    " は\nルートから異なるので相対パスに変換できません");
    SceneWriteOptions quiet;
    quiet.saveFolder = (dir / "").string();
    quiet.quiet = true;
    EXPECT_NE(ShiftJisToUtf8(SceneFileBytes(document, quiet)).find("M.AddFile \"C:\\music\\b.wav\" \r\n"),
              std::string::npos);
    EXPECT_EQ(host.messages.size(), 2u);
}

TEST_F(SceneWriter, FileThatCannotBeOpenedIsReportedAndNothingChanges) {
    ASSERT_TRUE(Load("Set A = Application.AddObj( \"BOX\" , \"A\" )\n"));
    const std::string folder = document.sceneFolder;
    const std::string path = (dir / "missing" / "x.txt").string();
    EXPECT_FALSE(SaveSceneAs(document, *application, path));
    EXPECT_EQ(host.messages, std::vector<std::string>{path + " \n\nに書き込めません"});
    EXPECT_EQ(document.sceneFolder, folder);
}

}  // namespace
}  // namespace korvan
