#pragma once
// The question "Oculus 設定": use the head-mounted display, and ask again at the next start.
// Preset from ENV_OCULUS_USE and ENV_OCULUS_SHOW; OK stores both answers, Cancel stores nothing.
class QWidget;

namespace korvan {

struct Settings;

// True when confirmed (the answers are in `settings`), false when cancelled.
bool AskHeadMountedDisplay(Settings& settings, QWidget* parent);

}  // namespace korvan
