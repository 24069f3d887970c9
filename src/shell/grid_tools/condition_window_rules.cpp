#include "shell/grid_tools/condition_window_rules.h"

#include <algorithm>

int32_t FindNextStart(int32_t position, bool up, int32_t rows) {
  if (rows <= 0) return -1;
  if (up && position >= rows) return rows - 1;
  return position;
}

int32_t PositionAfterHit(int32_t hit_row, bool up) { return up ? hit_row - 1 : hit_row + 1; }

int32_t PositionAfterMiss(bool up, int32_t rows) { return up ? std::max(0, rows - 1) : 0; }

int ReselectSeekKind(const std::vector<uint8_t>& offered, uint8_t chosen_before) {
  for (size_t i = 0; i < offered.size(); ++i)
    if (offered[i] == chosen_before) return static_cast<int>(i);
  return offered.empty() ? -1 : 0;
}

int ConditionItemLines(int text_width, int available_width) {
  return std::max(0, text_width) / std::max(1, available_width) + 3;
}
