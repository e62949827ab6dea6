#pragma once
// Feeds the process-wide virtual-key table from the keyboard while the main window is active.
// It watches the application's key events before the shortcuts take theirs (so F-keys and
// Ctrl combinations reach the table as well), ignores the repeats of a held key, and releases
// every key when the window loses the keyboard, so nothing stays pressed behind a dialog.
#include <QObject>

class QWidget;

namespace korvan {

class KeyboardFeeder : public QObject {
    Q_OBJECT
  public:
    explicit KeyboardFeeder(QWidget* window);
    ~KeyboardFeeder() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* window_;
};

}  // namespace korvan
