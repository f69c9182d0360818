// Temporary overrides against the virtual amplifier: solo and its end leave
// the amplifier as it was, the originals are on disk before anything is
// sent, and whatever happens in between (a read-back, a scene save, a push,
// an unplug, a damaged file) the installer's settings are not lost.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "device/messages.h"
#include "session/full_state.h"
#include "session/override_file.h"
#include "session/provisional_file.h"
#include "session/session_steps.h"
#include "session/session_events.h"
#include "session/temporary_override.h"
#include "amplifier_settings.h"
#include "session_support.h"

namespace vlm::testing {
namespace {

namespace fs = std::filesystem;

// A private folder for the override files of one test.
class OverrideFolder {
 public:
  OverrideFolder() {
    std::string pattern = (fs::temp_directory_path() / "overrides-XXXXXX").string();
    EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
    path_ = pattern;
  }
  ~OverrideFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string path() const { return path_.string(); }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
    return names;
  }

 private:
  fs::path path_;
};

// A session on an amplifier holding the scrambled settings (odd channels
// muted), read back, with its overrides kept in `folder`.
// Another program meets an amplifier left as `left` (its memory carried
// over) with the same override folder: it restores the originals on
// connecting, and the amplifier holds `before` again.
void ExpectAnotherProgramRestores(const sim::AmplifierState& left, const std::string& folder,
                                  const sim::AmplifierState& before) {
  SessionFixture second;
  second.amp->WithState([&](sim::AmplifierState& s) { s.scenes = left.scenes; });
  second.session->overrides().SetFolder(folder);
  second.Open();
  SettingsStore store;
  ASSERT_TRUE(second.session->Handshake(store).ok());
  EXPECT_TRUE(second.session->TakeRecovery().restored);
  EXPECT_TRUE(second.amp->Snapshot().scenes == before.scenes);
}

struct OverrideFixture : SessionFixture {
  OverrideFolder folder;
  SettingsStore store;
  sim::AmplifierState before;

  OverrideFixture() {
    amp->WithState([](sim::AmplifierState& s) { ScrambleLive(s); });
    before = amp->Snapshot();
    session->overrides().SetFolder(folder.path());
    Open();
    EXPECT_TRUE(session->ReadBack(store).ok());
  }
  std::vector<int> AmpMutes() const {
    std::vector<int> mutes;
    const sim::AmplifierState s = amp->Snapshot();
    for (int c = 0; c < kOutputChannels; ++c) mutes.push_back(s.scenes[0].outputs[c].mute);
    return mutes;
  }
  std::vector<int> ModelMutes() const {
    std::vector<int> mutes;
    for (int c = 0; c < kOutputChannels; ++c) mutes.push_back(store.live().channels[c].mute);
    return mutes;
  }
  // The amplifier's memory equals what it held before the test began.
  void ExpectAmplifierAsBefore() const {
    const sim::AmplifierState now = amp->Snapshot();
    EXPECT_TRUE(now.scenes == before.scenes) << "the live settings or a stored scene differ";
    EXPECT_EQ(now.sceneNames, before.sceneNames);
  }
};

std::vector<int> SoloMutes(int channel) {
  std::vector<int> mutes(kOutputChannels, 1);
  mutes[channel] = 0;
  return mutes;
}

const std::vector<int> kScrambledMutes = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};

TEST(TemporaryOverride, SoloThenEndLeavesTheAmplifierByteForByteAsItWas) {
  OverrideFixture f;
  TemporaryOverride& o = f.session->overrides();
  // Channel 3 was muted: the solo unmutes it and mutes every other one.
  ASSERT_TRUE(o.Begin(SoloSettings(3), f.store.live()).ok());
  EXPECT_TRUE(o.Active());
  EXPECT_EQ(o.SoloedChannel(), 3);
  EXPECT_EQ(f.AmpMutes(), SoloMutes(3));
  ASSERT_EQ(f.folder.Files().size(), 1u);

  ASSERT_TRUE(o.End().ok());
  EXPECT_FALSE(o.Active());
  EXPECT_EQ(o.SoloedChannel(), -1);
  EXPECT_TRUE(f.folder.Files().empty()) << "the file goes with the override";
  f.ExpectAmplifierAsBefore();
  // Ending twice is harmless.
  EXPECT_TRUE(o.End().ok());
}

TEST(TemporaryOverride, SoloOnALinkedPairMutesThePartnerToo) {
  OverrideFixture f;
  // Channels 0 and 6 linked, in the amplifier and in the model.
  f.amp->WithState([](sim::AmplifierState& s) {
    s.scenes[0].chLink.link = 1;
    s.scenes[0].chLink.pairs[0] = 0x06;
  });
  ASSERT_TRUE(f.session->ReadBack(f.store).ok());
  f.store.live().linkMode = 1;
  f.store.live().linkOutputs[0] = 6;
  f.store.live().linkOutputs[6] = 0;
  ASSERT_TRUE(f.session->overrides().Begin(SoloSettings(0), f.store.live()).ok());
  EXPECT_EQ(f.AmpMutes(), SoloMutes(0));
  EXPECT_EQ(f.amp->Snapshot().scenes[0].chLink.link, 1) << "the link itself stays";
}

TEST(TemporaryOverride, TheOriginalsAreOnDiskBeforeTheFirstCommand) {
  OverrideFixture f;
  bool fileBeforeFirstCommand = false;
  OverrideRecord onDisk;
  const std::string path = OverrideFilePath(f.folder.path(), f.link->SerialNumber());
  f.amp->ArmFaultAfterReports(0, [&](sim::VirtualAmplifier&) {
    std::string problem;
    fileBeforeFirstCommand = ReadOverrideFile(path, onDisk, problem) == OverrideFileRead::Read;
  });
  ASSERT_TRUE(f.session->overrides().Begin(SoloSettings(5), f.store.live()).ok());
  EXPECT_TRUE(fileBeforeFirstCommand);
  ASSERT_EQ(onDisk.entries.size(), static_cast<size_t>(kOutputChannels));
  EXPECT_EQ(onDisk.serial, f.link->SerialNumber());
  for (const OverrideEntry& e : onDisk.entries) {
    EXPECT_EQ(e.original, kScrambledMutes[e.setting.target.channel]) << int(e.setting.target.channel);
  }

  // A file that cannot be written: nothing is sent at all.
  OverrideFixture g;
  const uint64_t reports = g.amp->counters().reportsReceived;
  g.session->overrides().SetFolder("/proc/no-such-folder");
  const SessionResult r = g.session->overrides().Begin(SoloSettings(5), g.store.live());
  EXPECT_EQ(r.status, SessionStatus::FileFailed);
  EXPECT_FALSE(g.session->overrides().Active());
  EXPECT_EQ(g.amp->counters().reportsReceived, reports);
}

TEST(TemporaryOverride, RefusesWhatItCannotHoldWithoutSendingAnything) {
  OverrideFixture f;
  TemporaryOverride& o = f.session->overrides();
  const uint64_t reports = f.amp->counters().reportsReceived;
  const std::vector<std::vector<OverrideSetting>> refused = {
      {},
      {OverrideSetting::ChannelMute(12, true)},
      {OverrideSetting::ChannelMute(2, true), OverrideSetting::ChannelMute(2, false)},
      {{SettingTarget::Whole(SettingKind::AccDelay), 1}},
      {{SettingTarget::Whole(SettingKind::MainVolume), 30}},
      {{SettingTarget::Whole(SettingKind::Source), 9}},
  };
  for (const auto& settings : refused) {
    EXPECT_EQ(o.Begin(settings, f.store.live()).status, SessionStatus::InvalidArgument);
  }
  ASSERT_TRUE(o.Begin(SoloSettings(1), f.store.live()).ok());
  EXPECT_EQ(o.Begin(SoloSettings(2), f.store.live()).status, SessionStatus::InvalidArgument)
      << "one override at a time";
  EXPECT_EQ(o.SoloedChannel(), 1);
  EXPECT_GT(f.amp->counters().reportsReceived, reports);
}

TEST(TemporaryOverride, SourceGainAndMainMuteComeBackExactly) {
  OverrideFixture f;
  const std::vector<OverrideSetting> settings = {
      {SettingTarget::Whole(SettingKind::Source), 2},
      {SettingTarget::Whole(SettingKind::Mute), 0},
      {SettingTarget::Channels(SettingKind::Trim, 0, 0, 4, 4), -12.5},
  };
  TemporaryOverride& o = f.session->overrides();
  ASSERT_TRUE(o.Begin(settings, f.store.live()).ok());
  const sim::SceneSettings live = f.amp->Snapshot().scenes[0];
  EXPECT_NE(live.source, f.before.scenes[0].source);
  EXPECT_EQ(live.mute, 0);
  EXPECT_NE(live.outputs[4].trim, f.before.scenes[0].outputs[4].trim);
  EXPECT_EQ(o.SoloedChannel(), -1);
  ASSERT_TRUE(o.End().ok());
  const sim::SceneSettings end = f.amp->Snapshot().scenes[0];
  EXPECT_EQ(end.source, f.before.scenes[0].source);
  EXPECT_EQ(end.mute, f.before.scenes[0].mute);
  EXPECT_EQ(end.outputs[4].trim, f.before.scenes[0].outputs[4].trim);
  EXPECT_EQ(end.outputs[4].trimHundredths, f.before.scenes[0].outputs[4].trimHundredths);
  f.ExpectAmplifierAsBefore();
}

TEST(TemporaryOverride, AReadBackDuringTheOverrideKeepsTheOriginalsInTheModel) {
  OverrideFixture f;
  ASSERT_TRUE(f.session->overrides().Begin(SoloSettings(3), f.store.live()).ok());
  ASSERT_TRUE(f.session->ReadBack(f.store).ok());
  EXPECT_EQ(f.ModelMutes(), kScrambledMutes);
  // The same connection: the handshake of that read-back left the solo on.
  EXPECT_EQ(f.AmpMutes(), SoloMutes(3));
  EXPECT_TRUE(f.session->overrides().Active());
  EXPECT_FALSE(f.session->TakeRecovery().found);
}

TEST(TemporaryOverride, SceneSavePushAndSceneLoadEndItFirst) {
  {
    OverrideFixture f;
    ASSERT_TRUE(f.session->overrides().Begin(SoloSettings(3), f.store.live()).ok());
    ASSERT_TRUE(f.session->SaveScene(4, u"Tune").ok());
    const sim::AmplifierState s = f.amp->Snapshot();
    for (int c = 0; c < kOutputChannels; ++c) {
      EXPECT_EQ(s.scenes[4].outputs[c].mute, kScrambledMutes[c]) << "the scene stores the original mutes, ch " << c;
    }
    EXPECT_FALSE(f.session->overrides().Active());
    EXPECT_TRUE(f.folder.Files().empty());
  }
  {
    OverrideFixture f;
    ASSERT_TRUE(f.session->overrides().Begin(SoloSettings(3), f.store.live()).ok());
    ASSERT_TRUE(f.session->PushProfile(f.store.live()).ok());
    EXPECT_FALSE(f.session->overrides().Active());
    EXPECT_EQ(f.AmpMutes(), kScrambledMutes);
  }
  {
    OverrideFixture f;
    ASSERT_TRUE(f.session->SaveScene(2, u"Two").ok());
    ASSERT_TRUE(f.session->overrides().Begin(SoloSettings(3), f.store.live()).ok());
    ASSERT_TRUE(f.session->LoadScene(2, f.store).ok());
    EXPECT_FALSE(f.session->overrides().Active());
    EXPECT_EQ(f.ModelMutes(), kScrambledMutes);
  }
}

TEST(TemporaryOverride, AnUnplugMidwayIsRestoredAtTheNextConnection) {
  OverrideFixture f;
  // The amplifier goes after the file was written and four mutes were sent.
  f.amp->ArmFaultAfterReports(4, [](sim::VirtualAmplifier& a) { a.Unplug(); });
  const SessionResult r = f.session->overrides().Begin(SoloSettings(8), f.store.live());
  EXPECT_FALSE(r.ok());
  EXPECT_NE(f.AmpMutes(), kScrambledMutes) << "the amplifier kept some of the solo's mutes";
  EXPECT_EQ(f.folder.Files().size(), 1u) << "the originals stay on disk";
  f.session->DevicePlugOut();

  f.amp->Plug();
  f.Open();
  SettingsStore after;
  ASSERT_TRUE(f.session->ReadBack(after).ok());
  const OverrideRecovery recovery = f.session->TakeRecovery();
  EXPECT_TRUE(recovery.found);
  EXPECT_TRUE(recovery.restored) << recovery.problem;
  EXPECT_EQ(recovery.soloedChannel, 8);
  EXPECT_FALSE(f.session->overrides().Active());
  EXPECT_TRUE(f.folder.Files().empty());
  f.ExpectAmplifierAsBefore();
  for (int c = 0; c < kOutputChannels; ++c) EXPECT_EQ(after.live().channels[c].mute, kScrambledMutes[c]);
}

// A run's provisional result left by a program that ended: the next program's
// handshake sends back the settings before it; a damaged file is reported
// and kept, never guessed from.
TEST(TemporaryOverride, AProvisionalResultLeftByAnotherProgramIsTakenBackAndADamagedOneReported) {
  OverrideFolder shared;
  OverrideFixture first;
  first.session->overrides().SetFolder(shared.path());
  // The tool sets a band's Q in tenths: the band the run changes holds one it can set.
  first.amp->WithState([](sim::AmplifierState& s) { s.scenes[0].outputs[3].eq[4].qHundredths = 150; });
  first.before = first.amp->Snapshot();
  ASSERT_TRUE(first.session->ReadBack(first.store).ok());
  auto sent = std::make_unique<SceneProfile>(first.store.live());
  sent->channels[3].delay = 1.234f;
  sent->channels[3].gain = sent->channels[3].gain == -6.0f ? -5.0f : -6.0f;
  sent->eqArray(3)[4].eqGain = sent->eqArray(3)[4].eqGain == -4.5f ? 2.5f : -4.5f;
  sent->channels[3].bypass = !sent->channels[3].bypass;
  sent->linkMode = 0;
  ASSERT_TRUE(first.session->overrides().HoldProvisional(first.store.live(), *sent).ok());
  const std::vector<StateCommand> commands = FullStateCommands(*sent, &first.store.live());
  for (std::size_t i = 0; i < commands.size() / 2; ++i) {  // the program ends halfway through the send
    ASSERT_EQ(RunStep(*first.link, commands[i].step), SessionStatus::Ok) << commands[i].name;
  }
  ASSERT_FALSE(first.amp->Snapshot().scenes == first.before.scenes);

  SessionFixture second;
  second.amp->WithState([&](sim::AmplifierState& s) { s.scenes = first.amp->Snapshot().scenes; });
  second.session->overrides().SetFolder(shared.path());
  second.Open();
  SettingsStore store;
  ASSERT_TRUE(second.session->Handshake(store).ok());
  const OverrideRecovery taken = second.session->TakeRecovery();
  EXPECT_TRUE(taken.found && taken.restored && taken.provisionalRun) << taken.problem;
  EXPECT_TRUE(second.amp->Snapshot().scenes == first.before.scenes);
  EXPECT_TRUE(shared.Files().empty());

  const std::string path = ProvisionalFilePath(shared.path(), second.link->SerialNumber());
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << R"({"format": "vlm-tuner provisional", "version": 1, "serial": "x", "before": {})";
  ASSERT_TRUE(second.session->Handshake(store).ok());
  const OverrideRecovery damaged = second.session->TakeRecovery();
  EXPECT_TRUE(damaged.found && damaged.provisionalRun);
  EXPECT_FALSE(damaged.restored);
  EXPECT_NE(damaged.problem.find(path), std::string::npos) << damaged.problem;
  EXPECT_TRUE(fs::exists(path));
  EXPECT_TRUE(second.amp->Snapshot().scenes == first.before.scenes);
}

TEST(TemporaryOverride, AnOverrideOfAnotherSessionIsRestoredAtTheHandshake) {
  OverrideFolder shared;
  OverrideFixture first;
  first.session->overrides().SetFolder(shared.path());
  ASSERT_TRUE(first.session->overrides().Begin(SoloSettings(2), first.store.live()).ok());
  const sim::AmplifierState soloed = first.amp->Snapshot();

  // Another program meets the same amplifier (its memory carried over).
  ExpectAnotherProgramRestores(soloed, shared.path(), first.before);
  EXPECT_TRUE(shared.Files().empty());
}

// A measurement's timing take switches a channel's low-pass off; another
// program that meets the amplifier then gets the low-pass back from the file
// exactly (frequency, type and slope), every other byte too.
TEST(TemporaryOverride, ALowPassSwitchedOffComesBackExactlyFromTheFile) {
  OverrideFolder shared;
  OverrideFixture first;
  first.amp->WithState([](sim::AmplifierState& s) {
    s.scenes[0].outputs[4].lp = {.type = 3, .freq = 317, .slope = 5};
  });
  first.before = first.amp->Snapshot();
  ASSERT_TRUE(first.session->ReadBack(first.store).ok());
  const FilterSettings lp = first.store.live().channels[4].crossover.lp;
  first.session->overrides().SetFolder(shared.path());
  ASSERT_TRUE(first.session->overrides().Begin({OverrideSetting::LowPassOff(4, lp)}, first.store.live()).ok());
  const sim::AmplifierState off = first.amp->Snapshot();
  EXPECT_EQ(off.scenes[0].outputs[4].lp.slope, 0);
  EXPECT_EQ(off.scenes[0].outputs[4].lp.freq, 317);

  ExpectAnotherProgramRestores(off, shared.path(), first.before);
  // Every low-pass the model can hold survives its one number.
  for (int slope = 0; slope <= 8; ++slope) {
    for (int type = 1; type <= 3; ++type) {
      for (int fs : {20, 317, 19999, 20000}) {
        FilterSettings f{.fs = fs, .type = type, .slope = slope, .bypass = slope == 0 ? 1 : 0};
        EXPECT_EQ(LowPassOfValue(LowPassValue(f)), f) << fs << " Hz type " << type << " slope " << slope;
      }
    }
  }
}

TEST(TemporaryOverride, ADamagedFileIsReportedAndKept) {
  OverrideFixture f;
  const std::string path = OverrideFilePath(f.folder.path(), f.link->SerialNumber());
  std::ofstream(path) << "{\"format\": \"vlm-tuner override\", \"version\": 1, \"serial\"";
  SettingsStore store;
  ASSERT_TRUE(f.session->ReadBack(store).ok());  // same connection: only a file of another counts
  f.session->DevicePlugOut();
  f.Open();
  ASSERT_TRUE(f.session->ReadBack(store).ok());
  const OverrideRecovery r = f.session->TakeRecovery();
  EXPECT_TRUE(r.found);
  EXPECT_FALSE(r.restored);
  EXPECT_NE(r.problem.find(path), std::string::npos) << r.problem;
  EXPECT_TRUE(fs::exists(path)) << "never thrown away: the user may mend it";
  f.ExpectAmplifierAsBefore();
}

TEST(TemporaryOverride, TheWorkerBeginsMovesAndEndsASoloAndReportsEachStep) {
  OverrideFixture f;
  auto run = [&f](std::vector<OverrideSetting> settings) {
    f.sink.Clear();
    EXPECT_TRUE(f.session->StartOverride(std::move(settings), f.store.live()).ok());
    EXPECT_TRUE(f.sink.WaitFor(WM_BUSY_END));
    f.session->WaitForWorker();
    return f.sink.RecordOf<OverrideOutcomeRecord>(WM_BUSY_END);
  };
  auto begun = run(SoloSettings(2));
  ASSERT_TRUE(begun);
  EXPECT_TRUE(begun->began && begun->ok);
  EXPECT_EQ(begun->soloedChannel, 2);
  auto moved = run(SoloSettings(7));
  ASSERT_TRUE(moved);
  EXPECT_TRUE(moved->ok) << moved->why;
  EXPECT_EQ(moved->soloedChannel, 7);
  EXPECT_EQ(f.AmpMutes(), SoloMutes(7));
  auto ended = run({});
  ASSERT_TRUE(ended);
  EXPECT_FALSE(ended->began);
  EXPECT_EQ(ended->soloedChannel, -1);
  f.ExpectAmplifierAsBefore();
}

TEST(OverrideFile, RoundTripsAndNamesWhatIsWrong) {
  OverrideRecord record;
  record.serial = "VLM/24 60";
  record.entries = {{OverrideSetting::ChannelMute(3, true), 0},
                    {{SettingTarget::Channels(SettingKind::Trim, 0, 0, 11, 11), -3.25}, 4.5},
                    {{SettingTarget::Whole(SettingKind::Source), 1}, 5}};
  OverrideRecord read;
  ASSERT_EQ(ParseOverrideDocument(BuildOverrideDocument(record), read), "");
  EXPECT_EQ(read, record);
  EXPECT_EQ(OverrideFilePath("/d", "VLM/24 60"), "/d/VLM_24_60.json");
  EXPECT_EQ(OverrideFilePath("/d", ""), "/d/unknown.json");
  EXPECT_EQ(OverrideFilePath("/d", ".."), "/d/_.json");

  const std::pair<const char*, const char*> bad[] = {
      {"", "document"},
      {R"({"format":"other","version":1,"serial":"s","settings":[]})", "format"},
      {R"({"format":"vlm-tuner override","version":2,"serial":"s","settings":[]})", "version"},
      {R"({"format":"vlm-tuner override","version":1,"settings":[]})", "serial"},
      {R"({"format":"vlm-tuner override","version":1,"serial":"s","settings":[{"setting":"eq","channel":0,"original":0,"value":1}]})",
       "settings[0].setting"},
      {R"({"format":"vlm-tuner override","version":1,"serial":"s","settings":[{"setting":"channel-mute","original":0,"value":1}]})",
       "settings[0].channel"},
      {R"({"format":"vlm-tuner override","version":1,"serial":"s","settings":[{"setting":"channel-mute","channel":12,"original":0,"value":1}]})",
       "settings[0]"},
      {R"({"format":"vlm-tuner override","version":1,"serial":"s","settings":[{"setting":"channel-mute","channel":1,"original":7,"value":1}]})",
       "settings[0]"},
  };
  for (const auto& [text, field] : bad) {
    OverrideRecord r;
    const std::string problem = ParseOverrideDocument(text, r);
    EXPECT_EQ(problem.rfind(field, 0), 0u) << text << " -> " << problem;
  }
}

TEST(OverrideSettings, SoloIsRecognisedOnlyAsOneChannelAlone) {
  for (int c = 0; c < kOutputChannels; ++c) EXPECT_EQ(SoloedChannel(SoloSettings(c)), c);
  std::vector<OverrideSetting> two = SoloSettings(4);
  two[5].value = 0;
  EXPECT_EQ(SoloedChannel(two), -1);
  std::vector<OverrideSetting> partial = SoloSettings(4);
  partial.pop_back();
  EXPECT_EQ(SoloedChannel(partial), -1);
  EXPECT_EQ(SoloedChannel({}), -1);
}

}  // namespace
}  // namespace vlm::testing
