#pragma once
// Everything the virtual amplifier remembers, kept as the amplifier keeps it:
// in the units and byte layouts of the wire, so that what the tool sets comes
// back from the matching get byte for byte.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vlm::sim {

inline constexpr int kOutputChannels = 12;
inline constexpr int kInputChannels = 10;
// The DSP keeps sixteen slots per channel family; the tool only uses the first
// twelve outputs and ten inputs, but asks for input ranges up to channel 11.
inline constexpr int kChannelSlots = 16;
inline constexpr int kSources = 7;
inline constexpr int kBands = 31;
inline constexpr int kStoredScenes = 10;
inline constexpr int kSceneNameBytes = 16;
inline constexpr int kPairBytes = kOutputChannels / 2;
inline constexpr uint8_t kModelNumber = 78;

// One equaliser band. Q is held in hundredths: the tool sets it as integer and
// tenths, the amplifier answers integer and hundredths.
struct WireEqBand {
  uint16_t freq = 1000;
  uint16_t qHundredths = 580;
  uint8_t gainInt = 18;  // gain + 18 dB, integer part
  uint8_t gainTenths = 0;
  bool operator==(const WireEqBand&) const = default;
};

struct WireFilter {
  uint8_t type = 1;
  uint16_t freq = 20;
  uint8_t slope = 0;  // 0 = filter off
  bool operator==(const WireFilter&) const = default;
};

struct OutputChannel {
  WireFilter hp;
  WireFilter lp;
  std::array<WireEqBand, kBands> eq{};
  uint32_t delayMicros = 0;  // whole milliseconds and thousandths as sent
  uint8_t trim = 0;          // signed dB as sent (the tool sends the negated gain)
  uint8_t trimHundredths = 0;
  uint8_t mute = 0;
  uint8_t phase = 0;
  uint8_t type = 0;          // speaker position code
  uint8_t peqBypass = 0;
  uint8_t solo = 0;
  uint8_t hpQMode = 0;
  uint8_t lpQMode = 0;
  uint8_t allBypass = 0;
  uint16_t remapMask = 0;    // inputs given by Remap_Ch_Ctrl, bit n = input n
  // bypass, threshold (2), ratio (2), soft knee (2), attack (16), release (16)
  std::array<uint8_t, 11> compressor{1, 100, 0, 1, 0, 0, 0, 0, 10, 0, 100};
  bool operator==(const OutputChannel&) const = default;
};

struct InputChannel {
  uint8_t trim = 0;
  uint8_t mute = 0;
  uint8_t phase = 0;
  std::array<WireEqBand, kBands> eq{};
  bool operator==(const InputChannel&) const = default;
};

struct SourceSettings {
  std::array<uint16_t, kChannelSlots> mix{};  // per output: mask of inputs routed to it
  std::array<InputChannel, kChannelSlots> inputs{};
  std::array<std::array<uint8_t, kChannelSlots>, kChannelSlots> mixTrim{};  // [input][output]
  uint8_t mixType = 0;
  uint8_t mixType2 = 0;
  bool operator==(const SourceSettings&) const = default;
};

// Channel link records (0x0E, 0x30, 0x31): link flag and six pair bytes, high
// nibble the first channel of a pair, low nibble the second.
struct LinkRecord {
  uint8_t link = 0;
  std::array<uint8_t, kPairBytes> pairs{};
  bool operator==(const LinkRecord&) const = default;
};

// What one scene holds: the live settings are scene 0, stored scenes 1..10.
struct SceneSettings {
  uint8_t source = 0x51;
  uint8_t mainVolume = 66;  // the attenuation the tool sends for -60 dB
  uint8_t subVolume = 0;
  uint8_t mute = 0;
  uint8_t ampMute = 0;
  uint8_t dspBypass = 0;
  uint8_t lock = 0;
  uint8_t inputThreshold = static_cast<uint8_t>(-40);
  LinkRecord chLink;
  LinkRecord trimLink;
  LinkRecord delayLink;
  std::array<OutputChannel, kChannelSlots> outputs{};
  std::array<SourceSettings, kSources> sources{};
  bool operator==(const SceneSettings&) const = default;
};

// Upgrade bookkeeping: what the tool has transferred and in which mode.
// The start parameters are read as the body length (32-bit big-endian), as
// the program's carried images hold it; a value of 0 or beyond what the
// amplifier can hold means "length unknown", and then only the order of the
// blocks is checked.
struct UpgradeState {
  enum class Mode { Idle, AppMode, BootloaderMode };
  Mode mode = Mode::Idle;
  bool mcuStarted = false;
  bool bootloaderStarted = false;
  bool flashStarted = false;
  std::vector<uint8_t> startParameters;
  std::vector<uint8_t> mcuImage;      // bytes by offset, as received
  std::vector<uint8_t> bootloaderImage;
  std::vector<uint8_t> flashImage;
  int mcuBlocks = 0;
  int bootloaderBlocks = 0;
  int flashBlocks = 0;
  int finishedTransfers = 0;
  int reboots = 0;

  // The transfer under way: its announced length (0 unknown), where the next
  // block must start (MCU blocks fall from the tail to 0, flash blocks rise
  // from 0) and whether a block has come yet.
  size_t expectedLength = 0;
  size_t nextOffset = 0;
  bool anyBlock = false;
  // Blocks refused for their offset, length or order; finishes refused
  // because the body was incomplete.
  int orderErrors = 0;
  int incompleteFinishes = 0;
  // The body of the last finished transfer, cut to its announced length.
  std::vector<uint8_t> lastReceived;
  // The handshake's master and slave version after a finished MCU transfer
  // and the restart that follows.
  uint8_t versionAfterUpgradeMaster = 16;
  uint8_t versionAfterUpgradeSlave = 20;
};

// The amplifier's whole memory.
struct AmplifierState {
  // Index 0 the live settings, 1..10 the stored scenes (on the heap: a scene
  // is some 28 KB).
  std::vector<SceneSettings> scenes;
  std::array<std::array<uint8_t, kSceneNameBytes>, kStoredScenes> sceneNames{};
  // Raw scene-profile memory reached with SetSceneProfile / GetSceneProfile.
  std::array<std::vector<uint8_t>, kStoredScenes + 1> sceneBlobs{};
  std::array<bool, kStoredScenes> sceneSaved{};
  uint8_t currentScene = 0;  // last scene saved or recalled, 0 = none

  // MCU
  bool pcConnected = false;
  // The last handshake accepted the tool (cleared when the amplifier restarts
  // into its loader).
  bool handshakeAccepted = false;
  uint8_t acc = 0;
  uint16_t powerOffTimeMs = 0;
  std::array<uint8_t, 4> flashVersion{16, 19, 0, 1};
  uint8_t bootloaderVersion = 3;
  std::string password;
  std::string remark;
  std::string deviceInfo = "VLM24.60DSP";

  // Set when the amplifier takes trims as integer and hundredths (two bytes).
  bool trimHundredths = false;

  // DSP-wide values that belong to no scene
  uint8_t speakerConfig = 0;
  uint16_t remoteChannel = 0;
  uint8_t factoryPresetMode = 0;
  uint8_t setupMode = 0;
  std::array<uint8_t, 2> autoOn{};
  std::map<uint32_t, uint32_t> memory;
  std::vector<uint8_t> command33;  // 0x33 and 0x3C: kept, meaning unknown
  std::vector<uint8_t> command3C;
  // Measurements the amplifier reports (set by tests or a demo)
  std::array<int16_t, kChannelSlots> inputNoiseTenths{};  // dB x 10, -90.0 dB at the factory
  std::array<std::array<uint8_t, kChannelSlots>, kSources> inputDistort{};
  std::array<std::array<uint8_t, kChannelSlots>, kSources> outputDistort{};
  // Room calibration controls (no microphone here: nothing is measured)
  uint8_t ircStep = 0;
  uint16_t ircChannels = 0;
  uint8_t ircEqMode = 0;
  uint8_t ircTestMic = 0;
  uint8_t ircTestModule = 0;

  // KTV microphone effects, commands 0x01..0x0A
  std::array<uint16_t, 11> ktv{};

  UpgradeState upgrade;
};

// The factory state: per-position crossovers, third-octave bands, the default
// routing of every source, mix levels 100, KTV volumes 60, erased scene names.
AmplifierState FactoryState();
SceneSettings FactoryScene();
// Third-octave centre of band `band` (0..30).
uint16_t DefaultBandFrequency(int band);
// The crossover a speaker position starts with.
void DefaultCrossover(uint8_t position, WireFilter& hp, WireFilter& lp);

}  // namespace vlm::sim
