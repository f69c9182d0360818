#include "controller/curve_view.h"

#include <chrono>

#include "base/log.h"
#include "controller/edit_context.h"
#include "eqview/channel_response.h"
#include "eqview/curve_editor.h"
#include "eqview/qt/ui_equalizer.h"

namespace vlm::controller {

namespace {

int ElapsedMs(std::chrono::steady_clock::time_point since) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count());
}

}  // namespace

void CurveView::Compose(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  SceneProfile& p = ctx_.live();
  eqview::ComposeChannelResponse(p, channel, p.channels[static_cast<size_t>(channel)].bypass);
}

void CurveView::ComposeAll() {
  for (int c = 0; c < kOutputChannels; ++c) Compose(c);
}

void CurveView::UpdateEqualizer(int band) {
  const auto start = std::chrono::steady_clock::now();
  Compose(ctx_.current());
  if (const int partner = ctx_.partner(); partner >= 0) Compose(partner);
  LogMessage("UpdateEqualizer 0 cost time %d ms\n", ElapsedMs(start));
  HandOver(band);
  LogMessage("UpdateEqualizer 1 cost time %d ms\n", ElapsedMs(start));
}

void CurveView::HandOver(int band) {
  eqview::UIEqualizer* eq = ctx_.controls.equalizer;
  if (!eq) return;
  const SceneProfile& p = ctx_.live();
  const int c = ctx_.current();
  const std::vector<eqview::BandInput> bands = eqview::ChannelBandInputs(p, c);
  eq->SetBands(bands, band, p.channels[static_cast<size_t>(c)].bypass);
  const CrossoverSettings& x = p.channels[static_cast<size_t>(c)].crossover;
  eq->setCurEqHpLp(x.hp.fs, x.lp.fs);
  eq->SetCurves(p, c);
}

}  // namespace vlm::controller
