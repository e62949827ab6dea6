// The menu bar and key table as the user meets them, and the enabling and check rules of both
// working modes.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "app/MenuBuilder.h"
#include "tests/app/gui/WindowHarness.h"

namespace korvan::test {
namespace {

// Every entry of the menu bar in order: "menu/submenu|id|text", "menu|-" for a separator.
std::vector<std::string> MenuListing(QMenuBar* bar) {
    std::vector<std::string> out;
    std::function<void(QMenu*, const std::string&)> walk = [&](QMenu* menu, const std::string& path) {
        for (QAction* a : menu->actions()) {
            if (a->isSeparator())
                out.push_back(path + "|-");
            else if (a->menu())
                walk(a->menu(), path + "/" + a->text().toStdString());
            else
                out.push_back(path + "|" + std::to_string(a->data().toInt()) + "|" + a->text().toStdString());
        }
    };
    for (QAction* a : bar->actions()) walk(a->menu(), a->text().toStdString());
    return out;
}

TEST(MenuBar, EveryMenuItemIdAndTextInOrder) {
    Window w;
    const std::vector<std::string> expected = {
        "ファイル|32784|シーン読込...\tCtrl+O",
        "ファイル|32783|シーン保存...\tCtrl+S",
        "ファイル|32800|動画の保存...",
        "ファイル|-",
        "ファイル|32818|一段階もどる\tCtrl+Z",
        "ファイル|32819|一段階すすむ\tCtrl+Y",
        "ファイル|-",
        "ファイル|40063|初期化...\tCtrl+N",
        "ファイル|-",
        "ファイル|57665|アプリケーションの終了",
        "表示|32822|プレイモード\tF11",
        "表示|32823|ファクトリーモード\tF12",
        "表示/状態維持の切り替え|32820|プレイモード\tF9",
        "表示/状態維持の切り替え|32821|ファクトリーモード \tF10",
        "表示|-",
        "表示|40009|計算上の形\tF1",
        "表示|40002|表示上の形(スキン優先)\tF2",
        "表示|40003|全て半透明\tF3",
        "表示|40011|ワイヤーフレーム\tF4",
        "表示|40004|衝突定義点",
        "表示|40005|接続点",
        "表示|40010|背景",
        "表示|40006|ポイント中のオブジェクト名",
        "表示|40068|マウスドラッグガイド\tF5",
        "表示|40069|ウィンドウ上部操作パネル\tF6",
        "表示|40018|説明画像\tF7",
        "表示|40019|影\tF8",
        "表示|40034|力",
        "表示|40020|CPUメーター",
        "表示|40021|スピードメーター",
        "表示|40013|BGMウィンドウ",
        "環境設定|32804|マルチスレッド",
        "環境設定|32809|表示設定",
        "環境設定|32803|精度",
        "環境設定|32802|Oculus Rift DK2 起動設定",
        "環境設定|-",
        "環境設定/背景|32791|晴れ",
        "環境設定/背景|32792|火星",
        "環境設定/背景|32793|月面",
        "環境設定/背景|32795|夕暮れ",
        "環境設定/効果音|32787|速度音",
        "環境設定/効果音|32788|衝突音",
        "環境設定/効果音|32789|スリップ音",
        "環境設定/その他|32807|ゲームコントローラー",
        "環境設定/その他|32806|アンチエイリアシング",
        "環境設定/その他|32805|立体視",
        "環境設定/その他|32810|影",
        "ヘルプ|32799|説明書",
        "ヘルプ|57664|バージョン",
    };
    EXPECT_EQ(MenuListing(w.frame->menuBar()), expected);
}

// Sends a key to the main view as the keyboard does.
void PressKey(Window& w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(w.frame->view(), key, mods);
}

TEST(Keys, FunctionKeysToggleFlagsAndSwitchModesF9AndF10DoNothing) {
    Window w;
    Session& s = *w.session;
    ASSERT_TRUE(w.RunFrames(1));
    const bool solid = s.viewFlags[ViewFlag::SOLID];
    PressKey(w, Qt::Key_F1);
    EXPECT_NE(s.viewFlags[ViewFlag::SOLID], solid) << "F1 toggles the computational shape";
    PressKey(w, Qt::Key_F12);
    EXPECT_EQ(s.workingMode, kFactoryMode);
    EXPECT_EQ(s.viewFlags.current, FactoryPreset());
    PressKey(w, Qt::Key_F9);
    EXPECT_EQ(s.workingMode, kFactoryMode) << "F9 is only named in the menu text";
    PressKey(w, Qt::Key_F11);
    EXPECT_EQ(s.workingMode, kPlayMode);
    EXPECT_EQ(s.viewFlags.current, PlayPreset());
    PressKey(w, Qt::Key_F10);
    EXPECT_EQ(s.workingMode, kPlayMode);
}

TEST(Modes, ShadowOffSurvivesModeSwitchesButNotThePlayPreset) {
    Window w;
    Session& s = *w.session;
    Commands& c = w.frame->commands();
    ASSERT_TRUE(w.RunFrames(1));
    c.Run(ID_PLAY_PRESET);
    ASSERT_TRUE(s.viewFlags[ViewFlag::SHADE]);
    c.Run(ID_FLAG_SHADE);
    c.Run(ID_FACTORY_KEEP);
    c.Run(ID_PLAY_KEEP);
    EXPECT_FALSE(s.viewFlags[ViewFlag::SHADE]);
    c.Run(ID_PLAY_PRESET);
    EXPECT_TRUE(s.viewFlags[ViewFlag::SHADE]);
}

TEST(Modes, MoonWhileBackgroundIsOffTurnsItOnAndChecksOnlyTheMoon) {
    Window w;
    Commands& c = w.frame->commands();
    ASSERT_TRUE(w.RunFrames(1));
    if (w.session->viewFlags[ViewFlag::BACKGROUND]) c.Run(ID_FLAG_BACKGROUND);
    for (int id : {ID_BACKGROUND_CLEAR, ID_BACKGROUND_MARS, ID_BACKGROUND_MOON, ID_BACKGROUND_DUSK})
        EXPECT_FALSE(*c.IsChecked(id)) << id;
    c.Run(ID_BACKGROUND_MOON);
    EXPECT_TRUE(w.session->viewFlags[ViewFlag::BACKGROUND]);
    for (int id : {ID_BACKGROUND_CLEAR, ID_BACKGROUND_MARS, ID_BACKGROUND_DUSK})
        EXPECT_FALSE(*c.IsChecked(id)) << id;
    EXPECT_TRUE(*c.IsChecked(ID_BACKGROUND_MOON));
}

// What the menus show, refreshed as when they open, in both modes.
TEST(Modes, MenusShowTheRulesOfEachMode) {
    Window w(On(Sample("car.txt")));
    ASSERT_TRUE(w.RunFrames(2));
    QMenuBar* bar = w.frame->menuBar();
    auto refreshAll = [&] {
        for (QAction* a : bar->actions()) {
            RefreshMenu(a->menu(), w.frame->commands());
            for (QAction* sub : a->menu()->actions())
                if (sub->menu()) RefreshMenu(sub->menu(), w.frame->commands());
        }
    };
    QAction* video = FindCommandAction(bar, ID_VIDEO);
    QAction* play = FindCommandAction(bar, ID_PLAY_PRESET);
    QAction* factory = FindCommandAction(bar, ID_FACTORY_PRESET);
    QAction* undo = FindCommandAction(bar, ID_UNDO);
    QAction* redo = FindCommandAction(bar, ID_REDO);
    refreshAll();
    EXPECT_TRUE(video->isEnabled());
    EXPECT_EQ(video->text().toStdString(), "動画の保存...");
    EXPECT_TRUE(play->isChecked());
    EXPECT_FALSE(factory->isChecked());
    EXPECT_TRUE(undo->isEnabled()) << "loading the car took backups";
    EXPECT_FALSE(redo->isEnabled());

    w.frame->commands().Run(ID_FACTORY_PRESET);
    refreshAll();
    EXPECT_FALSE(video->isEnabled());
    EXPECT_EQ(video->text().toStdString(), "動画の保存...(ﾌﾟﾚｲﾓｰﾄﾞのみ)");
    EXPECT_FALSE(play->isChecked());
    EXPECT_TRUE(factory->isChecked());
    QAction* shade = FindCommandAction(bar, ID_FLAG_SHADE);
    EXPECT_EQ(shade->isChecked(), w.session->viewFlags[ViewFlag::SHADE]);
}

}  // namespace
}  // namespace korvan::test
