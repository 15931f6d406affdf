#include "image/image.h"

Image::Image(int w, int h, uint32_t fill)
    : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}
