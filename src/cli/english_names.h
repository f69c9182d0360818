#pragma once
// English texts for the language keys vlmctl prints (the tool itself resolves
// them through its language files).
#include <string>

namespace vlm::cli {

// "Front left tweeter" for position 1, "Empty" for 0 and unknown codes.
const char* PositionName(int code);

// "Optical" for source 0 ... "DMP" for source 6.
const char* SourceName(int source);

// "Butterworth", "Linkwitz-Riley", "Bessel"; "type N" for other codes.
std::string FilterTypeName(int type);

}  // namespace vlm::cli
