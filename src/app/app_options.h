#pragma once
// The command line of vlm-tuner.
#include <QString>
#include <QStringList>

namespace vlm {

struct AppOptions {
  bool help = false;
  bool version = false;        // print the program's version and quit
  bool simulate = false;       // attach the virtual amplifier instead of USB
  QString skinDir;             // a skin folder on disk in place of the built-in one
  QString screenshotDir;       // render every window in every language there, then quit
  QString traceFile;           // record the traffic with the amplifier there
  QString cabinFile;           // with simulate: the virtual cabin (JSON); empty: the built-in saloon
  QStringList errors;          // unknown or incomplete arguments
};

// Parses the arguments (without the program name). VLM_SKIN_DIR from the
// environment names the skin folder unless --skin does.
AppOptions ParseAppOptions(const QStringList& args);

QString AppUsage();

// The options of this run, for the parts made after the options are read
// (the controller reads `simulate` when it attaches the device link).
const AppOptions& CurrentAppOptions();
void SetCurrentAppOptions(const AppOptions& options);

}  // namespace vlm
