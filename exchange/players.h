// The most players a table has room for: the size of every per-player array.
#pragma once

constexpr int kMaxPlayers = 6;
