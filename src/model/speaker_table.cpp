#include "model/speaker_table.h"

namespace vlm {

const std::array<SpeakerPosition, kSpeakerPositions + 1> kSpeakerTable = {{
    {"output_item_empty", 0, 0, 20, 0, 20000, 0, 3},
    {"output_menu_front_left_high_freq", 7, 4, 3400, 2, 20000, 0, 3},
    {"output_menu_front_left_mid_freq", 8, 2, 600, 2, 1900, 2, 3},
    {"output_menu_front_left_low_freq", 9, 1, 70, 3, 320, 2, 3},
    {"output_menu_front_left_mid_high_freq", 10, 6, 600, 2, 20000, 0, 3},
    {"output_menu_front_left_mid_low_freq", 11, 3, 70, 2, 1900, 2, 3},
    {"output_menu_front_left_all_freq", 12, 7, 20, 0, 20000, 0, 3},
    {"output_menu_front_right_high_freq", 1, 4, 3400, 2, 20000, 0, 3},
    {"output_menu_front_right_mid_freq", 2, 2, 600, 2, 1900, 2, 3},
    {"output_menu_front_right_low_freq", 3, 1, 70, 3, 320, 2, 3},
    {"output_menu_front_right_mid_high_freq", 4, 6, 600, 2, 20000, 0, 3},
    {"output_menu_front_right_mid_low_freq", 5, 3, 70, 2, 1900, 2, 3},
    {"output_menu_front_right_all_freq", 6, 7, 20, 0, 20000, 0, 3},
    {"output_menu_rear_left_high_freq", 16, 4, 3400, 2, 20000, 0, 3},
    {"output_menu_rear_left_low_freq", 17, 1, 70, 3, 320, 2, 3},
    {"output_menu_rear_left_all_freq", 18, 7, 20, 0, 20000, 0, 3},
    {"output_menu_rear_right_high_freq", 13, 4, 3400, 2, 20000, 0, 3},
    {"output_menu_rear_right_low_freq", 14, 1, 70, 3, 320, 2, 3},
    {"output_menu_rear_right_all_freq", 15, 7, 20, 0, 20000, 0, 3},
    {"output_menu_center_high_freq", 0, 4, 3400, 2, 20000, 0, 3},
    {"output_menu_center_low_freq", 0, 1, 70, 3, 320, 2, 3},
    {"output_menu_center_all_freq", 0, 7, 20, 0, 20000, 0, 3},
    {"output_menu_subwoof_left", 23, 4, 30, 4, 50, 2, 1},
    {"output_menu_subwoof_right", 22, 2, 30, 4, 50, 2, 1},
    {"output_menu_subwoof_low", 0, 7, 30, 4, 50, 2, 1},
}};

const SpeakerPosition& SpeakerPositionRow(int code) {
  return kSpeakerTable[(code >= 0 && code <= kSpeakerPositions) ? code : 0];
}

int PositionFromMenuItem(std::string_view item) {
  for (int code = 0; code <= kSpeakerPositions; ++code) {
    if (item == kSpeakerTable[code].menuItem) return code;
  }
  return -1;
}

CrossoverSettings DefaultCrossover(int code) {
  const SpeakerPosition& row = SpeakerPositionRow(code);
  CrossoverSettings x;
  x.hp = FilterSettings::Build(row.hpFs, row.type, row.hpSlope);
  x.lp = FilterSettings::Build(row.lpFs, row.type, row.lpSlope);
  x.bpType = (row.hpSlope != 0 ? 1 : 0) + (row.lpSlope != 0 ? 2 : 0);
  return x;
}

PositionGroup GroupOf(int code) {
  if (code >= 1 && code <= 6) return {1, 6};
  if (code >= 7 && code <= 12) return {7, 12};
  if (code >= 13 && code <= 15) return {13, 15};
  if (code >= 16 && code <= 18) return {16, 18};
  if (code >= 19 && code <= 21) return {19, 21};
  return {22, 24};
}

}  // namespace vlm
