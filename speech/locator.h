// Finding a stored bitmap, pixel for pixel, on the screen.
#pragma once

#include <cstdint>

// An image as rows from the top, each row from the left, without gaps. A
// pixel is 0x??RRGGBB; only its low 24 bits are ever compared.
struct ImageView {
  const uint32_t* pixels;
  uint32_t width, height;
};

// The first position (x, y) at which templ lies in screen, taking columns
// x = startX, startX + 1, ... below screen.width - templ.width and, in each
// column, rows y = startY, ... below screen.height - templ.height. A template
// flush with the right or bottom edge is therefore never found, and an empty
// template matches at the start. Returns false when no position matches; then
// *x and *y are untouched. No pixel is read when there is no position to try.
bool MatchBitmap(const ImageView& screen, const ImageView& templ, uint32_t startX, uint32_t startY,
                 uint32_t* x, uint32_t* y);

// Searches the current screen for the speech page picture id (the stored
// bitmap or the venue's file, see page_pictures.h), from (x, y) as above.
// Returns 0 with the position in x and y; -1 when the bitmap is missing or
// malformed, the screen cannot be read or no position matches; -2 when memory
// for the template is lacking, -3 when it is lacking for the screen. x and y
// change only on 0.
int FindBitmapOnScreen(uint16_t id, int& x, int& y);

// The same search in a screen image already at hand (a saved screenshot).
int FindBitmapInImage(const ImageView& screen, uint16_t id, int& x, int& y);
