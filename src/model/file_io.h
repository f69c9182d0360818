#pragma once
// Whole-file reads and writes for the model's files.
#include <cstddef>
#include <string>
#include <string_view>

namespace vlm {

// Reads a regular file of at most `maxBytes`. False (with `error` set) when it
// cannot be opened, is not a regular file, is larger, or a read fails.
bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& text,
                   std::string& error);

// Writes `text` to a new file next to `path`, flushes it to disk and renames it
// over `path`. On failure the temporary file is removed, `path` is untouched
// and `error` says why.
bool WriteFileAtomically(const std::string& path, std::string_view text, std::string& error);

// The program's folder in the user's data folder: $XDG_DATA_HOME/vlm-tuner
// when that is an absolute path, else $HOME/.local/share/vlm-tuner.
std::string UserDataFolder();

}  // namespace vlm
