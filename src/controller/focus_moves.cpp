#include "controller/focus_moves.h"

namespace vlm::controller {

namespace {

constexpr int kTopPosition = 24;

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::string Band(const char* family, int band) { return family + std::to_string(band); }

std::string Speaker(int position) { return "spk_delay_" + std::to_string(position); }

// "edit_acc" when the layout has it, else "edit_main_volume".
std::string Fallback(const FocusEnvironment& env) {
  return env.has && env.has("edit_acc") ? "edit_acc" : "edit_main_volume";
}

bool Enabled(const FocusEnvironment& env, const std::string& name) { return env.enabled && env.enabled(name); }

bool Visible(const FocusEnvironment& env, int position) { return env.speakerVisible && env.speakerVisible(position); }

// From "edit_acc" leftwards: the last band's Q edit when enabled, else its gain.
std::string LastBandLeft(const FocusEnvironment& env) {
  const int n = env.bandCount;
  if (n <= 0) return {};
  const std::string q = Band("eq_q_", n - 1);
  return Enabled(env, q) ? q : Band("eq_gain_", n - 1);
}

std::string SpeakerAbove(int k, const FocusEnvironment& env, const std::string& none) {
  for (int p = k + 1; p <= kTopPosition; ++p)
    if (Visible(env, p)) return Speaker(p);
  return none;
}

std::string SpeakerBelow(int k, const FocusEnvironment& env, const std::string& none) {
  for (int p = k - 1; p >= 1; --p)
    if (Visible(env, p)) return Speaker(p);
  return none;
}

}  // namespace

std::string ArrowFocusTarget(const std::string& sender, int k, bool right, const FocusEnvironment& env) {
  const int n = env.bandCount;
  if (sender == "hp_freq") return right ? "lp_freq" : SpeakerBelow(kTopPosition + 1, env, "edit_ch_volume");
  if (sender == "lp_freq") return right ? (n > 0 ? Band("eq_gain_", 0) : std::string()) : "hp_freq";
  if (sender == "edit_acc") return right ? "edit_main_volume" : LastBandLeft(env);
  if (sender == "edit_main_volume") {
    if (right) return "edit_ch_volume";
    return env.has && env.has("edit_acc") ? "edit_acc" : LastBandLeft(env);
  }
  if (sender == "edit_ch_volume") {
    if (right) return "edit_ch_volume";
    return k == 0 ? Fallback(env) : std::string();
  }
  if (StartsWith(sender, "spk_delay_")) {
    return right ? SpeakerAbove(k, env, "hp_freq") : SpeakerBelow(k, env, "edit_ch_volume");
  }
  if (n <= 0 || k < 0 || k >= n) return {};
  if (StartsWith(sender, "eq_gain_")) {
    if (right) {
      if (k + 1 < n) return Band("eq_gain_", k + 1);
      const std::string first = Band("eq_freq_", 0);
      return Enabled(env, first) ? first : Fallback(env);
    }
    return k > 0 ? Band("eq_gain_", k - 1) : "lp_freq";
  }
  if (StartsWith(sender, "eq_freq_")) {
    if (right) return k + 1 < n ? Band("eq_freq_", k + 1) : Band("eq_q_", 0);
    return k > 0 ? Band("eq_freq_", k - 1) : Band("eq_gain_", n - 1);
  }
  if (StartsWith(sender, "eq_q_")) {
    if (right) return k + 1 < n ? Band("eq_q_", k + 1) : Fallback(env);
    return k > 0 ? Band("eq_q_", k - 1) : Band("eq_freq_", n - 1);
  }
  return {};
}

std::string ReturnFocusTarget(const std::string& sender, int k, const FocusEnvironment& env) {
  const int n = env.bandCount;
  if (n <= 0 || k < 0 || k >= n) return {};
  if (StartsWith(sender, "eq_freq_")) return Band("eq_q_", k);
  if (StartsWith(sender, "eq_q_")) return Band("eq_gain_", k);
  if (StartsWith(sender, "eq_gain_")) {
    // Graphic mode disables the frequency edits: Enter walks the gains.
    const int next = k + 1 < n ? k + 1 : 0;
    const std::string freq = Band("eq_freq_", next);
    return !env.enabled || Enabled(env, freq) ? freq : Band("eq_gain_", next);
  }
  return {};
}

}  // namespace vlm::controller
