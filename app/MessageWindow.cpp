#include "app/MessageWindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>

namespace korvan {

MessageWindow::MessageWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      text_(new QLabel(this)),
      bar_(new QProgressBar(this)) {
    auto* layout = new QVBoxLayout(this);
    text_->setWordWrap(true);
    text_->setMinimumWidth(420);
    bar_->setRange(0, 100);
    layout->addWidget(text_);
    layout->addWidget(bar_);
}

void MessageWindow::ShowProgress(const std::string& title, const std::string& text, int percent) {
    setWindowTitle(QString::fromStdString(title));
    text_->setText(QString::fromStdString(text));
    const bool first = !isVisible();
    SetPercent(percent);
    if (first) {
        show();
        // The window must be mapped before the work goes on; the caller's pass is guarded
        // against running again inside this.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    repaint();
}

void MessageWindow::SetPercent(int percent) {
    bar_->setValue(std::clamp(percent, 0, 100));
    if (isVisible()) repaint();
}

void MessageWindow::HideProgress() {
    hide();
}

QString MessageWindow::text() const {
    return text_->text();
}
int MessageWindow::percent() const {
    return bar_->value();
}

}  // namespace korvan
