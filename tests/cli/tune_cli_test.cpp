// vlmctl tune, eq import and curve --csv, end to end through the command line.
#include <cstdio>
#include <memory>

#include "model/profile_file.h"
#include "tune/synthetic.h"
#include "vlmctl_support.h"

namespace {

using namespace vlm::clitest;

class TuneCli : public VlmctlTest {
 protected:
  // A profile whose channel 3 (index 2) holds the door woofer's crossovers,
  // and a measurement of it as a measurement program exports it.
  void SetUp() override {
    VlmctlTest::SetUp();
    c_ = vlm::tune::SyntheticCases()[2];
    auto profile = std::make_unique<vlm::SceneProfile>();
    vlm::tune::PutCaseIntoProfile(c_, *profile, 2);
    profile_ = File("car.spf");
    ASSERT_TRUE(vlm::WriteSceneProfile(*profile, profile_).ok);
    const vlm::tune::Curve m = vlm::tune::SynthesiseMeasurement(c_.speaker, c_.channel);
    std::string text = "* Measurement data measured by a test\n* Freq(Hz) SPL(dB) Phase(degrees)\n";
    for (std::size_t i = 0; i < m.size(); ++i) {
      char line[96];
      std::snprintf(line, sizeof line, "%.3f %.3f 0.0\n", m.hz[i], m.db[i]);
      text += line;
    }
    measurement_ = File("door.txt");
    std::ofstream(measurement_) << text;
  }

  std::unique_ptr<vlm::SceneProfile> Load(const std::string& path) {
    auto p = std::make_unique<vlm::SceneProfile>();
    EXPECT_TRUE(vlm::ReadSceneProfile(path, *p).ok()) << path;
    return p;
  }

  vlm::tune::SyntheticCase c_;
  std::string profile_;
  std::string measurement_;
};

TEST_F(TuneCli, TuneWritesOnlyTheChannelsBandsAndReports) {
  const std::string out = File("tuned.spf");
  const std::string original = Slurp(profile_);
  Outcome o = Vlmctl({"tune", profile_, "--channel", "3", "--measurement", measurement_, "--measurement", measurement_,
                      "--target", "car", "--out", out});
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_NE(o.out.find("before: residual"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("after:  residual"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("excluded: cancellation at 1"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("time: "), std::string::npos) << o.out;
  EXPECT_EQ(Slurp(profile_), original);

  auto before = Load(profile_);
  auto after = Load(out);
  EXPECT_NE(after->bands[2], before->bands[2]);
  for (const vlm::EqBand& b : after->bands[2]) EXPECT_TRUE(b.enable);
  EXPECT_FALSE(after->channels[2].bypass);
  after->bands[2] = before->bands[2];
  EXPECT_TRUE(*after == *before);

  // Without --out the profile itself is rewritten, with the same bands.
  ASSERT_EQ(Vlmctl({"tune", profile_, "--channel", "3", "--measurement", measurement_, "--measurement", measurement_,
                    "--target", "car"})
                .status,
            0);
  EXPECT_EQ(Slurp(profile_), Slurp(out));
}

TEST_F(TuneCli, BadInputSaysOneLineAndChangesNothing) {
  const std::string original = Slurp(profile_);
  const std::string empty = File("empty.txt");
  std::ofstream(empty) << "";
  const std::string binary = File("binary.txt");
  std::ofstream(binary, std::ios::binary) << std::string("\x7f" "ELF\0\0\0\x01\x02", 9);
  const std::string shortFile = File("short.txt");
  std::ofstream(shortFile) << "100 80\n200 81\n300 79\n";
  const std::string highOnly = File("high.txt");
  {
    std::ofstream h(highOnly);
    for (int f = 1000; f <= 20000; f += 500) h << f << " 80\n";
  }
  const std::vector<std::vector<std::string>> runs = {
      {"tune", profile_, "--channel", "3", "--measurement", empty},
      {"tune", profile_, "--channel", "3", "--measurement", binary},
      {"tune", profile_, "--channel", "3", "--measurement", shortFile},
      {"tune", profile_, "--channel", "3", "--measurement", highOnly},
      {"tune", profile_, "--channel", "3", "--measurement", File("missing.txt")},
      {"tune", profile_, "--channel", "13", "--measurement", measurement_},
      {"tune", profile_, "--channel", "0", "--measurement", measurement_},
      {"tune", profile_, "--channel", "3", "--measurement", measurement_, "--smoothing", "5"},
      {"tune", profile_, "--channel", "3", "--measurement", measurement_, "--max-boost", "nan"},
      {"tune", profile_, "--channel", "3", "--measurement", measurement_, "--target", empty},
      {"tune", profile_, "--channel", "3", "--measurement", measurement_, "--mic-cal", binary},
      {"tune", profile_, "--channel", "3"},
      {"eq", "import", empty, "--channel", "3", profile_},
      {"eq", "import", measurement_, "--channel", "3", profile_},
  };
  for (const auto& args : runs) {
    Outcome o = Vlmctl(args);
    EXPECT_NE(o.status, 0) << args[3] << " " << args.back();
    EXPECT_FALSE(o.err.empty());
    EXPECT_EQ(o.err.find("vlmctl "), 0u) << o.err;
    EXPECT_EQ(Slurp(profile_), original) << o.err;
  }
}

// The curve of channel 5 as CSV: its header, then (frequency, level) pairs.
std::vector<std::pair<double, double>> CurveCsv(const std::string& profile) {
  Outcome csv = Vlmctl({"curve", profile, "--channel", "5", "--csv"});
  EXPECT_EQ(csv.status, 0) << csv.err;
  std::istringstream in(csv.out);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "frequency_hz,level_db");
  std::vector<std::pair<double, double>> points;
  while (std::getline(in, line)) {
    double f = 0.0, db = 0.0;
    EXPECT_EQ(std::sscanf(line.c_str(), "%lf,%lf", &f, &db), 2) << line;
    points.emplace_back(f, db);
  }
  return points;
}

TEST_F(TuneCli, EqImportFitsTheFiltersAndCurveCsvShowsThem) {
  const auto flat = CurveCsv(profile_);
  const std::string list = File("filters.txt");
  std::ofstream(list) << "Filter 1: ON PK Fc 1000 Hz Gain -3.0 dB Q 1.41\n"
                         "Filter 2: ON LS Fc 100 Hz Gain 4.0 dB\n"
                         "Filter 3: ON None\n"
                         "Preamp: -3.0 dB\n";
  Outcome o = Vlmctl({"eq", "import", list, "--channel", "5", profile_});
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_NE(o.out.find("skipped: filter 2: low shelf (LS) skipped"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("after:  residual 0.0"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("preamp -3.0 dB not applied"), std::string::npos) << o.out;

  const auto fitted = CurveCsv(profile_);
  ASSERT_EQ(fitted.size(), 512u);
  ASSERT_EQ(flat.size(), 512u);
  // The equaliser's change is the filter's dip: -3 dB at 1 kHz, nothing far away.
  double deepest = 0.0;
  for (std::size_t i = 0; i < 512; ++i) {
    const double change = fitted[i].second - flat[i].second;
    if (fitted[i].first > 800.0 && fitted[i].first < 1250.0) deepest = std::min(deepest, change);
    if (fitted[i].first > 20.0 && fitted[i].first < 100.0) {
      EXPECT_NEAR(change, 0.0, 0.15) << fitted[i].first;
    }
  }
  EXPECT_NEAR(deepest, -3.0, 0.2);
}

}  // namespace
