#pragma once
// Which monitor the program opens on and where its main window goes. The caller lists the
// display devices; these rules pick one and place the window on it.
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace korvan {

struct ScreenRect {
    int left = 0, top = 0, width = 0, height = 0;
    // Left and top edges belong to the rectangle, right and bottom do not.
    bool Contains(int x, int y) const {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
    bool operator==(const ScreenRect&) const = default;
};

struct DisplayDevice {
    std::string name;  // "rdpdd" is the remote-desktop display driver
    ScreenRect rect;
    int refreshRate = 0;  // Hz as reported; 0 or 1 mean the hardware default
};

struct MonitorChoice {
    ScreenRect rect;           // where the main window is placed
    int framesPerSecond = 60;  // simulation frames per second follow the monitor
    bool remote = false;       // running in a remote-desktop session: the user is asked to go on
};

// The frame rate for a reported refresh rate: 59 Hz counts as 60, and an unknown rate (below 2)
// keeps 60.
int FramesPerSecondOf(int refreshRate);

// The first device, in order, whose rectangle holds the mouse pointer gives the rectangle and the
// frame rate; later devices are not examined. With no such device: the primary screen at (0, 0),
// 60 frames per second.
MonitorChoice CheckMonitor(const std::vector<DisplayDevice>& devices, int pointerX, int pointerY,
                           ScreenRect primary);

// The main window on a monitor without the head-mounted display: from 10 % to 80 % of the
// monitor across, and down from at least 10 % (room for the frame, the caption and 120 pixels)
// to 80 %. Outer frame coordinates.
ScreenRect MainWindowRect(const ScreenRect& monitor, int frameBorderHeight, int captionHeight);

// With the head-mounted display: the client area is `client`; the frame adds `frameExtra` (outer
// size minus client size) and the whole is centred on the monitor.
ScreenRect HeadMountedWindowRect(const ScreenRect& monitor, WindowSize client, WindowSize frameExtra);

}  // namespace korvan
