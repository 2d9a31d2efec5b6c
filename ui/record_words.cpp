#include "ui/record_words.h"

#include <ctime>

#include "ui/texts.h"

std::string PlaceLabel(const std::string& where) {
    const std::size_t blank = where.find(' ');
    const std::string kind = where.substr(0, blank), rest = where.substr(blank + 1);
    if (kind == "local") return Translate("replay", "Against the computer");
    if (kind == "hosted") return Translate("replay", "Hosted");
    if (kind == "joined") return Fill(Translate("replay", "Joined at %s"), rest);
    const std::size_t table = rest.find(' ');
    return Fill(Translate("replay", "%s on %s"), rest.substr(table + 1), rest.substr(0, table));
}

std::string PlayedLabel(const std::string& played) {
    std::tm utc{};
    if (!strptime(played.c_str(), "%Y-%m-%dT%H:%M:%SZ", &utc)) return played;
    const std::time_t when = timegm(&utc);
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}
