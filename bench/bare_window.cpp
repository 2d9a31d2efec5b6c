// The least an SDL program does to show a window: opens 800 x 600, fills it with the table colour,
// flips once, and waits for its quit event. The baseline of the start-up figure.
#include <SDL.h>

int main(int, char**) {
    if (SDL_Init(SDL_INIT_VIDEO) == -1) return 1;
    SDL_Surface* screen = SDL_SetVideoMode(800, 600, SDL_GetVideoInfo()->vfmt->BitsPerPixel, 0);
    if (!screen) return 1;
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 128, 128));
    SDL_Flip(screen);
    SDL_Event e;
    while (SDL_WaitEvent(&e) && e.type != SDL_QUIT) {
    }
    SDL_Quit();
    return 0;
}
