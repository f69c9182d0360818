// Every operation of the command set against a recording transport: packet
// type, command, op, payload bytes and the wait of its read, from the tables
// of the protocol. A wrong command code or a payload byte out of place fails here.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "catalogue_cases.h"
#include "catalogue_support.h"
#include "device/commands.h"
#include "device/device_link.h"

namespace vlm {
namespace {

using test::Recording;
using test::RecordingTransport;

using test::CatalogueCase;
using test::DspGetCases;
using test::DspSetCases;
using test::kNoRead;
using test::SceneMcuKtvCases;
using Case = CatalogueCase;

class CatalogueOps : public ::testing::Test {
 protected:
  void SetUp() override {
    test::DistinctTiming();
    link_ = std::make_unique<DeviceLink>(std::make_unique<RecordingTransport>(rec_));
    link_->SetLinkSettings(78, 12, 10, false, false);
    ASSERT_EQ(link_->OpenHIDDevice(), 0);
    rec_->Clear();
  }
  // The link's command thread reads the timing table: it goes first.
  void TearDown() override {
    link_.reset();
    timing() = Timing{};
  }

  // The report as the protocol lays it out: report ID, AA 55, length, type,
  // command, op, payload, checksum, zeros.
  static std::vector<uint8_t> Expected(const Case& c) {
    std::vector<uint8_t> report(65, 0);
    report[1] = 0xAA;
    report[2] = 0x55;
    report[3] = static_cast<uint8_t>(c.payload.size() + 3);
    report[4] = c.type;
    report[5] = c.cmd;
    report[6] = c.op;
    unsigned sum = report[3] + c.type + c.cmd + c.op;
    for (size_t i = 0; i < c.payload.size(); ++i) {
      report[7 + i] = c.payload[i];
      sum += c.payload[i];
    }
    report[7 + c.payload.size()] = static_cast<uint8_t>(-sum);
    return report;
  }

  void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      rec_->Clear();
      EXPECT_TRUE(c.call(*link_)) << c.name;
      std::lock_guard<std::mutex> lock(rec_->mutex);
      ASSERT_EQ(rec_->writes.size(), 1u) << c.name;
      EXPECT_EQ(rec_->writes[0], Expected(c)) << c.name;
      if (c.wait == kNoRead) {
        EXPECT_TRUE(rec_->readWaits.empty()) << c.name;
      } else {
        ASSERT_EQ(rec_->readWaits.size(), 1u) << c.name;
        // The link passes what is left of the wait; a loaded machine may take a
        // while to get from the start of the read to the transport.
        EXPECT_LE(rec_->readWaits[0], c.wait) << c.name;
        EXPECT_GT(rec_->readWaits[0], c.wait - 400) << c.name;
      }
    }
  }

  std::shared_ptr<Recording> rec_ = std::make_shared<Recording>();
  std::unique_ptr<DeviceLink> link_;
};

TEST_F(CatalogueOps, DspSets) { Check(DspSetCases()); }

TEST_F(CatalogueOps, DspGets) { Check(DspGetCases()); }

TEST_F(CatalogueOps, ScenesMcuAndKtv) { Check(SceneMcuKtvCases()); }

// ---- payload layouts that depend on the link or on the range ----------------

TEST_F(CatalogueOps, MixEntriesAreOneByteWithFewerThanNineInputs) {
  const uint16_t masks[] = {0x3FF, 0x0081, 0x00FF};
  link_->SetLinkSettings(78, 12, 8, false, false);
  ASSERT_TRUE(Mix_Ch_Ctrl(*link_, 0, 1, 0, 2, masks, true));
  link_->SetLinkSettings(78, 12, 9, false, false);
  ASSERT_TRUE(Mix_Ch_Ctrl(*link_, 0, 1, 0, 2, masks, true));
  std::lock_guard<std::mutex> lock(rec_->mutex);
  ASSERT_EQ(rec_->writes.size(), 2u);
  EXPECT_EQ(rec_->writes[0][3], 3 + 4 + 3);
  EXPECT_EQ(std::vector<uint8_t>(rec_->writes[0].begin() + 11, rec_->writes[0].begin() + 14),
            (std::vector<uint8_t>{0xFF, 0x81, 0xFF}));
  EXPECT_EQ(rec_->writes[1][3], 3 + 4 + 6);
}

TEST_F(CatalogueOps, TrimHundredthsAddTheirByte) {
  const float trims[] = {-3.25f, 1.5f};
  link_->SetLinkSettings(78, 12, 10, true, false);
  ASSERT_TRUE(Trim_Ctrl(*link_, 0, 0, 0, 1, trims, true));
  std::lock_guard<std::mutex> lock(rec_->mutex);
  ASSERT_EQ(rec_->writes.size(), 1u);
  EXPECT_EQ(std::vector<uint8_t>(rec_->writes[0].begin() + 7, rec_->writes[0].begin() + 15),
            (std::vector<uint8_t>{0, 0, 0, 1, 0xFD, 0xE7, 1, 50}));
}

TEST_F(CatalogueOps, RangeEndingBelowItsStartSendsTheHeaderOnly) {
  const float delays[] = {1.0f};
  ASSERT_TRUE(Delay_Ctrl(*link_, 0, 0, 5, 4, delays, true));
  ASSERT_TRUE(Delay_Ctrl(*link_, 0, 0, 5, 4, {}, true));
  std::lock_guard<std::mutex> lock(rec_->mutex);
  ASSERT_EQ(rec_->writes.size(), 2u);
  for (const auto& report : rec_->writes) {
    EXPECT_EQ(report[3], 3 + 4);
    EXPECT_EQ(std::vector<uint8_t>(report.begin() + 7, report.begin() + 11), (std::vector<uint8_t>{0, 0, 5, 4}));
  }
}

TEST_F(CatalogueOps, PayloadsThatCannotBeBuiltAreRefusedUnsent) {
  // Values that do not cover the range: nothing is read past them, nothing sent.
  const float oneDelay[] = {1.0f};
  EXPECT_FALSE(Delay_Ctrl(*link_, 0, 0, 0, 11, oneDelay, true));
  // Thirty-one outputs of two-byte masks would need 66 bytes.
  std::vector<uint16_t> masks(31, 0x3FF);
  EXPECT_FALSE(Mix_Ch_Ctrl(*link_, 0, 0, 0, 30, masks, true));
  std::vector<float> delays(18, 1.0f);
  EXPECT_FALSE(Delay_Ctrl(*link_, 0, 0, 0, 17, delays, true));
  std::vector<EqBandValue> bands(9);
  EXPECT_FALSE(Input_EQ_Ctrl(*link_, 0, 0, 0, 0, 8, bands, true));
  const std::vector<uint8_t> longName(56, 'n');
  EXPECT_FALSE(SetSceneName(*link_, 1, longName));
  const std::vector<uint8_t> bigProfile(300, 1);
  EXPECT_FALSE(SetSceneProfile(*link_, 1, 0, bigProfile));
  const std::vector<ChannelPair> pairs(28);  // 3 + 56 bytes
  EXPECT_FALSE(CH_Link_Ctrl(*link_, 0, 1, pairs, true));
  EXPECT_EQ(rec_->WriteCount(), 0u);
  // The largest that fit go out.
  std::vector<float> sixteen(16, 1.0f);
  EXPECT_TRUE(Delay_Ctrl(*link_, 0, 0, 0, 15, sixteen, true));  // 4 + 48 = 52
  bands.resize(8);
  EXPECT_TRUE(Input_EQ_Ctrl(*link_, 0, 0, 0, 0, 7, bands, true));  // 5 + 48 = 53
  EXPECT_TRUE(SetSceneName(*link_, 1, std::span(longName).first(55)));
  EXPECT_EQ(rec_->WriteCount(), 3u);
}

TEST_F(CatalogueOps, QueuedOperationsFollowTheGate) {
  const uint8_t mutes[] = {1};
  link_->SetQueueGate(false);
  EXPECT_FALSE(Mute_Ch_Ctrl(*link_, 0, 0, 3, 3, mutes, false));
  EXPECT_FALSE(EQ_Ctrl(*link_, 0, 0, 1, 2, 100, 1.0f, 0.0f, false));
  EXPECT_FALSE(Set_Acc(*link_, 3, false));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(rec_->WriteCount(), 0u);

  link_->SetQueueGate(true);
  EXPECT_TRUE(Mute_Ch_Ctrl(*link_, 0, 0, 3, 3, mutes, false));
  EXPECT_TRUE(Set_Acc(*link_, 3, false));
  ASSERT_TRUE(rec_->WaitForWrites(2));
  std::lock_guard<std::mutex> lock(rec_->mutex);
  EXPECT_EQ(rec_->writes[0][5], 0x09);  // in the order issued
  EXPECT_EQ(rec_->writes[1][4], 3);
  EXPECT_EQ(rec_->writes[1][5], 0x92);
  EXPECT_EQ(rec_->writes[1][7], 3);
}

TEST_F(CatalogueOps, NothingGoesOutWhileDisconnected) {
  link_->CloseHIDDevice(false);
  rec_->Clear();
  link_->SetQueueGate(true);
  EXPECT_FALSE(PC_Connect(*link_, 1));
  EXPECT_FALSE(Hand_Connect(*link_));
  EXPECT_FALSE(Get_Source(*link_));
  EXPECT_FALSE(Source_Switch_Ctrl(*link_, 0x51, true));
  EXPECT_FALSE(SaveScene(*link_, 1, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::lock_guard<std::mutex> lock(rec_->mutex);
  EXPECT_TRUE(rec_->writes.empty());
  EXPECT_TRUE(rec_->readWaits.empty());
}

}  // namespace
}  // namespace vlm
