#pragma once
// The sixteen display flags. Drawing reads only the current set; each working mode (play,
// factory) keeps its own stored set, which the settings file persists (Settings::VIEW_PLAY and
// Settings::VIEW_FACTORY, in the order of ViewFlag). A mode switch copies the stored set of the
// target mode into the current flags; a toggle changes the current flag and stores the sixteen
// back into the set of the working mode.
//
// Colours and background tints are baked into the bodies' display lists, so some changes ask
// the caller to release every body's lists (the functions below say when).
//
// Plain data with no GL: the application's commands and dialogs use it as well as drawing.
#include <array>
#include <string_view>

#include "app/Settings.h"

namespace korvan {

enum class ViewFlag : int {
    SOLID,
    SKIN,
    BLENDALL,
    WIREFRAME,
    CRASH,
    JOIN,
    SEL,
    DRAG,
    PANEL,
    SEAL,
    SHADE,
    RANK,
    FORCE,
    SPEED,
    BGM,
    BACKGROUND
};

using ViewFlagSet = std::array<int, kViewFlagCount>;

inline constexpr int kPlayMode = 0;
inline constexpr int kFactoryMode = 1;

// One item of the display menu: its flag, its text and its function key (0 = none).
struct ViewFlagMenuItem {
    ViewFlag flag;
    std::string_view text;
    int functionKey;
};

// The display menu, in menu order (which is not the settings order).
extern const std::array<ViewFlagMenuItem, kViewFlagCount> kViewFlagMenu;

// The sets the presets of the display menu write into the stored set of their mode.
ViewFlagSet PlayPreset();
ViewFlagSet FactoryPreset();

struct ViewFlags {
    ViewFlagSet current;
    ViewFlagSet play;
    ViewFlagSet factory;

    // Current flags as at program start; stored sets from the settings file.
    static ViewFlags AtStartUp(const Settings& settings);

    bool operator[](ViewFlag f) const { return current[Index(f)] != 0; }
    static std::size_t Index(ViewFlag f) { return static_cast<std::size_t>(f); }

    ViewFlagSet& StoredSet(int mode) { return mode == kFactoryMode ? factory : play; }
    const ViewFlagSet& StoredSet(int mode) const { return mode == kFactoryMode ? factory : play; }

    // A display-menu item: flips the current flag and stores the current set into the set of
    // `mode`. True when every body's display lists must be released.
    bool Toggle(ViewFlag f, int mode);
    // Switching the working mode: the stored set of `mode` becomes current. The caller releases
    // every body's display lists afterwards.
    void SwitchTo(int mode);
    // The preset items: the preset overwrites the stored set of `mode`, then as SwitchTo.
    void ApplyPreset(int mode);

    // Copies the stored sets into the settings to be written at exit.
    void StoreInto(Settings& settings) const;
};

// The "recommended settings" button of the display-settings dialog: both columns get their
// presets, except that the two FORCE boxes keep what they show.
void RecommendViewFlags(ViewFlagSet& play, ViewFlagSet& factory);

}  // namespace korvan
