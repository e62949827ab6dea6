#pragma once
// The accuracy dialog "精度の設定": three sliders (0..1000) with an edit box each for the accuracy,
// the contact checks and the load reduction. It is modeless and lives as long as the main
// frame; every slider move or typed value takes effect at once through the accuracy setters.
#include <QDialog>

class QSlider;
class QLineEdit;
class QLabel;

namespace korvan {

class Session;

class AccuracyDialog : public QDialog {
    Q_OBJECT
  public:
    AccuracyDialog(Session& session, QWidget* parent);

    // Slider positions and edit texts from the current settings.
    void Refresh();
    // Refreshes, puts the top-left corner at the mouse pointer and shows the dialog.
    void ShowAtPointer();

    QSlider* slider(int row) const { return sliders_[row]; }
    QLineEdit* edit(int row) const { return edits_[row]; }

  private:
    Session& session_;
    QSlider* sliders_[3];
    QLineEdit* edits_[3];
    QLabel* loadFactor_;
    bool refreshing_ = false;

    void SliderMoved(int row, int position);
    void EditTyped(int row);
};

}  // namespace korvan
