#include "app/MenuBuilder.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <span>
#include <vector>

#include "app/Commands.h"
#include "app/MenuTable.h"

namespace korvan {

namespace {

QString TrMenu(const char* text) {
    return QCoreApplication::translate("Menu", text);
}

QMenu* AddMenu(QWidget* parent, const QString& title, Commands& commands) {
    auto* menu = new QMenu(title, parent);
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, &commands] { RefreshMenu(menu, commands); });
    return menu;
}

void AddItem(QMenu* menu, const MenuEntry& entry, Commands& commands) {
    QAction* action = menu->addAction(TrMenu(entry.text));
    const int id = entry.id;
    action->setData(id);
    action->setProperty("sourceText", QString::fromUtf8(entry.text));
    action->setCheckable(commands.IsChecked(id).has_value());
    QObject::connect(action, &QAction::triggered, action, [id, &commands] { commands.Run(id); });
}

// Fills `top` with the entries, opening a sub-menu at each SubmenuBegin.
void FillMenu(QMenu* top, std::span<const MenuEntry> entries, Commands& commands) {
    std::vector<QMenu*> open{top};
    for (const MenuEntry& entry : entries) {
        QMenu* menu = open.back();
        switch (entry.kind) {
            case MenuEntry::Item:
                AddItem(menu, entry, commands);
                break;
            case MenuEntry::Separator:
                menu->addSeparator();
                break;
            case MenuEntry::SubmenuBegin: {
                QMenu* sub = AddMenu(menu, TrMenu(entry.text), commands);
                menu->addMenu(sub);
                open.push_back(sub);
                break;
            }
            case MenuEntry::SubmenuEnd:
                open.pop_back();
                break;
        }
    }
}

}  // namespace

void BuildMenuBar(QMenuBar* bar, Commands& commands) {
    for (const MenuDefinition& definition : MainMenuBar()) {
        QMenu* top = AddMenu(bar, TrMenu(definition.title), commands);
        bar->addMenu(top);
        FillMenu(top, definition.entries, commands);
    }
}

QMenu* BuildSceneContextMenu(QWidget* parent, Commands& commands) {
    QMenu* menu = AddMenu(parent, QString(), commands);
    FillMenu(menu, SceneContextMenu(), commands);
    return menu;
}

void RefreshMenu(QMenu* menu, const Commands& commands) {
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || action->menu()) continue;
        const int id = action->data().toInt();
        action->setEnabled(commands.IsEnabled(id));
        if (auto checked = commands.IsChecked(id)) {
            action->setCheckable(true);
            action->setChecked(*checked);
        }
        if (auto text = commands.TextOf(id)) action->setText(QString::fromStdString(*text));
        action->setVisible(commands.IsShown(id));
    }
}

void BindKeyTable(QWidget* window, Commands& commands) {
    for (const KeyBinding& binding : MainKeyTable()) {
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(binding.keys)), window);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(false);
        const int id = binding.id;
        QObject::connect(shortcut, &QShortcut::activated, window, [id, &commands] { commands.Run(id); });
    }
}

QAction* FindCommandAction(QMenuBar* bar, int id) {
    std::vector<QMenu*> menus;
    for (QAction* a : bar->actions())
        if (a->menu()) menus.push_back(a->menu());
    while (!menus.empty()) {
        QMenu* menu = menus.back();
        menus.pop_back();
        for (QAction* a : menu->actions()) {
            if (a->menu())
                menus.push_back(a->menu());
            else if (!a->isSeparator() && a->data().toInt() == id)
                return a;
        }
    }
    return nullptr;
}

}  // namespace korvan
