// Scene, KTV and MCU reply decoding.
#include <gtest/gtest.h>

#include "device/decode_mcu.h"
#include "device/decode_scene.h"
#include "device/events.h"
#include "device/messages.h"

namespace vlm {
namespace {

std::vector<uint8_t> Body(uint8_t cmd, uint8_t op, std::vector<uint8_t> payload) {
  payload.insert(payload.begin(), {cmd, op});
  return payload;
}

template <class T>
const T& As(const DecodedEvent& event) {
  const T* record = dynamic_cast<const T*>(event.record.get());
  EXPECT_NE(record, nullptr);
  static const T empty{};
  return record ? *record : empty;
}

std::vector<uint8_t> NameReply(uint8_t scene, std::vector<uint8_t> name) {
  name.insert(name.begin(), scene);
  return Body(0x0B, 0xDD, name);
}

TEST(DecodeScene, NameReplyCarriesIndexAndBytes) {
  const std::vector<uint8_t> name{'B', 'a', 's', 's', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const auto events = scene_ack_process(NameReply(3, name));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].message, WM_SCENE_EVENT);
  EXPECT_EQ(events[0].receiver, Receiver::MainWindow);
  EXPECT_EQ(events[0].wparam, 0x0B);
  const auto& record = As<SceneNameRecord>(events[0]);
  EXPECT_EQ(record.index, 2u);
  EXPECT_TRUE(std::equal(name.begin(), name.end(), record.name.begin()));
}

TEST(DecodeScene, ErasedNameBecomesEmpty) {
  auto events = scene_ack_process(NameReply(1, std::vector<uint8_t>(16, 0xFF)));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(As<SceneNameRecord>(events[0]).name, (std::array<uint8_t, 16>{}));
  // Any odd bytes count as erased; one even byte keeps the name as it is.
  events = scene_ack_process(NameReply(1, std::vector<uint8_t>(16, 0x41)));
  EXPECT_EQ(As<SceneNameRecord>(events.at(0)).name, (std::array<uint8_t, 16>{}));
  std::vector<uint8_t> almost(16, 0xFF);
  almost[7] = 0xFE;
  events = scene_ack_process(NameReply(10, almost));
  EXPECT_EQ(As<SceneNameRecord>(events.at(0)).name[7], 0xFE);
  EXPECT_EQ(As<SceneNameRecord>(events.at(0)).name[0], 0xFF);
  EXPECT_EQ(As<SceneNameRecord>(events.at(0)).index, 9u);
}

TEST(DecodeScene, ShortNameReplyIsZeroPadded) {
  // Fifteen 0xFF bytes and nothing else: the missing byte is zero, so the slot
  // is not taken for erased and no byte past the payload is read.
  auto events = scene_ack_process(NameReply(2, std::vector<uint8_t>(15, 0xFF)));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(As<SceneNameRecord>(events[0]).name[14], 0xFF);
  EXPECT_EQ(As<SceneNameRecord>(events[0]).name[15], 0);
  EXPECT_EQ(scene_ack_process(NameReply(2, {})).size(), 1u);
  EXPECT_TRUE(scene_ack_process(Body(0x0B, 0xDD, {})).empty());
}

TEST(DecodeScene, SceneNumbersOutsideOneToTenAreDropped) {
  EXPECT_TRUE(scene_ack_process(NameReply(0, std::vector<uint8_t>(16, 'a'))).empty());
  EXPECT_TRUE(scene_ack_process(NameReply(11, std::vector<uint8_t>(16, 'a'))).empty());
  EXPECT_TRUE(scene_ack_process(NameReply(255, std::vector<uint8_t>(16, 'a'))).empty());
  EXPECT_TRUE(scene_ack_process(Body(0x08, 0xEE, {10, 0})).empty());
  EXPECT_TRUE(scene_ack_process(Body(0x0A, 0xEE, {10, 11})).empty());
}

TEST(DecodeScene, AcknowledgementsGoToTheSceneWindow) {
  auto events = scene_ack_process(Body(0x08, 0xEE, {10, 4}));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].receiver, Receiver::SceneWindow);
  EXPECT_EQ(events[0].message, WM_SCENE_EVENT);
  EXPECT_EQ(events[0].wparam, 4);
  EXPECT_EQ(events[0].lparam, 0);
  events = scene_ack_process(Body(0x0A, 0xEE, {10, 7}));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].message, WM_SCENE_DELETED);
  EXPECT_EQ(events[0].wparam, 7);
  EXPECT_TRUE(scene_ack_process(Body(0x08, 0xEE, {9, 4})).empty());  // not the ack marker
  EXPECT_TRUE(scene_ack_process(Body(0x08, 0xDD, {10, 4})).empty());
  EXPECT_TRUE(scene_ack_process(Body(0x08, 0xEE, {10})).empty());
  EXPECT_TRUE(scene_ack_process(Body(0x09, 0xEE, {10, 1})).empty());
}

TEST(DecodeScene, CurrentSceneAndSceneValue) {
  auto events = scene_ack_process(Body(0x0E, 0xDD, {5}));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].wparam, 0x0E);
  EXPECT_EQ(events[0].lparam, 5);
  events = scene_ack_process(Body(0x0F, 0xDD, {0x01, 0x02}));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(As<SceneValueRecord>(events[0]).value, 0x0102u);
  EXPECT_TRUE(scene_ack_process(Body(0x0F, 0xDD, {0x01})).empty());
  EXPECT_TRUE(scene_ack_process(Body(0x09, 0xDD, {1, 0})).empty());
}

TEST(DecodeKtv, ValuesWithTheirWidthAndSign) {
  struct Case { uint8_t cmd; std::vector<uint8_t> payload; intptr_t value; };
  for (const Case& c : {Case{0x01, {200}, 200}, Case{0x05, {0x01, 0x2C}, 300}, Case{0x09, {0xFE}, -2},
                        Case{0x0A, {0x05}, 5}, Case{0x08, {0xFE}, 254}}) {
    const auto events = ktv_ack_process(Body(c.cmd, 0xDD, c.payload));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, WM_KTV_EVENT);
    EXPECT_EQ(events[0].wparam, c.cmd);
    EXPECT_EQ(events[0].lparam, c.value);
  }
  EXPECT_TRUE(ktv_ack_process(Body(0x0B, 0xDD, {1})).empty());
  EXPECT_TRUE(ktv_ack_process(Body(0x00, 0xDD, {1})).empty());
  EXPECT_TRUE(ktv_ack_process(Body(0x01, 0xBB, {1})).empty());
  EXPECT_TRUE(ktv_ack_process(Body(0x05, 0xDD, {1})).empty());
  EXPECT_TRUE(ktv_ack_process(Body(0x01, 0xDD, {})).empty());
}

TEST(DecodeMcu, HandshakeAcceptedOrRefused) {
  auto result = mcu_ack_process(Body(0x08, 0xDD, {0x00, 78, 16, 19}));
  ASSERT_EQ(result.events.size(), 1u);
  EXPECT_EQ(result.events[0].message, WM_MCU_EVENT);
  EXPECT_EQ(result.events[0].wparam, 0x08);
  const auto& record = As<HandshakeRecord>(result.events[0]);
  EXPECT_EQ(record.reserved, 0u);
  EXPECT_EQ(record.model, 78u);
  EXPECT_EQ(record.masterVersion, 16u);
  EXPECT_EQ(record.slaveVersion, 19u);
  EXPECT_EQ(result.handshakeAccepted, true);
  EXPECT_EQ(result.deviceModel, 78);

  result = mcu_ack_process(Body(0x08, 0xDD, {0xF0, 78, 16, 19}));
  ASSERT_EQ(result.events.size(), 1u);
  EXPECT_EQ(result.events[0].message, WM_HANDSHAKE_REFUSED);
  EXPECT_EQ(result.events[0].wparam, 0);
  EXPECT_EQ(result.events[0].lparam, 0);
  EXPECT_EQ(result.events[0].record, nullptr);
  EXPECT_EQ(result.handshakeAccepted, false);
  EXPECT_FALSE(result.deviceModel.has_value());

  result = mcu_ack_process(Body(0x08, 0xDD, {0xF0}));
  EXPECT_EQ(result.handshakeAccepted, false);
  // An acceptance without the identity bytes counts as no reply.
  result = mcu_ack_process(Body(0x08, 0xDD, {0x00, 78}));
  EXPECT_TRUE(result.events.empty());
  EXPECT_FALSE(result.handshakeAccepted.has_value());
  EXPECT_TRUE(mcu_ack_process(Body(0x08, 0xBB, {0x00, 78, 16, 19})).events.empty());
}

TEST(DecodeMcu, PlainValuesAndVersions) {
  auto result = mcu_ack_process(Body(0x91, 0xDD, {0x03, 0xE8}));
  ASSERT_EQ(result.events.size(), 1u);
  EXPECT_EQ(result.events[0].wparam, 0x91);
  EXPECT_EQ(result.events[0].lparam, 1000);
  EXPECT_EQ(result.events[0].record, nullptr);
  result = mcu_ack_process(Body(0x92, 0xDD, {0xFF}));
  ASSERT_EQ(result.events.size(), 1u);
  EXPECT_EQ(result.events[0].lparam, -1);
  result = mcu_ack_process(Body(0x0C, 0xDD, {7}));
  EXPECT_TRUE(result.events.empty());
  EXPECT_EQ(result.bootloaderVersion, 7);
  result = mcu_ack_process(Body(0x0B, 0xDD, {1, 2, 3, 4}));
  ASSERT_EQ(result.events.size(), 1u);
  EXPECT_EQ(As<FlashVersionRecord>(result.events[0]).version, (std::array<uint32_t, 4>{1, 2, 3, 4}));
  EXPECT_EQ(As<FlashVersionRecord>(result.events[0]).reserved, (std::array<uint32_t, 4>{}));
  for (uint8_t cmd : {0x1F, 0x60, 0x8F, 0x90, 0x01, 0xA0}) {
    EXPECT_TRUE(mcu_ack_process(Body(cmd, 0xDD, {1, 2, 3, 4})).events.empty()) << int(cmd);
  }
  EXPECT_TRUE(mcu_ack_process(Body(0x91, 0xDD, {0x03})).events.empty());
  EXPECT_TRUE(mcu_ack_process(Body(0x0B, 0xDD, {1, 2, 3})).events.empty());
  EXPECT_TRUE(mcu_ack_process(Body(0x92, 0xEE, {1})).events.empty());
}

TEST(DecodeMcu, PasswordAndRemarkStayWithinTheRecord) {
  std::vector<uint8_t> payload{5, 'a', 'b', 'c', 'd', 'e', 3, 'x', 'y', 'z'};
  auto result = mcu_ack_process(Body(0x0D, 0xDD, payload));
  ASSERT_EQ(result.events.size(), 1u);
  auto record = As<PasswordRecord>(result.events[0]);
  EXPECT_EQ(record.passwordLength, 5u);
  EXPECT_EQ(std::string(record.password.begin(), record.password.begin() + 5), "abcde");
  EXPECT_EQ(record.remarkLength, 3u);
  EXPECT_EQ(std::string(record.remark.begin(), record.remark.begin() + 3), "xyz");

  // Claims 30 password bytes: 12 are kept; the remark length is the byte after
  // the claimed password and claims 40, cut to the 20 of the record.
  payload.assign(1, 30);
  for (int i = 0; i < 30; ++i) payload.push_back(static_cast<uint8_t>('A' + i % 26));
  payload.push_back(40);
  for (int i = 0; i < 25; ++i) payload.push_back('r');
  ASSERT_EQ(payload.size(), 57u);
  result = mcu_ack_process(Body(0x0D, 0xDD, payload));
  record = As<PasswordRecord>(result.events.at(0));
  EXPECT_EQ(record.passwordLength, 12u);
  EXPECT_EQ(std::string(record.password.begin(), record.password.end()), "ABCDEFGHIJKL");
  EXPECT_EQ(record.remarkLength, 20u);

  // Claims more than the reply carries: only what is there.
  result = mcu_ack_process(Body(0x0D, 0xDD, {10, 'p', 'q'}));
  record = As<PasswordRecord>(result.events.at(0));
  EXPECT_EQ(record.passwordLength, 2u);
  EXPECT_EQ(record.remarkLength, 0u);
  result = mcu_ack_process(Body(0x0D, 0xDD, {1, 'p', 9, 'r'}));
  EXPECT_EQ(As<PasswordRecord>(result.events.at(0)).remarkLength, 1u);
}

TEST(DecodeMcu, DeviceInfoIsBounded) {
  auto result = mcu_ack_process(Body(0x41, 0xDD, {3, 'v', '1', '2', 'x'}));
  ASSERT_EQ(result.events.size(), 1u);
  EXPECT_EQ(As<DeviceInfoRecord>(result.events[0]).length, 3);
  EXPECT_EQ(As<DeviceInfoRecord>(result.events[0]).bytes[2], '2');
  std::vector<uint8_t> payload(30, 'i');
  payload[0] = 200;
  result = mcu_ack_process(Body(0x41, 0xDD, payload));
  EXPECT_EQ(As<DeviceInfoRecord>(result.events.at(0)).length, 16);
  result = mcu_ack_process(Body(0x41, 0xDD, {16, 'a'}));
  EXPECT_EQ(As<DeviceInfoRecord>(result.events.at(0)).length, 1);
}

}  // namespace
}  // namespace vlm
