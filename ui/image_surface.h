// Pictures of the core on the screen: cairo keeps a pixel as one native 32-bit word
// 0x00RRGGBB, the core's images have red in the lowest byte.
#pragma once

#include <cairomm/surface.h>

#include "image/image.h"

// Copies `picture` into `surface`, which is made anew when it is missing or of another size.
// Nothing for an empty picture.
void copyToSurface(const Image& picture, Cairo::RefPtr<Cairo::ImageSurface>& surface);
