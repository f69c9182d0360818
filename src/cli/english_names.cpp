#include "cli/english_names.h"

#include <string_view>

#include "model/source_table.h"
#include "model/speaker_table.h"

namespace vlm::cli {
namespace {

struct Text {
  std::string_view key;
  const char* english;
};

// Keyed by the output-menu item, the language key the tool shows.
constexpr Text kPositionTexts[] = {
    {"output_item_empty", "Empty"},
    {"output_menu_front_left_high_freq", "Front left tweeter"},
    {"output_menu_front_left_mid_freq", "Front left midrange"},
    {"output_menu_front_left_low_freq", "Front left woofer"},
    {"output_menu_front_left_mid_high_freq", "Front left midrange-tweeter"},
    {"output_menu_front_left_mid_low_freq", "Front left midrange-woofer"},
    {"output_menu_front_left_all_freq", "Front left full range"},
    {"output_menu_front_right_high_freq", "Front right tweeter"},
    {"output_menu_front_right_mid_freq", "Front right midrange"},
    {"output_menu_front_right_low_freq", "Front right woofer"},
    {"output_menu_front_right_mid_high_freq", "Front right midrange-tweeter"},
    {"output_menu_front_right_mid_low_freq", "Front right midrange-woofer"},
    {"output_menu_front_right_all_freq", "Front right full range"},
    {"output_menu_rear_left_high_freq", "Rear left tweeter"},
    {"output_menu_rear_left_low_freq", "Rear left woofer"},
    {"output_menu_rear_left_all_freq", "Rear left full range"},
    {"output_menu_rear_right_high_freq", "Rear right tweeter"},
    {"output_menu_rear_right_low_freq", "Rear right woofer"},
    {"output_menu_rear_right_all_freq", "Rear right full range"},
    {"output_menu_center_high_freq", "Centre tweeter"},
    {"output_menu_center_low_freq", "Centre woofer"},
    {"output_menu_center_all_freq", "Centre full range"},
    {"output_menu_subwoof_left", "Left subwoofer"},
    {"output_menu_subwoof_right", "Right subwoofer"},
    {"output_menu_subwoof_low", "Subwoofer"},
};

constexpr Text kSourceTexts[] = {
    {"source_opt", "Optical"},   {"source_coax", "Coaxial"},   {"source_bt", "Bluetooth"},
    {"source_aux", "AUX"},       {"source_low", "Low level"},  {"source_hi", "High level"},
    {"source_dmp", "DMP"},
};

template <std::size_t N>
const char* Lookup(const Text (&table)[N], std::string_view key, const char* otherwise) {
  for (const Text& t : table) {
    if (t.key == key) return t.english;
  }
  return otherwise;
}

}  // namespace

const char* PositionName(int code) {
  return Lookup(kPositionTexts, MenuItemOf(code), "Empty");
}

const char* SourceName(int source) {
  return Lookup(kSourceTexts, InputSourceRow(source).itemName, "?");
}

std::string FilterTypeName(int type) {
  switch (type) {
    case 1: return "Butterworth";
    case 2: return "Linkwitz-Riley";
    case 3: return "Bessel";
  }
  return "type " + std::to_string(type);
}

}  // namespace vlm::cli
