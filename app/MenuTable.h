#pragma once
// The main window's menu bar and key table as data: the menu builder makes the Qt menus from it,
// and the tests compare the built menus against it. Texts are the source texts of the
// translation context "Menu"; "\t" separates the key shown at the right of an item.
#include <span>

namespace korvan {

struct MenuEntry {
    enum Kind { Item, Separator, SubmenuBegin, SubmenuEnd };
    Kind kind;
    int id = 0;             // Item only
    const char* text = "";  // Item and SubmenuBegin
};

struct MenuDefinition {
    const char* title;
    std::span<const MenuEntry> entries;
};

// A key of the key table: the key sequence in Qt's portable text form and its command.
struct KeyBinding {
    const char* keys;
    int id;
};

std::span<const MenuDefinition> MainMenuBar();
std::span<const KeyBinding> MainKeyTable();
std::span<const MenuEntry> SceneContextMenu();

}  // namespace korvan
