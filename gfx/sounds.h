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

    // The sounds are in `dir`: while on, opens the audio device and reads them (off, that waits
    // until on). Without a device, or without the files, says so once on standard error;
    // nothing fails.
    void Open(const std::string& dir_t);
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
    bool tried = false;
    bool opened = false;
    bool on = true;
    std::array<Mix_Chunk*, kSoundCount> chunks{};
};
