#pragma once
// The fonts of the main view, built once when its context is made and released before it goes:
// three 256-character fonts (small for the CPU meter and frame rate, large for axis and
// connection letters, fixed for coordinate read-outs), the thirteen drag-guide texts, and the
// faces of body name labels and window titles (their lists belong to whoever shows the text).
#include <array>
#include <string>
#include <vector>

#include "render/BitmapFont.h"

namespace korvan {

// Indexes of the drag-guide texts.
enum GuideText {
    kGuideHangVertically,
    kGuidePullHorizontally,
    kGuideMoveCentreAlongFace,
    kGuideChangeLength,
    kGuideChangeDirection,
    kGuideConnected,
    kGuideCameraHorizontalAngle,
    kGuideCameraVerticalAngle,
    kGuideCameraDistance,
    kGuideMoveCamera,
    kGuideResizeBody,
    kGuideVerticalPosition,
    kGuideMoveCentreThisWay,
    kGuideTextCount
};

extern const std::array<const char*, kGuideTextCount> kGuideTexts;  // UTF-8

// A label of the CPU meter and its size in the small font.
struct MeterLabel {
    std::string text;
    int width = 0;
    int height = 0;
};

// "Total", "GDI", "OpenGL", "Calculation", then "core0" .. for each logical processor.
std::vector<std::string> CpuMeterLabelTexts(int logicalProcessors);

struct RenderFonts {
    GlBitmapFont small;
    GlBitmapFont large;
    GlBitmapFont fixed;
    std::array<GlText, kGuideTextCount> guides;
    std::vector<MeterLabel> meterLabels;
    QFont labelFont;  // body names
    QFont titleFont;  // window titles

    void Build(int logicalProcessors, int dpi = 96);
    void Release();
};

}  // namespace korvan
