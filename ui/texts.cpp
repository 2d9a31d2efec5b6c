#include "ui/texts.h"

#include <cctype>
#include <vector>

#include "ui/language.h"

namespace {

// gettext's key of a text with a context: the context, a 4 (EOT), the text.
std::string keyed(const char* place, const char* text) {
    return std::string(place) + '\004' + text;
}

}  // namespace

const char* Translate(const char* place, const char* text) {
    const char* found = TranslatedText(keyed(place, text));
    return found ? found : text;
}

const char* TranslatePlural(const char* place, const char* one, const char* many, unsigned long n) {
    const char* found = TranslatedText(keyed(place, one), n);
    return found ? found : n == 1 ? one : many;
}

std::string FillList(const char* format, std::initializer_list<std::string> args) {
    const std::vector<std::string> given(args);
    std::string out;
    std::size_t next = 0;
    for (const char* c = format; *c; ++c) {
        if (*c != '%') {
            out += *c;
            continue;
        }
        if (c[1] == '%') {
            out += '%';
            ++c;
            continue;
        }
        // %s, %d, or a numbered %N$s / %N$d; anything else stays as it stands.
        const char* d = c + 1;
        std::size_t index = next;
        if (std::isdigit(static_cast<unsigned char>(*d)) && d[1] == '$') index = *d - '1', d += 2;
        if (*d != 's' && *d != 'd') {
            out += *c;
            continue;
        }
        if (index < given.size()) out += given[index];
        next = index + 1;
        c = d;
    }
    return out;
}

const char* StrengthLabel(Strategy s) {
    switch (s) {
        case Strategy::kEasy:
            return Translate("button", "Easy");
        case Strategy::kStrong:
            return Translate("button", "Strong");
        case Strategy::kExpert:
            return Translate("button", "Expert");
        case Strategy::kAuto:
            break;
    }
    return Translate("button", "Normal");
}

const char* PaceLabel(Pace p) {
    static const char* const kLabels[] = {Marked("button", "Off"), Marked("button", "Fast"),
                                          Marked("button", "Normal"), Marked("button", "Slow")};
    return Translate("button", kLabels[static_cast<int>(p)]);
}

const char* OnOff(bool on) {
    return on ? Translate("button", "On") : Translate("button", "Off");
}
