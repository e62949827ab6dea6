#include "app/MenuTable.h"

#include <QtCore/QtGlobal>

#include "app/CommandIds.h"

namespace korvan {

namespace {

using E = MenuEntry;
constexpr E Item(int id, const char* text) {
    return {E::Item, id, text};
}
constexpr E kSeparator{E::Separator};
constexpr E Submenu(const char* text) {
    return {E::SubmenuBegin, 0, text};
}
constexpr E kSubmenuEnd{E::SubmenuEnd};

constexpr MenuEntry kFileMenu[] = {
    Item(ID_FILE_OPEN, QT_TRANSLATE_NOOP("Menu", "シーン読込...\tCtrl+O")),
    Item(ID_FILE_SAVE, QT_TRANSLATE_NOOP("Menu", "シーン保存...\tCtrl+S")),
    Item(ID_VIDEO, QT_TRANSLATE_NOOP("Menu", "動画の保存...")),
    kSeparator,
    Item(ID_UNDO, QT_TRANSLATE_NOOP("Menu", "一段階もどる\tCtrl+Z")),
    Item(ID_REDO, QT_TRANSLATE_NOOP("Menu", "一段階すすむ\tCtrl+Y")),
    kSeparator,
    Item(ID_INITIALISE, QT_TRANSLATE_NOOP("Menu", "初期化...\tCtrl+N")),
    kSeparator,
    Item(ID_APP_EXIT, QT_TRANSLATE_NOOP("Menu", "アプリケーションの終了")),
};

constexpr MenuEntry kViewMenu[] = {
    Item(ID_PLAY_PRESET, QT_TRANSLATE_NOOP("Menu", "プレイモード\tF11")),
    Item(ID_FACTORY_PRESET, QT_TRANSLATE_NOOP("Menu", "ファクトリーモード\tF12")),
    Submenu(QT_TRANSLATE_NOOP("Menu", "状態維持の切り替え")),
    Item(ID_PLAY_KEEP, QT_TRANSLATE_NOOP("Menu", "プレイモード\tF9")),
    Item(ID_FACTORY_KEEP, QT_TRANSLATE_NOOP("Menu", "ファクトリーモード \tF10")),
    kSubmenuEnd,
    kSeparator,
    Item(ID_FLAG_SOLID, QT_TRANSLATE_NOOP("Menu", "計算上の形\tF1")),
    Item(ID_FLAG_SKIN, QT_TRANSLATE_NOOP("Menu", "表示上の形(スキン優先)\tF2")),
    Item(ID_FLAG_BLENDALL, QT_TRANSLATE_NOOP("Menu", "全て半透明\tF3")),
    Item(ID_FLAG_WIREFRAME, QT_TRANSLATE_NOOP("Menu", "ワイヤーフレーム\tF4")),
    Item(ID_FLAG_CRASH, QT_TRANSLATE_NOOP("Menu", "衝突定義点")),
    Item(ID_FLAG_JOIN, QT_TRANSLATE_NOOP("Menu", "接続点")),
    Item(ID_FLAG_BACKGROUND, QT_TRANSLATE_NOOP("Menu", "背景")),
    Item(ID_FLAG_SEL, QT_TRANSLATE_NOOP("Menu", "ポイント中のオブジェクト名")),
    Item(ID_FLAG_DRAG, QT_TRANSLATE_NOOP("Menu", "マウスドラッグガイド\tF5")),
    Item(ID_FLAG_PANEL, QT_TRANSLATE_NOOP("Menu", "ウィンドウ上部操作パネル\tF6")),
    Item(ID_FLAG_SEAL, QT_TRANSLATE_NOOP("Menu", "説明画像\tF7")),
    Item(ID_FLAG_SHADE, QT_TRANSLATE_NOOP("Menu", "影\tF8")),
    Item(ID_FLAG_FORCE, QT_TRANSLATE_NOOP("Menu", "力")),
    Item(ID_FLAG_RANK, QT_TRANSLATE_NOOP("Menu", "CPUメーター")),
    Item(ID_FLAG_SPEED, QT_TRANSLATE_NOOP("Menu", "スピードメーター")),
    Item(ID_FLAG_BGM, QT_TRANSLATE_NOOP("Menu", "BGMウィンドウ")),
};

constexpr MenuEntry kSettingsMenu[] = {
    Item(ID_MULTITHREAD, QT_TRANSLATE_NOOP("Menu", "マルチスレッド")),
    Item(ID_DISPLAY_SETTINGS, QT_TRANSLATE_NOOP("Menu", "表示設定")),
    Item(ID_ACCURACY, QT_TRANSLATE_NOOP("Menu", "精度")),
    Item(ID_OCULUS_SETTINGS, QT_TRANSLATE_NOOP("Menu", "Oculus Rift DK2 起動設定")),
    kSeparator,
    Submenu(QT_TRANSLATE_NOOP("Menu", "背景")),
    Item(ID_BACKGROUND_CLEAR, QT_TRANSLATE_NOOP("Menu", "晴れ")),
    Item(ID_BACKGROUND_MARS, QT_TRANSLATE_NOOP("Menu", "火星")),
    Item(ID_BACKGROUND_MOON, QT_TRANSLATE_NOOP("Menu", "月面")),
    Item(ID_BACKGROUND_DUSK, QT_TRANSLATE_NOOP("Menu", "夕暮れ")),
    kSubmenuEnd,
    Submenu(QT_TRANSLATE_NOOP("Menu", "効果音")),
    Item(ID_SOUND_SPEED, QT_TRANSLATE_NOOP("Menu", "速度音")),
    Item(ID_SOUND_CRASH, QT_TRANSLATE_NOOP("Menu", "衝突音")),
    Item(ID_SOUND_SLIP, QT_TRANSLATE_NOOP("Menu", "スリップ音")),
    kSubmenuEnd,
    Submenu(QT_TRANSLATE_NOOP("Menu", "その他")),
    Item(ID_CONTROLLERS, QT_TRANSLATE_NOOP("Menu", "ゲームコントローラー")),
    Item(ID_ANTIALIASING, QT_TRANSLATE_NOOP("Menu", "アンチエイリアシング")),
    Item(ID_STEREO, QT_TRANSLATE_NOOP("Menu", "立体視")),
    Item(ID_SHADOW_SETTINGS, QT_TRANSLATE_NOOP("Menu", "影")),
    kSubmenuEnd,
};

constexpr MenuEntry kHelpMenu[] = {
    Item(ID_MANUAL, QT_TRANSLATE_NOOP("Menu", "説明書")),
    Item(ID_APP_ABOUT, QT_TRANSLATE_NOOP("Menu", "バージョン")),
};

constexpr MenuDefinition kMenuBar[] = {
    {QT_TRANSLATE_NOOP("Menu", "ファイル"), kFileMenu},
    {QT_TRANSLATE_NOOP("Menu", "表示"), kViewMenu},
    {QT_TRANSLATE_NOOP("Menu", "環境設定"), kSettingsMenu},
    {QT_TRANSLATE_NOOP("Menu", "ヘルプ"), kHelpMenu},
};

// Right click on empty space of the main view; the same in both modes. The "このビュー..." items
// act on the active view.
constexpr MenuEntry kSceneContextMenu[] = {
    Item(ID_SHOW_HIDE_ALL, QT_TRANSLATE_NOOP("Menu", "シーンの、全オブジェクトの表示/非表示を設定する...")),
    kSeparator,
    Item(ID_FILE_OPEN, QT_TRANSLATE_NOOP("Menu", "シーンの、別の状態を新規に読み込む...")),
    Item(ID_FILE_SAVE, QT_TRANSLATE_NOOP("Menu", "シーンの、今の状態を保存...")),
    Item(ID_INITIALISE, QT_TRANSLATE_NOOP("Menu", "シーンを、地面だけにして初期化する")),
    Item(ID_MERGE, QT_TRANSLATE_NOOP("Menu", "シーンに、別のシーンを合成...")),
    kSeparator,
    Item(ID_ADD_VIEW, QT_TRANSLATE_NOOP("Menu", "シーンに、ビューを追加")),
    Submenu(QT_TRANSLATE_NOOP("Menu", "このビュー...")),
    Item(ID_VIEW_SETTINGS, QT_TRANSLATE_NOOP("Menu", "の、設定...")),
    Item(ID_VIEW_PROJECTION, QT_TRANSLATE_NOOP("Menu", "の、投影法を設定する...")),
    Item(ID_VIEW_FIX_VERTICAL, QT_TRANSLATE_NOOP("Menu", "の、鉛直を固定する")),
    Item(ID_VIEW_FIX_HORIZONTAL, QT_TRANSLATE_NOOP("Menu", "の、水平を固定する")),
    Item(ID_VIEW_RESET, QT_TRANSLATE_NOOP("Menu", "の、視点を初期化")),
    kSubmenuEnd,
    Item(ID_CANCEL, QT_TRANSLATE_NOOP("Menu", "キャンセル")),
};

// In the order of the accelerator table. F9 and F10 appear in item texts but are bound to nothing.
constexpr KeyBinding kKeyTable[] = {
    {"Ctrl+N", ID_INITIALISE}, {"Ctrl+O", ID_FILE_OPEN},   {"Ctrl+S", ID_FILE_SAVE}, {"F1", ID_FLAG_SOLID},
    {"F11", ID_PLAY_PRESET},   {"F12", ID_FACTORY_PRESET}, {"F2", ID_FLAG_SKIN},     {"F3", ID_FLAG_BLENDALL},
    {"F4", ID_FLAG_WIREFRAME}, {"F5", ID_FLAG_DRAG},       {"F6", ID_FLAG_PANEL},    {"F7", ID_FLAG_SEAL},
    {"F8", ID_FLAG_SHADE},     {"Ctrl+Y", ID_REDO},        {"Ctrl+Z", ID_UNDO},
};

}  // namespace

std::span<const MenuDefinition> MainMenuBar() {
    return kMenuBar;
}
std::span<const MenuEntry> SceneContextMenu() {
    return kSceneContextMenu;
}
std::span<const KeyBinding> MainKeyTable() {
    return kKeyTable;
}

}  // namespace korvan
