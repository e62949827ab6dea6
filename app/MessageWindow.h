#pragma once
// The message window: a small top-level window with a text and a progress bar that says what
// long work is doing (loading a scene, assembling the model, measuring the cores). The work runs
// on the main thread, so every change repaints at once instead of waiting for the event loop.
#include <QWidget>
#include <string>

class QLabel;
class QProgressBar;

namespace korvan {

class MessageWindow : public QWidget {
    Q_OBJECT
  public:
    explicit MessageWindow(QWidget* parent = nullptr);

    void ShowProgress(const std::string& title, const std::string& text, int percent);
    void SetPercent(int percent);
    void HideProgress();

    QString text() const;
    int percent() const;

  private:
    QLabel* text_;
    QProgressBar* bar_;
};

}  // namespace korvan
