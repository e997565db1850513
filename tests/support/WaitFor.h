// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <thread>

namespace marulo::testing {

struct NoPump {
    void operator()() const {}
};

// The one wait of the tests: asks the condition, running pump between asks (a test's event loop,
// or nothing), until it holds or the limit has passed; asks once more at the end so that a
// condition met just in time still counts. A working system meets it quickly; the limit only
// keeps a broken one from hanging the test.
template <typename Condition, typename Pump = NoPump>
bool WaitUntil(Condition condition, Pump pump = {},
               std::chrono::milliseconds limit = std::chrono::seconds(20),
               std::chrono::milliseconds step = std::chrono::milliseconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) {
            return true;
        }
        pump();
        std::this_thread::sleep_for(step);
    }
    return condition();
}

// The same with nothing to pump, the limit first.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit,
             std::chrono::milliseconds step = std::chrono::milliseconds(50)) {
    return WaitUntil(condition, NoPump{}, limit, step);
}

}  // namespace marulo::testing
