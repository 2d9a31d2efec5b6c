#include "tools/record_file.h"

#include <cstdio>
#include <fstream>

void KeepRecordFile(const std::string& path, int number, const GameRecord& record) {
    const std::string file = number == 1 ? path : path + "." + std::to_string(number);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << RecordText(record);
    out.close();
    if (!out) std::fprintf(stderr, "Error: can't write the game's record to %s\n", file.c_str());
}
