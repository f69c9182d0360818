#include "app/single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace vlm {

QString InstanceName() { return QStringLiteral("TONWERK4TO8_%1").arg(QStringLiteral("VLM24.60DSP")); }

QString InstanceLockPath(const QString& folder) {
  QString dir = folder;
  if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  return QDir(dir).filePath(InstanceName() + QStringLiteral(".lock"));
}

InstanceLock::InstanceLock(const QString& path) : path_(path), lock_(std::make_unique<QLockFile>(path)) {
  // Never treat a lock as stale by age: only a lock whose owner process is
  // gone may be taken over (QLockFile checks the process).
  lock_->setStaleLockTime(0);
}

bool InstanceLock::TryAcquire() {
  if (held_) return true;
  held_ = lock_->tryLock(0);
  return held_;
}

bool InstanceLock::TryAcquireWithin(int waitMs) {
  if (held_) return true;
  held_ = lock_->tryLock(waitMs > 0 ? waitMs : 0);
  return held_;
}

void InstanceLock::Release() {
  if (held_) lock_->unlock();
  held_ = false;
}

}  // namespace vlm
