// SPDX-License-Identifier: GPL-3.0-or-later
// The detector against a plain model of its per-frame state (shifted history, every lag sum
// updated in turn), over long inputs that reach every branch: beats at many rates, noise, clipping,
// silences long enough to reset, and rate changes that need three agreeing values.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "acquisition/DetectorSteps.h"
#include "acquisition/HeartRateDetector.h"

namespace marulo::acquisition {
namespace {

using Frame = std::array<std::int32_t, HeartRateDetector::kFrameLevels>;

// The detector written the straightforward way; results must agree frame by frame.
class ModelDetector {
public:
    std::int32_t Process(const Frame& frame) {
        const std::int32_t peak = std::max(0, *std::max_element(frame.begin(), frame.end()));
        std::rotate(m_history.begin(), m_history.begin() + 1, m_history.end());
        m_history[256] = static_cast<std::uint8_t>(peak);
        for (std::size_t i = 0; i < detail::kLagCount; ++i) {
            m_sums[i] += std::abs(m_history[256] - m_history[255 - i]);
            m_sums[i] -= std::abs(m_history[128] - m_history[127 - i]);
        }
        const auto [lowEnvelope, highEnvelope] =
            std::minmax_element(m_history.begin() + 129, m_history.end());
        const auto [lowSum, highSum] = std::minmax_element(m_sums.begin() + 22, m_sums.end());
        ++m_sinceUpdate;
        std::optional<std::uint8_t> period;
        if (*highEnvelope - *lowEnvelope > 13 && *highSum >= 200) {
            period = detail::CandidatePeriod(m_sums, *lowSum + (*highSum - *lowSum) / 5);
        } else if (m_sinceUpdate >= 200) {
            m_smoother.ForgetSlowStages();
            m_sinceUpdate = 0;
            m_result = 0;
        }
        if (!period) {
            if (++m_misses == 25) {
                m_misses = 0;
                m_result = -1;
            }
            return m_result;
        }
        if (const auto updated = m_smoother.AddCandidate(detail::RateOfPeriod(*period))) {
            m_result = *updated;
            m_misses = 0;
            m_sinceUpdate = 0;
        }
        return m_result;
    }

private:
    std::array<std::uint8_t, 257> m_history{};
    detail::LagSums m_sums{};
    detail::RateSmoother m_smoother;
    int m_sinceUpdate = 0;
    int m_misses = 0;
    std::int32_t m_result = 0;
};

// Peak level of frame f of a scene.
struct Scene {
    std::string name;
    int frames;
    std::function<std::int32_t(int f, std::mt19937& random)> peakOf;
};

TEST(DetectorEquivalence, SameResultAsThePlainModelOnEveryFrame) {
    const auto beat = [](int period, int high, int low) {
        return [=](int f, std::mt19937& random) {
            const int jitter = std::uniform_int_distribution<int>(-4, 4)(random);
            return (f % period < 3 ? high : low) + jitter;
        };
    };
    const std::vector<Scene> scenes{
        {"noise", 60000,
         [](int, std::mt19937& random) {
             return std::uniform_int_distribution<int>(-128, 128)(random);
         }},
        {"beats 140", 40000, beat(43, 100, 10)},
        {"beats drifting", 80000,
         [](int f, std::mt19937& random) {
             const int period = 25 + (f / 3000) % 96;
             return (f % period < 2 + f % 3 ? 128 : 5) +
                    std::uniform_int_distribution<int>(-3, 3)(random);
         }},
        {"bursts and long silences", 80000,
         [](int f, std::mt19937& random) {
             if ((f / 2500) % 3 == 2) {
                 return std::uniform_int_distribution<int>(-2, 2)(random);
             }
             return (f % 37 < 4 ? 90 : 20) + std::uniform_int_distribution<int>(-15, 15)(random);
         }},
        {"rate jumps", 60000,
         [](int f, std::mt19937& random) {
             const int periods[] = {30, 60, 24, 50, 120, 27, 35};
             const int period = periods[(f / 1700) % 7];
             return (f % period < 3 ? 110 : 12) + std::uniform_int_distribution<int>(-6, 6)(random);
         }},
        // 16-bit levels: envelopes keep their low eight bits, differences reach 255.
        {"wide levels", 30000,
         [](int f, std::mt19937& random) {
             return f % 33 < 3 ? std::uniform_int_distribution<int>(200, 32767)(random)
                               : std::uniform_int_distribution<int>(-32768, 255)(random);
         }},
        {"extremes", 20000, [](int f, std::mt19937&) { return f % 2 == 0 ? 255 : 0; }},
        {"clipped and flat", 30000,
         [](int f, std::mt19937& random) {
             return f % 800 < 400 ? 128 : std::uniform_int_distribution<int>(40, 53)(random);
         }},
    };
    std::mt19937 random(20240607);
    ModelDetector model;
    HeartRateDetector detector;
    std::array<int, 5> seen{};  // -1, 0, 50..99, 100..179, 180..240
    Frame frame{};
    for (const Scene& scene : scenes) {
        for (int f = 0; f < scene.frames; ++f) {
            const std::int32_t peak = std::clamp(scene.peakOf(f, random), -32768, 32767);
            for (auto& level : frame) {
                level = std::uniform_int_distribution<int>(std::min(-128, peak), peak)(random);
            }
            frame[std::uniform_int_distribution<std::size_t>(0, frame.size() - 1)(random)] = peak;
            const std::int32_t expected = model.Process(frame);
            ASSERT_EQ(detector.Process(frame), expected) << scene.name << ", frame " << f;
            ++seen[expected < 0     ? 0
                   : expected == 0  ? 1
                   : expected < 100 ? 2
                   : expected < 180 ? 3
                                    : 4];
        }
    }
    // The inputs must have driven the detector through every kind of result.
    for (const int count : seen) {
        EXPECT_GT(count, 100);
    }
}

}  // namespace
}  // namespace marulo::acquisition
