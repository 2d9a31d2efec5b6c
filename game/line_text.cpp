#include "game/line_text.h"

#include <algorithm>

#include "base/utf8.h"
#include "exchange/tokens.h"

namespace {

// The kept characters of `codes`, blanks trimmed, at most `limit`, as UTF-8.
std::string kept_text(std::vector<unsigned> codes, bool (*keep)(unsigned), std::size_t limit) {
    codes.erase(std::remove_if(codes.begin(), codes.end(), [keep](unsigned c) { return !keep(c); }),
                codes.end());
    const auto blank = [](unsigned c) { return c == ' '; };
    auto first = std::find_if_not(codes.begin(), codes.end(), blank);
    auto last = std::min(codes.end(), first + std::min<std::size_t>(limit, codes.end() - first));
    while (last != first && blank(*(last - 1))) --last;
    std::string out;
    for (auto c = first; c != last; ++c) AppendUtf8(out, *c);
    return out;
}

}  // namespace

std::string PrintableText(const std::string& text, std::size_t limit) {
    return kept_text(CodePoints(text), IsPrintableLatin1, limit);
}

std::string PrintableAscii(const std::string& text, std::size_t limit) {
    return kept_text(CodePoints(text), IsPrintableAscii, limit);
}

void AppendText(std::string& line, const std::string& text) {
    for (unsigned c : CodePoints(text)) {
        if (!IsPrintableLatin1(c)) continue;
        line += ' ';
        append_int(line, static_cast<int>(c));
    }
}

void AppendCountedText(std::string& line, const std::string& text) {
    std::string codes;
    AppendText(codes, text);
    line += ' ';
    append_int(line, static_cast<int>(std::count(codes.begin(), codes.end(), ' ')));
    line += codes;
}

std::string TextLine(int code, const std::string& text) {
    std::string line = int_to_string(code);
    AppendText(line, text);
    return line;
}

std::string TextLine(int code, int first, const std::string& text) {
    std::string line = int_to_string(code) + ' ';
    append_int(line, first);
    AppendText(line, text);
    return line;
}

std::string ReadText(const Tokens& tokens, std::size_t first, std::size_t count,
                     std::size_t limit) {
    std::vector<unsigned> codes;
    for (std::size_t i = first; i < first + count && i < tokens.data.size(); ++i)
        if (tokens.data[i] >= 0) codes.push_back(static_cast<unsigned>(tokens.data[i]));
    return kept_text(std::move(codes), IsPrintableLatin1, limit);
}

std::string CodeLine(int code) {
    return int_to_string(code);
}

std::string CodeLine(int code, int arg) {
    std::string out = int_to_string(code);
    out += ' ';
    append_int(out, arg);
    return out;
}
