// The network transport's framing fed arbitrary byte streams in arbitrary pieces: every line a
// peer sent arrives once, whole and in order, none that it did not send, and an unfinished line
// past the limit is noticed at the end of the piece that made it so.
#include <cstdint>
#include <string>
#include <vector>

#include "exchange/line_framing.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    constexpr std::size_t kLimit = 48;
    // The first byte chooses the piece sizes; the rest is the stream.
    const unsigned step = 1 + data[0] % 29;
    const std::string stream(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<std::string> got;
    std::string pending;
    std::size_t at = 0;
    for (unsigned k = 0; at < stream.size(); ++k) {
        const std::size_t n = std::min<std::size_t>(stream.size() - at, 1 + (step * k) % 37);
        const bool fits = split_lines(stream.data() + at, n, pending, kLimit,
                                      [&](const std::string& line) { got.push_back(line); });
        at += n;
        // The unfinished tail is everything after the last line feed seen so far.
        const std::size_t feed = stream.rfind('\n', at - 1);
        const std::size_t tail = feed == std::string::npos ? at : at - feed - 1;
        if (pending != stream.substr(at - tail, tail)) broken("the unfinished line is wrong");
        if (fits != (tail <= kLimit)) broken("the limit was judged wrongly");
        if (!fits) break;
    }
    std::string joined;
    for (const std::string& line : got) joined += line + '\n';
    if (joined + pending != stream.substr(0, at)) broken("lines lost, changed or made up");
    return 0;
}
