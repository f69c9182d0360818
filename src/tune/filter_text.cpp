#include "tune/filter_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <complex>
#include <numbers>

#include "model/file_io.h"
#include "tune/curve_math.h"

namespace vlm::tune {
namespace {

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> out;
  std::string w;
  for (const char c : line) {
    if (std::isspace(static_cast<unsigned char>(c)) || c == ':') {
      if (!w.empty()) out.push_back(std::move(w));
      w.clear();
      if (c == ':') out.emplace_back(":");
    } else {
      w.push_back(c);
    }
  }
  if (!w.empty()) out.push_back(std::move(w));
  return out;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A finite number, with '.' or ',' as the decimal mark.
bool Number(std::string text, double* out) {
  std::replace(text.begin(), text.end(), ',', '.');
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  const auto [ptr, ec] = std::from_chars(first, last, *out);
  return ec == std::errc() && ptr == last && std::isfinite(*out);
}

const char* SkippedKind(const std::string& type) {
  static const struct {
    const char* code;
    const char* name;
  } kKinds[] = {
      {"ls", "low shelf"},     {"lsc", "low shelf"},    {"hs", "high shelf"},  {"hsc", "high shelf"},
      {"lp", "low-pass"},      {"lpq", "low-pass"},     {"hp", "high-pass"},   {"hpq", "high-pass"},
      {"lp1", "low-pass"},     {"hp1", "high-pass"},    {"no", "notch"},       {"ap", "all-pass"},
      {"bp", "band-pass"},     {"ls 6db", "low shelf"}, {"hs 6db", "high shelf"}, {"ls 12db", "low shelf"},
      {"hs 12db", "high shelf"},
  };
  for (const auto& k : kKinds) {
    if (type == k.code) return k.name;
  }
  return "unknown filter";
}

FilterTextResult Fail(std::size_t lineNo, const std::string& what) {
  FilterTextResult r;
  r.error = lineNo > 0 ? "line " + std::to_string(lineNo) + ": " + what : what;
  return r;
}

}  // namespace

FilterTextResult ParseFilterText(std::string_view text) {
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return Fail(0, "the file is empty");
  if (text.find('\0') != std::string_view::npos) return Fail(0, "not a text file");
  FilterTextResult r;
  int recognised = 0;
  std::size_t lineNo = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    const std::vector<std::string> w = Words(text.substr(pos, end - pos));
    pos = end + 1;
    ++lineNo;
    if (w.empty()) continue;
    const std::string head = Lower(w[0]);
    if (head == "preamp" && w.size() >= 3 && w[1] == ":") {
      if (!Number(w[2], &r.preampDb)) return Fail(lineNo, "the preamp is not a number");
      r.hasPreamp = true;
      ++recognised;
      continue;
    }
    if (head != "filter" || w.size() < 4) continue;
    // "Filter 1 : ON PK ..." (the number may also be glued as "Filter1")
    double number = 0.0;
    if (!Number(w[1], &number) || w[2] != ":" || !(number >= 0.0 && number <= 1e6)) continue;
    ++recognised;
    const int id = static_cast<int>(number);
    const std::string state = Lower(w[3]);
    if (state == "off") continue;
    if (state != "on") return Fail(lineNo, "filter " + std::to_string(id) + " is neither ON nor OFF");
    if (w.size() < 5 || Lower(w[4]) == "none") continue;
    const std::string type = Lower(w[4]);
    if (type != "pk" && type != "peq" && type != "modal") {
      r.skipped.push_back("filter " + std::to_string(id) + ": " + SkippedKind(type) + " (" + w[4] + ") skipped");
      continue;
    }
    TextFilter f;
    f.number = id;
    bool haveFc = false, haveGain = false, haveQ = false;
    for (std::size_t i = 5; i + 1 < w.size(); ++i) {
      const std::string key = Lower(w[i]);
      double v = 0.0;
      if (key == "fc" && Number(w[i + 1], &v)) {
        f.fcHz = v;
        haveFc = true;
      } else if (key == "gain" && Number(w[i + 1], &v)) {
        f.gainDb = v;
        haveGain = true;
      } else if (key == "q" && Number(w[i + 1], &v)) {
        f.q = v;
        haveQ = true;
      } else if (key == "bw" && i + 2 < w.size() && Lower(w[i + 1]) == "oct" && Number(w[i + 2], &v) && v > 0.0) {
        const double r2 = std::exp2(v);
        f.q = std::sqrt(r2) / (r2 - 1.0);
        haveQ = true;
      }
    }
    const std::string name = "filter " + std::to_string(id);
    if (!haveFc || !haveGain || !haveQ) return Fail(lineNo, name + " needs Fc, Gain and Q");
    if (!(f.fcHz >= 10.0 && f.fcHz <= 22000.0)) return Fail(lineNo, name + ": Fc must be within 10..22000 Hz");
    if (!(f.q > 0.0 && f.q <= 100.0)) return Fail(lineNo, name + ": Q must be above 0 and at most 100");
    if (!(std::fabs(f.gainDb) <= 40.0)) return Fail(lineNo, name + ": gain must be within -40..+40 dB");
    r.peaks.push_back(f);
  }
  if (recognised == 0) return Fail(0, "no filter lines found");
  r.ok = true;
  return r;
}

FilterTextResult ReadFilterTextFile(const std::string& path) {
  std::string text;
  std::string error;
  if (!ReadWholeFile(path, kMaxCurveFileBytes, text, error)) {
    FilterTextResult r;
    r.error = path + ": " + error;
    return r;
  }
  FilterTextResult r = ParseFilterText(text);
  if (!r.ok) r.error = path + ": " + r.error;
  return r;
}

std::vector<double> TextFiltersResponse(const std::vector<TextFilter>& peaks, const std::vector<double>& hz) {
  std::vector<double> out(hz.size(), 0.0);
  constexpr double fs = 48000.0;
  for (const TextFilter& f : peaks) {
    const double a = std::pow(10.0, f.gainDb / 40.0);
    const double w0 = 2.0 * std::numbers::pi * f.fcHz / fs;
    const double alpha = std::sin(w0) / (2.0 * f.q);
    const double b0 = 1.0 + alpha * a, b1 = -2.0 * std::cos(w0), b2 = 1.0 - alpha * a;
    const double a0 = 1.0 + alpha / a, a1 = b1, a2 = 1.0 - alpha / a;
    for (std::size_t i = 0; i < hz.size(); ++i) {
      const std::complex<double> z = std::polar(1.0, -2.0 * std::numbers::pi * hz[i] / fs);
      const std::complex<double> h = (b0 + b1 * z + b2 * z * z) / (a0 + a1 * z + a2 * z * z);
      out[i] += 20.0 * std::log10(std::abs(h));
    }
  }
  return out;
}

PreparedFit PrepareImportFit(const SceneProfile& profile, int channel, const FilterTextResult& filters,
                             double maxBoostDb) {
  PreparedFit p;
  if (channel < 0 || channel >= kOutputChannels) {
    p.error = "the channel is out of range";
    return p;
  }
  const int bandCount = profile.bandCount(channel);
  if (bandCount <= 0) {
    p.error = "the channel has no equaliser bands";
    return p;
  }
  p.loHz = kEqFreqMin;
  p.hiHz = kEqFreqMax;
  FitInput& in = p.input;
  in.hz = LogGrid(p.loHz, p.hiHz, kFitPointsPerOctave);
  in.target = TextFiltersResponse(filters.peaks, in.hz);
  in.measured.assign(in.hz.size(), 0.0);
  in.measured6 = in.measured;
  in.measured12 = in.measured;
  in.presentEq = in.measured;
  const auto bands = profile.eqArray(channel).first(static_cast<std::size_t>(bandCount));
  in.bands.assign(bands.begin(), bands.end());
  in.maxBoostDb = maxBoostDb;
  in.leaveCancellations = false;
  in.smoothing = 0;  // the filters' own curve, exact: no smoothing to see through
  p.ok = true;
  return p;
}

}  // namespace vlm::tune
