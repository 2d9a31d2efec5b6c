// The font and card-sheet loaders fed arbitrary files: a file is either refused with a reason
// naming it, or loaded into something every later use can rely on (drawn over here).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_support.h"
#include "gfx/font.h"
#include "gfx/sdl.h"
#include "gfx/sheet_geometry.h"
#include "tools/headless.h"

namespace {

void write(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) broken("can't write a scratch file");
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}

const std::string& scratch() {
    static const std::string dir = [] {
        char name[] = "/tmp/velmora-fuzz-XXXXXX";
        if (!mkdtemp(name)) broken("can't make a scratch directory");
        return std::string(name);
    }();
    return dir;
}

void font(const uint8_t* data, size_t size) {
    // The input in three parts: "font.ini", "font.raw" and "font.dat".
    const size_t ini = std::min<size_t>(size, data[0] % 16), rest = size - ini;
    const std::string dir = scratch();
    write(dir + "/font.ini", data, ini);
    write(dir + "/font.raw", data + ini, rest / 2);
    write(dir + "/font.dat", data + ini + rest / 2, rest - rest / 2);
    std::string why;
    SDLFont* f = initFont(dir.c_str(), 1, 1, 1, 1, &why);
    if (!f) {
        if (why.find(dir + "/font.") == std::string::npos) broken("a refusal names no file");
        return;
    }
    if (f->width % 16 || f->width < 16 || f->width > 4096 || f->charWidth != f->width / 16)
        broken("a font of a size that was not refused");
    char all[256];
    for (int k = 1; k < 256; ++k) all[k - 1] = static_cast<char>(k);
    all[255] = '\0';
    SDL_Surface* target =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 64, 32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    if (drawString(target, f, -5, 3, all) != stringWidth(f, all))
        broken("drawn and measured differ");
    SDL_FreeSurface(target);
    freeFont(f);
}

void sheet(const uint8_t* data, size_t size) {
    const std::string path = scratch() + "/sheet.bmp";
    write(path, data, size);
    try {
        SDL_Surface* s = load_card_sheet(path.c_str());
        if (s->w < kCellW * kSheetCells || s->h < kCellH || s->format->BytesPerPixel != 3)
            broken("a sheet that cannot hold the cards was loaded");
        SDL_FreeSurface(s);
    } catch (const GraphicsError& e) {
        if (std::string(e.what()).find(path) == std::string::npos)
            broken("a refusal names no file");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static HeadlessSDL sdl(false);
    if (size < 1) return 0;
    if (data[0] & 0x80)
        sheet(data + 1, size - 1);
    else
        font(data, size);
    return 0;
}
