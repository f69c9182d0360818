// Files that must not load, and saves that must not damage what is on disk.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "model/profile_file.h"
#include "profile_test_support.h"

namespace vlm {
namespace {

using testing::EditedDocument;
using testing::MarkedProfile;
using testing::Path;
using testing::ScratchFolder;
using testing::SetNumber;
using testing::Slurp;

void Spit(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// Parses `text` onto a marked profile and checks the outcome and that the
// profile did not change at all.
void ExpectRefused(const std::string& text, ProfileLoadStatus status,
                   const std::string& detailPart = "") {
  auto p = MarkedProfile();
  auto before = std::make_unique<SceneProfile>(*p);
  const ProfileLoadResult r = ParseSceneProfile(text, *p);
  EXPECT_EQ(r.status, status) << r.detail;
  if (!detailPart.empty()) {
    EXPECT_NE(r.detail.find(detailPart), std::string::npos) << r.detail;
  }
  EXPECT_TRUE(*p == *before) << "the current profile changed";
}

void ExpectBad(const std::function<void(cJSON*)>& edit, const std::string& detailPart = "") {
  ExpectRefused(EditedDocument(edit), ProfileLoadStatus::BadStructure, detailPart);
}

const char* const kTopKeys[] = {"model",       "mainVolume",  "acc",         "subVolume",
                                "mainVolumeMute", "channels", "inputs",      "outputs",
                                "linkOutputs", "showChEqualizer", "currChannel", "linkMode",
                                "lockMode",    "inputMixVolume", "inMixPhase"};

TEST(ProfileErrors, EveryMissingOrMistypedTopLevelKey) {
  for (const char* key : kTopKeys) {
    SCOPED_TRACE(key);
    ExpectBad([&](cJSON* root) { cJSON_DeleteItemFromObject(root, key); }, key);
    ExpectBad([&](cJSON* root) {
      cJSON_ReplaceItemInObject(root, key, cJSON_CreateString("78"));
    }, key);
    ExpectBad([&](cJSON* root) { cJSON_ReplaceItemInObject(root, key, cJSON_CreateNull()); },
              key);
  }
  // The name is written for people; the reader does not need it.
  auto p = std::make_unique<SceneProfile>();
  EXPECT_TRUE(ParseSceneProfile(EditedDocument([](cJSON* root) {
                                  cJSON_DeleteItemFromObject(root, "model_name");
                                }),
                                *p)
                  .ok());
}

TEST(ProfileErrors, AnotherModel) {
  ExpectRefused(EditedDocument([](cJSON* root) { SetNumber(root, {"model"}, 77); }),
                ProfileLoadStatus::ModelMismatch, "77");
  ExpectRefused(EditedDocument([](cJSON* root) { SetNumber(root, {"model"}, 78.5); }),
                ProfileLoadStatus::ModelMismatch);
  // The model is checked before anything else.
  ExpectRefused(EditedDocument([](cJSON* root) {
                  SetNumber(root, {"model"}, 79);
                  cJSON_DeleteItemFromObject(root, "channels");
                }),
                ProfileLoadStatus::ModelMismatch);
}

TEST(ProfileErrors, WrongArraySizesAtEveryLevel) {
  auto drop = [](std::initializer_list<const char*> path) {
    return [path](cJSON* root) { cJSON_DeleteItemFromArray(Path(root, path), 0); };
  };
  auto add = [](std::initializer_list<const char*> path) {
    return [path](cJSON* root) { cJSON_AddItemToArray(Path(root, path), cJSON_CreateNumber(1)); };
  };
  ExpectBad(drop({"inputs"}), "inputs: expected an array of 7 arrays (found 6)");
  ExpectBad(add({"inputs"}), "inputs");
  ExpectBad(drop({"inputs", "3"}), "inputs[3]");
  ExpectBad(add({"inputs", "6"}), "inputs[6]");
  for (const char* key : {"outputs", "linkOutputs", "showChEqualizer"}) {
    ExpectBad(drop({key}), key);
    ExpectBad(add({key}), key);
  }
  ExpectBad(drop({"inputMixVolume"}), "inputMixVolume");
  ExpectBad(drop({"inputMixVolume", "2"}), "inputMixVolume[2]");
  ExpectBad(add({"inputMixVolume", "6", "9"}), "inputMixVolume[6][9]");
  ExpectBad(drop({"inMixPhase"}), "inMixPhase");
  ExpectBad(drop({"inMixPhase", "5"}), "inMixPhase[5]");
  ExpectBad(drop({"channels"}), "channels");
  ExpectBad(add({"channels"}), "channels");
  ExpectBad(drop({"channels", "11", "eqArray"}), "channels[11].eqArray");
  ExpectBad(add({"channels", "0", "eqArray"}), "channels[0].eqArray");
}

TEST(ProfileErrors, ChannelCrossoverAndBandKeys) {
  const char* const channelKeys[] = {"eqSize", "gain",      "mute",   "delay",
                                     "phase",  "bypass",    "crossover", "eqArray"};
  for (const char* key : channelKeys) {
    SCOPED_TRACE(key);
    ExpectBad([&](cJSON* root) { cJSON_DeleteItemFromObject(Path(root, {"channels", "7"}), key); },
              std::string("channels[7].") + key);
    ExpectBad([&](cJSON* root) {
      cJSON_ReplaceItemInObject(Path(root, {"channels", "7"}), key, cJSON_CreateTrue());
    }, key);
  }
  for (const char* key : {"bpType", "hp", "lp"}) {
    ExpectBad([&](cJSON* root) {
      cJSON_DeleteItemFromObject(Path(root, {"channels", "3", "crossover"}), key);
    }, std::string("channels[3].crossover.") + key);
  }
  for (const char* key : {"fs", "type", "slope", "bypass"}) {
    ExpectBad([&](cJSON* root) {
      cJSON_DeleteItemFromObject(Path(root, {"channels", "3", "crossover", "lp"}), key);
    }, std::string("channels[3].crossover.lp.") + key);
  }
  for (const char* key : {"freq", "eqFactor", "eqGain", "enable"}) {
    ExpectBad([&](cJSON* root) {
      cJSON_DeleteItemFromObject(Path(root, {"channels", "2", "eqArray", "30"}), key);
    }, std::string("channels[2].eqArray[30].") + key);
  }
  ExpectBad([](cJSON* root) {
    cJSON_ReplaceItemInArray(Path(root, {"channels"}), 4, cJSON_CreateNumber(1));
  }, "channels[4]: expected an object");
  ExpectBad([](cJSON* root) {
    cJSON_ReplaceItemInArray(Path(root, {"channels", "4", "eqArray"}), 0, cJSON_CreateArray());
  }, "channels[4].eqArray[0]: expected an object");
  ExpectBad([](cJSON* root) {
    cJSON_ReplaceItemInArray(Path(root, {"outputs"}), 3, cJSON_CreateString("1"));
  }, "outputs[3]: expected a number");
  ExpectBad([](cJSON* root) { SetNumber(root, {"channels", "0", "eqSize"}, 30); },
            "channels[0].eqArray");
}

TEST(ProfileErrors, MoreBandsThanTheStorageHolds) {
  // 32 bands, consistently declared: still no profile of this amplifier.
  ExpectBad([](cJSON* root) {
    cJSON* ch = Path(root, {"channels", "11"});
    SetNumber(root, {"channels", "11", "eqSize"}, 32);
    cJSON* bands = cJSON_GetObjectItem(ch, "eqArray");
    cJSON_AddItemToArray(bands, cJSON_Duplicate(cJSON_GetArrayItem(bands, 0), true));
  }, "channels[11].eqSize");
  ExpectBad([](cJSON* root) { SetNumber(root, {"channels", "0", "eqSize"}, -1); }, "eqSize");
}

TEST(ProfileErrors, NotJson) {
  ExpectRefused("", ProfileLoadStatus::NotJson);
  ExpectRefused("{", ProfileLoadStatus::NotJson);
  ExpectRefused("model=78", ProfileLoadStatus::NotJson);
  const std::string good = EditedDocument([](cJSON*) {});
  ExpectRefused(good.substr(0, good.size() / 2), ProfileLoadStatus::NotJson);
  ExpectRefused("[1,2,3]", ProfileLoadStatus::BadStructure, "document");
  ExpectRefused("78", ProfileLoadStatus::BadStructure);
}

TEST(ProfileErrors, MessagesForTheUser) {
  EXPECT_STREQ(ProfileLoadMessageKey(ProfileLoadStatus::CannotRead), "${profile_open_error}");
  EXPECT_STREQ(ProfileLoadMessageKey(ProfileLoadStatus::NotJson), "${profile_open_error}");
  EXPECT_STREQ(ProfileLoadMessageKey(ProfileLoadStatus::ModelMismatch), "${software_not_match}");
  EXPECT_STREQ(ProfileLoadMessageKey(ProfileLoadStatus::BadStructure), "${profile_load_error}");
  EXPECT_STREQ(ProfileSaveMessageKey(true), "${profile_save_ok}");
  EXPECT_STREQ(ProfileSaveMessageKey(false), "${profile_create_error}");
}

void ExpectFileRefused(const std::string& path, ProfileLoadStatus status) {
  auto p = MarkedProfile();
  auto before = std::make_unique<SceneProfile>(*p);
  const ProfileLoadResult r = ReadSceneProfile(path, *p);
  EXPECT_EQ(r.status, status) << path << ": " << r.detail;
  EXPECT_TRUE(*p == *before);
}

TEST(ProfileErrors, FilesThatCannotBeRead) {
  ScratchFolder dir;
  ExpectFileRefused(dir / "missing.spf", ProfileLoadStatus::CannotRead);
  ExpectFileRefused(dir.path().string(), ProfileLoadStatus::CannotRead);  // a directory
  Spit(dir / "plain", "x");
  ExpectFileRefused(dir / "plain/under-a-file.spf", ProfileLoadStatus::CannotRead);
  Spit(dir / "empty.spf", "");
  ExpectFileRefused(dir / "empty.spf", ProfileLoadStatus::NotJson);

  // Larger than any profile: refused before it is read (sparse, so cheap).
  const std::string big = dir / "big.spf";
  Spit(big, EditedDocument([](cJSON*) {}));
  ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(kMaxProfileFileBytes) + 1), 0);
  ExpectFileRefused(big, ProfileLoadStatus::CannotRead);
  // Exactly at the bound it is read (and its trailing zeros are not JSON's business).
  ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(kMaxProfileFileBytes)), 0);
  auto p = std::make_unique<SceneProfile>();
  EXPECT_NE(ReadSceneProfile(big, *p).status, ProfileLoadStatus::CannotRead);
}

TEST(ProfileErrors, UnreadableFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads files whatever their mode";
  ScratchFolder dir;
  const std::string path = dir / "locked.spf";
  Spit(path, EditedDocument([](cJSON*) {}));
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  ExpectFileRefused(path, ProfileLoadStatus::CannotRead);
}

TEST(ProfileSave, WritesWholeFileWithNothingLeftBehind) {
  ScratchFolder dir;
  const std::string path = dir / "scene.spf";
  Spit(path, "old");
  auto p = MarkedProfile();
  const ProfileSaveResult r = WriteSceneProfile(*p, path);
  ASSERT_TRUE(r.ok) << r.detail;
  EXPECT_EQ(Slurp(path), BuildSceneProfileDocument(*p));
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
  // An ordinary file for the user: mode 0666 less the umask.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);
}

TEST(ProfileSave, FolderThatCannotBeWritten) {
  ScratchFolder dir;
  Spit(dir / "plain", "x");
  auto p = std::make_unique<SceneProfile>();
  const ProfileSaveResult r = WriteSceneProfile(*p, dir / "plain/scene.spf");
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.detail.empty());
  EXPECT_EQ(Slurp(dir / "plain"), "x");
}

TEST(ProfileSave, ReadOnlyFolderKeepsTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  ScratchFolder dir;
  const std::string path = dir / "scene.spf";
  Spit(path, "old profile");
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  auto p = std::make_unique<SceneProfile>();
  EXPECT_FALSE(WriteSceneProfile(*p, path).ok);
  ::chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(Slurp(path), "old profile");
}

// A disk that fills up mid-save: the file-size limit makes the write fail
// after a few bytes, for root as for anyone.
TEST(ProfileSave, FailedWriteKeepsTheOldFile) {
  ScratchFolder dir;
  const std::string path = dir / "scene.spf";
  const std::string old = EditedDocument([](cJSON* root) { SetNumber(root, {"acc"}, 12); });
  Spit(path, old);

  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  auto p = std::make_unique<SceneProfile>();
  const ProfileSaveResult r = WriteSceneProfile(*p, path);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.detail.find("write"), std::string::npos) << r.detail;
  EXPECT_EQ(Slurp(path), old);
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1) << "the temporary file was left behind";
  // And the old file still loads.
  auto loaded = std::make_unique<SceneProfile>();
  ASSERT_TRUE(ReadSceneProfile(path, *loaded).ok());
  EXPECT_EQ(loaded->acc, 12);
}

}  // namespace
}  // namespace vlm
