// Replies applied to the settings: the cases where the reply's meaning is not
// just "store the number".
#include <gtest/gtest.h>

#include "device/events.h"
#include "device/messages.h"
#include "session/reply_apply.h"

namespace vlm {
namespace {

TEST(ReplyApply, MainVolumeAndSourceReplies) {
  SettingsStore store;
  // The amplifier answers with the attenuation it was sent: 66 is -60 dB, 0 is +6 dB.
  ReadDspValueCallback(store, 0x02, 66, nullptr);
  EXPECT_EQ(store.live().mainVolume, 1);
  ReadDspValueCallback(store, 0x02, 0, nullptr);
  EXPECT_EQ(store.live().mainVolume, 37);
  ReadDspValueCallback(store, 0x02, -120, nullptr);  // a wild reply stays on the slider
  EXPECT_EQ(store.live().mainVolume, kMainVolumeSliderMax);
  for (int code : {0x55, 0x13}) {
    store.live().source = 0;
    ReadDspValueCallback(store, 0x01, code, nullptr);
    EXPECT_EQ(store.live().source, 4) << code;  // "source_low"
  }
  ReadDspValueCallback(store, 0x01, 0x57, nullptr);
  EXPECT_EQ(store.live().source, 6);
}

TEST(ReplyApply, StoredSceneRecordsChangeOnlyTheirProfile) {
  SettingsStore store;
  ChannelValueRecord type;
  type.scene = 3;
  type.ch = 2;
  type.value = 19;
  const ApplyOutcome out = ReadDspValueCallback(store, 0x0D, 0, &type);
  EXPECT_EQ(out.profile, 3);
  EXPECT_FALSE(out.speakerMapChanged);
  EXPECT_EQ(store.profile(3).outputs[2], 19);
  EXPECT_EQ(store.live(), SceneProfile());

  TrimRecord trim;  // live trims are whole dB and the negated gain
  trim.ch = 1;
  trim.trim = -3.7f;
  ReadDspValueCallback(store, 0x08, 0, &trim);
  EXPECT_EQ(store.live().channels[1].gain, 3.0f);
  trim.scene = 4;
  ReadDspValueCallback(store, 0x08, 0, &trim);
  EXPECT_FLOAT_EQ(store.profile(4).channels[1].gain, 3.7f);

  // Scene numbers and channels the model does not hold change nothing.
  SettingsStore untouched;
  type.scene = 11;
  ReadDspValueCallback(untouched, 0x0D, 0, &type);
  type.scene = 0;
  type.ch = 12;
  ReadDspValueCallback(untouched, 0x0D, 0, &type);
  EXPECT_TRUE(untouched == SettingsStore());
}

TEST(ReplyApply, DelayLinkPairsAndMixTrims) {
  SettingsStore store;
  LinkRecord link;
  link.link = 1;
  link.pairCount = 6;
  link.pairs = {0x23, 0x00, 0x44, 0x9B, 0xF1, 0x00};
  ReadDspValueCallback(store, 0x31, 0, &link);
  const auto& pairs = store.live().delayLinkPairs;
  EXPECT_EQ(pairs[2], 3);
  EXPECT_EQ(pairs[3], 2);
  EXPECT_EQ(pairs[9], 11);
  EXPECT_EQ(pairs[11], 9);
  EXPECT_EQ(pairs[0], -1);  // 0x00 skipped
  EXPECT_EQ(pairs[4], -1);  // 0x44 skipped
  EXPECT_EQ(pairs[1], -1);  // 0xF1: channel 15 is not an output

  InputMixTrimRecord mix;
  mix.source = 0;
  mix.in_ch = 0;
  mix.first = 0;
  mix.last = 2;
  mix.trims = {0, 0, 40};
  store.live().inputs[0][0] = 0b01;  // input 0 routed to output 0
  store.live().inputs[0][1] = 0b10;  // not to output 1
  ReadDspValueCallback(store, 0x24, 0, &mix);
  EXPECT_EQ(store.live().inputMixVolume[0][0][0], 100);
  EXPECT_EQ(store.live().inputMixVolume[0][0][1], 0);
  EXPECT_EQ(store.live().inputMixVolume[0][0][2], 40);
}

TEST(ReplyApply, LinkAndLockOnTheLiveSettings) {
  SettingsStore store;
  LinkRecord link;
  link.link = 1;
  ApplyOutcome out = ReadDspValueCallback(store, 0x0E, 0, &link);
  EXPECT_TRUE(out.linkStateChanged);
  EXPECT_EQ(store.live().linkMode, 1);
  EXPECT_EQ(store.live().lockMode, 1);
  EXPECT_EQ(store.live().linkOutputs[0], 1);  // front left high (1) and right high (7)

  // The lock released under a link releases the link, on the amplifier too.
  LockRecord lock;
  out = ReadDspValueCallback(store, 0x0F, 0, &lock);
  EXPECT_TRUE(out.releaseLinkOnDevice);
  EXPECT_EQ(store.live().linkMode, 0);
  EXPECT_EQ(store.live().linkOutputs[0], -1);

  lock.scene = 2;
  lock.lock = 1;
  out = ReadDspValueCallback(store, 0x0F, 0, &lock);
  EXPECT_FALSE(out.releaseLinkOnDevice);
  EXPECT_EQ(store.profile(2).lockMode, 1);
  EXPECT_EQ(store.live().lockMode, 0);
}

TEST(ReplyApply, McuSceneAndKtvReplies) {
  SettingsStore store;
  HandshakeRecord hs;
  hs.model = 77;
  hs.masterVersion = 16;
  hs.slaveVersion = 18;
  const ApplyOutcome out = ApplySettingsMessage(store, WM_MCU_EVENT, 0x08, 0, &hs);
  EXPECT_TRUE(out.modelMismatch);
  EXPECT_EQ(store.live().handshakeModel, 77);
  EXPECT_EQ(store.live().versionMinor, 18);
  ApplySettingsMessage(store, WM_MCU_EVENT, 0x92, -1, nullptr);
  EXPECT_EQ(store.live().acc, 255);  // the ACC byte, not a negative slider position

  SceneNameRecord name;
  name.index = 9;
  const char text[] = "Club";
  std::copy(text, text + 4, name.name.begin());
  ApplySettingsMessage(store, WM_SCENE_EVENT, 0x0B, 0, &name);
  EXPECT_EQ(store.sceneName(10, SceneNameCodePage::Western), u"Club");
  name.index = 10;  // no scene 11
  ApplySettingsMessage(store, WM_SCENE_EVENT, 0x0B, 0, &name);

  ApplySettingsMessage(store, WM_KTV_EVENT, 0x09, -5, nullptr);
  EXPECT_EQ(store.live().ktvBassGain, -5);
}

}  // namespace
}  // namespace vlm
