#include "app/equaliser_shot.h"

#include <QLineEdit>

#include "app/main_wnd.h"

namespace vlm {

void PrepareEqualiserShot(CMainWnd& main) {
  EqualizerManager& m = main.Manager();
  SceneProfile& p = m.live();
  // Channel 3 (front right mid) follows channel 2 (front left mid).
  p.linkMode = 1;
  p.linkOutputs.fill(-1);
  p.linkOutputs[2] = 3;
  p.linkOutputs[3] = 2;
  p.showChEqualizer.fill(0);
  p.showChEqualizer[2] = 1;
  p.showChEqualizer[3] = 1;
  m.channels().SetCurChannelChange(2);
  const controller::MainControls& c = m.controls();
  struct Edit {
    int band;
    const char* freq;
    const char* q;
    const char* gain;
  };
  for (const Edit& e : {Edit{3, "45", "2.50", "5.5"}, Edit{9, "180", "4.00", "-4.0"}, Edit{14, "630", "1.20", "3.0"},
                        Edit{19, "2k", "6.00", "-7.5"}, Edit{24, "6300", "3.00", "4.5"}}) {
    const size_t i = static_cast<size_t>(e.band);
    if (!c.eqFreq[i] || !c.eqQ[i] || !c.eqGain[i]) continue;
    c.eqFreq[i]->setText(QString::fromLatin1(e.freq));
    c.eqQ[i]->setText(QString::fromLatin1(e.q));
    c.eqGain[i]->setText(QString::fromLatin1(e.gain));
    m.bandEditor().SetChEqEdit(e.band);
  }
  // The partner's own curve differs by its crossover only.
  m.channels().SetCurChannelChange(2);
}

}  // namespace vlm
