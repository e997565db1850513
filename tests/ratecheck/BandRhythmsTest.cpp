// SPDX-License-Identifier: GPL-3.0-or-later
#include "ratecheck/BandRhythms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

namespace marulo::ratecheck {
namespace {

constexpr std::size_t kFrames = 4 * kEnvelopeRate;
constexpr double kPeriod = 60.0;  // 100 bpm

// A band envelope beating every kPeriod frames, each sound a hump `length` frames long, from
// `from` on; before that (and with no sound at all) it sways slowly, as hiss does.
std::vector<float> Beating(double length, std::size_t from = 0) {
    std::vector<float> band(kFrames);
    for (std::size_t i = 0; i < kFrames; ++i) {
        const double t = std::fmod(static_cast<double>(i), kPeriod);
        const double sound = t < length ? std::sin(std::numbers::pi * t / length) : 0.0;
        const double sway = 0.3 * std::sin(static_cast<double>(i) * 0.37);
        band[i] = static_cast<float>(i >= from ? sound : sway);
    }
    return band;
}

// A valve's click lasts 50 ms, a vessel's swell a third of a second.
const std::vector<float> kClicks = Beating(5);
const std::vector<float> kSwells = Beating(35);
const std::vector<float> kHiss = Beating(5, kFrames);

// One sound up to a frame, another after it.
std::vector<float> Then(const std::vector<float>& first, const std::vector<float>& second,
                        std::size_t at) {
    std::vector<float> band = first;
    std::copy(second.begin() + static_cast<std::ptrdiff_t>(at), second.end(),
              band.begin() + static_cast<std::ptrdiff_t>(at));
    return band;
}

TEST(BandRhythms, BriefSoundsTellsClicksFromASwell) {
    const struct {
        const char* name;
        std::vector<float> low;
        std::vector<float> middle;
        bool brief;
    } cases[] = {
        {"clicks in both slower bands", kClicks, kClicks, true},
        {"a swell in both", kSwells, kSwells, false},
        {"clicks low, a swell in the middle band", kClicks, kSwells, false},
        // The window still holds the clicks, but the last seconds are no longer theirs.
        {"clicks, then hiss for the last 1.5 s", Then(kClicks, kHiss, 250),
         Then(kClicks, kHiss, 250), false},
        {"clicks, then her swell for the last second", Then(kClicks, kSwells, 300),
         Then(kClicks, kSwells, 300), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BandRhythms bands;
        bands.Correlate({c.low, c.middle, kClicks});
        EXPECT_EQ(bands.BriefSounds(kPeriod), c.brief);
    }
}

TEST(BandRhythms, SoundsDeepWhereTheLowestBandRepeatsAtLeastAsWellAsTheHighest) {
    const std::vector<float> silent(kFrames, 1.0F);
    const struct {
        const char* name;
        std::vector<float> low;
        std::vector<float> high;
        bool deep;
    } cases[] = {
        {"alike in both", kSwells, kSwells, true},
        {"only in the lowest", kSwells, kHiss, true},
        {"only in the highest", kHiss, kClicks, false},
        {"the highest band silent", kSwells, silent, true},
        {"the lowest band silent", silent, kSwells, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BandRhythms bands;
        bands.Correlate({c.low, kHiss, c.high});
        EXPECT_EQ(bands.SoundsDeep(kPeriod), c.deep);
    }
}

}  // namespace
}  // namespace marulo::ratecheck
