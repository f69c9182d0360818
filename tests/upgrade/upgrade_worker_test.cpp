// The upgrade windows' workers and the forced update's preparation, without
// windows: what reaches the wire, what is reported, what is left on disk.
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "device/messages.h"
#include "upgrade/carried_firmware.h"
#include "upgrade/carried_firmware_files.h"
#include "upgrade/upgrade_support.h"
#include "upgrade/upgrade_worker.h"

namespace vlm::test {
namespace {

struct Posts {
  std::mutex m;
  std::vector<std::pair<int, int>> list;
  UpgradePost Sink() {
    return [this](int message, int value) {
      std::lock_guard<std::mutex> lock(m);
      list.emplace_back(message, value);
    };
  }
  std::vector<int> Messages() {
    std::lock_guard<std::mutex> lock(m);
    std::vector<int> out;
    for (auto& [msg, v] : list) {
      if (msg != WM_UPGRADE_PROGRESS) out.push_back(msg);
    }
    return out;
  }
};

Bytes ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(CarriedFirmwareFiles, WrittenIntoAPrivateFolderAndRemovedAfterwards) {
  TempDir base;
  std::string folder;
  {
    upgrade::PreparedFirmware images = upgrade::PrepareCarriedFirmware(base.path.string());
    ASSERT_EQ(images.error, 0);
    folder = images.folder;
    struct stat st{};
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_NE(folder, base.path.string());
    EXPECT_EQ(std::filesystem::path(images.mcuPath).filename(), "MCU_UPG.bin");
    EXPECT_EQ(std::filesystem::path(images.flashPath).filename(), "FLASH_UPG.bin");
    const auto mcu = upgrade::CarriedResource("IDR_MCU_BIN");
    const auto flash = upgrade::CarriedResource("IDR_FLASH_BIN");
    EXPECT_EQ(ReadAll(images.mcuPath), Bytes(mcu.begin(), mcu.end()));
    EXPECT_EQ(ReadAll(images.flashPath), Bytes(flash.begin(), flash.end()));
    // Two runs never share a folder.
    upgrade::PreparedFirmware second = upgrade::PrepareCarriedFirmware(base.path.string());
    ASSERT_EQ(second.error, 0);
    EXPECT_NE(second.folder, folder);
  }
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_TRUE(std::filesystem::is_empty(base.path));
}

TEST(CarriedFirmwareFiles, AFolderThatCannotBeMadeFailsWithNothingLeft) {
  TempDir base;
  upgrade::PreparedFirmware images = upgrade::PrepareCarriedFirmware((base.path / "missing").string());
  EXPECT_EQ(images.error, 5);
  EXPECT_TRUE(images.mcuPath.empty());
  EXPECT_TRUE(images.flashPath.empty());
  EXPECT_TRUE(std::filesystem::is_empty(base.path));
}

TEST(UpgradeWorker, FileUpgradeReportsProgressThenDoneAndTheAmplifierHoldsTheBody) {
  UpgradeBench bench(true);
  const Bytes body = Counting(300);
  const std::string path = bench.dir.Write("VLM24.60DSP_FLASH_UPG.bin", MakeImage(2, 78, body));
  Posts posts;
  std::atomic<bool> cancel{false};
  RunFileUpgrade(*bench.link, path, cancel, posts.Sink());
  EXPECT_EQ(posts.Messages(), std::vector<int>{WM_UPGRADE_DONE});
  EXPECT_EQ(posts.list[posts.list.size() - 2], std::make_pair(WM_UPGRADE_PROGRESS, 100));
  EXPECT_EQ(bench.amp->Snapshot().upgrade.lastReceived, body);
  ExpectNothingHeld(*bench.link);
}

TEST(UpgradeWorker, ACancelledTransferIsReportedAsFailedNeverAsDone) {
  UpgradeBench bench(true);
  const std::string path = bench.dir.Write("MCU_UPG.bin", MakeImage(1, 78, Counting(32 * 40)));
  Posts posts;
  std::atomic<bool> cancel{false};
  UpgradePost sink = posts.Sink();
  RunFileUpgrade(*bench.link, path, cancel, [&](int msg, int value) {
    sink(msg, value);
    if (msg == WM_UPGRADE_PROGRESS && value > 10) cancel.store(true);
  });
  EXPECT_EQ(posts.Messages(), std::vector<int>{WM_UPGRADE_FAILED});
  EXPECT_EQ(bench.amp->Snapshot().upgrade.finishedTransfers, 0);
  ExpectNothingHeld(*bench.link);
}

// An unplug in the middle of either forced stage ends it as failed.
TEST(UpgradeWorker, AnUnplugDuringEachForcedStageFailsIt) {
  for (int stage : {1, 2}) {
    SCOPED_TRACE(stage);
    UpgradeBench bench(true);
    upgrade::PreparedFirmware images = upgrade::PrepareCarriedFirmware(bench.dir.path.string());
    ASSERT_EQ(images.error, 0);
    Posts posts;
    std::atomic<bool> cancel{false};
    UpgradePost sink = posts.Sink();
    RunForcedStage(*bench.link, stage, stage == 1 ? images.mcuPath : images.flashPath, cancel,
                   [&](int msg, int value) {
                     sink(msg, value);
                     if (msg == WM_UPGRADE_PROGRESS && value == 5) bench.amp->Unplug();
                   });
    const int started = stage == 1 ? WM_UPGRADE_MCU_STARTED : WM_UPGRADE_FLASH_STARTED;
    EXPECT_EQ(posts.Messages(), (std::vector<int>{started, WM_UPGRADE_FAILED}));
    EXPECT_EQ(bench.amp->Snapshot().upgrade.finishedTransfers, 0);
  }
}

TEST(UpgradeWorker, TheGateOpensAgainOnlyOverALinkThatIsUsable) {
  UpgradeBench accepted(true);
  accepted.link->SetQueueGate(false);
  EXPECT_TRUE(ReopenQueueGateIfUsable(*accepted.link));
  EXPECT_TRUE(accepted.link->QueueGateOpen());

  UpgradeBench noHandshake(false);
  noHandshake.link->SetQueueGate(false);
  EXPECT_FALSE(ReopenQueueGateIfUsable(*noHandshake.link));
  EXPECT_FALSE(noHandshake.link->QueueGateOpen());

  accepted.link->SetQueueGate(false);
  accepted.link->CloseHIDDevice(false);
  EXPECT_FALSE(ReopenQueueGateIfUsable(*accepted.link));
  EXPECT_FALSE(accepted.link->QueueGateOpen());
}

}  // namespace
}  // namespace vlm::test
