// The table's sounds, played with SDL_mixer. Without an audio device the game plays in silence:
// every call still works and does nothing.
#pragma once

#include <SDL_mixer.h>

#include <array>
#include <string>

#include "gfx/sound_names.h"

class Sounds {
  public:
    Sounds() = default;
    ~Sounds();
    Sounds(const Sounds&) = delete;
    Sounds& operator=(const Sounds&) = delete;

    // The sounds are in `dir`; nothing is opened yet.
    void Find(const std::string& dir_t) { dir = dir_t; }
    // From now on the audio device may open: at once while on, else when switched on. It opens
    // once and reads the sounds; without a device, or without the files, that is said once on
    // standard error and nothing fails. The program starts it after its first picture, so that
    // the window never waits for the audio device.
    void Start();
    // Off stops what plays and keeps silent until on again.
    void SetOn(bool on_t);
    bool On() const { return on; }
    // Starts `s` on a free channel and returns at once.
    void Play(SoundName s);
    // Closes the device, before SDL itself ends.
    void Close();

  private:
    void OpenDevice();

    std::string dir;
    bool started = false;
    bool tried = false;
    bool opened = false;
    bool on = true;
    std::array<Mix_Chunk*, kSoundCount> chunks{};
};
