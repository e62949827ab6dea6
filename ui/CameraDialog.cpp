#include "ui/CameraDialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "render/ViewMath.h"
#include "script/DispatchApp.h"
#include "script/DispatchWnd.h"
#include "script/SceneDocument.h"

namespace korvan {

namespace {

QString Number(double v) {
    return QString::asprintf("%g", v);
}

}  // namespace

CameraDialog::CameraDialog(SceneDocument& document, CDispatchAPP& application, QWidget* parent)
    : QDialog(parent), document_(document), application_(application) {
    setWindowTitle("ビューとカメラの詳細");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    bodyBox = new QComboBox;
    viewBox = new QComboBox;
    addButton = new QPushButton("追加");
    deleteButton = new QPushButton("削除");
    top->addWidget(bodyBox, 0, 0, 1, 3);
    top->addWidget(new QLabel("装着カメラのビュー"), 1, 0);
    top->addWidget(viewBox, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addButton);
    buttons->addWidget(deleteButton);
    top->addLayout(buttons, 1, 2);
    layout->addLayout(top);
    pages = new QTabWidget;
    pages->addTab(MakePositionPage(), "位置");
    pages->addTab(MakeProjectionPage(), "投影");
    layout->addWidget(pages);
    followTimer_ = new QTimer(this);
    followTimer_->setInterval(50);
    Connect();
    Reload();
}

QWidget* CameraDialog::MakePositionPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    const char* rows[3] = {"視点", "注目点", "上方向"};
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(new QLabel(rows[r]), r, 0);
        for (int k = 0; k < 3; ++k) {
            auto* field = new QLineEdit;
            field->setValidator(new QDoubleValidator(field));
            cameraFields[static_cast<std::size_t>(3 * r + k)] = field;
            grid->addWidget(field, r, 1 + k);
        }
    }
    mouseLockBox = new QCheckBox("マウスによる視点変更を許可しない");
    fixZBox = new QCheckBox("鉛直を固定する");
    fixHBox = new QCheckBox("水平を固定する");
    grid->addWidget(mouseLockBox, 3, 0, 1, 4);
    grid->addWidget(fixZBox, 4, 0, 1, 4);
    grid->addWidget(fixHBox, 5, 0, 1, 4);
    return page;
}

QWidget* CameraDialog::MakeProjectionPage() {
    auto* page = new QWidget;
    auto* box = new QVBoxLayout(page);
    box->addWidget(new QLabel("正射影 <---> 透視投影"));
    projectionSlider = new QSlider(Qt::Horizontal);
    projectionSlider->setRange(0, 1000);
    projectionField = new QLineEdit;
    box->addWidget(projectionSlider);
    box->addWidget(projectionField);
    return page;
}

void CameraDialog::Connect() {
    connect(bodyBox, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) FillViews();
    });
    connect(viewBox, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) FillFields();
    });
    connect(addButton, &QPushButton::clicked, this, [this] { AddView(); });
    connect(deleteButton, &QPushButton::clicked, this, [this] { DeleteView(); });
    for (QLineEdit* field : cameraFields)
        connect(field, &QLineEdit::editingFinished, this, [this] { StoreCameraField(); });
    auto bindCheck = [this](QCheckBox* box, int CWndView::*member) {
        connect(box, &QCheckBox::toggled, this, [this, member](bool on) {
            if (filling_ || !View()) return;
            View()->*member = on ? 1 : 0;
            FillCameraFields();  // the lock decides whether the fields are editable
        });
    };
    bindCheck(mouseLockBox, &CWndView::mouseLock);
    bindCheck(fixZBox, &CWndView::fixZ);
    bindCheck(fixHBox, &CWndView::fixH);
    connect(projectionSlider, &QSlider::valueChanged, this, [this](int position) {
        if (filling_ || !View()) return;
        View()->projection = position * 0.001;
        filling_ = true;
        projectionField->setText(Number(View()->projection));
        filling_ = false;
    });
    connect(projectionField, &QLineEdit::editingFinished, this, [this] {
        bool ok = false;
        const double p = projectionField->text().toDouble(&ok);
        if (ok) SetProjection(p);
    });
    connect(followTimer_, &QTimer::timeout, this, [this] { FollowMount(); });
    connect(pages, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 0)
            followTimer_->start();
        else
            followTimer_->stop();
    });
    followTimer_->start();
}

CObj* CameraDialog::Body() const {
    const int i = bodyBox->currentIndex();
    return i >= 0 && i < document_.scene.Count() ? document_.scene.Body(i) : nullptr;
}

int CameraDialog::MountSlot() const {
    const CObj* body = Body();
    const int slot = viewBox->currentIndex();
    if (!body || slot < 0 || slot >= static_cast<int>(body->mountedViews.size())) return -1;
    return slot;
}

CWndView* CameraDialog::View() const {
    const int slot = MountSlot();
    if (slot < 0) return nullptr;
    const int index = Body()->mountedViews[static_cast<std::size_t>(slot)];
    return index >= 0 && index < static_cast<int>(document_.views.size())
               ? document_.views[static_cast<std::size_t>(index)].get()
               : nullptr;
}

void CameraDialog::Reload() {
    const CObj* keep = Body();
    filling_ = true;
    bodyBox->clear();
    for (int i = 0; i < document_.scene.Count(); ++i)
        bodyBox->addItem(QString::fromStdString(document_.scene.Body(i)->displayName));
    filling_ = false;
    SelectBody(keep);
}

void CameraDialog::SelectBody(const CObj* body) {
    const int index = body ? document_.scene.IndexOf(body) : -1;
    filling_ = true;
    bodyBox->setCurrentIndex(index >= 0 ? index : (bodyBox->count() ? 0 : -1));
    filling_ = false;
    FillViews();
}

void CameraDialog::ShowView(int viewIndex, int page) {
    Reload();
    if (const CObj* body = document_.MountOf(viewIndex)) {
        SelectBody(body);
        const auto& mounts = body->mountedViews;
        viewBox->setCurrentIndex(
            static_cast<int>(std::find(mounts.begin(), mounts.end(), viewIndex) - mounts.begin()));
    }
    pages->setCurrentIndex(page);
    show();
    raise();
    activateWindow();
}

void CameraDialog::FillViews() {
    filling_ = true;
    viewBox->clear();
    if (const CObj* body = Body())
        for (int index : body->mountedViews)
            if (index >= 0 && index < static_cast<int>(document_.views.size()))
                viewBox->addItem(
                    QString::fromStdString(document_.views[static_cast<std::size_t>(index)]->displayName));
    viewBox->setCurrentIndex(viewBox->count() ? 0 : -1);
    filling_ = false;
    FillFields();
}

void CameraDialog::FillFields() {
    const CWndView* view = View();
    filling_ = true;
    for (QWidget* w :
         std::initializer_list<QWidget*>{mouseLockBox, fixZBox, fixHBox, projectionSlider, projectionField})
        w->setEnabled(view != nullptr);
    deleteButton->setEnabled(view != nullptr);
    addButton->setEnabled(Body() != nullptr);
    if (view) {
        mouseLockBox->setChecked(view->mouseLock != 0);
        fixZBox->setChecked(view->fixZ != 0);
        fixHBox->setChecked(view->fixH != 0);
        projectionSlider->setValue(static_cast<int>(view->projection * 1000));
        projectionField->setText(Number(view->projection));
    }
    filling_ = false;
    FillCameraFields();
}

void CameraDialog::FillCameraFields() {
    const int slot = MountSlot();
    const CWndView* view = View();
    filling_ = true;
    for (std::size_t i = 0; i < cameraFields.size(); ++i) {
        QLineEdit* field = cameraFields[i];
        field->setReadOnly(!view || !view->mouseLock);
        field->setEnabled(view != nullptr);
        if (slot >= 0 && !field->hasFocus())
            field->setText(Number(Body()->viewpoints[static_cast<std::size_t>(slot)].values[i]));
        else if (slot < 0)
            field->clear();
    }
    filling_ = false;
}

void CameraDialog::StoreCameraField() {
    const int slot = MountSlot();
    const CWndView* view = View();
    if (filling_ || slot < 0 || !view || !view->mouseLock) return;
    double* values = Body()->viewpoints[static_cast<std::size_t>(slot)].values;
    for (std::size_t i = 0; i < cameraFields.size(); ++i) {
        bool ok = false;
        const double v = cameraFields[i]->text().toDouble(&ok);
        if (ok) values[i] = v;
    }
}

void CameraDialog::SetProjection(double p) {
    if (!View()) return;
    View()->projection = p;
    filling_ = true;
    projectionSlider->setValue(static_cast<int>(p * 1000));
    filling_ = false;
}

void CameraDialog::AddView() {
    CObj* body = Body();
    if (!body) return;
    int width = 640, height = 480, active = 0;
    if (windowState) windowState(width, height, active);
    AddPlacedView(document_, application_, active, width, height);
    // A new mounted camera looks at the body's origin from (1, 1, 1) of the body.
    _VIEWPOINT camera{{1, 1, 1, 0, 0, 0, 0, 0, 1}};
    document_.MountView(body, static_cast<int>(document_.views.size()) - 1, camera);
    FillViews();
    viewBox->setCurrentIndex(viewBox->count() - 1);
    if (viewsChanged) viewsChanged();
}

void CameraDialog::DeleteView() {
    const int slot = MountSlot();
    if (slot < 0) return;
    application_.RemoveView(Body()->mountedViews[static_cast<std::size_t>(slot)]);
    FillViews();
    if (viewsChanged) viewsChanged();
}

void CameraDialog::FollowMount() {
    if (pages->currentIndex() != 0 || !isVisible()) return;
    if (frameGeometry().contains(QCursor::pos())) return;  // the user may be typing
    FillCameraFields();
}

CWndView& AddPlacedView(SceneDocument& document, CDispatchAPP& application, int activeView, int clientWidth,
                        int clientHeight) {
    std::vector<const CWndBase*> titles;
    std::vector<CWndBase*> frames;
    for (const auto& v : document.views) titles.push_back(v.get()), frames.push_back(v.get());
    const ViewRect place = PlaceNewView(frames, activeView, clientWidth, clientHeight);
    application.AddObj("VIEW", NewViewTitle(titles));
    CWndView& view = *document.views.back();
    view.left = place.left, view.top = place.top, view.right = place.right, view.bottom = place.bottom;
    return view;
}

}  // namespace korvan
