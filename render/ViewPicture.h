#pragma once
// The explanation picture of a view: a colour image and an alpha image of the same size, shown
// over the view's drawing area, either at the image's own pixel size at an offset (mode 0;
// negative offsets count from the right and top edges) or stretched between fractions of the
// area (mode 1).
#include <cstdint>
#include <string>
#include <vector>

#include "skin/Image.h"

namespace korvan {

class CWndView;
struct ViewLayout;

// RGBA rows bottom-up without padding: R, G, B from the colour image, A = (R + 4 G + 2 B) / 7 of
// the alpha image's pixel. False when either is empty or their sizes differ.
bool PictureRgba(const ImageBuffer& colour, const ImageBuffer& alpha, std::vector<std::uint8_t>& rgba);

// Lower-left corner of a mode-0 picture in an area of width x height pixels.
void PictureCorner(double x0, double y0, int width, int height, int& x, int& y);

// The texture of one view's picture, made when the files change.
struct PictureTexture {
    std::string file, maskFile;
    unsigned texture = 0;
    int width = 0, height = 0;
    bool tried = false;

    void Release();
};

// Draws the picture into the view's area below its title bar (client height H, title T).
void DrawViewPicture(const CWndView& view, const ViewLayout& layout, int clientHeight, int title,
                     PictureTexture& cache);

}  // namespace korvan
