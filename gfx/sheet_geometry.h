// The card sheet's layout, shared by the program that draws it, the loader and their tests: one
// row of cells, the 52 faces first (suit by suit, ace to king), then the back and the empty pile.
#pragma once

constexpr int kCellW = 73;
constexpr int kCellH = 97;
constexpr int kSheetCells = 57;
constexpr int kBackCell = 53;
constexpr int kEmptyCell = 56;
