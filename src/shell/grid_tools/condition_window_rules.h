// The conditions window's own rules, without a window: where a find-next starts and where the
// search position goes after it, which seek kind a refilled condition list selects, and how tall
// a condition line of the colour-category list is drawn.
#pragma once

#include <cstdint>
#include <vector>

// The position is the row a find-next starts at: after a hit it is already one beyond it (one
// before it searching up), so the next search starts there and the row next to a hit is tested.
int32_t FindNextStart(int32_t position, bool up, int32_t rows);
int32_t PositionAfterHit(int32_t hit_row, bool up);
// Nothing found: down starts again at the top, up at the last row.
int32_t PositionAfterMiss(bool up, int32_t rows);
// After the condition list is refilled for a column: the item of the seek kind chosen before when
// it is still offered, else the first item.
int ReselectSeekKind(const std::vector<uint8_t>& offered, uint8_t chosen_before);
// Lines a check-list item takes: its text's width over the room beside the check box, plus three;
// the room is taken as at least one pixel (it is 0 or less while the list is laid out).
int ConditionItemLines(int text_width, int available_width);
