#pragma once
// "ビューとカメラの詳細": the cameras mounted on a body. A body is chosen, then one of the views
// mounted on it; the position page edits the mount (eye, target, up in body coordinates, editable
// while the mouse may not move the camera) and the view's mount options, the projection page the
// blend between orthographic and perspective. Everything edits the scene's own view and mount
// records; the next frame draws from them.
//
// Modeless. While the position page shows and the pointer is outside the dialog, the fields
// follow the mount every 50 ms, so the numbers move with a moving body.
#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;
class QTimer;

namespace korvan {

class CDispatchAPP;
class CObj;
class CWndView;
class SceneDocument;

class CameraDialog : public QDialog {
  public:
    CameraDialog(SceneDocument& document, CDispatchAPP& application, QWidget* parent = nullptr);

    // The size of the main window's client area, for placing added views; and which view is active.
    std::function<void(int& width, int& height, int& activeView)> windowState;
    // Called after a view was added or deleted.
    std::function<void()> viewsChanged;

    // Re-reads the body list (after a load or an edit of the scene).
    void Reload();
    void SelectBody(const CObj* body);
    // Shows the dialog on the camera of view `viewIndex` (the body carrying it and its mount), on
    // the position page (0) or the projection page (1).
    void ShowView(int viewIndex, int page);

    // The controls, by what they edit (tests reach them here).
    QComboBox* bodyBox = nullptr;
    QComboBox* viewBox = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* deleteButton = nullptr;
    QTabWidget* pages = nullptr;
    std::array<QLineEdit*, 9> cameraFields{};  // eye x y z, target x y z, up x y z
    QCheckBox* mouseLockBox = nullptr;
    QCheckBox* fixZBox = nullptr;
    QCheckBox* fixHBox = nullptr;
    QSlider* projectionSlider = nullptr;
    QLineEdit* projectionField = nullptr;

  private:
    SceneDocument& document_;
    CDispatchAPP& application_;
    QTimer* followTimer_ = nullptr;
    bool filling_ = false;  // controls are being filled from the data: their signals change nothing

    QWidget* MakePositionPage();
    QWidget* MakeProjectionPage();
    void Connect();

    CObj* Body() const;
    int MountSlot() const;  // index into the body's mount lists, or -1
    CWndView* View() const;

    void FillViews();
    void FillFields();
    void FillCameraFields();
    void StoreCameraField();
    void SetProjection(double p);
    void AddView();
    void DeleteView();
    void FollowMount();
};

// A new view "新規ビュー(n)" with its script object, placed on the largest empty square of the
// window or on half of the active view.
CWndView& AddPlacedView(SceneDocument& document, CDispatchAPP& application, int activeView, int clientWidth,
                        int clientHeight);

}  // namespace korvan
