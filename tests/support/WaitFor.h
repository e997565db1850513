// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <thread>

namespace marulo::testing {

// Asks the condition every step until it holds or the limit has passed; asks once more at the
// end so that a condition met just in time still counts.
bool WaitFor(auto condition, std::chrono::milliseconds limit,
             std::chrono::milliseconds step = std::chrono::milliseconds(50)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(step);
    }
    return condition();
}

}  // namespace marulo::testing
