// Synthesises the table's sounds as WAV files (22050 Hz, 16-bit, mono). Run by the build:
//   velmora-make-sounds OUTDIR
// writes OUTDIR/sounds/NAME.wav for every name of gfx/sound_names.h. Cards are shaped noise, the
// turn and the game's end short tones; the noise is seeded, so every build writes the same bytes.
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/sound_names.h"

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

using Samples = std::vector<double>;

// A fixed-seed generator: uniform noise in [-1, 1].
class Noise {
  public:
    double next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / static_cast<double>(1ull << 52) - 1.0;
    }

  private:
    std::uint64_t state = 0x5eed;
};

int samples_in(double seconds) {
    return static_cast<int>(seconds * kRate);
}

// Noise through a one-pole low-pass of `cutoff` Hz, shaped by `envelope(t)` (t in seconds).
Samples shaped_noise(double seconds, double cutoff, const std::function<double(double)>& envelope) {
    Noise noise;
    const double k = 1.0 - std::exp(-2.0 * kPi * cutoff / kRate);
    Samples out(samples_in(seconds));
    double low = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        low += k * (noise.next() - low);
        out[i] = low * envelope(static_cast<double>(i) / kRate);
    }
    return out;
}

// A sine with a few soft overtones, rising in 5 ms and fading to nothing by its end.
Samples tone(double freq, double seconds, double level) {
    Samples out(samples_in(seconds));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t / 0.005);
        const double fade = std::pow(1.0 - t / seconds, 2.0);
        const double w = 2.0 * kPi * freq * t;
        out[i] =
            level * attack * fade * (std::sin(w) + 0.3 * std::sin(2 * w) + 0.1 * std::sin(3 * w));
    }
    return out;
}

// Tones one after another, each starting `step` seconds after the one before and ringing on.
Samples phrase(const std::vector<double>& freqs, double step, double ring, double level) {
    Samples out(samples_in(step * (freqs.size() - 1) + ring));
    for (std::size_t n = 0; n < freqs.size(); ++n) {
        const Samples t = tone(freqs[n], ring, level);
        const std::size_t at = static_cast<std::size_t>(samples_in(step * n));
        for (std::size_t i = 0; i < t.size() && at + i < out.size(); ++i) out[at + i] += t[i];
    }
    return out;
}

// Normalised to a peak of `peak`, so that every sound is as loud as intended.
Samples normalised(Samples s, double peak) {
    double top = 0.0;
    for (double v : s) top = std::max(top, std::fabs(v));
    if (top > 0.0)
        for (double& v : s) v *= peak / top;
    return s;
}

Samples make(SoundName which) {
    switch (which) {
        case SoundName::kCardLaid:  // a quick slap: fast attack, short decay
            return normalised(
                shaped_noise(0.09, 3000, [](double t) { return std::exp(-t / 0.018); }), 0.6);
        case SoundName::kPileMoved:  // a longer slide that ends in a slap
            return normalised(shaped_noise(0.22, 1800,
                                           [](double t) {
                                               const double slide = std::sin(kPi * t / 0.16) * 0.35;
                                               const double slap = std::exp(-(t - 0.15) / 0.02);
                                               return t < 0.15 ? slide : slap;
                                           }),
                              0.6);
        case SoundName::kCardDrawn:  // a soft, rising brush
            return normalised(
                shaped_noise(
                    0.12, 6000,
                    [](double t) { return std::sin(kPi * t / 0.12) * std::sin(kPi * t / 0.12); }),
                0.35);
        case SoundName::kYourTurn:  // two bright notes, up a fourth
            return normalised(phrase({659.3, 880.0}, 0.09, 0.25, 1.0), 0.4);
        case SoundName::kRefused:  // two low notes, down a semitone
            return normalised(phrase({233.1, 220.0}, 0.08, 0.14, 1.0), 0.45);
        case SoundName::kWon:  // a major arpeggio up to the octave
            return normalised(phrase({523.3, 659.3, 784.0, 1046.5}, 0.1, 0.4, 1.0), 0.45);
        case SoundName::kLost:  // a falling minor third and a low close
            return normalised(phrase({392.0, 311.1, 261.6}, 0.16, 0.45, 1.0), 0.4);
    }
    throw std::logic_error("no such sound");
}

void put16(std::FILE* f, unsigned v) {
    std::fputc(v & 0xff, f);
    std::fputc((v >> 8) & 0xff, f);
}

void put32(std::FILE* f, unsigned long v) {
    put16(f, v & 0xffff);
    put16(f, (v >> 16) & 0xffff);
}

void write_wav(const std::string& path, const Samples& s) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("can't write " + path);
    const unsigned long bytes = s.size() * 2;
    std::fputs("RIFF", f);
    put32(f, 36 + bytes);
    std::fputs("WAVEfmt ", f);
    put32(f, 16);
    put16(f, 1);  // PCM
    put16(f, 1);  // mono
    put32(f, kRate);
    put32(f, kRate * 2);
    put16(f, 2);
    put16(f, 16);
    std::fputs("data", f);
    put32(f, bytes);
    for (double v : s) {
        const long q = std::lround(std::max(-1.0, std::min(1.0, v)) * 32767.0);
        put16(f, static_cast<unsigned>(q) & 0xffff);
    }
    if (std::fclose(f) != 0) throw std::runtime_error("can't write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmora-make-sounds OUTDIR\n");
        return 2;
    }
    try {
        const std::string dir = std::string(argv[1]) + "/" + kSoundDir;
        mkdir(dir.c_str(), 0755);
        for (int k = 0; k < kSoundCount; ++k) {
            const auto which = static_cast<SoundName>(k);
            write_wav(dir + "/" + SoundFile(which), make(which));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora-make-sounds: %s\n", e.what());
        return 1;
    }
    return 0;
}
