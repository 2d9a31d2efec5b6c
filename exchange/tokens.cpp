#include "exchange/tokens.h"

Tokens::Tokens(std::string_view msg) {
    data.reserve(msg.size() / 2 + 1);
    std::size_t at = 0;
    while (at < msg.size()) {
        const std::size_t start = msg.find_first_not_of(' ', at);
        if (start == std::string_view::npos) break;
        std::size_t end = msg.find(' ', start);
        if (end == std::string_view::npos) end = msg.size();
        data.push_back(string_to_int(msg.substr(start, end - start)));
        at = end;
    }
}

std::string Tokens::get_string() const {
    std::string out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0) out += ' ';
        append_int(out, data[i]);
    }
    return out;
}
