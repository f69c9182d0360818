#include "app/main_wnd_autosetup.h"

#include <QComboBox>

#include "app/main_wnd.h"
#include "base/log.h"
#include "controller/display_texts.h"
#include "controller/edit_recorder.h"
#include "device/device_link.h"
#include "eqview/channel_response.h"
#include "windows/align_wnd.h"

namespace vlm {

void ApplyEditsAsOneStep(CMainWnd& main, std::span<const Edit> edits, const char* control) {
  EqualizerManager& manager = main.Manager();
  SceneProfile& live = manager.live();
  const EditOutcome out = ApplyEdits(live, edits, false);
  // As an undone step: queued, so the GUI thread never waits on the wire (the
  // queue's gate drops them while no amplifier is connected).
  LogMessage("%s: %zu commands\n", control, out.commands.size());
  for (const StateCommand& c : out.commands) c.send(manager.link(), false);
  for (int c : out.channels) eqview::ComposeChannelResponse(live, c, live.channels[static_cast<size_t>(c)].bypass);
  manager.recorder().Observe(control);
  manager.RefreshAllControls();
}

CAlignWnd* MakeAlignWindowFor(CMainWnd& main) {
  EqualizerManager& manager = main.Manager();
  AlignWindowHost host;
  host.live = &manager.live();
  const QComboBox* unit = manager.controls().delayUnit;
  host.unit = unit && unit->currentIndex() == static_cast<int>(DelayUnit::Inches) ? DelayUnit::Inches
                                                                                   : DelayUnit::Centimetres;
  host.positionText = [](int position) { return controller::PositionButtonText(position); };
  host.apply = [&main](std::span<const Edit> edits) { ApplyEditsAsOneStep(main, edits, "align"); };
  return MakeAlignWindow(&main, std::move(host));
}

ui::ModalResult OpenAlignWindowFor(CMainWnd& main) { return MakeAlignWindowFor(main)->ShowModal(); }

}  // namespace vlm
