#include "ui/chat_log.h"

void ChatLog::Add(const std::string& line, Uint32 now) {
    lines.push_back({line, now});
    while (lines.size() > kLines) lines.pop_front();
}

std::vector<std::string> ChatLog::Shown(Uint32 now) const {
    std::vector<std::string> out;
    for (const Line& l : lines)
        if (now - l.at < kShowMs) out.push_back(l.text);
    return out;
}

Uint32 ChatLog::NextChangeMs(Uint32 now) const {
    for (const Line& l : lines)
        if (now - l.at < kShowMs) return kShowMs - (now - l.at);
    return ~Uint32{0};
}
