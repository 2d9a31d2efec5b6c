// The table's sounds and their files, shared by the program that makes them at build time and
// the player that plays them.
#pragma once

enum class SoundName { kCardLaid, kPileMoved, kCardDrawn, kYourTurn, kRefused, kWon, kLost };
constexpr int kSoundCount = 7;

// The folder of the sound files, beside the card sheet's folder.
constexpr const char* kSoundDir = "sounds";

inline const char* SoundFile(SoundName s) {
    static const char* const files[kSoundCount] = {
        "card-laid.wav", "pile-moved.wav", "card-drawn.wav", "your-turn.wav",
        "refused.wav",   "won.wav",        "lost.wav"};
    return files[static_cast<int>(s)];
}
