// How a kept game reads on the screen: its place and its time.
#pragma once

#include <string>

// "Against the computer", "Hosted", "Joined at HOST", "TABLE on HOST".
std::string PlaceLabel(const std::string& where);
// "2026-12-09 21:14" of a record's UTC time, in the local time.
std::string PlayedLabel(const std::string& played);
