#include "app/align_shots.h"

#include <QApplication>
#include <QLineEdit>

#include "app/main_wnd.h"
#include "app/main_wnd_autosetup.h"
#include "windows/align_wnd.h"

namespace vlm {

bool SaveAlignShots(CMainWnd& main, const QDir& dir, const QString& lang) {
  // A saloon's distances from the driver's head, in cm, channel by channel.
  static const char* const kDistances[] = {"92", "128.5", "84", "120", "78", "116",
                                           "150", "158", "148", "156", "170", "171.5"};
  bool ok = true;
  for (const bool refused : {false, true}) {
    CAlignWnd* wnd = MakeAlignWindowFor(main);
    for (int c : wnd->Channels()) {
      if (QLineEdit* edit = wnd->DistanceEdit(c)) edit->setText(QString::fromLatin1(kDistances[c]));
    }
    if (refused && !wnd->Channels().empty()) {
      if (QLineEdit* edit = wnd->DistanceEdit(wnd->Channels()[wnd->Channels().size() / 2])) edit->setText("-12");
    }
    wnd->show();
    QApplication::processEvents();
    const QString name = refused ? QStringLiteral("align_refused_%1.png") : QStringLiteral("align_%1.png");
    ok = wnd->grab().save(dir.filePath(name.arg(lang))) && ok;
    wnd->Close(ui::kResultCancel);
    QApplication::processEvents();
  }
  return ok;
}

}  // namespace vlm
