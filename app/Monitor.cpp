#include "app/Monitor.h"

#include <algorithm>

namespace korvan {

int FramesPerSecondOf(int refreshRate) {
    if (refreshRate == 59 || refreshRate < 2) return 60;
    return refreshRate;
}

MonitorChoice CheckMonitor(const std::vector<DisplayDevice>& devices, int pointerX, int pointerY,
                           ScreenRect primary) {
    for (const DisplayDevice& d : devices) {
        if (!d.rect.Contains(pointerX, pointerY)) continue;
        return {d.rect, FramesPerSecondOf(d.refreshRate), d.name == "rdpdd"};
    }
    return {{0, 0, primary.width, primary.height}, 60, false};
}

ScreenRect MainWindowRect(const ScreenRect& m, int frameBorderHeight, int captionHeight) {
    // The right and bottom edges are at 80 % of the size past the origin; left and top are
    // truncated towards zero like the edges.
    double topMargin = std::max(0.1 * m.height, 2.0 * frameBorderHeight + captionHeight + 120);
    ScreenRect r;
    r.left = static_cast<int>(0.1 * m.width + m.left);
    r.top = static_cast<int>(topMargin) + m.top;
    r.width = static_cast<int>(0.8 * m.width + m.left) - r.left;
    r.height = static_cast<int>(0.8 * m.height + m.top) - r.top;
    return r;
}

ScreenRect HeadMountedWindowRect(const ScreenRect& m, WindowSize client, WindowSize frameExtra) {
    int width = client.width + frameExtra.width, height = client.height + frameExtra.height;
    return {m.left + (m.width - width) / 2, m.top + (m.height - height) / 2, width, height};
}

}  // namespace korvan
