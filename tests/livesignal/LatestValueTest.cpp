// SPDX-License-Identifier: GPL-3.0-or-later
#include "livesignal/LatestValue.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace marulo::livesignal {
namespace {

// Each step puts values and then maybe takes one: how many takers were asked for, what is taken.
TEST(LatestValueTest, OneTakerIsAskedForUntilItTakesAndItTakesTheNewest) {
    struct Step {
        std::vector<int> put;
        bool take;
        int askedFor;
        std::optional<int> taken;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"one value", {{{1}, true, 1, 1}}},
        {"a backlog is dropped for the newest", {{{1, 2, 3}, true, 1, 3}}},
        {"taken, the next put asks again", {{{1}, true, 1, 1}, {{2}, true, 1, 2}}},
        {"a taker that finds nothing", {{{}, true, 0, std::nullopt}}},
        {"a put between ask and take is the one taken", {{{1}, false, 1, {}}, {{2}, true, 0, 2}}},
    };
    for (const auto& c : cases) {
        LatestValue<int> latest;
        for (const Step& step : c.steps) {
            int asked = 0;
            for (const int value : step.put) {
                asked += latest.Put(value) ? 1 : 0;
            }
            EXPECT_EQ(asked, step.askedFor) << c.name;
            if (step.take) {
                EXPECT_EQ(latest.Take(), step.taken) << c.name;
            }
        }
    }
}

}  // namespace
}  // namespace marulo::livesignal
