#include "game/line_text.h"

#include "exchange/tokens.h"

namespace {

bool printable(int c) {
    return c >= 32 && c <= 126;
}

}  // namespace

std::string PrintableText(const std::string& text, std::size_t limit) {
    std::string out;
    for (char c : text)
        if (printable(static_cast<unsigned char>(c))) out += c;
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    out = out.substr(first, out.find_last_not_of(' ') - first + 1);
    if (out.size() > limit) out.resize(limit);
    return out.substr(0, out.find_last_not_of(' ') + 1);
}

void AppendText(std::string& line, const std::string& text) {
    for (char c : text) {
        line += ' ';
        append_int(line, static_cast<unsigned char>(c));
    }
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
    std::string text;
    for (std::size_t i = first; i < first + count && i < tokens.data.size(); ++i)
        if (printable(tokens.data[i])) text += static_cast<char>(tokens.data[i]);
    return PrintableText(text, limit);
}
