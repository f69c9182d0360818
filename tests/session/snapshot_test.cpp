// Snapshots of the live settings against the virtual amplifier: written after
// a connection and before a scene load, restored in full (the amplifier's own
// state, not only the model), refused when damaged; the folder keeps the
// newest and skips repeats.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "device/messages.h"
#include "model/speaker_rules.h"
#include "model/source_table.h"
#include "session/full_state.h"
#include "session/session_events.h"
#include "snapshot/snapshot_store.h"
#include "amplifier_settings.h"
#include "session_support.h"

namespace vlm::testing {
namespace {

namespace fs = std::filesystem;

class SnapshotFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "snapshots-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Dir() const { return (dir_ / "snapshots").string(); }
  fs::path dir_;
};

// Everything of the amplifier's live scene that the tool holds, compared as
// the amplifier keeps it: the push's share and the source, ACC, mutes,
// subwoofer volume, lock, link record and input phases.
void ExpectSameFullLiveState(const sim::AmplifierState& a, const sim::AmplifierState& b) {
  const sim::SceneSettings &x = a.scenes[0], &y = b.scenes[0];
  EXPECT_EQ(x.mainVolume, y.mainVolume);
  EXPECT_EQ(x.mute, y.mute);
  EXPECT_EQ(x.source, y.source);
  EXPECT_EQ(x.subVolume, y.subVolume);
  EXPECT_EQ(x.ampMute, y.ampMute);
  EXPECT_EQ(x.lock, y.lock);
  EXPECT_EQ(x.chLink.link, y.chLink.link);
  EXPECT_EQ(x.chLink.pairs, y.chLink.pairs);
  EXPECT_EQ(a.acc, b.acc);
  for (int c = 0; c < sim::kOutputChannels; ++c) {
    SCOPED_TRACE("channel " + std::to_string(c));
    const sim::OutputChannel &o = x.outputs[c], &q = y.outputs[c];
    EXPECT_TRUE(o.hp.type == q.hp.type && o.hp.freq == q.hp.freq && o.hp.slope == q.hp.slope);
    EXPECT_TRUE(o.lp.type == q.lp.type && o.lp.freq == q.lp.freq && o.lp.slope == q.lp.slope);
    for (int band = 0; band < sim::kBands; ++band) {
      const sim::WireEqBand &e = o.eq[band], &f = q.eq[band];
      EXPECT_TRUE(e.freq == f.freq && e.qHundredths == f.qHundredths && e.gainInt == f.gainInt &&
                  e.gainTenths == f.gainTenths)
          << "band " << band;
    }
    EXPECT_EQ(o.delayMicros, q.delayMicros);
    EXPECT_EQ(o.trim, q.trim);
    EXPECT_EQ(o.mute, q.mute);
    EXPECT_EQ(o.phase, q.phase);
    EXPECT_EQ(o.type, q.type);
    EXPECT_EQ(o.peqBypass, q.peqBypass);
  }
  for (int s = 0; s < sim::kSources; ++s) {
    SCOPED_TRACE("source " + std::to_string(s));
    EXPECT_EQ(x.sources[s].mix, y.sources[s].mix);
    for (int i = 0; i < sim::kInputChannels; ++i) EXPECT_EQ(x.sources[s].inputs[i].phase, y.sources[s].inputs[i].phase);
    // The mix levels of the inputs the source mixes.
    for (int i = 0; i < InputCount(s); ++i) EXPECT_EQ(x.sources[s].mixTrim[i], y.sources[s].mixTrim[i]) << "input " << i;
  }
}

// The factory's live scene with the mix levels of the inputs no source mixes
// kept from `from` (the tool neither reads nor sends those).
void ResetLiveKeepingUnmixedLevels(sim::AmplifierState& s) {
  sim::SceneSettings fresh = sim::FactoryScene();
  for (int src = 0; src < sim::kSources; ++src) {
    for (int i = InputCount(src); i < sim::kChannelSlots; ++i) fresh.sources[src].mixTrim[i] = s.scenes[0].sources[src].mixTrim[i];
  }
  s.scenes[0] = fresh;
  s.acc = 0;
}

std::unique_ptr<SettingsStore> ConnectThroughTheWorker(SessionFixture& f) {
  f.Open();
  auto current = std::make_unique<SettingsStore>();
  EXPECT_TRUE(f.session->StartReadBack(*current).ok());
  EXPECT_TRUE(f.sink.WaitFor(WM_CONNECTED));
  f.session->WaitForWorker();
  auto record = f.sink.RecordOf<ReadBackRecord>(WM_CONNECTED);
  return record ? std::make_unique<SettingsStore>(*record->store) : nullptr;
}

TEST_F(SnapshotFolder, ConnectionWritesOneAndItsRestoreGivesTheAmplifierItsStateBack) {
  // Two amplifiers: scrambled with the lock on, and factory positions linked
  // left onto right with a subwoofer volume.
  const std::function<void(sim::AmplifierState&)> setups[] = {
      [](sim::AmplifierState& s) {
        ScrambleLive(s);
        // What the tool can have set: a main volume of the slider's steps
        // and Q in tenths.
        s.scenes[0].mainVolume = static_cast<uint8_t>(static_cast<int8_t>(MainVolumeAttenuation(20)));
        for (sim::OutputChannel& o : s.scenes[0].outputs) {
          for (sim::WireEqBand& band : o.eq) band.qHundredths = static_cast<uint16_t>(band.qHundredths / 10 * 10);
        }
        s.scenes[0].subVolume = 200;
      },
      [](sim::AmplifierState& s) {
        sim::SceneSettings& live = s.scenes[0];
        live.lock = 1;
        live.chLink.link = 1;
        live.chLink.pairs = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB};
        live.subVolume = static_cast<uint8_t>(-7);
        live.source = 0x53;
        live.outputs[4].eq[7] = {2500, 230, 24, 5};
        s.acc = 17;
      },
  };
  for (const auto& setup : setups) {
    SessionFixture f;
    SnapshotStore store(Dir() + std::to_string(&setup - setups));
    f.session->SetSnapshotStore(&store);
    f.amp->WithState([&](sim::AmplifierState& s) { setup(s); });
    const sim::AmplifierState held = f.amp->Snapshot();
    ASSERT_NE(ConnectThroughTheWorker(f), nullptr);

    const std::vector<SnapshotEntry> list = store.List();
    ASSERT_EQ(list.size(), 1u);
    ASSERT_TRUE(list[0].readable) << list[0].problem;
    EXPECT_EQ(list[0].header.trigger, SnapshotTrigger::Connected);
    EXPECT_EQ(list[0].header.serial, "VLM2460-000078");
    EXPECT_EQ(list[0].header.firmware, "16.19");
    EXPECT_EQ(list[0].header.model, 78);

    // Everything the tool holds goes back to the factory's; then the snapshot.
    f.amp->WithState(ResetLiveKeepingUnmixedLevels);
    SnapshotHeader header;
    auto state = std::make_unique<SceneProfile>();
    ASSERT_TRUE(ReadSnapshotFile(list[0].path, header, *state).ok);
    const SessionResult r = f.session->RestoreFullState(*state);
    ASSERT_TRUE(r.ok()) << r.Describe();
    ExpectSameFullLiveState(f.amp->Snapshot(), held);
    // The same settings again: no second snapshot.
    EXPECT_EQ(f.session->KeepSnapshot(*state, SnapshotTrigger::Restore).status, SnapshotSaveResult::Status::Unchanged);
  }
}

TEST_F(SnapshotFolder, ReadBackWithUnansweredReadsKeepsNoSnapshot) {
  SessionFixture f;
  SnapshotStore store(Dir());
  f.session->SetSnapshotStore(&store);
  // One read after the handshake goes unanswered twice.
  f.amp->ArmFaultAfterReports(20, [](sim::VirtualAmplifier& a) { a.DropNextReplies(2); });
  auto settings = ConnectThroughTheWorker(f);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(f.sink.RecordOf<ReadBackRecord>(WM_CONNECTED)->missingReplies, 1);
  EXPECT_TRUE(store.List().empty());
}

TEST_F(SnapshotFolder, RestoreWorkerReportsProgressAndCancelStopsIt) {
  SessionFixture f;
  f.Open();
  SettingsStore store;
  ASSERT_TRUE(f.session->ReadBack(store).ok());
  auto edited = std::make_unique<SceneProfile>(store.live());
  EditProfile(*edited);
  edited->source = 3;
  ASSERT_TRUE(f.session->StartRestoreFullState(*edited, Receiver::ToolWindow).ok());
  ASSERT_TRUE(f.sink.WaitFor(WM_BUSY_END));
  f.session->WaitForWorker();
  auto outcome = f.sink.RecordOf<RestoreOutcomeRecord>(WM_BUSY_END);
  ASSERT_NE(outcome, nullptr);
  EXPECT_TRUE(outcome->ok) << outcome->why;
  EXPECT_TRUE(outcome->completed);
  EXPECT_EQ(f.amp->Snapshot().scenes[0].source, 0x54);
  const size_t total = FullStatePlan(*edited).size();
  const std::vector<int> posted = f.sink.Messages();
  EXPECT_EQ(static_cast<size_t>(std::count(posted.begin(), posted.end(), WM_RESTORE_PROGRESS)), total);

  // A cancel before the first command: nothing is sent.
  f.sink.Clear();
  f.amp->EnableTrace(true);
  std::atomic<bool> cancel{true};
  const SessionResult stopped = f.session->RestoreFullState(*edited, nullptr, &cancel);
  EXPECT_EQ(stopped.status, SessionStatus::Cancelled);
  EXPECT_EQ(f.amp->TraceText(), "");
}

TEST_F(SnapshotFolder, SceneLoadKeepsTheLiveSettingsFirst) {
  SessionFixture f;
  SnapshotStore store(Dir());
  f.session->SetSnapshotStore(&store);
  f.Open();
  SettingsStore settings;
  ASSERT_TRUE(f.session->ReadBack(settings).ok());
  settings.live().mainVolume = 33;
  ASSERT_TRUE(f.session->LoadScene(1, settings).ok());
  const std::vector<SnapshotEntry> list = store.List();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].header.trigger, SnapshotTrigger::SceneLoad);
  SnapshotHeader header;
  auto kept = std::make_unique<SceneProfile>();
  ASSERT_TRUE(ReadSnapshotFile(list[0].path, header, *kept).ok);
  EXPECT_EQ(kept->mainVolume, 33);
}

TEST_F(SnapshotFolder, DamagedFilesAreRefusedByFieldAndLeaveTheTargetAlone) {
  SceneProfile live;
  live.mainVolume = 12;
  live.source = 2;
  SnapshotHeader header;
  header.model = 78;
  header.serial = "S1";
  header.firmware = "16.19";
  header.time = "2026-12-09T15:20:01.123Z";
  const std::string good = BuildSnapshotDocument(header, live);
  auto replaced = [&good](const std::string& from, const std::string& to) {
    std::string text = good;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const std::pair<std::string, std::string> cases[] = {
      {"", "document"},
      {"PK\x03\x04 junk", "document"},
      {good.substr(0, good.size() / 2), "document"},
      {good.substr(0, good.size() - 1), "document"},
      {"[1,2]", "document"},
      {replaced("\"vlm-tuner snapshot\"", "\"something else\""), "format"},
      {replaced("\"version\":1", "\"version\":2"), "version"},
      {replaced("\"model\":78,\"serial\"", "\"model\":77,\"serial\""), "model"},
      {replaced("\"serial\":\"S1\"", "\"serial\":5"), "serial"},
      {replaced("\"trigger\":\"connect\"", "\"trigger\":\"later\""), "trigger"},
      {replaced("\"source\":2", "\"source\":9"), "live.source"},
      {replaced("\"channels\":[", "\"channelz\":["), "settings"},
      {replaced("\"settings\":{\"model\":78", "\"settings\":{\"model\":77"), "settings"},
  };
  for (const auto& [text, field] : cases) {
    SCOPED_TRACE(field + ": " + text.substr(0, 60));
    SceneProfile target;
    target.mainVolume = 3;
    SnapshotHeader h;
    h.serial = "untouched";
    const SnapshotReadResult r = ParseSnapshot(text, h, target);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.field, field) << r.Describe();
    EXPECT_EQ(target.mainVolume, 3);
    EXPECT_EQ(h.serial, "untouched");
  }
  SceneProfile target;
  SnapshotHeader h;
  ASSERT_TRUE(ParseSnapshot(good, h, target).ok);
  EXPECT_EQ(target.mainVolume, 12);
  EXPECT_EQ(target.source, 2);
  EXPECT_EQ(h.serial, "S1");
}

TEST_F(SnapshotFolder, KeepsTheNewestHundredAndSkipsRepeatsPerAmplifier) {
  SnapshotStore store(Dir());
  auto live = std::make_unique<SceneProfile>();
  SnapshotHeader a;
  a.model = 78;
  a.serial = "A";
  SnapshotHeader b = a;
  b.serial = "B";
  using std::chrono::milliseconds;
  const auto t0 = std::chrono::system_clock::time_point(std::chrono::seconds(1'800'000'000));
  EXPECT_EQ(store.Save(a, *live, t0).status, SnapshotSaveResult::Status::Written);
  // The same settings of the same amplifier: nothing; the window's channel is no change.
  live->currChannel = 5;
  EXPECT_EQ(store.Save(a, *live, t0 + milliseconds(1)).status, SnapshotSaveResult::Status::Unchanged);
  // Another amplifier with the same settings is written, and does not hide A's newest.
  EXPECT_EQ(store.Save(b, *live, t0 + milliseconds(2)).status, SnapshotSaveResult::Status::Written);
  EXPECT_EQ(store.Save(a, *live, t0 + milliseconds(3)).status, SnapshotSaveResult::Status::Unchanged);
  // Two in the same millisecond get two names.
  live->mainVolume = 7;
  const SnapshotSaveResult first = store.Save(a, *live, t0 + milliseconds(4));
  live->mainVolume = 8;
  const SnapshotSaveResult second = store.Save(a, *live, t0 + milliseconds(4));
  ASSERT_TRUE(first.ok() && second.ok());
  EXPECT_NE(first.path, second.path);
  EXPECT_EQ(store.List().front().path, second.path);

  for (int n = 0; n < 110; ++n) {
    live->ampOn = n % 2;
    live->mainVolume = n % 40;
    live->acc = n;
    ASSERT_TRUE(store.Save(a, *live, t0 + std::chrono::seconds(10 + n)).ok());
  }
  const std::vector<SnapshotEntry> list = store.List();
  ASSERT_EQ(list.size(), static_cast<size_t>(kKeptSnapshots));
  EXPECT_EQ(list.front().header.time, SnapshotTimeText(t0 + std::chrono::seconds(119)));
  EXPECT_EQ(list.back().header.time, SnapshotTimeText(t0 + std::chrono::seconds(20)));
  // Unrelated files in the folder are neither listed nor removed.
  std::ofstream(Dir() + "/notes.txt") << "mine";
  EXPECT_EQ(store.List().size(), static_cast<size_t>(kKeptSnapshots));
  EXPECT_TRUE(fs::exists(Dir() + "/notes.txt"));
}

}  // namespace
}  // namespace vlm::testing
