// SPDX-License-Identifier: GPL-3.0-or-later
// Test entry for window programs that capture from the private sound service.
#include "tests/support/PulseTestMain.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace marulo::testing {
namespace {

std::unique_ptr<PrivatePulseAudio> g_pulse;
std::string g_whyNoPulse;

}  // namespace

PrivatePulseAudio* SharedPulseAudio() {
    return g_pulse.get();
}

const std::string& WhyNoPulseAudio() {
    return g_whyNoPulse;
}

}  // namespace marulo::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    // The sound system is chosen before Qt looks for devices.
    marulo::testing::g_pulse =
        marulo::testing::PrivatePulseAudio::Start(marulo::testing::g_whyNoPulse);
    int result = 0;
    {
        QApplication application(argc, argv);
        result = RUN_ALL_TESTS();
    }
    marulo::testing::g_pulse.reset();
    return result;
}
