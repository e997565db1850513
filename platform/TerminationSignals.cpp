// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TerminationSignals.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#include <csignal>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#endif

namespace marulo::platform {

#if defined(__unix__) || defined(__APPLE__)

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe; a signal handler may only write to it.
int g_writeEnd = -1;

extern "C" void NoteSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_writeEnd, &byte, 1);
    errno = saved;
}

sigset_t HeldSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kSignals) {
        sigaddset(&set, signal);
    }
    return set;
}

}  // namespace

struct TerminationSignals::Impl {
    std::array<int, 2> pipe{-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    std::array<struct sigaction, kSignals.size()> previous{};

    ~Impl() {
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            ::sigaction(kSignals[i], &previous[i], nullptr);
        }
        notifier.reset();
        g_writeEnd = -1;
        for (const int end : pipe) {
            if (end >= 0) {
                ::close(end);
            }
        }
    }
};

TerminationSignals::TerminationSignals(std::function<void()> onRequest)
    : m_impl(std::make_unique<Impl>()) {
    const sigset_t held = HeldSignals();
    if (::pipe(m_impl->pipe.data()) != 0) {
        ::pthread_sigmask(SIG_UNBLOCK, &held, nullptr);
        return;
    }
    for (const int end : m_impl->pipe) {
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    g_writeEnd = m_impl->pipe[1];
    m_impl->notifier = std::make_unique<QSocketNotifier>(m_impl->pipe[0], QSocketNotifier::Read);
    QObject::connect(m_impl->notifier.get(), &QSocketNotifier::activated,
                     [readEnd = m_impl->pipe[0], onRequest = std::move(onRequest)] {
                         char bytes[16];
                         while (::read(readEnd, bytes, sizeof bytes) > 0) {
                         }
                         onRequest();
                     });
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &action, &m_impl->previous[i]);
    }
    // What came while they were held now reaches the handler.
    ::pthread_sigmask(SIG_UNBLOCK, &held, nullptr);
}

void TerminationSignals::HoldUntilInstalled() {
    const sigset_t held = HeldSignals();
    ::pthread_sigmask(SIG_BLOCK, &held, nullptr);
}

#else

struct TerminationSignals::Impl {};

TerminationSignals::TerminationSignals(std::function<void()>) : m_impl(std::make_unique<Impl>()) {}

void TerminationSignals::HoldUntilInstalled() {}

#endif

TerminationSignals::~TerminationSignals() = default;

}  // namespace marulo::platform
