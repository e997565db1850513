// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QTest>
#include <optional>

#include "mainwnd/EdcCalendar.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/support/PulseTestMain.h"

namespace marulo::testing {

// A main window that hears the real sound input, fed by the test program's private PulseAudio;
// skipped where that cannot start.
class PulseWindowTestBase : public MainWindowTestBase {
protected:
    void SetUp() override {
        MainWindowTestBase::SetUp();
        m_pulse = SharedPulseAudio();
        if (m_pulse == nullptr) {
            GTEST_SKIP() << WhyNoPulseAudio();
        }
        platform::SetSoundInputFile(std::nullopt);
    }

    // The window shown, with Anna, due in 100 days, entered.
    mainwnd::MainWindow& OpenWithProfile() {
        mainwnd::MainWindow& window = OpenWindow();
        window.show();
        QTest::keyClicks(NameBoxOf(window), QStringLiteral("Anna"));
        ProfileOf(window).OpenCalendar();
        emit CalendarOf(window)->clicked(m_edc);
        return window;
    }

    PrivatePulseAudio* m_pulse = nullptr;
    const QDate m_edc = QDate::currentDate().addDays(100);
};

}  // namespace marulo::testing
