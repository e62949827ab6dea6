#include "app/MultithreadDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/QtHost.h"
#include "app/Session.h"
#include "base/LeadingNumber.h"

namespace korvan {

namespace {
QString Tr(const char* text) {
    return QCoreApplication::translate("MultithreadDialog", text);
}
}  // namespace

MultithreadDialog::MultithreadDialog(Session& session, QtHost& host, QWidget* parent)
    : QDialog(parent), session_(session), host_(host), count_(new QLineEdit(this)) {
    setWindowTitle(Tr("マルチスレッド"));
    const ThreadSettings& t = session_.scheduler.threadSettings;
    auto* group = new QGroupBox(Tr("マルチスレッド設定"), this);
    auto* column = new QVBoxLayout(group);
    modes_[0] =
        new QRadioButton(Tr("起動時に測定 ( 現在の設定 = %1 コア)").arg(t.ENV_OPTIMIZED_CORES), group);
    modes_[1] = new QRadioButton(Tr("シングルスレッド"), group);
    modes_[2] = new QRadioButton(Tr("スレッド数を指定"), group);
    modes_[3] = new QRadioButton(Tr("搭載コア数 - 1  (推奨)"), group);
    for (int m = 0; m < 4; ++m) {
        column->addWidget(modes_[m]);
        if (m == 2) column->addWidget(count_);
    }
    if (t.ENV_CUR_CPUS_MODE >= 0 && t.ENV_CUR_CPUS_MODE < 4) modes_[t.ENV_CUR_CPUS_MODE]->setChecked(true);
    count_->setText(QString::number(t.ENV_CUR_CPUS_NUM));
    count_->setEnabled(modes_[2]->isChecked());
    connect(modes_[2], &QRadioButton::toggled, count_, &QLineEdit::setEnabled);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Tr("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(Tr("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

void MultithreadDialog::accept() {
    int mode = 3;
    for (int m = 0; m < 4; ++m)
        if (modes_[m]->isChecked()) mode = m;
    const int count = LeadingInt(count_->text().toStdString());
    ThreadSettings& t = session_.scheduler.threadSettings;
    if (mode == 2 && count > t.logicalProcessorCount) {
        host_.ShowMessage(Tr("スレッド数は搭載コア数より大きく設定できません。").toStdString());
        return;
    }
    t.ENV_CUR_CPUS_MODE = mode;
    t.ENV_CUR_CPUS_NUM = count;
    session_.settings.ENV_CUR_CPUS_MODE = mode;
    session_.settings.ENV_CUR_CPUS_NUM = count;
    session_.scheduler.ApplyThreadSetting();
    QDialog::accept();
}

bool RunMultithreadDialog(Session& session, QtHost& host, QWidget* parent) {
    MultithreadDialog dialog(session, host, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace korvan
