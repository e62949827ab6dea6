#include "app/AccuracyDialog.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "app/Session.h"
#include "base/LeadingNumber.h"
#include "sim/Accuracy.h"

namespace korvan {

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("AccuracyDialog", text);
}

enum Row { kAccuracy, kContacts, kLoad };

}  // namespace

AccuracyDialog::AccuracyDialog(Session& session, QWidget* parent)
    : QDialog(parent, Qt::Tool), session_(session), loadFactor_(new QLabel(this)) {
    setWindowTitle(Tr("精度の設定"));
    const char* labels[3][2] = {
        {QT_TRANSLATE_NOOP("AccuracyDialog", "← 精度低・接続ゆるい"),
         QT_TRANSLATE_NOOP("AccuracyDialog", "精度高・接続硬い →")},
        {QT_TRANSLATE_NOOP("AccuracyDialog", "← 精度低・衝突判定少ない"),
         QT_TRANSLATE_NOOP("AccuracyDialog", "精度高・衝突判定多い →")},
        {QT_TRANSLATE_NOOP("AccuracyDialog", "← 安全・計算負荷高"),
         QT_TRANSLATE_NOOP("AccuracyDialog", "危険・計算負荷低 →")},
    };
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(Tr("スライダーが右端にある状態が、本来の計算精度です。"), this), 0, 0, 1, 4);
    for (int row = 0; row < 3; ++row) {
        sliders_[row] = new QSlider(Qt::Horizontal, this);
        sliders_[row]->setRange(0, kAccuracySliderMax);
        edits_[row] = new QLineEdit(this);
        edits_[row]->setMaximumWidth(80);
        grid->addWidget(new QLabel(Tr(labels[row][0]), this), 1 + 2 * row, 0);
        grid->addWidget(new QLabel(Tr(labels[row][1]), this), 1 + 2 * row, 2, Qt::AlignRight);
        grid->addWidget(sliders_[row], 2 + 2 * row, 0, 1, 3);
        grid->addWidget(edits_[row], 2 + 2 * row, 3);
        connect(sliders_[row], &QSlider::valueChanged, this, [this, row](int p) { SliderMoved(row, p); });
        connect(edits_[row], &QLineEdit::editingFinished, this, [this, row] { EditTyped(row); });
    }
    grid->addWidget(loadFactor_, 7, 3);
    Refresh();
}

void AccuracyDialog::Refresh() {
    const SimSettings& s = session_.scene().settings;
    refreshing_ = true;
    sliders_[kAccuracy]->setValue(SliderFromAccuracy(s.accuracy));
    sliders_[kContacts]->setValue(SliderFromCandidatePeriod(s.candidatePeriod));
    sliders_[kLoad]->setValue(SliderFromLoadReduction(s.loadReduction));
    edits_[kAccuracy]->setText(QString::asprintf("%g", s.accuracy));
    edits_[kContacts]->setText(QString::asprintf("%d", s.candidatePeriod));
    edits_[kLoad]->setText(QString::asprintf("%g", s.loadReduction));
    loadFactor_->setText(QString::asprintf("%.2f", LoadFactor(s.loadReduction)));
    refreshing_ = false;
}

void AccuracyDialog::ShowAtPointer() {
    Refresh();
    move(QCursor::pos());
    show();
    raise();
}

void AccuracyDialog::SliderMoved(int row, int position) {
    if (refreshing_) return;
    CScene& scene = session_.scene();
    if (row == kAccuracy) SetAccuracy(scene, AccuracyFromSlider(position));
    if (row == kContacts) SetCandidatePeriod(scene, CandidatePeriodFromSlider(position));
    if (row == kLoad) SetLoadReduction(scene, LoadReductionFromSlider(position));
    Refresh();
}

void AccuracyDialog::EditTyped(int row) {
    const std::string text = edits_[row]->text().toStdString();
    CScene& scene = session_.scene();
    if (row == kAccuracy) SetAccuracy(scene, LeadingDouble(text));
    if (row == kContacts) SetCandidatePeriod(scene, LeadingInt(text));
    if (row == kLoad) SetLoadReduction(scene, LeadingDouble(text));
    Refresh();
}

}  // namespace korvan
