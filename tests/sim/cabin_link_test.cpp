// The program's own commands, sent over the link to the virtual amplifier,
// change its sound as the program means them: the rendering reads the wire
// values the way the program writes them.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "device/commands_dsp_set.h"
#include "device/device_link.h"
#include "eqview/channel_response.h"
#include "model/conversions.h"
#include "sim/cabin_render.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace vlm::sim {
namespace {

TEST(CabinLink, SettingsSentByTheProgramShapeTheChannelAsMeant) {
  auto amplifier = std::make_shared<VirtualAmplifier>();
  for (bool hundredths : {false, true}) {
    amplifier->WithState([&](AmplifierState& s) { s.trimHundredths = hundredths; });
    DeviceLink link(std::make_unique<SimTransport>(amplifier));
    link.SetLinkSettings(kModelNumber, kOutputChannels, kInputChannels, hundredths, false);
    ASSERT_EQ(link.OpenHIDDevice(), 0);
    const uint8_t ch = 2;
    const float gainDb = hundredths ? -3.25f : -3.0f;
    const float trim = -gainDb;  // the program sends the negated gain
    const float delayMs = 1.234f;
    const uint8_t inverted = 1;
    ASSERT_TRUE(Main_Volume_Ctrl(link, MainVolumeAttenuation(26), true));  // -1 dB
    ASSERT_TRUE(Trim_Ctrl(link, 0, 0, ch, ch, {&trim, 1}, true));
    ASSERT_TRUE(Delay_Ctrl(link, 0, 0, ch, ch, {&delayMs, 1}, true));
    ASSERT_TRUE(Phase_Ctrl(link, 0, 0, ch, ch, {&inverted, 1}, true));
    ASSERT_TRUE(Filter_Ctrl(link, 0, 0, ch, 2, 2, 500, 4, true));   // high-pass, Linkwitz-Riley
    ASSERT_TRUE(Filter_Ctrl(link, 0, 0, ch, 1, 1, 4000, 2, true));  // low-pass, Butterworth
    ASSERT_TRUE(EQ_Ctrl(link, 0, 0, ch, 5, 63, 2.0f, -4.5f, true));

    const OutputPath path = PathFromScene(amplifier->LiveScene()).outputs[ch];
    EXPECT_NEAR(path.gain, -std::pow(10.0, (gainDb + MainVolumeToDb(26)) / 20.0), 1e-6);
    EXPECT_NEAR(path.delaySeconds, 0.001234, 1e-9);
    std::vector<eqview::Biquad> expected = eqview::CrossoverBiquads(false, 500, 4, 2);
    for (const eqview::Biquad& b : eqview::CrossoverBiquads(true, 4000, 2, 1)) expected.push_back(b);
    expected.push_back(eqview::DesignPeakingBand(kCabinRate, 63, -4.5, 2.0));
    ASSERT_EQ(path.sections.size(), expected.size());
    for (double hz : {40.0, 63.0, 500.0, 1000.0, 4000.0, 12000.0}) {
      EXPECT_NEAR(std::abs(SectionsResponse(path.sections, hz)), std::abs(SectionsResponse(expected, hz)), 1e-9)
          << hz << " Hz";
    }
    link.CloseHIDDevice(false);
  }
}

}  // namespace
}  // namespace vlm::sim
