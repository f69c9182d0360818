#include "audio/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

namespace vlm::audio {
namespace {

TEST(RealFft, ASineLandsInItsBinAndTheInverseGivesTheSignalBack) {
  for (std::size_t n : {std::size_t{64}, std::size_t{90}, std::size_t{1000}}) {
    RealFft fft(n);
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) {
      x[i] = 0.25 + std::cos(2.0 * std::numbers::pi * 5.0 * static_cast<double>(i) / static_cast<double>(n));
    }
    const auto bins = fft.Forward(x);
    ASSERT_EQ(bins.size(), n / 2 + 1);
    EXPECT_NEAR(bins[0].real(), 0.25 * static_cast<double>(n), 1e-9);
    EXPECT_NEAR(std::abs(bins[5]), static_cast<double>(n) / 2.0, 1e-9);
    EXPECT_NEAR(std::abs(bins[4]), 0.0, 1e-9);
    const auto back = fft.Inverse(bins);
    ASSERT_EQ(back.size(), n);
    for (std::size_t i = 0; i < n; ++i) EXPECT_NEAR(back[i], x[i], 1e-12) << "n " << n << " i " << i;
  }
}

TEST(RealFft, ShortInputIsPaddedAndPlansAreMadeSafelyFromManyThreads) {
  std::vector<std::thread> threads;
  std::vector<double> peaks(4, 0.0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &peaks] {
      for (int round = 0; round < 20; ++round) {
        RealFft fft(256 + static_cast<std::size_t>(t));
        const auto bins = fft.Forward({1.0});  // an impulse: flat spectrum
        double worst = 0.0;
        for (const auto& b : bins) worst = std::max(worst, std::abs(std::abs(b) - 1.0));
        peaks[static_cast<std::size_t>(t)] = std::max(peaks[static_cast<std::size_t>(t)], worst);
      }
    });
  }
  for (auto& th : threads) th.join();
  for (double p : peaks) EXPECT_LT(p, 1e-12);
}

// Plans are shared per size and the oldest sizes dropped from the cache: an
// object made before its size was dropped, and objects of one size running at
// once on several threads, still transform on their own buffers.
TEST(RealFft, SharedAndDroppedPlansStillTransformEachObjectsOwnData) {
  auto held = std::make_unique<RealFft>(96);
  for (std::size_t n = 100; n < 100 + 2 * kKeptPlanSizes; ++n) RealFft other(n);  // pushes 96 out of the cache
  std::vector<double> x(96);
  for (std::size_t i = 0; i < x.size(); ++i) x[i] = std::sin(0.3 * static_cast<double>(i * i));
  const auto back = held->Inverse(held->Forward(x));
  for (std::size_t i = 0; i < x.size(); ++i) ASSERT_NEAR(back[i], x[i], 1e-12) << i;

  std::vector<std::thread> threads;
  std::vector<double> errors(4, 0.0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &errors] {
      std::vector<double> y(480);
      for (std::size_t i = 0; i < y.size(); ++i) y[i] = std::cos(0.01 * static_cast<double>((t + 1) * i));
      for (int round = 0; round < 30; ++round) {
        RealFft fft(480);
        const auto again = fft.Inverse(fft.Forward(y));
        for (std::size_t i = 0; i < y.size(); ++i) {
          errors[static_cast<std::size_t>(t)] = std::max(errors[static_cast<std::size_t>(t)], std::abs(again[i] - y[i]));
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  for (double e : errors) EXPECT_LT(e, 1e-12);
}

TEST(GoodFftSize, IsTheNextSizeOfTwosThreesAndFives) {
  EXPECT_EQ(GoodFftSize(0), 2u);
  EXPECT_EQ(GoodFftSize(7), 8u);
  EXPECT_EQ(GoodFftSize(240001), 243000u);
  EXPECT_EQ(GoodFftSize(1024), 1024u);
}

}  // namespace
}  // namespace vlm::audio
