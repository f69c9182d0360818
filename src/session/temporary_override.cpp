#include "session/temporary_override.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "base/log.h"
#include "model/model_constants.h"
#include "session/full_state.h"

namespace vlm {
namespace {

std::vector<OverrideSetting> Originals(const OverrideRecord& record) {
  std::vector<OverrideSetting> originals;
  for (const OverrideEntry& e : record.entries) originals.push_back({e.setting.target, e.original});
  return originals;
}

std::vector<OverrideSetting> Given(const OverrideRecord& record) {
  std::vector<OverrideSetting> given;
  for (const OverrideEntry& e : record.entries) given.push_back(e.setting);
  return given;
}

SessionResult NotConfirmed(std::vector<std::string> names, const char* what) {
  SessionResult r = SessionResult::Failure(SessionStatus::NoReply, names.front(), what);
  r.unconfirmed = std::move(names);
  return r;
}

// The file goes, and its folder with it once empty (another amplifier's file keeps it).
void RemoveProvisionalFile(const std::string& path, std::error_code& ec) {
  std::filesystem::remove(path, ec);
  std::error_code ignored;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (std::filesystem::is_empty(folder, ignored)) std::filesystem::remove(folder, ignored);
}

}  // namespace

TemporaryOverride::TemporaryOverride(DeviceLink& link, std::string folder) : link_(link), folder_(std::move(folder)) {}

void TemporaryOverride::SetFolder(std::string folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  folder_ = std::move(folder);
}

std::string TemporaryOverride::folder() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return folder_;
}

bool TemporaryOverride::Active() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return active_.has_value();
}

std::vector<OverrideSetting> TemporaryOverride::Settings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return active_ ? Given(*active_) : std::vector<OverrideSetting>{};
}

int TemporaryOverride::SoloedChannel() const { return vlm::SoloedChannel(Settings()); }

void TemporaryOverride::KeepOriginals(SceneProfile& profile) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!active_) return;
  for (const OverrideEntry& e : active_->entries) WriteOverrideSetting(profile, e.setting.target, e.original);
}

std::vector<std::string> TemporaryOverride::Send(const std::vector<OverrideSetting>& settings) {
  std::vector<std::string> unconfirmed;
  for (const OverrideSetting& s : settings) {
    const SessionStep step = OverrideStep(s);
    SessionStatus status = RunStep(link_, step);
    if (status == SessionStatus::NoReply) status = RunStep(link_, step);
    if (status != SessionStatus::Ok) unconfirmed.push_back(step.name);
  }
  return unconfirmed;
}

SessionResult TemporaryOverride::Begin(const std::vector<OverrideSetting>& settings, const SceneProfile& live) {
  std::lock_guard<std::mutex> work(workMutex_);
  if (Active()) return SessionResult::Failure(SessionStatus::InvalidArgument, "override", "another override is active");
  if (settings.empty()) return SessionResult::Failure(SessionStatus::InvalidArgument, "override", "no settings");
  OverrideRecord record;
  for (const OverrideSetting& s : settings) {
    if (std::string why = CheckOverrideSetting(s); !why.empty()) {
      return SessionResult::Failure(SessionStatus::InvalidArgument, "override", why);
    }
    for (const OverrideEntry& e : record.entries) {
      if (e.setting.target == s.target) {
        return SessionResult::Failure(SessionStatus::InvalidArgument, "override", "a setting listed twice");
      }
    }
    record.entries.push_back({s, ReadOverrideSetting(live, s.target)});
  }
  const std::string dir = folder();
  if (dir.empty()) return SessionResult::Failure(SessionStatus::FileFailed, "override file", "no folder for it");
  if (!link_.IsConnected()) return SessionResult::Failure(SessionStatus::NotConnected, "override");
  record.serial = link_.SerialNumber();
  const std::string path = OverrideFilePath(dir, record.serial);
  // The originals reach the disk before the amplifier hears anything.
  if (std::string error = WriteOverrideFile(path, record); !error.empty()) {
    return SessionResult::Failure(SessionStatus::FileFailed, "override file", error);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = record;
    activePath_ = path;
    activeConnection_ = link_.Frames().Connection();
  }
  LogMessage("TemporaryOverride::Begin %d settings\n", static_cast<int>(record.entries.size()));
  std::vector<std::string> unconfirmed = Send(settings);
  if (unconfirmed.empty()) return SessionResult::Success();
  // Half an override is worth nothing: put back what it changed.
  SessionResult failed = NotConfirmed(std::move(unconfirmed), "the override was not taken");
  Restore(record, path);
  return failed;
}

SessionResult TemporaryOverride::Restore(const OverrideRecord& record, const std::string& path) {
  std::vector<std::string> unconfirmed = Send(Originals(record));
  if (!unconfirmed.empty()) return NotConfirmed(std::move(unconfirmed), "the originals were not all restored");
  std::error_code ec;
  std::filesystem::remove(path, ec);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    active_.reset();
    activePath_.clear();
  }
  if (ec) return SessionResult::Failure(SessionStatus::FileFailed, "override file", ec.message());
  LogMessage("TemporaryOverride: %d originals restored\n", static_cast<int>(record.entries.size()));
  return SessionResult::Success();
}

SessionResult TemporaryOverride::End() {
  std::lock_guard<std::mutex> work(workMutex_);
  OverrideRecord record;
  std::string path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_) return SessionResult::Success();
    record = *active_;
    path = activePath_;
  }
  if (!link_.IsConnected()) return SessionResult::Failure(SessionStatus::NotConnected, "override end");
  return Restore(record, path);
}

OverrideRecovery TemporaryOverride::Recover(SceneProfile* live) {
  std::lock_guard<std::mutex> work(workMutex_);
  OverrideRecovery outcome;
  RecoverOverride(outcome, live);
  // The mutes of a take first, then the run's settings around it.
  RecoverProvisional(outcome);
  return outcome;
}

void TemporaryOverride::RecoverOverride(OverrideRecovery& outcome, SceneProfile* live) {
  OverrideRecord record;
  std::string path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (active_) {
      // Begun on this connection: it stays until its owner ends it.
      if (activeConnection_ == link_.Frames().Connection()) return;
      record = *active_;
      path = activePath_;
    }
  }
  const std::string serial = link_.SerialNumber();
  if (path.empty() || record.serial != serial) {
    const std::string dir = folder();
    if (dir.empty()) return;
    path = OverrideFilePath(dir, serial);
    std::string problem;
    switch (ReadOverrideFile(path, record, problem)) {
      case OverrideFileRead::Missing:
        return;
      case OverrideFileRead::Damaged:
        outcome.found = true;
        outcome.problem = path + ": " + problem;
        LogMessage("TemporaryOverride: %s\n", outcome.problem.c_str());
        return;
      case OverrideFileRead::Read:
        break;
    }
  }
  outcome.found = true;
  outcome.settings = static_cast<int>(record.entries.size());
  outcome.soloedChannel = vlm::SoloedChannel(Given(record));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = record;
    activePath_ = path;
    activeConnection_ = link_.Frames().Connection();
  }
  const SessionResult result = Restore(record, path);
  outcome.restored = result.ok();
  if (!result.ok()) outcome.problem = result.Describe();
  if (live) {
    for (const OverrideEntry& e : record.entries) WriteOverrideSetting(*live, e.setting.target, e.original);
  }
  return;
}

SessionResult TemporaryOverride::HoldProvisional(const SceneProfile& before, const SceneProfile& sent) {
  std::lock_guard<std::mutex> work(workMutex_);
  const std::string dir = folder();
  if (dir.empty()) return SessionResult::Failure(SessionStatus::FileFailed, "provisional file", "no folder for it");
  if (!link_.IsConnected()) return SessionResult::Failure(SessionStatus::NotConnected, "provisional file");
  ProvisionalRecord record{link_.SerialNumber(), std::make_shared<SceneProfile>(before),
                           std::make_shared<SceneProfile>(sent)};
  const std::string path = ProvisionalFilePath(dir, record.serial);
  if (std::string error = WriteProvisionalFile(path, record); !error.empty()) {
    return SessionResult::Failure(SessionStatus::FileFailed, "provisional file", error);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  provisionalPath_ = path;
  provisionalConnection_ = link_.Frames().Connection();
  return SessionResult::Success();
}

SessionResult TemporaryOverride::ReleaseProvisional() {
  std::lock_guard<std::mutex> work(workMutex_);
  std::string path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    path = std::exchange(provisionalPath_, {});
  }
  if (path.empty()) return SessionResult::Success();
  std::error_code ec;
  RemoveProvisionalFile(path, ec);
  if (ec) return SessionResult::Failure(SessionStatus::FileFailed, "provisional file", ec.message());
  return SessionResult::Success();
}

bool TemporaryOverride::HoldsProvisional() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return !provisionalPath_.empty();
}

void TemporaryOverride::RecoverProvisional(OverrideRecovery& outcome) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Held on this connection: its run takes it back or keeps it.
    if (!provisionalPath_.empty() && provisionalConnection_ == link_.Frames().Connection()) return;
  }
  const std::string dir = folder();
  if (dir.empty()) return;
  const std::string path = ProvisionalFilePath(dir, link_.SerialNumber());
  ProvisionalRecord record;
  std::string problem;
  const ProvisionalFileRead read = ReadProvisionalFile(path, record, problem);
  if (read == ProvisionalFileRead::Missing) return;
  auto failed = [&](std::string why) {
    outcome.found = true;
    outcome.provisionalRun = true;
    outcome.restored = false;
    outcome.problem += (outcome.problem.empty() ? "" : "; ") + why;
    LogMessage("TemporaryOverride: %s\n", why.c_str());
  };
  if (read == ProvisionalFileRead::Damaged) return failed(path + ": " + problem);
  const bool overrideRestored = !outcome.found || outcome.restored;
  for (const StateCommand& c : FullStateCommands(*record.before, record.sent.get())) {
    SessionStatus status = RunStep(link_, c.step);
    if (status == SessionStatus::NoReply) status = RunStep(link_, c.step);
    if (status != SessionStatus::Ok) {
      return failed("the settings before an unfinished run were not all restored: " + c.step.name + ": " +
                    SessionStatusName(status));
    }
  }
  std::error_code ec;
  RemoveProvisionalFile(path, ec);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (provisionalPath_ == path) provisionalPath_.clear();
  }
  outcome.found = true;
  outcome.provisionalRun = true;
  outcome.restored = overrideRestored;
  if (ec) failed(path + ": " + ec.message());
  LogMessage("TemporaryOverride: the settings before an unfinished run restored\n");
}

}  // namespace vlm
