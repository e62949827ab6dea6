#pragma once
// The thread-count dialog "マルチスレッド": measure at start-up, single thread, a given number, or
// the recommended count. A given number above the processor count is refused and the dialog
// stays open; OK stores the mode and the number and restarts the calculation threads.
#include <QDialog>

class QRadioButton;
class QLineEdit;

namespace korvan {

class Session;
class QtHost;

class MultithreadDialog : public QDialog {
    Q_OBJECT
  public:
    MultithreadDialog(Session& session, QtHost& host, QWidget* parent = nullptr);

    QRadioButton* modeButton(int mode) const { return modes_[mode]; }
    QLineEdit* countEdit() const { return count_; }
    void accept() override;

  private:
    Session& session_;
    QtHost& host_;
    QRadioButton* modes_[4];
    QLineEdit* count_;
};

// Opens the dialog modally; true when it was confirmed.
bool RunMultithreadDialog(Session& session, QtHost& host, QWidget* parent);

}  // namespace korvan
