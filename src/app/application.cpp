#include "app/application.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <filesystem>

#include "app/app_options.h"
#include "app/main_wnd.h"
#include "app/quit_signals.h"
#include "app/screenshots.h"
#include "base/log.h"
#include "base/version.h"
#include "eqview/qt/ui_equalizer.h"
#include "ui/skin.h"

namespace vlm {

bool LoadSkin(const QString& dir) {
  ui::Skin& skin = ui::Skin::Instance();
  if (!dir.isEmpty()) {
    skin.SetRoot(QDir(dir).absolutePath());
    if (skin.LoadIndex()) return true;
    std::fprintf(stderr, "vlm-tuner: no skin index in %s, using the built-in skin\n", dir.toLocal8Bit().constData());
  }
  skin.SetRoot(ui::Skin::BuiltInRoot());
  return skin.LoadIndex();
}

int RunApplication(int argc, char** argv) {
  // 1. The log switch lives in the working folder, not the program's.
  std::error_code ec;
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  if (!ec) InitLoggingFromFolder(cwd.string());

  QStringList args;
  for (int i = 1; i < argc; ++i) args.append(QString::fromLocal8Bit(argv[i]));
  AppOptions options = ParseAppOptions(args);
  if (options.help || !options.errors.isEmpty()) {
    for (const QString& e : options.errors) std::fprintf(stderr, "vlm-tuner: %s\n", e.toLocal8Bit().constData());
    std::fputs(AppUsage().toLocal8Bit().constData(), options.help ? stdout : stderr);
    ShutdownLogging();
    return options.help ? 0 : 2;
  }
  if (options.version) {
    std::printf("vlm-tuner %s\n", kVersion);
    ShutdownLogging();
    return 0;
  }
  SetCurrentAppOptions(options);
  LogMessage("vlm-tuner start%s\n", options.simulate ? " (virtual amplifier)" : "");

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vlm-tuner"));
  QApplication::setApplicationVersion(QStringLiteral(VLM_VERSION));

  // The curve control registers itself when its file is linked in; naming it
  // here makes sure the linker keeps it.
  eqview::UIEqualizer::Register();

  // 2. The skin: the built-in one unless a folder on disk replaces it.
  if (!LoadSkin(options.skinDir)) {
    std::fprintf(stderr, "vlm-tuner: the skin cannot be loaded\n");
    ShutdownLogging();
    return 1;
  }

  if (!options.screenshotDir.isEmpty()) {
    const int rc = SaveScreenshots(options.screenshotDir) ? 0 : 1;
    ShutdownLogging();
    return rc;
  }

  // 3. The main window; its initialisation chooses the scale and language
  // and checks that no other copy runs.
  int rc = 0;
  {
    CMainWnd main;
    // A logout or Ctrl+C closes as the close button does, without the question.
    QuitSignals quitSignals([&main](int signal) {
      LogMessage("signal %d: closing\n", signal);
      main.CloseWithoutQuestion();
    });
    main.Create(QStringLiteral("XML_MAIN"));
    if (!main.InstanceRejected()) {
      main.CenterWindow();
      main.show();
      rc = app.exec();
    }
  }
  LogMessage("vlm-tuner end\n");
  ShutdownLogging();
  return rc;
}

}  // namespace vlm
