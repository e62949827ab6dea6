// Scripts sent from another process, run against a loaded scene: they find its bodies by name,
// read their state through by-reference arguments, and answer with text instead of dialogs.
#include <gtest/gtest.h>

#include "script/RemoteScript.h"
#include "sim/Obj.h"
#include "tests/script/SceneFixture.h"

namespace korvan::testing {
namespace {

class RemoteScript : public SceneFixture {
  protected:
    void SetUp() override {
        SceneFixture::SetUp();
        ASSERT_TRUE(Load(R"(
Set car = Application.AddObj( "BOX" , "車体" )
car.SetPosition 1.5, -2, 0.25
Set other = Application.AddObj( "BOX" , "B" )
Application.PreCalcTime = 0.5
)"));
    }
    RemoteScriptResult Run(const std::string& text, ScriptRunLimits limits = {}) {
        return RunRemoteScript(text, application, limits);
    }
};

TEST_F(RemoteScript, FindObjReachesBodiesByDisplayNameAndGetMethodsFillTheirArguments) {
    RemoteScriptResult r = Run(R"(
Set c = Application.FindObj("車体")
c.GetPosition x, y, z
MsgBox x & " " & y & " " & z
c.SetVelocity 3, 0, 0
c.GetVelocity vx, vy, vz
MsgBox vx
c.GetMatrix m0, m1, m2, m3, m4, m5, m6, m7, m8
MsgBox m0 + m4 + m8
MsgBox TypeName(Application.FindObj("B"))
If Application.FindObj("nobody") Is Nothing Then MsgBox "none"
If Application.FindObj("b") Is Nothing Then MsgBox "names are compared exactly"
)");
    EXPECT_FALSE(r.failed) << r.errors;
    EXPECT_EQ(r.output, "1.5 -2 0.25\n3\n3\nObjBox\nnone\nnames are compared exactly\n");
    EXPECT_EQ(Body("車体")->GetVelocity()[0], 3);
}

TEST_F(RemoteScript, NothingReachesTheWindowWhileItRuns) {
    RemoteScriptResult r = Run(R"(
MsgBox "one"
MsgBox "two" & vbCrLf & "lines"
Application.AddObj "box", "x"
Application.CheckVersion 2
)");
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.output, "one\ntwo\r\nlines\n");
    EXPECT_NE(r.errors.find("\"box\" は、このバージョンでは対応していないオブジェクトタイプです。"),
              std::string::npos);
    EXPECT_NE(r.errors.find("このスクリプトのバージョンは2.00です。"), std::string::npos);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.scriptMessages.empty());
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(&CurrentHost(), &host);  // the window's host is back
}

TEST_F(RemoteScript, AnErrorComesBackWithTheLinesAroundItAndIsNotOfferedForEditing) {
    RemoteScriptResult r =
        Run("MsgBox \"before\"\r\nSet c = Application.FindObj(\"B\")\r\nc.oops = 1\r\nMsgBox \"after\"\r\n");
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.output, "before\n");
    EXPECT_NE(r.errors.find("スクリプト解釈時のエラー"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("00000002 : c.oops = 1  <--------- Error\n"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("00000003 : MsgBox \"after\"\n"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("KORVAN3: script error 438"), std::string::npos) << r.errors;
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.questions.empty());

    RemoteScriptResult syntax = Run("If Then\n");
    EXPECT_TRUE(syntax.failed);
    EXPECT_NE(syntax.errors.find("00000000 : If Then  <--------- Error"), std::string::npos) << syntax.errors;
}

TEST_F(RemoteScript, OutputOfAMsgBoxLoopIsCutAtTheLimit) {
    RemoteScriptResult r = Run("For i = 1 To 300000 : MsgBox \"0123456789\" : Next");
    EXPECT_FALSE(r.failed);
    EXPECT_LE(r.output.size(), kMaxRemoteOutputBytes);
    EXPECT_GT(r.output.size(), kMaxRemoteOutputBytes - 100);
    EXPECT_NE(r.errors.find("output was cut"), std::string::npos);
}

TEST_F(RemoteScript, AnEndlessScriptIsStoppedAtItsTimeLimitWithoutAskingTheWindow) {
    // A window whose user would grant more time once.
    struct GrantingHost : RecordingHost {
        int waits = 0;
        bool KeepWaitingForScript(double) override { return ++waits == 1; }
    } window;
    SetHost(&window);
    ScriptRunLimits limits;
    limits.timeLimitSeconds = 0.2;
    RemoteScriptResult r = Run("MsgBox \"looping\"\nDo\n  n = n + 1\nLoop\n", limits);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.output, "looping\n");
    EXPECT_NE(r.errors.find("KORVAN3: the script was stopped: "), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("time limit"), std::string::npos) << r.errors;
    EXPECT_EQ(window.waits, 0);
    EXPECT_EQ(&CurrentHost(), &window);
}

TEST_F(RemoteScript, EnvironmentReadsTheLiveValueUntilAScriptAssignsIt) {
    document.scene.settings.CurTime = 2.5;  // frames ran since the load
    EXPECT_EQ(Run("MsgBox Application.CurTime & \" \" & Application.PreCalcTime").output, "2.5 0.5\n");
    EXPECT_EQ(Run("Application.CurTime = 1 : MsgBox Application.CurTime").output, "1\n");
    document.scene.settings.CurTime = 3;
    EXPECT_EQ(Run("MsgBox Application.CurTime").output, "1\n");  // what the script assigned
    ASSERT_TRUE(Load("Set a = Application.AddObj( \"BOX\" , \"A\" )\n"));
    document.scene.settings.CurTime = 4;
    EXPECT_EQ(Run("MsgBox Application.CurTime & \" \" & Application.PreCalcTime").output, "4 0\n");
}

}  // namespace
}  // namespace korvan::testing
