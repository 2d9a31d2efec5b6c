// The picture of a drag: the window behind the dragged cards, composed once when the drag starts,
// and the dragged cards as one half-transparent image that follows the pointer. A motion repaints
// and shows only where the cards were and are.
#pragma once

#include <SDL.h>

#include <functional>
#include <list>

class SDL;
struct GCard;

class DragPicture {
  public:
    explicit DragPicture(SDL* sdl_t);
    ~DragPicture();
    DragPicture(const DragPicture&) = delete;
    DragPicture& operator=(const DragPicture&) = delete;

    // `cards` picked up by a press at (x, y), their faces from `face_of` (a card number's face);
    // `behind`: the window as it stays for the whole drag, without them. Shows the whole window.
    void Begin(const std::list<GCard>& cards, const std::function<int(int)>& face_of,
               SDL_Surface* behind, int x, int y);
    // The pointer moved to (x, y).
    void MoveTo(int x, int y);
    // The window behind changed: shows it anew with the cards where they were.
    void Recompose(SDL_Surface* behind);
    void End();
    bool active() const { return image != nullptr; }

  private:
    SDL_Rect At(int x, int y) const;
    // The cards at (x, y) over the backdrop; `whole` shows the whole window.
    void Draw(int x, int y, bool whole);

    SDL* sdl;
    SDL_Surface* backdrop;
    SDL_Surface* image = nullptr;
    // Where the image lies undragged, the press that started the drag, the pointer's last place.
    int image_x = 0, image_y = 0;
    int press_x = 0, press_y = 0;
    int last_x = 0, last_y = 0;
};
