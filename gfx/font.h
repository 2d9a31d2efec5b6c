// Bitmap fonts: a square greyscale atlas of 16 x 16 glyph cells with an advance width per glyph,
// read from "font.ini" (the atlas side), "font.raw" (the atlas) and "font.dat" (the widths), and
// coloured once at load so that drawing a character is one alpha blit.
#pragma once

#include <SDL.h>

#include <string>

struct SDLFont {
    SDL_Surface* font;    // the coloured atlas, built over `data`
    int width;            // the atlas side N
    int charWidth;        // N / 16: one cell's side, also the line height
    int* widths;          // advance of each of the 256 codes
    unsigned char* data;  // N x N pixels of 4 bytes, in the channel order of gfx/masks.h
};

// The font in `fontdir` in colour (r, g, b), alpha scaled by `a` (all 0 to 1). Null when a file
// is missing or malformed; then `error`, when given, names the file and what is wrong with it.
SDLFont* initFont(const char* fontdir, float r, float g, float b, float a,
                  std::string* error = nullptr);
// Draws UTF-8 `str` with its top-left corner at (x, y); returns the width drawn. A character
// without a glyph (beyond Latin-1, a control code, a broken sequence) shows the replacement mark.
int drawString(SDL_Surface* screen, SDLFont* font, int x, int y, const char* str);
int stringWidth(SDLFont* font, const char* str);
// Blits the rectangle (x2, y2, w, h) of `img` to (x, y) of `screen`.
void fontDrawIMG(SDL_Surface* screen, SDL_Surface* img, int x, int y, int w, int h, int x2, int y2);
void freeFont(SDLFont* font);
