// Scene files as the scene writer lays them out, written by hand: long statements continued
// with "_", strings joined with "+" and Chr(34), Japanese names, numbers in every format the
// writer uses, CR LF line ends. They must parse and run and reach the object model intact.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/RecordingHost.h"

namespace korvan::vbs::testing {
namespace {

// A ground, a car body with a skin and a wheel, a camera, connections, an actuation, a
// collision, key and controller forces and the environment.
const char* const kWrittenScene =
    R"scene(' --------------------------------------------------------------------------------------------------------------------------------
' ////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////
' --------------------------------------------------------------------------------------------------------------------------------
' 
' 
' 
' 
'                                                KORVAN3 Version 3.02 Scene File 
' 
' 
' 
Application.CheckVersion 3.02 
' 
' 
' 
' --------------------------------------------------------------------------------------------------------------------------------
' ////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////
' --------------------------------------------------------------------------------------------------------------------------------
' 
' 
' 
' 
'                                               オブジェクトの作成と基本物性の設定 
' 
' 
' 
' 
' - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - 
'
' 作成
'
Set Obj1 = Application.AddObj( "GROUND" , "地面" )
'
' サイズ
'
Obj1.widthX =     10 ' ( 幅  =  10000 mm )
Obj1.widthY =     10 ' ( 奥行=  10000 mm )
Obj1.widthZ =    0.1 ' ( 高さ=    100 mm )
'
' 基本属性
'
Obj1.RHO =     -1 ' ( 完全固定 )
Obj1.Transparent =      0
Obj1.colorR =    0.5
Obj1.colorG =   0.25
Obj1.colorB =      1
Obj1.ShadeReceive =      1 ' ( 影を投影される )
Obj1.ShadeThrow =      1 ' ( 影を投影する )
Obj1.SetHeightBmp "ground\height.png" ' ( 高さを表現する画像データ )
'
' 位置情報
'
Obj1.SetPosition          0.0000000000000000e+00 ,   0.0000000000000000e+00 ,  -5.0000000000000003e-02
Obj1.SetVelocity          0.0000000000000000e+00 ,   0.0000000000000000e+00 ,  -5.0000000000000000e-01
Obj1.SetAngularVelocity   0.0000000000000000e+00 ,   0.0000000000000000e+00 ,   0.0000000000000000e+00
Obj1.SetAngle             0.0000000000000000e+00 ,   1.5707963267948966e+00 ,   0.0000000000000000e+00
' 
' 
' - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - 
'
' 作成
'
Set Obj2 = Application.AddObj( "BOX" , "車体" )
'
' サイズ
'
Obj2.widthX =    0.4 ' ( 幅  =    400 mm )
Obj2.widthY =    0.2 ' ( 奥行=    200 mm )
Obj2.widthZ =    0.1 ' ( 高さ=    100 mm )
Obj2.crashPointX = 3 ' X方向の衝突定義点数
'
' 基本属性
'
Obj2.RHO =    500 ' ( 質量=      4 kg , 体積=  0.008 m^3 )
Obj2.Transparent =      0
Obj2.colorR =    0.5
Obj2.colorG =   0.25
Obj2.colorB =      1
Obj2.ShadeReceive =      1 ' ( 影を投影される )
Obj2.ShadeThrow =      1 ' ( 影を投影する )
'
' スキンの設定
'
Obj2.AddSkin "..\skins\car.mqo" ,_
			1 , " wheel "+Chr(34)+"front left"+Chr(34)+" bodyCopy1 " , 1 , _
			    0.000000 ,     0.000000 ,     0.000000 , _
			    0.000000 ,     0.100000 ,     0.000000 , _
			    0.001000 , _
			    0.000000 ,     0.000000 ,     1.000000 , _
			   90.000000 
' 
'
' 位置情報
'
Obj2.SetPosition          0.0000000000000000e+00 ,   0.0000000000000000e+00 ,   2.9999999999999999e-01
Obj2.SetVelocity          0.0000000000000000e+00 ,   0.0000000000000000e+00 ,  -5.0000000000000000e-01
Obj2.SetAngularVelocity   0.0000000000000000e+00 ,   0.0000000000000000e+00 ,   0.0000000000000000e+00
Obj2.SetAngle             0.0000000000000000e+00 ,   1.5707963267948966e+00 ,   0.0000000000000000e+00
' 
' 
' - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - 
'
' 作成
'
Set Obj3 = Application.AddObj( "CYLINDER" , "前輪(2)" )
'
' サイズ
'
Obj3.widthR =   0.05 ' ( 半径=     50 mm )
Obj3.widthW =   0.02 ' ( 長さ=     20 mm )
Obj3.crashPointR = 24 ' 周方向の衝突定義点数
'
' 基本属性
'
Obj3.RHO =   1000 ' ( 質量=  0.157 kg , 体積= 0.000157 m^3 )
Obj3.Transparent =      0
Obj3.colorR =    0.5
Obj3.colorG =   0.25
Obj3.colorB =      1
Obj3.ShadeReceive =      1 ' ( 影を投影される )
Obj3.ShadeThrow =      1 ' ( 影を投影する )
'
' 位置情報
'
Obj3.SetPosition          2.0000000000000001e-01 ,   1.0000000000000001e-01 ,   5.0000000000000003e-02
Obj3.SetVelocity          0.0000000000000000e+00 ,   0.0000000000000000e+00 ,  -5.0000000000000000e-01
Obj3.SetAngularVelocity   0.0000000000000000e+00 ,   0.0000000000000000e+00 ,   0.0000000000000000e+00
Obj3.SetAngle             0.0000000000000000e+00 ,   1.5707963267948966e+00 ,   0.0000000000000000e+00
' 
' 
' 
' --------------------------------------------------------------------------------------------------------------------------------
' ////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////
' --------------------------------------------------------------------------------------------------------------------------------
' 
' 
' 
' 
'                                               カメラの作成と配置 
' 
' 
' 
' 
' - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - 
'
' 作成
'
Set Wnd1 = Application.AddObj( "VIEW" , "追従カメラ" )
'
' ウィンドウの配置
'
Wnd1.left   = 0
Wnd1.top    = 0.5
Wnd1.right  = 0.5
Wnd1.bottom = 1
'
' 属性
'
Wnd1.fixH = 1
Wnd1.fixZ = 1
' 
' - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - 
' 
' カメラの取り付け
' 
Obj2.AddView Wnd1 , -1,0,0.5 , 0,0,0 , 0,0,1 
'
' 
' --------------------------------------------------------------------------------------------------------------------------------
' ////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////
' --------------------------------------------------------------------------------------------------------------------------------
' 
' 
' 
' 
'                                               計器の作成と配置 
' 
' 
' 
' 
' 
' --------------------------------------------------------------------------------------------------------------------------------
' ////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////
' --------------------------------------------------------------------------------------------------------------------------------
' 
' 
' 
' 
'                                               BGM ウィンドウの作成と配置 
' 
' 
' 
' 
' 
' --------------------------------------------------------------------------------------------------------------------------------
' ////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////
' --------------------------------------------------------------------------------------------------------------------------------
' 
' 
' 
' 
'                                               オブジェクト同士の接続 
' 
' 
' 
' 
' 車体 と 前輪(2) の１点接続 (基準K=1.234500e+03 , 基準R=1.250000e+01)
Application.Join1 Obj2 ,_
                                              0.2 ,          0.1 ,        -0.05 ,_
                  Obj3 ,_
                                                0 ,            0 ,            0 ,_
                  -1 , -1 , 0 

' 車体 と 前輪(2) の２点接続 (基準K=1.234500e+03 , 基準R=1.250000e+01)
Application.Join2_Vert Obj2 ,_
                                              0.2 ,          0.1 ,            0 ,_
                                                0 ,            0 ,         0.05 ,_
                  Obj3 ,_
                                                0 ,            0 ,            0 ,_
                                                0 ,            0 ,         0.05 ,_
                  -2 , -2 , 0 

Obj2.RotateJointByKey Obj3 , _
                                38 ,40 , _
                                1, -0.5, 0.5, _
                                0.2, 0.1, 0, _
                                0, 0, 1, _
                                0, 0.125 
Obj2.AddMoveForceX  1, 2, 3, 4 
' 
' 
' --------------------------------------------------------------------------------------------------------------------------------
' ////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////
' --------------------------------------------------------------------------------------------------------------------------------
' 
' 
' 
' 
'                                               衝突可能性の定義 
' 
' 
' 
' 
Obj3.AddCrash Obj1 ,-1,   0.5,   0.4,  0.01,    -1,    -1
'
' 
' --------------------------------------------------------------------------------------------------------------------------------
' ////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////
' --------------------------------------------------------------------------------------------------------------------------------
' 
' 
' 
' 
'                                               ユーザーインターフェースの定義 
' 
' 
' 
' 
Obj2.AddRotateByKey 37 ,      0,     0,    10 
Obj2.AddRotateByGameCtrl "Pad 1" ,      0 ,      0 ,     10 , 0 , 1 
'
' 
' --------------------------------------------------------------------------------------------------------------------------------
' ////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////////
' --------------------------------------------------------------------------------------------------------------------------------
' 
' 
' 
' 
'                                               全体の環境設定 
' 
' 
' 
' 
Application.GravityZ =   -1.6
Application.GrabForce =  100000
Application.PreCalcTime =      2
Application.CurTime =      0
Application.ShowControl "CPU" , 1  
Application.ShowControl "BGM" , 0  
Application.ShowControl "METER" , 1  
Application.ShowControl "PANEL" , 0  
' 
' 
' 
' End of File
)scene";

// What a user adds by hand: loops, variables, arithmetic, by-reference outputs and MsgBox.
const char* const kUserScene = R"scene(' 歯車の列を作る
Option Explicit
Dim i, gear, x, y, z, names
names = ""
For i = 1 To 3
    Set gear = Application.AddObj( "CYLINDER" , "歯車" & i )
    gear.widthR = 0.05 * i : gear.widthW = 0.01
    gear.SetPosition 0.12 * (i - 1), 0, 0.1
    gear.GetPosition x, y, z
    names = names & Chr(34) & "歯車" & i & Chr(34) + " "
Next
If x > 0.2 Then MsgBox "最後の歯車は x = " & x & " にあります"
MsgBox Trim(names)
Application.GravityZ = -9.8 / 6
)scene";

// The remaining writer formats: spring and differential settings, meters with sound modes,
// music files, view pictures and viewpoints, controller actuations and forces.
const char* const kSideWindowsScene = R"scene(Application.CheckVersion 3.02 
'
' 作成
'
Set Obj1 = Application.AddObj( "SPRING" , "ばね" )
Set Obj2 = Application.AddObj( "DEF" , "デフ" )
Obj2.widthR =   0.08 ' ( 半径=     80 mm )
Obj2.widthW =   0.02 ' ( 長さ=     20 mm )
Set Wnd1 = Application.AddObj( "METER" , "速度計" )
Wnd1.left   = 0.75
Set Wnd2 = Application.AddObj( "MUSIC" , "音楽" )
Wnd2.AddFile "music\曲 1.mp3" 
Set Wnd3 = Application.AddObj( "VIEW" , "説明" )
Wnd3.mirror = 1
Wnd3.projection  = 0.5
Wnd3.SetPicture "pic\help.png" , "" , 2 , 0 , 0 , 0.25 , 0.25 
Wnd3.SetViewpoint 1, 2, 3, 0, 0, 0
Obj2.AddMeter Wnd1 , 1 ,      2
Obj2.SetSpeedSoundMode 1 
Obj2.SetSpeedSoundMode1param 0.500000 , 2.000000 
Obj2.SetCrashSoundMode 2 
'
Obj2.SlideJointByGameCtrl Obj1 , _
                                "USB Game Pad (2 axes)" , 1 , 2 , 0 , 0.5 , _
                                2, -1, 1, _
                                0, 0, 0, _
                                1, 0, 0, _
                                0, 0 
Obj2.SetDefObjByName "" , "" , 1000 , 10 , 0 , 0 
Obj1.SetSpringObjByName "" , "" , 500 , 5 , 0.01 , 0 
Obj2.AddBrakeByGameCtrl "USB Game Pad (2 axes)" ,      0 ,      0 ,     50 , 3 , 0 
Obj2.AddGear Obj1 , 2 
' End of File
)scene";

std::vector<std::string> RunScene(const std::string& text, bool crlf) {
    std::string source = text;
    if (crlf) {
        source.clear();
        for (char c : text) source += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    Interpreter interpreter;
    auto recording = std::make_shared<Recording>();
    RegisterRecordingHost(interpreter, recording);
    std::optional<ScriptError> error = interpreter.Run(source);
    EXPECT_FALSE(error) << "line " << error->line << ", position " << error->column << ": "
                        << error->description;
    return recording->lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(SceneFixture, WrittenSceneRunsAndReachesTheObjectModel) {
    for (bool crlf : {false, true}) {
        std::vector<std::string> lines = RunScene(kWrittenScene, crlf);
        const char* expected[] = {
            "Application.CheckVersion 3.02",
            "Application.AddObj \"GROUND\", \"地面\"",
            "地面.widthX = 10",
            "地面.RHO = -1",
            "地面.SetHeightBmp \"ground\\height.png\"",
            "車体.crashPointX = 3",
            "車体.AddSkin \"..\\skins\\car.mqo\", 1, \" wheel \"front left\" bodyCopy1 \", 1, 0, 0, 0, 0, "
            "0.1, 0, "
            "0.001, 0, 0, 1, 90",
            "車体.SetAngle 0, 1.5707963267949, 0",
            "車体.SetVelocity 0, 0, -0.5",
            "前輪(2).crashPointR = 24",
            "追従カメラ.bottom = 1",
            "車体.AddView <IDispatchObj>, -1, 0, 0.5, 0, 0, 0, 0, 0, 1",
            "Application.Join1 車体, 前輪(2), -1, -1, 0",
            "Application.Join2_Vert 車体, 前輪(2), -2, -2, 0",
            "車体.RotateJointByKey <IDispatchObj>, 38, 40, 1, -0.5, 0.5, 0.2, 0.1, 0, 0, 0, 1, 0, 0.125",
            "車体.AddMoveForceX 1, 2, 3, 4",
            "前輪(2).AddCrash <IDispatchObj>, -1, 0.5, 0.4, 0.01, -1, -1",
            "車体.AddRotateByKey 37, 0, 0, 10",
            "車体.AddRotateByGameCtrl \"Pad 1\", 0, 0, 10, 0, 1, -1, -1",
            "Application.GravityZ = -1.6",
            "Application.PreCalcTime = 2",
            "Application.ShowControl \"PANEL\", 0",
        };
        for (const char* line : expected) EXPECT_TRUE(Contains(lines, line)) << "missing: " << line;
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.rfind("Application.AddObj", 0) == 0; }),
                  4);
    }
}

TEST(SceneFixture, UserScriptWithLoopsAndOutputsRuns) {
    std::vector<std::string> lines = RunScene(kUserScene, true);
    EXPECT_TRUE(Contains(lines, "歯車3.widthR = 0.15"));
    EXPECT_TRUE(Contains(lines, "歯車2.SetPosition 0.12, 0, 0.1"));
    EXPECT_TRUE(Contains(lines, "MsgBox 最後の歯車は x = 0.24 にあります"));
    EXPECT_TRUE(Contains(lines, "MsgBox \"歯車1\" \"歯車2\" \"歯車3\""));
    EXPECT_TRUE(Contains(lines, "Application.GravityZ = -1.63333333333333"));
}

TEST(SceneFixture, SideWindowsAndControllerLinesRun) {
    std::vector<std::string> lines = RunScene(kSideWindowsScene, true);
    const char* expected[] = {
        "速度計.left = 0.75",
        "音楽.AddFile \"music\\曲 1.mp3\"",
        "説明.mirror = 1",
        "説明.SetPicture \"pic\\help.png\", \"\", 2, 0, 0, 0.25, 0.25",
        "説明.SetViewpoint 1, 2, 3, 0, 0, 0, 0, 0, 1",
        "デフ.AddMeter <IDispatchObj>, 1, 2",
        "デフ.SetSpeedSoundMode1param 0.5, 2",
        "デフ.SlideJointByGameCtrl <IDispatchObj>, \"USB Game Pad (2 axes)\", 1, 2, 0, 0.5, 2, "
        "-1, 1, 0, "
        "0, 0, 1, 0, 0, 0, 0",
        "デフ.SetDefObjByName \"\", \"\", 1000, 10, 0, 0",
        "ばね.SetSpringObjByName \"\", \"\", 500, 5, 0.01, 0",
        "デフ.AddBrakeByGameCtrl \"USB Game Pad (2 axes)\", 0, 0, 50, 3, 0",
        "デフ.AddGear <IDispatchObj>, 2",
    };
    for (const char* line : expected) EXPECT_TRUE(Contains(lines, line)) << "missing: " << line;
}

}  // namespace
}  // namespace korvan::vbs::testing
