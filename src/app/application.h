#pragma once
// The entry sequence of vlm-tuner.

#include <QString>

namespace vlm {

// Runs the program: logging switch, command line, skin, main window, message
// loop, teardown. Returns the process exit code.
int RunApplication(int argc, char** argv);

// Chooses the skin: `dir` when it holds a skin index, else the built-in one.
// Returns false when no skin index can be loaded at all.
bool LoadSkin(const QString& dir);

}  // namespace vlm
