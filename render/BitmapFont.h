#pragma once
// Text at the GL raster position, the fixed-function way: every character is a display list
// holding one glBitmap of its glyph, so drawing a string is a raster position and one list call
// per character. The glyphs are rasterised with Qt (fontconfig finds a CJK face for Japanese
// text when the requested face is missing). A list draws its glyph with the baseline at the
// raster position and moves the position right by the character's advance.
//
// Build and Release need the context current; lists belong to that context.
#include <QFont>
#include <QString>
#include <QStringList>
#include <string_view>

namespace korvan {

// A font at `points` on a screen of `dpi`: pixel height dpi x points / 72, truncated. The first
// family that exists wins; characters it lacks come from the fallback faces.
QFont MakeFont(const QStringList& families, double points, int weight = QFont::Normal, int dpi = 96);

// 256 lists, one per code 0..255 (Latin-1).
class GlBitmapFont {
  public:
    void Build(const QFont& font);
    void Release();
    bool Built() const { return base_ != 0; }
    // The characters of `text` (bytes taken as codes) at the current raster position.
    void Draw(std::string_view text) const;
    int Width(std::string_view text) const;
    int Height() const { return height_; }

  private:
    unsigned base_ = 0;
    int height_ = 0;
    int advances_[256] = {};
};

// One list per character of a fixed string (any script).
class GlText {
  public:
    void Build(const QString& text, const QFont& font);
    void Release();
    bool Built() const { return base_ != 0; }
    void Draw() const;
    int Length() const { return length_; }
    unsigned Base() const { return base_; }
    const QString& Text() const { return text_; }

  private:
    unsigned base_ = 0;
    int length_ = 0;
    QString text_;
};

}  // namespace korvan
