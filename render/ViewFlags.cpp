#include "render/ViewFlags.h"

namespace korvan {

const std::array<ViewFlagMenuItem, kViewFlagCount> kViewFlagMenu = {{
    {ViewFlag::SOLID, "計算上の形", 1},
    {ViewFlag::SKIN, "表示上の形(スキン優先)", 2},
    {ViewFlag::BLENDALL, "全て半透明", 3},
    {ViewFlag::WIREFRAME, "ワイヤーフレーム", 4},
    {ViewFlag::CRASH, "衝突定義点", 0},
    {ViewFlag::JOIN, "接続点", 0},
    {ViewFlag::BACKGROUND, "背景", 0},
    {ViewFlag::SEL, "ポイント中のオブジェクト名", 0},
    {ViewFlag::DRAG, "マウスドラッグガイド", 5},
    {ViewFlag::PANEL, "ウィンドウ上部操作パネル", 6},
    {ViewFlag::SEAL, "説明画像", 7},
    {ViewFlag::SHADE, "影", 8},
    {ViewFlag::FORCE, "力", 0},
    {ViewFlag::RANK, "CPUメーター", 0},
    {ViewFlag::SPEED, "スピードメーター", 0},
    {ViewFlag::BGM, "BGMウィンドウ", 0},
}};

// The play preset is the play set a fresh settings file holds; the factory preset is the fresh
// factory set without force arrows (the stored factory set starts with them on).
ViewFlagSet PlayPreset() {
    return Settings{}.VIEW_PLAY;
}

ViewFlagSet FactoryPreset() {
    ViewFlagSet set = Settings{}.VIEW_FACTORY;
    set[ViewFlags::Index(ViewFlag::FORCE)] = 0;
    return set;
}

ViewFlags ViewFlags::AtStartUp(const Settings& settings) {
    return {{1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 1, 0, 1, 1, 1}, settings.VIEW_PLAY, settings.VIEW_FACTORY};
}

bool ViewFlags::Toggle(ViewFlag f, int mode) {
    int& flag = current[Index(f)];
    flag = flag ? 0 : 1;
    StoredSet(mode) = current;
    return f == ViewFlag::BLENDALL || f == ViewFlag::WIREFRAME || f == ViewFlag::BACKGROUND;
}

void ViewFlags::SwitchTo(int mode) {
    current = StoredSet(mode);
}

void ViewFlags::ApplyPreset(int mode) {
    StoredSet(mode) = mode == kFactoryMode ? FactoryPreset() : PlayPreset();
    SwitchTo(mode);
}

void ViewFlags::StoreInto(Settings& settings) const {
    settings.VIEW_PLAY = play;
    settings.VIEW_FACTORY = factory;
}

void RecommendViewFlags(ViewFlagSet& play, ViewFlagSet& factory) {
    const std::size_t force = ViewFlags::Index(ViewFlag::FORCE);
    const int playForce = play[force], factoryForce = factory[force];
    play = PlayPreset();
    factory = FactoryPreset();
    play[force] = playForce;
    factory[force] = factoryForce;
}

}  // namespace korvan
