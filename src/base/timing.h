#pragma once
// Every wait of the program comes from this one table. The defaults are the
// program's real values; tests shrink them so that they stay fast.
namespace vlm {

struct Timing {
  int readTimeoutMs = 10000;         // default reply wait of a command
  int sceneReadTimeoutMs = 20000;    // scene read/save/delete, scene profile set/get
  int shortReadTimeoutMs = 1000;     // factory preset, setup mode
  int quickReadTimeoutMs = 500;      // source config, flash/bootloader version, power-off delay
  int upgradeReadTimeoutMs = 30000;  // the upgrade's long MCU step
  int readBackSettleMs = 1000;       // pause after the read-back before the link counts as connected
  int queueIdleSleepMs = 5;          // command thread sleep when its queue is empty
  int readErrorPauseMs = 10;         // pause between read retries after a transport error
  int readPollSliceMs = 5;           // a long read waits in slices of this, so a close or another
                                     // thread wanting the line can cut it short within a frame
  int queuePaceMs = 16;              // at most one write of one queued target per this
  int queuedReplyPatienceMs = 40;    // a queued command's reply wait ends after this once the next waits
  int queueDrainWaitMs = 250;        // an exchange waits at most this for the edits queued before it
  // Firmware upgrade
  int upgradeAckTimeoutMs = 10000;       // mode request, start, each block's acknowledgement, reboot
  int upgradeReconnectWaitMs = 8000;     // the amplifier restarts into its loader after the mode switch
  int upgradeReconnectRetryMs = 500;     // pause between the attempts to open it again
  int upgradeReconnectTries = 10;        // attempts to open it again (a count, not a wait)
  // Start-up
  int restartLockWaitMs = 8000;          // a restarted program waits this long for the old one's lock
  int factoryResetDelayMs = 1000;        // the forced update's pause before the factory reset

  bool operator==(const Timing&) const = default;
};

// The process-wide table. Set it before threads that read it start.
Timing& timing();

}  // namespace vlm
