// Every text of every catalogue, English included, measured with the game's own fonts in the
// place its context names, in the smallest picture (800 x 600): a translation that runs past its
// box or the window fails here, not on a player's screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/sdl.h"
#include "gfx/sheet_geometry.h"
#include "gfx/widgets.h"
#include "ui/catalogue.h"
#include "ui/language.h"
#include "ui/log_panel.h"
#include "ui/rules_page.h"
#include "ui/table_layout.h"
#include "ui/texts.h"

namespace {

struct Entry {
    std::string place, id;
    std::vector<std::string> texts;  // the translation's forms (the msgid's for English)
};

std::string unquote(const std::string& line) {
    const auto first = line.find('"'), last = line.rfind('"');
    std::string out;
    for (auto i = first + 1; i < last; ++i) {
        if (line[i] != '\\' || i + 1 >= last) {
            out += line[i];
            continue;
        }
        const char c = line[++i];
        out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    return out;
}

// The entries of a po file; with `english`, each entry's own text (and plural) as its forms.
std::vector<Entry> read_po(const std::string& path, bool english) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << path;
    std::vector<Entry> entries;
    Entry e;
    std::string plural, line, *last = nullptr;
    const auto flush = [&] {
        if (!e.id.empty()) {
            if (english) e.texts = plural.empty() ? std::vector{e.id} : std::vector{e.id, plural};
            entries.push_back(e);
        }
        e = Entry{}, plural.clear(), last = nullptr;
    };
    while (std::getline(in, line)) {
        if (line.rfind("msgctxt ", 0) == 0) {
            flush();
            last = &(e.place = unquote(line));
        } else if (line.rfind("msgid_plural ", 0) == 0) {
            last = &(plural = unquote(line));
        } else if (line.rfind("msgid ", 0) == 0) {
            last = &(e.id = unquote(line));
        } else if (line.rfind("msgstr", 0) == 0) {
            e.texts.push_back(unquote(line));
            last = &e.texts.back();
        } else if (!line.empty() && line[0] == '"' && last) {
            *last += unquote(line);
        }
    }
    flush();
    return entries;
}

// Each blank filled with a typical value: a name for %s (or, in a hint, the longest pile name),
// two digits for %d.
std::string sample(const std::string& text, const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t d = i + 1;
        if (text[i] == '%' && d + 1 < text.size() && std::isdigit(text[d]) && text[d + 1] == '$')
            d += 2;
        if (text[i] != '%' || d >= text.size()) {
            out += text[i];
        } else if (text[d] == 's' || text[d] == 'd') {
            out += text[d] == 's' ? name : "12";
            i = d;
        } else {
            out += text[d];
            i = d;
        }
    }
    return out;
}

constexpr int kW = 800, kH = 600;
// A card's left edge in its 128-pixel frame.
constexpr int kCardInset = 28;

struct Fit : ::testing::Test {
    void SetUp() override {
        sdl = std::make_unique<SDL>(SDL::kFlags);
        const std::string data = VELMORA_BIN_DIR "/3rdparty";
        sdl->InitVideo(kW, kH, data + "/font/data", data + "/deck_default.bmp");
    }
    int text_w(const std::string& s) { return sdl->GetStringWidth(1, s.c_str()); }
    int button_w(const std::string& s) { return static_cast<int>(sdl->GetButtonWidth(s.c_str())); }

    // The room of a place, and how wide `text` is there; -1 for a place the test does not know.
    struct Measure {
        int width, room;
    };
    Measure measure(const std::string& place, const std::string& id, const std::string& text) {
        const int hand_left = HandSpot(0, 1, kW, kH).x + kCardInset;
        const int hand_right = kW - kHandRoomRight + kCardInset + kCellW;
        if (place == "button") return {button_w(text), kW - 20};
        if (place == "game button") return {button_w(text), hand_left - 10 - 2};
        if (place == "end button") return {button_w(text), kW - 10 - hand_right - 4};
        if (place == "line") return {text_w(text), kW - 20};
        // A replay's buttons stand where a game's end buttons do, a kept game's row across the
        // window, its other lines as a game's table lines.
        if (place == "replay" && (id == "Back" || id == "Play from here"))
            return {button_w(text), kW - 10 - hand_right - 4};
        if (place == "replay" && id.rfind("%s   ", 0) == 0) return {button_w(text), kW - 20};
        if (place == "replay" &&
            (id.rfind("No game", 0) == 0 || id.find("kept.") != std::string::npos))
            return {text_w(text), kW - 20};
        if (place == "replay") return {text_w(text), kW - 220};
        // Left of the seat at the top right; longer lines are cut there with "...".
        if (place == "table line" || place == "pile") return {text_w(text), kW - 220};
        // The own plate says "You"; the others' say a name and a card count.
        if (place == "plate" && id == "You") return {text_w(text), OwnSeat(kW, kH).w - 8};
        if (place == "plate")
            return {text_w(text) + text_w("12") + 8, OtherSeat(0, 1, kW, kH).w - 8};
        // The log's lines wrap in at most three rows; its title stands in one.
        if (place == "log" || place == "card") {
            const LogPanel log(*sdl);
            const auto rows = WrappedLines(*sdl, 1, text, log.RowWidth()).size();
            const bool title = id.find("(L") != std::string::npos;
            return {rows <= (title ? 1u : 3u) ? 0 : log.RowWidth() + 1, log.RowWidth()};
        }
        return {-1, 0};
    }

    std::unique_ptr<SDL> sdl;
};

TEST_F(Fit, EveryTextFitsItsPlaceInEveryLanguage) {
    for (const char* lang : {"en", "de", "fr", "es"}) {
        const bool english = std::string(lang) == "en";
        const std::vector<Entry> entries = read_po(
            VELMORA_SOURCE_DIR "/po/" + std::string(english ? "de" : lang) + ".po", english);
        ASSERT_GT(entries.size(), 100u) << lang;
        std::string longest_pile;
        std::map<std::string, std::string> head;  // the statistics table's texts
        for (const Entry& e : entries)
            if (e.place == "pile" && text_w(e.texts[0]) > text_w(longest_pile))
                longest_pile = e.texts[0];
        for (const Entry& e : entries) {
            const bool hint = e.id.rfind("Hint: ", 0) == 0 && e.id.find("%s") != std::string::npos;
            for (const std::string& form : e.texts) {
                const std::string text = sample(form, hint ? longest_pile : "Anna Smith");
                SCOPED_TRACE(std::string(lang) + " [" + e.place + "] " + text);
                if (e.place.rfind("statistics", 0) == 0) {
                    head[e.place + "|" + e.id] = text;
                } else if (e.place == "rules text" || e.place == "rules caption") {
                    const bool caption = e.place == "rules caption";
                    const int width = caption ? RulesPage::kCaptionWidth : kW - 20;
                    EXPECT_LE(WrappedLines(*sdl, 1, text, width).size(),
                              static_cast<std::size_t>(caption ? RulesPage::kCaptionRows
                                                               : RulesPage::kTextRows));
                    std::istringstream words(text);
                    for (std::string word; words >> word;) EXPECT_LE(text_w(word), width) << word;
                } else if (e.place != "terminal") {
                    const Measure m = measure(e.place, e.id, text);
                    ASSERT_NE(m.width, -1) << "a place the test does not know";
                    EXPECT_LE(m.width, m.room);
                }
            }
        }
        // The statistics table: each column as wide as its widest text, 16 apart, a row of the
        // longest kind and figures within the window.
        const auto cell = [&](const char* place, const char* id) {
            return head[std::string(place) + "|" + id];
        };
        const std::vector<std::vector<std::string>> columns = {
            {cell("statistics head", "Game"), cell("statistics kind", "Local, %d players, %s"),
             cell("statistics kind", "Network, %d players")},
            {cell("statistics head", "Played"), "123"},
            {cell("statistics head", "Won"), "123"},
            {cell("statistics head", "Win %"), "100"},
            {cell("statistics head", "Streak"), cell("statistics cell", "%d won"),
             cell("statistics cell", "%d lost")},
            {cell("statistics head", "Best"), "12"},
            {cell("statistics head", "Fastest win"), cell("statistics cell", "%d turns")}};
        int x = 10;
        for (const auto& column : columns) {
            int widest = 0;
            for (const std::string& t : column) widest = std::max(widest, text_w(t));
            x += widest + 16;
        }
        EXPECT_LE(x - 16, kW - 10) << lang << ": the statistics table";
    }
}

}  // namespace

namespace {

// The language follows the environment, also where its locale is not installed (C.UTF-8 then
// reads LANGUAGE), and a choice in Settings takes effect at once; the C locale is English.
TEST(Language, FollowsTheEnvironmentAndSwitchesAtOnce) {
    const std::string locale = VELMORA_BIN_DIR "/locale";
    unsetenv("LANGUAGE");
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", "de_AT.UTF-8@euro", 1);
    StartLanguage(locale, "");
    EXPECT_STREQ(Translate("button", "Quit"), "Beenden");
    UseLanguage("fr");
    EXPECT_STREQ(Translate("button", "Quit"), "Quitter");
    EXPECT_EQ(std::getenv("LANGUAGE"), nullptr) << "a choice changed the environment";
    EXPECT_STREQ(TranslatePlural("table line", "%d card", "%d cards", 1), "%d carte");
    EXPECT_STREQ(TranslatePlural("table line", "%d card", "%d cards", 0), "%d carte") << "n > 1";
    UseLanguage("en");
    EXPECT_STREQ(Translate("button", "Quit"), "Quit");
    EXPECT_STREQ(TranslatePlural("table line", "%d card", "%d cards", 2), "%d cards");
    UseLanguage("");
    EXPECT_STREQ(Translate("button", "Quit"), "Beenden") << "the environment's again";
    setenv("LANG", "C", 1);
    setenv("LANGUAGE", "es", 1);
    StartLanguage(locale, "");
    EXPECT_STREQ(Translate("button", "Quit"), "Quit") << "gettext's C locale reads no LANGUAGE";
    UseLanguage("es");
    EXPECT_STREQ(Translate("button", "Quit"), "Salir");
    EXPECT_EQ(LanguageLabel("es"), "Español");
    EXPECT_EQ(NextLanguage(""), "de");
    EXPECT_EQ(NextLanguage("fr"), "");
    UseLanguage("en");
    unsetenv("LANGUAGE");
}

// A catalogue is a file, not trusted: cut short or with an offset bent past its end, it is refused
// whole.
TEST(Language, ADamagedCatalogueHoldsNothing) {
    std::ifstream in(VELMORA_BIN_DIR "/locale/de/LC_MESSAGES/velmora.mo", std::ios::binary);
    const std::string whole{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(whole.size(), 100u);
    const std::string path = testing::TempDir() + "velmora-damaged.mo";
    const auto loads = [&](const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
        Catalogue c;
        return c.Load(path);
    };
    EXPECT_TRUE(loads(whole));
    // The last string's terminating NUL is the file's last byte: one cut before it is a cut.
    for (std::size_t cut : {std::size_t{0}, std::size_t{19}, whole.size() / 2, whole.size() - 2})
        EXPECT_FALSE(loads(whole.substr(0, cut))) << cut;
    std::string bent = whole;
    bent[12] = bent[13] = bent[14] = bent[15] = '\xff';  // the originals' table
    EXPECT_FALSE(loads(bent));
    std::remove(path.c_str());
}

// A catalogue is data: its formats fill only what was given, in order or by number.
TEST(Language, FillReadsOnlyWhatWasGiven) {
    EXPECT_EQ(Fill("%s played %d cards", "Bo", 3), "Bo played 3 cards");
    EXPECT_EQ(Fill("%2$s, %1$s", "a", "b"), "b, a");
    EXPECT_EQ(Fill("%s %s %s", "one"), "one  ");
    EXPECT_EQ(Fill("100 %% %n %x %9$s %0$s %", 1), "100 % %n %x   %");
}

}  // namespace
