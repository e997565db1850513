// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

namespace marulo::platform {

// Turns the requests to end the program that arrive as signals (SIGTERM, SIGINT, SIGHUP: a
// logout, a shutdown, Ctrl+C) into a call on the user-interface thread's event loop, where the
// program can end as for a close from the window system. Where the system has no such signals,
// nothing is installed. One at a time per process.
class TerminationSignals {
public:
    // Holds those signals back until a TerminationSignals is installed; called first in main,
    // before any thread starts, so that none arriving during start-up ends the program.
    static void HoldUntilInstalled();

    explicit TerminationSignals(std::function<void()> onRequest);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace marulo::platform
