#include "render/BitmapFont.h"

#include <GL/gl.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <vector>

namespace korvan {

namespace {

// Compiles the glyph of `ch` into list `list`; returns its advance in pixels.
int CompileGlyph(unsigned list, const QString& ch, const QFont& font) {
    const QFontMetrics metrics(font);
    const int advance = metrics.horizontalAdvance(ch);
    const int ascent = metrics.ascent(), descent = metrics.descent();
    const int width = std::max({1, advance, metrics.boundingRect(ch).right() + 1});
    const int height = std::max(1, ascent + descent);
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(0);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(0, ascent, ch);
    }
    // glBitmap rows run bottom-up, most significant bit first, packed to whole bytes.
    const int rowBytes = (width + 7) / 8;
    std::vector<GLubyte> bits(static_cast<std::size_t>(rowBytes * height), 0);
    for (int y = 0; y < height; ++y) {
        const uchar* row = image.constScanLine(height - 1 - y);
        for (int x = 0; x < width; ++x)
            if (row[x] >= 128)
                bits[static_cast<std::size_t>(y * rowBytes + x / 8)] |= GLubyte(0x80 >> (x % 8));
    }
    glNewList(list, GL_COMPILE);
    glBitmap(width, height, 0, static_cast<GLfloat>(descent), static_cast<GLfloat>(advance), 0, bits.data());
    glEndList();
    return advance;
}

// Unpacking byte rows needs alignment 1 while the lists are compiled.
class UnpackAlignmentOne {
  public:
    UnpackAlignmentOne() {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    ~UnpackAlignmentOne() { glPixelStorei(GL_UNPACK_ALIGNMENT, saved_); }

  private:
    GLint saved_ = 4;
};

}  // namespace

QFont MakeFont(const QStringList& families, double points, int weight, int dpi) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(std::max(1, static_cast<int>(dpi * points / 72)));
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void GlBitmapFont::Build(const QFont& font) {
    Release();
    UnpackAlignmentOne alignment;
    base_ = glGenLists(256);
    height_ = QFontMetrics(font).height();
    for (int code = 0; code < 256; ++code) {
        const QString ch = code < 32 ? QString(" ") : QString(QChar(code));
        advances_[code] = CompileGlyph(base_ + static_cast<unsigned>(code), ch, font);
    }
}

void GlBitmapFont::Release() {
    if (base_) glDeleteLists(base_, 256);
    base_ = 0;
}

void GlBitmapFont::Draw(std::string_view text) const {
    if (!base_) return;
    glListBase(base_);
    glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
    glListBase(0);
}

int GlBitmapFont::Width(std::string_view text) const {
    int width = 0;
    for (char c : text) width += advances_[static_cast<unsigned char>(c)];
    return width;
}

void GlText::Build(const QString& text, const QFont& font) {
    Release();
    text_ = text;
    length_ = static_cast<int>(text.size());
    if (length_ == 0) return;
    UnpackAlignmentOne alignment;
    base_ = glGenLists(length_);
    for (int i = 0; i < length_; ++i) CompileGlyph(base_ + static_cast<unsigned>(i), QString(text[i]), font);
}

void GlText::Release() {
    if (base_) glDeleteLists(base_, length_);
    base_ = 0;
    length_ = 0;
}

void GlText::Draw() const {
    for (int i = 0; i < length_; ++i) glCallList(base_ + static_cast<unsigned>(i));
}

}  // namespace korvan
