#include "app/HeadMountedDialog.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/Settings.h"

namespace korvan {

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("HeadMountedDialog", text);
}

// A question with a yes and a no button; the yes button is checked when `yes` is set.
QRadioButton* AddQuestion(QDialog& dialog, QVBoxLayout* layout, const QString& question,
                          const QString& yesText, const QString& noText, bool yes) {
    layout->addWidget(new QLabel(question, &dialog));
    auto* group = new QButtonGroup(&dialog);
    auto* yesButton = new QRadioButton(yesText, &dialog);
    auto* noButton = new QRadioButton(noText, &dialog);
    group->addButton(yesButton);
    group->addButton(noButton);
    (yes ? yesButton : noButton)->setChecked(true);
    layout->addWidget(yesButton);
    layout->addWidget(noButton);
    return yesButton;
}

}  // namespace

bool AskHeadMountedDisplay(Settings& settings, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("HeadMountedDialog"));
    dialog.setWindowTitle(Tr("Oculus 設定"));
    auto* layout = new QVBoxLayout(&dialog);
    QRadioButton* use =
        AddQuestion(dialog, layout, Tr("Oculus Rift DK2 を使用しますか?"), Tr("はい、使用します"),
                    Tr("いいえ、使用しません"), settings.ENV_OCULUS_USE != 0);
    QRadioButton* show = AddQuestion(
        dialog, layout, Tr("今後、このダイアログを表示しますか?"), Tr("はい、毎回確認します"),
        Tr("いいえ、以後表示しません (今回の設定がデフォルトとなります)"), settings.ENV_OCULUS_SHOW != 0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    settings.ENV_OCULUS_USE = use->isChecked() ? 1 : 0;
    settings.ENV_OCULUS_SHOW = show->isChecked() ? 1 : 0;
    return true;
}

}  // namespace korvan
