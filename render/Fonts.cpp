#include "render/Fonts.h"

namespace korvan {

const std::array<const char*, kGuideTextCount> kGuideTexts = {
    "マウスで鉛直に釣る",
    "マウスで水平に引く",
    "　接続中心を面に沿って移動",
    "　長さを変更",
    "　向きを変更",
    "　接続済",
    "ドラッグでカメラの水平角度を変更",
    "ドラッグでカメラの垂直角度を変更",
    "ドラッグでカメラと注視点の距離を変更",
    "ドラッグでカメラを移動",
    "ドラッグで物体をリサイズ",
    "　垂直位置の変更",
    "　接続中心をこの方向に移動",
};

namespace {

// Faces asked for by name first; the Japanese faces fall back to the installed CJK fonts.
const QStringList kSansFaces = {"Arial", "Liberation Sans", "DejaVu Sans"};
const QStringList kFixedFaces = {"Courier", "Liberation Mono", "DejaVu Sans Mono"};
const QStringList kJapaneseFaces = {"MS UI Gothic", "IPAGothic", "IPAPGothic", "Noto Sans CJK JP"};
const QStringList kJapaneseTitleFaces = {"ＭＳ Ｐゴシック", "IPAPGothic", "IPAGothic", "Noto Sans CJK JP"};

}  // namespace

std::vector<std::string> CpuMeterLabelTexts(int n) {
    std::vector<std::string> labels = {"Total", "GDI", "OpenGL", "Calculation"};
    for (int i = 0; i < n; ++i) labels.push_back("core" + std::to_string(i));
    return labels;
}

void RenderFonts::Build(int logicalProcessors, int dpi) {
    small.Build(MakeFont(kSansFaces, 9, QFont::Normal, dpi));
    large.Build(MakeFont(kSansFaces, 20, QFont::Normal, dpi));
    fixed.Build(MakeFont(kFixedFaces, 10, QFont::Normal, dpi));
    meterLabels.clear();
    for (const std::string& text : CpuMeterLabelTexts(logicalProcessors))
        meterLabels.push_back({text, small.Width(text), small.Height()});
    labelFont = MakeFont(kJapaneseFaces, 15, QFont::Normal, dpi);
    titleFont = MakeFont(kJapaneseTitleFaces, 9, QFont::Normal, dpi);
    for (int i = 0; i < kGuideTextCount; ++i)
        guides[static_cast<std::size_t>(i)].Build(QString::fromUtf8(kGuideTexts[static_cast<std::size_t>(i)]),
                                                  labelFont);
}

void RenderFonts::Release() {
    for (GlText& text : guides) text.Release();
    small.Release();
    large.Release();
    fixed.Release();
}

}  // namespace korvan
