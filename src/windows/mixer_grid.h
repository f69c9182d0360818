#pragma once
// The input mixer's rules that need no window: the rows of a source, level
// text read as the amplifier takes it, and where the arrows move the focus.
#include <QString>

namespace vlm {

// The mixer's grid: twelve output columns by up to twelve input rows, each
// row 50 units high in a layout drawn for all twelve.
inline constexpr int kMixerColumns = 12;
inline constexpr int kMixerLayoutRows = 12;
inline constexpr int kMixerRowHeight = 50;
inline constexpr int kMixLevelMax = 100;

// Input rows of source s: the inputs the model holds for it (2, 2, 2, 2, 0,
// 10, 2), never more than the model's ten inputs; 0 outside 0..6.
int MixerRows(int source);

// A level as typed: leading blanks, an optional sign and decimal digits;
// anything else reads as 0. Limited to 0..100.
int ParseMixLevel(const QString& text);

struct MixerCell {
  int output = 0;
  int input = 0;
};
// The edit the left (right = false) or right arrow moves to from (output,
// input): past output 11 to output 0 of the next row, before output 0 to
// output 11 of the previous one; the rows wrap within 0..rows - 1.
MixerCell MixerArrowTarget(MixerCell from, bool right, int rows);

// The two indices of a family name "prefix<o>_<i>" ("box_edit_3_1"); false
// when the name does not have that form.
bool ParseCellName(const QString& name, const QString& prefix, MixerCell* cell);

}  // namespace vlm
