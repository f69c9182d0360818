#include "app/app_options.h"

#include <QFile>

#include "sim/cabin.h"

namespace vlm {

AppOptions ParseAppOptions(const QStringList& args) {
  AppOptions o;
  o.skinDir = qEnvironmentVariable("VLM_SKIN_DIR");
  for (int i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    auto value = [&](const QString& flag, QString* out) {
      if (a.startsWith(flag + '=')) {
        *out = a.mid(flag.size() + 1);
        return true;
      }
      if (a == flag) {
        if (i + 1 < args.size()) *out = args[++i];
        else o.errors.append(flag + QStringLiteral(" needs a value"));
        return true;
      }
      return false;
    };
    if (a == QLatin1String("--help") || a == QLatin1String("-h")) o.help = true;
    else if (a == QLatin1String("--version")) o.version = true;
    else if (a == QLatin1String("--simulate")) o.simulate = true;
    else if (value(QStringLiteral("--skin"), &o.skinDir)) continue;
    else if (value(QStringLiteral("--screenshot"), &o.screenshotDir)) continue;
    else if (value(QStringLiteral("--trace"), &o.traceFile)) continue;
    else if (value(QStringLiteral("--cabin"), &o.cabinFile)) continue;
    else o.errors.append(QStringLiteral("unknown argument: ") + a);
  }
  if (!o.cabinFile.isEmpty() && !o.simulate) {
    o.errors.append(QStringLiteral("--cabin needs --simulate"));
  } else if (!o.cabinFile.isEmpty()) {
    // Refused at the start, not when the first measurement begins.
    const sim::CabinReadResult cabin = sim::ReadCabinFile(QFile::encodeName(o.cabinFile).toStdString());
    if (!cabin.ok) o.errors.append(QStringLiteral("the cabin ") + QString::fromStdString(cabin.error));
  }
  return o;
}

QString AppUsage() {
  return QStringLiteral(
      "Usage: vlm-tuner [options]\n"
      "Tuning tool for the VLM24.60DSP amplifier.\n\n"
      "  --simulate        work with the built-in virtual amplifier instead of USB\n"
      "  --cabin FILE      with --simulate: the virtual cabin (JSON) its sound card\n"
      "                    measures in; without it a built-in saloon car\n"
      "  --skin DIR        load the skin from DIR instead of the built-in one\n"
      "                    (also: environment variable VLM_SKIN_DIR)\n"
      "  --screenshot DIR  save pictures of the windows in every language to DIR, then quit\n"
      "  --trace FILE      record every report exchanged with the amplifier in FILE\n"
      "  -h, --help        show this text\n"
      "  --version         print the program's version\n\n"
      "Logging: put a file named savelog.ini into the working folder; the log then\n"
      "goes to standard error and to save.log there.\n");
}

namespace {
AppOptions& Current() {
  static AppOptions options;
  return options;
}
}  // namespace

const AppOptions& CurrentAppOptions() { return Current(); }
void SetCurrentAppOptions(const AppOptions& options) { Current() = options; }

}  // namespace vlm
