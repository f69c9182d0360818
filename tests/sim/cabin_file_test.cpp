// Reading cabin files: the documented example, what a bad file is refused
// for, and the built-in saloon.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "model/speaker_table.h"
#include "sim/cabin.h"

namespace vlm::sim {
namespace {

const char* const kExample = R"({ "speedOfSoundMps": 343.0, "noiseDbFs": -70.0, "loopback": true,
  "speakers": [ { "channel": 1, "distanceM": 1.20, "levelDb": -3.0,
                  "response": [[20, -30.0], [100, -6.0], [1000, 0.0], [20000, -4.0]],
                  "reflections": [ { "delayMs": 1.1, "levelDb": -8.0 } ] } ] })";

TEST(CabinFile, TheDocumentedExampleReadsAsWritten) {
  const CabinReadResult r = ParseCabin(kExample);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_DOUBLE_EQ(r.cabin.speedOfSoundMps, 343.0);
  EXPECT_DOUBLE_EQ(r.cabin.noiseDbFs, -70.0);
  EXPECT_TRUE(r.cabin.loopback);
  ASSERT_EQ(r.cabin.speakers.size(), 1u);
  const CabinSpeaker& s = r.cabin.speakers[0];
  EXPECT_EQ(s.channel, 1);
  EXPECT_DOUBLE_EQ(s.distanceM, 1.2);
  EXPECT_DOUBLE_EQ(s.levelDb, -3.0);
  ASSERT_EQ(s.response.size(), 4u);
  ASSERT_EQ(s.reflections.size(), 1u);
  EXPECT_DOUBLE_EQ(s.reflections[0].delayMs, 1.1);
  EXPECT_DOUBLE_EQ(s.reflections[0].levelDb, -8.0);
  EXPECT_EQ(r.cabin.Speaker(1), &r.cabin.speakers[0]);
  EXPECT_EQ(r.cabin.Speaker(2), nullptr);

  // Linear over log-frequency: halfway in octaves between 100 Hz and 1 kHz is
  // halfway in dB; beyond the ends the end values hold.
  EXPECT_NEAR(SpeakerResponseDb(s, 316.227766), -3.0, 1e-6);
  EXPECT_DOUBLE_EQ(SpeakerResponseDb(s, 100.0), -6.0);
  EXPECT_DOUBLE_EQ(SpeakerResponseDb(s, 5.0), -30.0);
  EXPECT_DOUBLE_EQ(SpeakerResponseDb(s, 30000.0), -4.0);
}

TEST(CabinFile, BadFilesAreRefusedNamingTheFieldAndTheSpeaker) {
  struct Case {
    const char* json;
    const char* expected;  // part of the error
  };
  const Case cases[] = {
      {"{", "not valid JSON"},
      {"[]", "must be a JSON object"},
      {R"({"noiseDbFs": -70})", "speakers: missing"},
      {R"({"speakers": {}})", "speakers: must be a list"},
      {R"({"speedOfSoundMps": 0, "speakers": []})", "speedOfSoundMps: 0 is outside"},
      {R"({"noiseDbFs": "-70", "speakers": []})", "noiseDbFs: must be a number"},
      {R"({"loopback": 1, "speakers": []})", "loopback: must be true or false"},
      {R"({"speakers": [], "speed": 343})", "speed: unknown field"},
      {R"({"speakers": [{"channel": 1}]})", "speakers[0] (channel 1).distanceM: missing"},
      {R"({"speakers": [{"channel": 13, "distanceM": 1}]})", "speakers[0] (channel 13).channel: 13 is outside"},
      {R"({"speakers": [{"channel": 1.5, "distanceM": 1}]})", "speakers[0] (channel 1).channel: must be a whole"},
      {R"({"speakers": [{"channel": 1e52, "distanceM": 1}]})", "speakers[0] (channel 1e+52).channel: "},
      {R"({"speakers": [{"distanceM": 1}]})", "speakers[0].channel: missing"},
      {R"({"speakers": [{"channel": 2, "distanceM": 1}, {"channel": 2, "distanceM": 2}]})",
       "speakers[1] (channel 2).channel: channel 2 is listed twice"},
      {R"({"speakers": [{"channel": 3, "distanceM": 120}]})", "speakers[0] (channel 3).distanceM: 120 is outside"},
      {R"({"speakers": [{"channel": 3, "distance_m": 1.2}]})", "speakers[0] (channel 3).distance_m: unknown field"},
      {R"({"speakers": [{"channel": 4, "distanceM": 1, "response": [[100, 0], [50, -3]]}]})",
       "speakers[0] (channel 4).response[1]: frequencies must rise"},
      {R"({"speakers": [{"channel": 4, "distanceM": 1, "response": [[100, 0, 1]]}]})",
       "speakers[0] (channel 4).response[0]: must be a pair"},
      {R"({"speakers": [{"channel": 4, "distanceM": 1, "response": []}]})",
       "speakers[0] (channel 4).response: has no points"},
      {R"({"speakers": [{"channel": 4, "distanceM": 1, "response": [[0, 0]]}]})",
       "speakers[0] (channel 4).response[0]: frequency outside"},
      {R"({"speakers": [{"channel": 5, "distanceM": 1, "reflections": [{"delayMs": -1, "levelDb": -6}]}]})",
       "speakers[0] (channel 5).reflections[0].delayMs: -1 is outside"},
      {R"({"speakers": [{"channel": 5, "distanceM": 1, "reflections": [{"delayMs": 1}]}]})",
       "speakers[0] (channel 5).reflections[0].levelDb: missing"},
  };
  for (const Case& c : cases) {
    const CabinReadResult r = ParseCabin(c.json);
    EXPECT_FALSE(r.ok) << c.json;
    EXPECT_NE(r.error.find(c.expected), std::string::npos) << c.json << "\n  gave: " << r.error;
    EXPECT_TRUE(r.cabin.speakers.empty()) << "a refused cabin keeps nothing: " << c.json;
  }
}

TEST(CabinFile, AFileIsReadOrItsProblemNamesIt) {
  const std::string path = ::testing::TempDir() + "cabin_file_test.json";
  {
    std::ofstream out(path);
    out << kExample;
  }
  EXPECT_TRUE(ReadCabinFile(path).ok);
  {
    std::ofstream out(path);
    out << R"({"speakers": [{"channel": 1}]})";
  }
  const CabinReadResult bad = ReadCabinFile(path);
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.error.rfind(path + ": ", 0), 0u) << bad.error;
  std::remove(path.c_str());
  const CabinReadResult missing = ReadCabinFile(path);
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.error.find("cannot read"), std::string::npos);
}

TEST(CabinFile, TheSaloonHasASpeakerOnEveryFactoryOutput) {
  const Cabin cabin = DefaultCabin();
  std::set<int> channels;
  for (const CabinSpeaker& s : cabin.speakers) {
    channels.insert(s.channel);
    EXPECT_GT(s.distanceM, 0.3) << s.channel;
    EXPECT_FALSE(s.response.empty()) << s.channel;
  }
  EXPECT_EQ(channels.size(), kDefaultOutputs.size());
  EXPECT_TRUE(cabin.loopback);
  // The driver sits on the left: each left speaker is nearer than its right
  // counterpart on the next channel (factory outputs come in left/right pairs).
  for (size_t c = 0; c + 1 < kDefaultOutputs.size(); c += 2) {
    ASSERT_EQ(MirrorOf(kDefaultOutputs[c]), kDefaultOutputs[c + 1]);
    EXPECT_LT(cabin.Speaker(int(c) + 1)->distanceM, cabin.Speaker(int(c) + 2)->distanceM) << c;
  }
  // The tweeters (high-band positions) are quiet below their crossover and the
  // subwoofers quiet above theirs.
  for (int c = 1; c <= 12; ++c) {
    const int mask = BandMaskOf(kDefaultOutputs[size_t(c - 1)]);
    const CabinSpeaker& s = *cabin.Speaker(c);
    if (mask == kBandHigh && c <= 8) {
      EXPECT_LT(SpeakerResponseDb(s, 500), -20) << c;
    }
    if (c >= 11) {
      EXPECT_LT(SpeakerResponseDb(s, 2000), -30) << c;
    }
  }
}

}  // namespace
}  // namespace vlm::sim
