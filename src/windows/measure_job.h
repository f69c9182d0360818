#pragma once
// One channel measured from the GUI: the core's MeasureChannel (the override,
// the take, the restore) runs as a worker of the device session, so that no
// other conversation with the amplifier (a read-back after a plug-in, a
// scene load) runs between its mutes and their restore, and the GUI thread
// never waits for the sound card or the amplifier.
//
// Threading: every member is called on the GUI thread and the signals are
// emitted there. The worker shares only the heap-held State with it: the
// cancel flag and the progress are atomics, the result is written before
// `done` is set and read after. The GUI learns of both by polling (a timer),
// so nothing is ever posted to an object that may be gone: when the job is
// destroyed mid-take, the worker is cancelled, still ends the override and
// drops the result with the State.
#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>
#include <string>

#include "audio/audio_io.h"
#include "measure/channel_measurement.h"

namespace vlm {

class DeviceSession;

class MeasureJob : public QObject {
  Q_OBJECT
 public:
  explicit MeasureJob(QObject* parent = nullptr);
  ~MeasureJob() override;

  // Starts measuring `request.channel` with `live` as the amplifier's
  // settings now, on `card`. Empty when started, else why not (the session
  // runs another worker, no amplifier is connected).
  std::string Start(DeviceSession& session, const SceneProfile& live, std::unique_ptr<audio::AudioBackend> card,
                    const measure::MeasureRequest& request, int source);
  // Asks the take to stop; the amplifier is restored before `finished`.
  void Cancel();
  bool Running() const { return state_ != nullptr; }
  // 0..1 while running.
  double Progress() const;
  // The last finished take (null before the first).
  const measure::ChannelTake* Result() const { return result_.get(); }

 signals:
  void progressed(double fraction);
  void finished();

 private:
  struct State;
  void Poll();

  std::shared_ptr<State> state_;
  std::shared_ptr<measure::ChannelTake> result_;
  DeviceSession* session_ = nullptr;  // outlives the job (the main window's)
  QTimer poll_;
  double shown_ = -1.0;
};

}  // namespace vlm
