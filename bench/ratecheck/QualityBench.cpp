// SPDX-License-Identifier: GPL-3.0-or-later
// How far the second analysis can be believed, scored on generated recordings of known truth:
// a varied set made at run time from fixed seeds, one row per condition.
// usage: ratecheck_quality_bench [CLIPS] [FIRST_SEED] [other|apart]
//   (default 60 one-minute clips from seed 1000; "other" or "apart" draws them from another spread)
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/Analysis.h"
#include "bench/ratecheck/ClipSet.h"
#include "ratecheck/RateCheck.h"
#include "tools/synth/SyntheticRecording.h"

namespace {

namespace synth = marulo::synth;
namespace ratecheck = marulo::ratecheck;
using marulo::bench::Clip;
using marulo::bench::kClipSeconds;
using marulo::bench::kTruthSeconds;
using marulo::bench::kWarmUpSeconds;
using marulo::bench::MakeClip;
using marulo::bench::NearAny;
using marulo::bench::Spread;

// Counts of seconds, one per kind.
enum Count {
    kSeconds,
    kShownRight,
    kShownHalf,
    kShownMaternal,
    kGood,
    kGoodRight,
    kWrong,
    kWrongNotGood,
    kAudible,
    kCheckedRight,
    kCheckedWrong,
    kSlowAudible,
    kSlowMaternal,
    // The same where the number shown is not her pulse too: within 5 bpm of it, it is hers as
    // much as his.
    kSlowApart,
    kSlowApartMaternal,
    kUnsureChecked,
    kInaudible,
    kCheckedPresent,
    kCounts
};

struct Tally {
    std::array<int, kCounts> counts{};

    int operator[](Count count) const { return counts[count]; }
    void Add(const Tally& other) {
        for (std::size_t i = 0; i < counts.size(); ++i) {
            counts[i] += other.counts[i];
        }
    }
};

// Scores every second of one clip into the tallies of its conditions.
void Score(const Clip& clip, std::map<std::string, Tally>& tallies) {
    const auto bytes = synth::SynthesizeCaptureBytes(clip.options, clip.listening);
    const auto truth = synth::TruthPerSecond(clip.options, clip.listening);
    std::vector<std::pair<std::int32_t, ratecheck::SecondCheck>> seconds;
    ratecheck::RateCheck check([&seconds](std::int32_t shown, const ratecheck::SecondCheck& c) {
        seconds.emplace_back(shown, c);
    });
    marulo::acquisition::CaptureReplay replay(
        marulo::acquisition::CaptureReplay::Values::ReportedRates,
        [&check](std::int32_t shown) { check.FeedShown(shown); });
    replay.Feed(bytes);
    check.FeedAudio(bytes);

    const int count = static_cast<int>(std::min(seconds.size(), truth.size()));
    for (int n = kWarmUpSeconds; n < count; ++n) {
        const auto& [shown, result] = seconds[n];
        Tally one;
        auto& c = one.counts;
        c[kSeconds] = 1;
        const bool right = shown > 0 && NearAny(shown, truth, n, kTruthSeconds, false);
        c[kShownRight] = right;
        c[kShownHalf] = !right && shown > 0 && NearAny(shown, truth, n, kTruthSeconds, false, 0.5);
        c[kShownMaternal] = !right && shown > 0 && NearAny(shown, truth, n, kTruthSeconds, true);
        const bool good = result.quality == ratecheck::Quality::Good;
        c[kGood] = good;
        c[kGoodRight] = good && right;
        c[kWrong] = !right;
        c[kWrongNotGood] = !right && !good;
        bool heardLately = false;
        for (int t = n - 2; t <= n; ++t) {
            heardLately = heardLately || truth[t].fetalBpm.has_value();
        }
        if (truth[n].fetalBpm) {
            c[kAudible] = 1;
            c[kCheckedRight] = result.checkedBpm && NearAny(*result.checkedBpm, truth, n, 2, false);
            c[kCheckedWrong] =
                result.checkedBpm && !NearAny(*result.checkedBpm, truth, n, 2, false, 1.0, 10.0);
            // A slow baby shown right but called the mother's pulse.
            c[kSlowAudible] = right && *truth[n].fetalBpm < 110.0;
            c[kSlowMaternal] = c[kSlowAudible] && result.quality == ratecheck::Quality::Maternal;
            c[kSlowApart] = c[kSlowAudible] && !NearAny(shown, truth, n, 0, true);
            c[kSlowApartMaternal] = c[kSlowApart] && c[kSlowMaternal];
            c[kUnsureChecked] = result.quality == ratecheck::Quality::Unsure && result.checkedBpm;
        } else if (!heardLately) {
            c[kInaudible] = 1;
            c[kCheckedPresent] = result.checkedBpm.has_value();
        }
        tallies["all"].Add(one);
        tallies["mother " + clip.maternal].Add(one);
        tallies[truth[n].condition].Add(one);
        tallies[clip.snrBand].Add(one);
        tallies["baby " + clip.baby].Add(one);
    }
}

std::string Share(int part, int whole) {
    if (whole == 0) {
        return "-";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 100.0 * part / whole);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const int clips = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const auto firstSeed = static_cast<std::uint32_t>(argc > 2 ? std::atoi(argv[2]) : 1000);
    const Spread spread = marulo::bench::SpreadNamed(argc > 3 ? argv[3] : "");
    std::map<std::string, Tally> tallies;
    for (int i = 0; i < clips; ++i) {
        Score(MakeClip(firstSeed + static_cast<std::uint32_t>(i), spread), tallies);
    }
    std::printf("%d clips of %.0f s, seeds %u..%u, %s spread; shares in %%\n", clips, kClipSeconds,
                firstSeed, firstSeed + static_cast<std::uint32_t>(clips) - 1,
                marulo::bench::SpreadName(spread));
    std::printf("%-14s %7s %8s %5s %6s %5s %7s %7s %8s %7s %7s %7s %6s\n", "condition", "seconds",
                "shown ok", "half", "mother", "good", "good ok", "wrong!g", "chk 5bpm", "chk >10",
                "chk gone", "mat<110", "unsure");
    const char* order[] = {
        "all",           "clean",      "slip",      "silence",     "hiss",        "rubbing",
        "talk",          "talk-heard", "clipped",   "mother none", "mother weak", "mother medium",
        "mother strong", "snr<0",      "snr0-10",   "snr>=10",     "baby normal", "baby slow",
        "baby fast",     "baby decel", "baby accel"};
    for (const char* name : order) {
        const auto found = tallies.find(name);
        if (found == tallies.end()) {
            continue;
        }
        const Tally& t = found->second;
        std::printf(
            "%-14s %7d %8s %5s %6s %5s %7s %7s %8s %7s %7s %7s %6s\n", name, t[kSeconds],
            Share(t[kShownRight], t[kSeconds]).c_str(), Share(t[kShownHalf], t[kSeconds]).c_str(),
            Share(t[kShownMaternal], t[kSeconds]).c_str(), Share(t[kGood], t[kSeconds]).c_str(),
            Share(t[kGoodRight], t[kGood]).c_str(), Share(t[kWrongNotGood], t[kWrong]).c_str(),
            Share(t[kCheckedRight], t[kAudible]).c_str(),
            Share(t[kCheckedWrong], t[kAudible]).c_str(),
            Share(t[kInaudible] - t[kCheckedPresent], t[kInaudible]).c_str(),
            Share(t[kSlowMaternal], t[kSlowAudible]).c_str(),
            Share(t[kUnsureChecked], t[kAudible]).c_str());
    }
    const Tally& all = tallies["all"];
    std::printf("mat<110 where the number is not her pulse too: %s of %d s\n",
                Share(all[kSlowApartMaternal], all[kSlowApart]).c_str(), all[kSlowApart]);
    std::printf(
        "goals: good ok >= 98, wrong!g >= 95, chk 5bpm >= 93, chk >10 <= 1, chk gone >= 90, "
        "mat<110 <= 5\n");
    return 0;
}
