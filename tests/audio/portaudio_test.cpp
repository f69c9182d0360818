// The real sound devices on a machine without sound hardware (the build
// machines): nothing is listed, the reason is given, a take fails with a
// message, and the sound system's probing stays off standard error.
#include "audio/portaudio_backend.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace vlm::audio {
namespace {

bool MachineHasSound() { return access("/dev/snd", F_OK) == 0; }

// Runs `f` with standard error sent to a file and returns what was written.
template <class F>
std::string CaptureStderr(F&& f) {
  const std::string path = ::testing::TempDir() + "portaudio_stderr.txt";
  std::fflush(stderr);
  const int saved = dup(2);
  std::FILE* file = std::fopen(path.c_str(), "w");
  dup2(fileno(file), 2);
  f();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  std::fclose(file);
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  std::remove(path.c_str());
  return text.str();
}

TEST(PortAudioBackend, WithoutSoundHardwareItListsNothingSaysWhyAndStaysQuiet) {
  if (MachineHasSound()) GTEST_SKIP() << "this machine has sound devices";
  PortAudioBackend backend;
  EXPECT_EQ(backend.Name(), "PortAudio");
  DeviceList list;
  const std::string noise = CaptureStderr([&] { list = backend.Devices(); });
  EXPECT_TRUE(list.devices.empty());
  EXPECT_FALSE(list.whyNone.empty());
  EXPECT_EQ(noise, "");

  TakeRequest request;
  request.play.assign(960, 0.0f);
  request.recordFrames = 480;
  const std::atomic<bool> cancel{false};
  TakeResult take;
  const std::string takeNoise = CaptureStderr([&] { take = backend.Take(request, cancel, {}); });
  EXPECT_FALSE(take.ok);
  EXPECT_FALSE(take.cancelled);
  EXPECT_FALSE(take.error.empty());
  EXPECT_EQ(takeNoise, "");
}

TEST(PortAudioBackend, RequestsItCannotRunAreRefusedBeforeAnyDeviceIsOpened) {
  PortAudioBackend backend;
  const std::atomic<bool> cancel{false};
  TakeRequest request;
  request.sampleRate = 22050;
  EXPECT_NE(backend.Take(request, cancel, {}).error.find("48000 or 44100"), std::string::npos);
  request.sampleRate = kRate48k;
  request.play.assign(3, 0.0f);  // 1.5 frames of 2 channels
  EXPECT_NE(backend.Take(request, cancel, {}).error.find("part of a frame"), std::string::npos);
}

}  // namespace
}  // namespace vlm::audio
