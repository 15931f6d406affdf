// The "Test pattern" image: a labelled checkerboard that shows how the layout maps onto the
// model (stretch, seams, orientation).
#pragma once

#include "image/image.h"

// A width x height opaque image of cells of side max(width, height) / 8 (at least 4): cells
// with an even column + row are light (235, 235, 225), the others take a colour of their row.
// Each cell is labelled with the row's letter and the column's number from 1 ("A1" at the top
// left), centred, at a pixel size of a quarter of the cell: white on the coloured cells,
// (20, 20, 20) on the light ones. Empty for a side below 1.
Image makeTestPattern(int width, int height);
