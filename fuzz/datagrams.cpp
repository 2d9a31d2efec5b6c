// The datagrams of the search for games on the local network, whoever sends them: the input's
// first line is the searcher's token, the rest the datagram. A search that is taken is answered
// with no more bytes than it had, even with the longest offer; an answer that is taken offers a
// game in range, and says the same again when written anew.
#include <cstdint>
#include <string>

#include "base/utf8.h"
#include "fuzz/fuzz_support.h"
#include "net/game_search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = text.find('\n');
    const std::uint64_t token =
        cut == std::string::npos ? 0 : std::strtoull(text.substr(0, cut).c_str(), nullptr, 10);
    const std::string datagram = cut == std::string::npos ? text : text.substr(cut + 1);
    if (const auto search = ReadSearch(datagram)) {
        // 16 letters of two bytes each in UTF-8: the longest name there is.
        std::string name;
        for (int i = 0; i < 16; ++i) name += "\u00c9";
        const GameOffer longest{name, 65535, 5, 5};
        if (AnswerDatagram(*search, longest).size() > datagram.size())
            broken("an answer larger than its search");
    }
    if (const auto offer = ReadAnswer(datagram, token)) {
        if (offer->port < 1 || offer->port > 65535 || offer->seats < 2 || offer->seats > 5 ||
            offer->joined < 0 || offer->joined > offer->seats ||
            CodePoints(offer->name).size() > 16)
            broken("an offer out of range");
        const auto again = ReadAnswer(AnswerDatagram(token, *offer), token);
        if (!again || again->name != offer->name || again->port != offer->port ||
            again->joined != offer->joined || again->seats != offer->seats)
            broken("an offer written anew says something else");
    }
    return 0;
}
