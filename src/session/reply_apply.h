#pragma once
// What the amplifier's replies do to the settings: plain functions of the
// settings store and one decoded reply (the message's command, its value and
// its record). No widget is touched; the caller refreshes its controls from
// what the outcome says changed.
//
// Records naming scene 0 change the live profile; records naming stored scene
// n (1..10) change stored profile n only; other scene numbers and channels
// outside the model are ignored.
#include <cstdint>

#include "device/event_sink.h"
#include "model/settings_store.h"

namespace vlm {

struct ApplyOutcome {
  int profile = -1;  // the profile changed (0 live, 1..10 stored), -1 none
  int channel = -1;  // the output channel the reply was about, -1 none
  bool speakerMapChanged = false;  // a live channel's position changed
  bool linkStateChanged = false;   // live link or lock changed
  // The amplifier reported the lock released while link mode was on: the link
  // was released in the model and the caller sends CH_Link_Ctrl(0, 0, 0).
  bool releaseLinkOnDevice = false;
  bool modelMismatch = false;  // an accepted handshake from another model
  int handshakeModel = -1;     // the model of a handshake reply
};

// Message 1234 (first parameter the command; `value` the plain value of
// 0x01, 0x02, 0x04, 0x26 and 0x3F; `record` for the others).
ApplyOutcome ReadDspValueCallback(SettingsStore& store, int cmd, intptr_t value, const EventRecord* record);
// Message 1235.
ApplyOutcome ReadMcuValueCallback(SettingsStore& store, int cmd, intptr_t value, const EventRecord* record);
// Message 1237 to the main window: scene names (0x0B), kept as the bytes the
// amplifier holds (the window decodes them in the language's code page).
ApplyOutcome ReadSenceValueCallback(SettingsStore& store, int cmd, const EventRecord* record);
// Message 1246.
ApplyOutcome ReadKtvValueCallback(SettingsStore& store, int cmd, intptr_t value);

// True for the messages above (to the main window), which carry settings.
bool IsSettingsMessage(int message);
// Dispatches one of those messages to its function; nothing for others.
ApplyOutcome ApplySettingsMessage(SettingsStore& store, int message, intptr_t wparam, intptr_t lparam,
                                  const EventRecord* record);

}  // namespace vlm
