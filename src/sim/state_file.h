#pragma once
// The virtual amplifier's memory in a file, so that it outlives one process:
// `vlmctl --simulate` with VLMCTL_SIMULATE_STATE=FILE starts from the file
// and writes it after every set, as a real amplifier keeps its settings
// between two commands (and when the program talking to it is killed).
//
// The live settings and the stored scenes with their names, as raw bytes
// behind a header that names the layout; a file of another layout is
// refused. Only for the virtual amplifier of the same build.
#include <string>

#include "sim/amplifier_state.h"

namespace vlm::sim {

// Empty on success, else why not. The write goes to a temporary file that is
// renamed over `path`.
std::string WriteStateFile(const std::string& path, const AmplifierState& state);
// Fills the scenes and names of `state`; empty on success.
std::string ReadStateFile(const std::string& path, AmplifierState& state);

}  // namespace vlm::sim
