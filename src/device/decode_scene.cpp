#include "device/decode_scene.h"

#include <algorithm>

#include "base/log.h"
#include "device/encoding.h"
#include "device/events.h"
#include "device/messages.h"
#include "device/packet.h"
#include "model/model_constants.h"

namespace vlm {
namespace {

bool StoredSceneOk(unsigned scene) {
  if (scene >= 1 && scene <= static_cast<unsigned>(kStoredScenes)) return true;
  LogMessage("scene_ack_process: scene(%u) out of range, reply dropped\n", scene);
  return false;
}

DecodedEvents SceneName(enc::Reader p) {
  if (!p.Has(0, 1) || !StoredSceneOk(p.U8(0))) return {};
  auto record = std::make_unique<SceneNameRecord>();
  record->index = p.U8(0) - 1u;
  // A short reply leaves the missing name bytes zero.
  const size_t present = std::min(record->name.size(), p.size() - 1);
  const auto bytes = p.Bytes(1, present);
  std::copy(bytes.begin(), bytes.end(), record->name.begin());
  LogMessage("scene_name->index(%d), name -->> %s\n m_payload: %s\n", record->index,
             HexBytes(record->name).c_str(), HexBytes(bytes).c_str());
  // Erased memory reads 0xFF: a slot whose bytes all have their lowest bit set
  // holds no name.
  if (std::all_of(record->name.begin(), record->name.end(), [](uint8_t b) { return (b & 1) != 0; })) {
    record->name.fill(0);
  }
  DecodedEvents events;
  events.push_back({Receiver::MainWindow, WM_SCENE_EVENT, 0x0B, 0, std::move(record)});
  return events;
}

}  // namespace

DecodedEvents scene_ack_process(std::span<const uint8_t> body) {
  if (body.size() < 2) return {};
  const uint8_t cmd = body[0], op = body[1];
  const enc::Reader p(body.subspan(2));
  DecodedEvents events;
  if (op == kOpData) {
    switch (cmd) {
      case 0x0B:
        return SceneName(p);
      case 0x0E:
        // The current scene is a plain value that nothing uses as an index.
        if (!p.Has(0, 1)) break;
        LogMessage("current scene id = %d, \n", p.U8(0));
        events.push_back({Receiver::MainWindow, WM_SCENE_EVENT, 0x0E, p.U8(0), nullptr});
        break;
      case 0x0F: {
        if (!p.Has(0, 2)) break;
        auto record = std::make_unique<SceneValueRecord>();
        record->value = p.U16(0);
        LogMessage("current scene id = %d, \n", record->value);
        events.push_back({Receiver::MainWindow, WM_SCENE_EVENT, 0x0F, 0, std::move(record)});
        break;
      }
      default:
        break;
    }
  } else if (op == kOpAck && (cmd == 0x08 || cmd == 0x0A)) {
    if (!p.Has(0, 2) || p.U8(0) != 10 || !StoredSceneOk(p.U8(1))) return {};
    LogMessage("scene_ack_process: %s scene(%d) acknowledged\n", cmd == 0x08 ? "save" : "delete", p.U8(1));
    events.push_back({Receiver::SceneWindow, cmd == 0x08 ? WM_SCENE_EVENT : WM_SCENE_DELETED, p.U8(1), 0, nullptr});
  }
  return events;
}

DecodedEvents ktv_ack_process(std::span<const uint8_t> body) {
  if (body.size() < 2 || body[1] != kOpData) return {};
  const uint8_t cmd = body[0];
  const enc::Reader p(body.subspan(2));
  if (cmd < 0x01 || cmd > 0x0A) return {};
  intptr_t value;
  if (cmd == 0x05) {
    if (!p.Has(0, 2)) return {};
    value = p.U16(0);
  } else {
    if (!p.Has(0, 1)) return {};
    value = (cmd == 0x09 || cmd == 0x0A) ? p.S8(0) : p.U8(0);
  }
  LogMessage("ktv_ack_process: cmd(0x%02x) value = %ld\n", cmd, static_cast<long>(value));
  DecodedEvents events;
  events.push_back({Receiver::MainWindow, WM_KTV_EVENT, cmd, value, nullptr});
  return events;
}

}  // namespace vlm
