#include "model/source_table.h"

namespace vlm {

const std::array<InputSource, kInputSources> kInputSourceTable = {{
    {"source_opt", 0x51, 2, {1, 2, 1, 2, 3, 3, 1, 2, 1, 2, 3, 4}},
    {"source_coax", 0x52, 2, {1, 2, 1, 2, 3, 3, 1, 2, 1, 2, 3, 4}},
    {"source_bt", 0x53, 2, {1, 2, 1, 2, 3, 3, 1, 2, 1, 2, 3, 4}},
    {"source_aux", 0x54, 2, {1, 2, 1, 2, 3, 3, 1, 2, 1, 2, 3, 4}},
    {"source_low", 0x55, 0, {1, 2, 4, 8, 3, 3, 1, 2, 1, 2, 4, 8}},
    {"source_hi", 0x56, 10, {1, 2, 4, 8, 3, 3, 1, 2, 1, 2, 1, 2}},
    {"source_dmp", 0x57, 2, {1, 2, 1, 2, 3, 3, 1, 2, 1, 2, 3, 4}},
}};

const InputSource& InputSourceRow(int source) {
  return kInputSourceTable[(source >= 0 && source < kInputSources) ? source : 0];
}

int InputCount(int source) {
  return (source >= 0 && source < kInputSources) ? kInputSourceTable[source].mixInputs : 0;
}

int SourceIndexFromWireCode(int code) {
  switch (code) {
    case 0x51: return 0;
    case 0x52: return 1;
    case 0x53: return 2;
    case 0x54: return 3;
    case 0x56: return 5;
    case 0x57: return 6;
    default: return 4;
  }
}

}  // namespace vlm
