#include "gfx/sounds.h"

#include <SDL.h>

#include <cstdio>

namespace {

constexpr int kRate = 22050;
// About 23 ms at 22050 Hz: a sound starts within a frame or two of its card landing.
constexpr int kBufferSamples = 512;
constexpr int kChannels = 8;

void say_silent(const char* why) {
    std::fprintf(stderr, "velmora: no audio device (%s): playing in silence\n", why);
}

}  // namespace

Sounds::~Sounds() {
    Close();
}

void Sounds::Start() {
    if (started) return;
    started = true;
    if (on) OpenDevice();
}

void Sounds::OpenDevice() {
    if (tried || dir.empty()) return;
    tried = true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == -1) {
        say_silent(SDL_GetError());
        return;
    }
    if (Mix_OpenAudio(kRate, AUDIO_S16SYS, 2, kBufferSamples) == -1) {
        say_silent(Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    opened = true;
    Mix_AllocateChannels(kChannels);
    bool missing = false;
    for (int k = 0; k < kSoundCount; ++k) {
        const std::string path = dir + "/" + SoundFile(static_cast<SoundName>(k));
        chunks[k] = Mix_LoadWAV(path.c_str());
        if (!chunks[k] && !missing) {
            std::fprintf(stderr, "velmora: can't read %s (%s): that sound stays silent\n",
                         path.c_str(), Mix_GetError());
            missing = true;
        }
    }
}

void Sounds::Close() {
    if (!opened) return;
    Mix_HaltChannel(-1);
    for (Mix_Chunk*& c : chunks) {
        if (c) Mix_FreeChunk(c);
        c = nullptr;
    }
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    opened = false;
    tried = false;
}

void Sounds::SetOn(bool on_t) {
    on = on_t;
    if (on && started) OpenDevice();
    if (!on && opened) Mix_HaltChannel(-1);
}

void Sounds::Play(SoundName s) {
    Mix_Chunk* chunk = chunks[static_cast<int>(s)];
    if (on && opened && chunk) Mix_PlayChannel(-1, chunk, 0);
}
