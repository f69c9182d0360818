#include "controller/band_rows.h"

#include <cmath>

#include "controller/control_access.h"
#include "controller/edit_context.h"

namespace vlm::controller {

bool BandRows::Parametric() const {
  QAbstractButton* mode = ctx_.controls.btnEqMode;
  return !mode || IsOn(mode);
}

void BandRows::Refresh(int c) {
  if (c < 0 || c >= kOutputChannels) return;
  const SceneProfile& p = ctx_.live();
  const ChannelSettings& ch = p.channels[static_cast<size_t>(c)];
  const auto bands = p.eqArray(c);
  const int count = p.bandCount(c);
  const bool parametric = Parametric();
  MainControls& k = ctx_.controls;
  for (int b = 0; b < kEqBands; ++b) {
    const size_t i = static_cast<size_t>(b);
    const bool used = b < count;
    const EqBand& band = bands[i];
    const bool counts = used && !ch.bypass && band.enable;
    for (QWidget* w : {static_cast<QWidget*>(k.eqFreq[i]), static_cast<QWidget*>(k.eqQ[i]),
                       static_cast<QWidget*>(k.eqGain[i]), static_cast<QWidget*>(k.eqSlider[i]),
                       static_cast<QWidget*>(k.eqEnable[i])}) {
      if (w) w->setEnabled(used);
    }
    if (k.eqFreq[i]) k.eqFreq[i]->setEnabled(used && parametric);
    if (k.eqQ[i]) k.eqQ[i]->setEnabled(used && parametric);
    SetShown(k.eqFreq[i], used ? QString::number(band.freq) : QStringLiteral("0"));
    SetShown(k.eqQ[i], used ? QString::asprintf("%.2f", static_cast<double>(band.eqFactor)) : QStringLiteral("0"));
    SetShown(k.eqGain[i], counts ? QString::asprintf("%.1f", static_cast<double>(band.eqGain)) : QStringLiteral("0.0"));
    SetSliderValue(k.eqSlider[i], counts ? static_cast<int>(std::lround(band.eqGain * 10.0f)) : 0);
    SetOn(k.eqEnable[i], counts && band.eqGain != 0.0f);
  }
}

void BandRows::ShowBypassText() {
  // The amplifier's bypass flag decides, not whether some band has a gain:
  // a flat equaliser that plays is not a bypassed one.
  const bool bypassed = ctx_.channel(ctx_.current()).bypass;
  SetShown(ctx_.controls.btnBypass, bypassed ? QStringLiteral("${restore_eq}") : QStringLiteral("${bypass_eq}"));
}

}  // namespace vlm::controller
