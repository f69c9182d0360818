#pragma once
// Fixed counts and value ranges of the amplifier's settings.
#include <array>

namespace vlm {

inline constexpr int kModelNumber = 78;
inline constexpr const char* kModelName = "VLM24.60DSP";

inline constexpr int kOutputChannels = 12;
inline constexpr int kInputChannels = 10;   // most inputs any source mixes
inline constexpr int kStoredScenes = 10;    // scene slots 1..10 in the amplifier
inline constexpr int kInputSources = 7;
inline constexpr int kEqBands = 31;
inline constexpr int kSpeakerPositions = 24;  // codes 1..24, 0 = none
inline constexpr int kCurvePoints = 512;

// A scene name is 16 bytes on the wire: 8 UTF-16 units, at most 7 characters + zero.
inline constexpr int kSceneNameBytes = 16;
inline constexpr int kSceneNameUnits = kSceneNameBytes / 2;

inline constexpr int kEqFreqMin = 20;
inline constexpr int kEqFreqMax = 20000;
inline constexpr float kEqQMin = 0.5f;
inline constexpr float kEqQMax = 24.0f;
inline constexpr float kEqDefaultQ = 5.8f;

// The curve control draws -18..+12 dB and the band gain travels as (gain + 18),
// so the band slider spans the same range.
inline constexpr float kEqGainMinDb = -18.0f;
inline constexpr float kEqGainMaxDb = 12.0f;

// Channel gain (trim) slider, in dB: its minimum shows "${off}" and the edit
// reads "${off}" as -60 dB.
inline constexpr float kChannelGainMinDb = -60.0f;
inline constexpr float kChannelGainMaxDb = 12.0f;

inline constexpr float kDelayMaxMs = 15.0f;
inline constexpr int kDelayMaxCm = 519;
inline constexpr int kDelayMaxInch = 204;

// Main-volume slider positions. The factory default sits below the slider's
// minimum; every position at or below 0 means "off" (-60 dB).
inline constexpr int kMainVolumeSliderMin = 0;
inline constexpr int kMainVolumeSliderMax = 40;
inline constexpr int kMainVolumeDefault = -5;
inline constexpr int kMainVolumeOffDb = -60;

// ACC delay and subwoofer volume travel as one byte.
inline constexpr int kAccMin = 0;
inline constexpr int kAccMax = 255;
inline constexpr int kSubVolumeMin = 0;
inline constexpr int kSubVolumeMax = 255;

inline constexpr int kMixVolumeMax = 100;
inline constexpr int kInputMaskAll = (1 << kInputChannels) - 1;

// Crossover codes: type 1..3, slope 0 (off) .. 8 (the highest order the
// response computation designs).
inline constexpr int kFilterTypeMin = 1;
inline constexpr int kFilterTypeMax = 3;
inline constexpr int kFilterSlopeMax = 8;

// The 31 third-octave centres every band starts from.
inline constexpr std::array<int, kEqBands> kDefaultEqFrequencies = {
    20,   25,   31,   40,   50,   63,   80,   100,  125,   160,   200,
    250,  315,  400,  500,  630,  800,  1000, 1250, 1600,  2000,  2500,
    3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

}  // namespace vlm
