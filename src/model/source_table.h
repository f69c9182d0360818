#pragma once
// The seven input sources: combo item, wire code, how many inputs the mix
// reads for them, and the default routing.
#include <array>
#include <cstdint>

#include "model/model_constants.h"

namespace vlm {

struct InputSource {
  const char* itemName;   // item of "btn_input_source", e.g. "source_opt"
  uint8_t wireCode;       // sent with Source_Switch_Ctrl, 0x51..0x57
  int mixInputs;          // input channels whose mix levels are read back
  std::array<int32_t, kOutputChannels> defaultInputs;  // input bit mask per output
};

extern const std::array<InputSource, kInputSources> kInputSourceTable;

// The row of source index s; an index outside 0..6 takes row 0.
const InputSource& InputSourceRow(int source);

// Input count of source s (the mix-inputs column; 0 outside 0..6).
int InputCount(int source);

// The source index a reply code selects: 0x51..0x54, 0x56, 0x57 map to their
// row, anything else selects index 4 ("source_low").
int SourceIndexFromWireCode(int code);

inline uint8_t SourceWireCode(int source) { return InputSourceRow(source).wireCode; }

}  // namespace vlm
