#include "app/VersionBox.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace korvan {

void ShowVersionBox(QWidget* parent) {
    QDialog box(parent);
    box.setObjectName(QStringLiteral("VersionBox"));
    box.setWindowTitle(QCoreApplication::translate("VersionBox", "KORVAN3 ( コルバン3 ) のバージョン情報"));
    auto* icon = new QLabel(&box);
    icon->setPixmap(box.style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    auto* text = new QLabel(QStringLiteral("KORVAN3 Version 3.02"), &box);
    auto* ok = new QPushButton(QCoreApplication::translate("VersionBox", "確認"), &box);
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(row);
    layout->addWidget(ok, 0, Qt::AlignRight);
    box.exec();
}

}  // namespace korvan
