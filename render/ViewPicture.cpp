#include "render/ViewPicture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "render/ViewMath.h"
#include "script/Frames.h"

namespace korvan {

namespace {

// Rounds to the nearest integer, halves away from zero.
int Round(double v) {
    return static_cast<int>(std::lround(v));
}

void Upload(const ViewPicture& picture, PictureTexture& cache) {
    cache.Release();
    cache.file = picture.file;
    cache.maskFile = picture.maskFile;
    cache.tried = true;
    const ImageResult colour = ReadImageFile(picture.file, ImageAlpha::Drop);
    const ImageResult alpha = ReadImageFile(picture.maskFile, ImageAlpha::Drop);
    std::vector<std::uint8_t> rgba;
    if (!colour.Ok() || !alpha.Ok() || !PictureRgba(colour.image, alpha.image, rgba)) return;
    cache.width = colour.image.width;
    cache.height = colour.image.height;
    glGenTextures(1, &cache.texture);
    glBindTexture(GL_TEXTURE_2D, cache.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, cache.width, cache.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace

bool PictureRgba(const ImageBuffer& colour, const ImageBuffer& alpha, std::vector<std::uint8_t>& rgba) {
    if (colour.Empty() || alpha.Empty() || colour.width != alpha.width || colour.height != alpha.height)
        return false;
    rgba.resize(static_cast<std::size_t>(colour.width) * colour.height * 4);
    std::uint8_t* out = rgba.data();
    for (int y = 0; y < colour.height; ++y)
        for (int x = 0; x < colour.width; ++x, out += 4) {
            const std::uint8_t* c = colour.Pixel(x, y);
            const std::uint8_t* a = alpha.Pixel(x, y);
            out[0] = c[0], out[1] = c[1], out[2] = c[2];
            out[3] = static_cast<std::uint8_t>((a[0] + 4 * a[1] + 2 * a[2]) / 7);
        }
    return true;
}

void PictureCorner(double x0, double y0, int width, int height, int& x, int& y) {
    x = width > 0 ? ((width + Round(x0)) % width + width) % width : 0;
    y = height > 0 ? ((height + Round(y0)) % height + height) % height : 0;
}

void PictureTexture::Release() {
    if (texture) glDeleteTextures(1, &texture);
    texture = 0;
    width = height = 0;
    tried = false;
}

void DrawViewPicture(const CWndView& view, const ViewLayout& layout, int clientHeight, int title,
                     PictureTexture& cache) {
    if (!view.hasPicture) return;
    const ViewPicture& picture = view.picture;
    if (!cache.tried || cache.file != picture.file || cache.maskFile != picture.maskFile)
        Upload(picture, cache);
    if (!cache.texture) return;
    // The view's own area below its title bar, in pixels with y upwards.
    const int width = layout.right - layout.left;
    const int height = layout.bottom - layout.top - title;
    if (width <= 0 || height <= 0) return;
    glViewport(layout.left, clientHeight - layout.bottom, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    double x0, y0, x1, y1;
    if (picture.mode == 1) {
        x0 = static_cast<int>(width * picture.values[0]), y0 = static_cast<int>(height * picture.values[1]);
        x1 = static_cast<int>(width * picture.values[2]), y1 = static_cast<int>(height * picture.values[3]);
    } else {
        int x = 0, y = 0;
        PictureCorner(picture.values[0], picture.values[1], width, height, x, y);
        x0 = x, y0 = y, x1 = x + cache.width, y1 = y + cache.height;
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, cache.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4d(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2d(0, 0), glVertex2d(x0, y0);
    glTexCoord2d(1, 0), glVertex2d(x1, y0);
    glTexCoord2d(1, 1), glVertex2d(x1, y1);
    glTexCoord2d(0, 1), glVertex2d(x0, y1);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

}  // namespace korvan
