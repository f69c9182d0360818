// The real hidapi transport on a machine without the amplifier (as on CI).
#include <gtest/gtest.h>
#include <hidapi/hidapi.h>

#include <chrono>

#include "base/timing.h"
#include "device/device_link.h"
#include "device/hidapi_transport.h"

namespace vlm {
namespace {

bool AmplifierAttached() {
  if (hid_init() != 0) return false;
  hid_device_info* list = hid_enumerate(kAmplifierVendorId, kAmplifierProductId);
  const bool found = list != nullptr;
  hid_free_enumeration(list);
  return found;
}

TEST(HidapiTransport, NoAmplifierMeansNoHandle) {
  if (AmplifierAttached()) GTEST_SKIP() << "an amplifier is attached to this machine";
  HidapiTransport transport;
  EXPECT_FALSE(transport.Open(kAmplifierVendorId, kAmplifierProductId));
  EXPECT_FALSE(transport.IsOpen());
  // Without a handle every operation fails instead of touching hidapi with NULL.
  wchar_t text[8] = L"x";
  uint8_t report[65] = {};
  EXPECT_EQ(transport.GetManufacturerString(text, 8), -1);
  EXPECT_EQ(transport.GetIndexedString(1, text, 8), -1);
  EXPECT_EQ(transport.SetNonblocking(1), -1);
  EXPECT_EQ(transport.Write(report, sizeof report), -1);
  EXPECT_EQ(transport.ReadTimeout(report, 64, 10), -1);
  transport.Close();
  transport.Close();
}

TEST(HidapiTransport, LinkStaysDisconnectedWithoutAmplifier) {
  if (AmplifierAttached()) GTEST_SKIP() << "an amplifier is attached to this machine";
  timing().readTimeoutMs = 200;
  DeviceLink link(std::make_unique<HidapiTransport>());
  EXPECT_NE(link.OpenHIDDevice(), 0);
  EXPECT_FALSE(link.IsConnected());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(link.Exchange(kPacketDsp, 0x02, kOpGet, {}, 5000));
  EXPECT_FALSE(link.Frames().ReadHIDData(5000));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  link.CloseHIDDevice(true);
  EXPECT_FALSE(link.IsConnected());
}

TEST(HidapiTransport, WideTextBecomesUtf8) {
  EXPECT_EQ(WideToUtf8(L"VLM24.60DSP"), "VLM24.60DSP");
  EXPECT_EQ(WideToUtf8(L"\u00e9\u4e2d"), "\xc3\xa9\xe4\xb8\xad");
  const wchar_t astral[] = {static_cast<wchar_t>(0x1F50A), 0};
  EXPECT_EQ(WideToUtf8(astral), "\xf0\x9f\x94\x8a");
  const wchar_t bad[] = {static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000), 0};
  EXPECT_EQ(WideToUtf8(bad), "\xef\xbf\xbd\xef\xbf\xbd");
  EXPECT_EQ(WideToUtf8(nullptr), "");
}

}  // namespace
}  // namespace vlm
