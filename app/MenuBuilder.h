#pragma once
// Makes the menu bar and the key table of the main window from the menu table. Each action
// carries its command id; a menu asks the commands for enabling, checks and texts each time it
// is about to open, and a key asks for enabling again before its command runs.
class QAction;
class QMenuBar;
class QMenu;
class QWidget;

namespace korvan {

class Commands;

void BuildMenuBar(QMenuBar* bar, Commands& commands);
// The menu of a right click on empty space of the main view (owned by `parent`).
QMenu* BuildSceneContextMenu(QWidget* parent, Commands& commands);
// Enabling, checks and texts of one menu's items, as the menu shows them now.
void RefreshMenu(QMenu* menu, const Commands& commands);
// The key table, as window-wide shortcuts of `window`.
void BindKeyTable(QWidget* window, Commands& commands);
// The action of a command id in the menu bar, or null.
QAction* FindCommandAction(QMenuBar* bar, int id);

}  // namespace korvan
