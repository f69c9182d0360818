#pragma once
// One running copy per user session: a lock file named from
// "TONWERK4TO8_%s" with the model string, in the runtime folder. A lock left
// by a copy that died is taken over.
#include <QLockFile>
#include <QString>
#include <memory>

namespace vlm {

// "TONWERK4TO8_VLM24.60DSP"
QString InstanceName();
// The lock file in `folder` (default: the runtime folder, else the temp folder).
QString InstanceLockPath(const QString& folder = QString());

class InstanceLock {
 public:
  explicit InstanceLock(const QString& path = InstanceLockPath());
  // True when this process now holds the lock; false when another live copy does.
  bool TryAcquire();
  // The same, waiting up to `waitMs` for the other copy to end (a restart).
  bool TryAcquireWithin(int waitMs);
  bool Held() const { return held_; }
  void Release();
  QString Path() const { return path_; }

 private:
  QString path_;
  std::unique_ptr<QLockFile> lock_;
  bool held_ = false;
};

}  // namespace vlm
