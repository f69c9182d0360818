#include "audio/fft.h"

#include <gtest/gtest.h>

#include <cmath>
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

TEST(GoodFftSize, IsTheNextSizeOfTwosThreesAndFives) {
  EXPECT_EQ(GoodFftSize(0), 2u);
  EXPECT_EQ(GoodFftSize(7), 8u);
  EXPECT_EQ(GoodFftSize(240001), 243000u);
  EXPECT_EQ(GoodFftSize(1024), 1024u);
}

}  // namespace
}  // namespace vlm::audio
