// The framing of the network transport: a byte stream cut into lines at line feeds.
#pragma once

#include <cstring>
#include <string>

// Appends `n` bytes of `data` to the unfinished line in `pending`; each line completed by a line
// feed goes to `line` (without its line feed) and leaves `pending`. False when the unfinished line
// is longer than `max_pending` bytes after this piece: a peer that sends that is not playing.
template <typename OnLine>
bool split_lines(const char* data, std::size_t n, std::string& pending, std::size_t max_pending,
                 OnLine&& line) {
    const char* end = data + n;
    for (const char* feed; (feed = static_cast<const char*>(std::memchr(data, '\n', end - data)));
         data = feed + 1) {
        pending.append(data, feed);
        line(pending);
        pending.clear();
    }
    pending.append(data, end);
    return pending.size() <= max_pending;
}
