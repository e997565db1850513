// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtSoundInput.h"

#include <QAudioFormat>
#include <QAudioSource>
#include <QByteArray>
#include <QIODevice>
#include <QMetaObject>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <span>
#include <string>
#include <utility>

#include "platform/QtAudioTerms.h"
#include "platform/SoundSourceState.h"
#include "platform/SoundThread.h"

namespace marulo::platform {

namespace {

// How long a call into the sound system may take before the input counts the system as not
// answering; a sound server that hangs then keeps the sound thread, never the caller.
constexpr auto kAnswerBound = std::chrono::seconds(3);
// How often a delivering input asks whether its device is still listed.
constexpr auto kDeviceCheckPeriod = std::chrono::milliseconds(100);

// Set once; waited for with a bound.
class Completion {
public:
    void Set() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
    }
    bool WaitFor(std::chrono::milliseconds bound) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, bound, [this] { return m_done; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
};

}  // namespace

QtSoundInput::QtSoundInput(QAudioDevice device, DeviceListed listed)
    : m_state(std::make_shared<SourceState>(std::move(device), std::move(listed))) {}

QtSoundInput::~QtSoundInput() {
    Close();
}

bool QtSoundInput::Open(const recordformat::WaveFormat& format, ThreadMessageQueue& owner,
                        SoundInputError& error) {
    const QAudioDevice& device = m_state->device;
    if (device.isNull()) {
        error = {
            QAudio::OpenError, "No capture device is available.", SoundInputProblem::NoDevice, {}};
        return false;
    }
    const QAudioFormat qtFormat = ToQtFormat(format);
    if (!device.isFormatSupported(qtFormat)) {
        const std::string name = device.description().toStdString();
        error = {QAudio::OpenError,
                 "The capture device \"" + name + "\" does not take " + FormatText(format) + ".",
                 SoundInputProblem::FormatRefused, name};
        return false;
    }
    if (!InSoundThread([qtFormat](SourceState& state) {
            state.source = std::make_unique<QAudioSource>(state.device, qtFormat);
        })) {
        error = NoAnswer();
        return false;
    }
    m_owner = &owner;
    m_state->SetOwner(&owner);
    owner.Post(kMessageInputOpen);
    return true;
}

void QtSoundInput::AddBuffer(std::unique_ptr<SoundBuffer> buffer) {
    m_state->buffers.Add(std::move(buffer));
}

bool QtSoundInput::Start(SoundInputError& error) {
    if (m_owner == nullptr) {
        error = ErrorOf(QAudio::OpenError);
        return false;
    }
    if (!InSoundThread(&QtSoundInput::StartInSoundThread)) {
        error = NoAnswer();
        return false;
    }
    if (const QAudio::Error failure = m_state->startFailure; failure != QAudio::NoError) {
        error = ErrorOf(failure);
        return false;
    }
    return true;
}

void QtSoundInput::Stop() {
    InSoundThread([](SourceState& state) {
        state.delivering = false;
        state.deviceCheck.reset();
        if (state.source) {
            state.source->stop();
        }
        state.stream = nullptr;
    });
}

void QtSoundInput::Reset() {
    m_state->buffers.Clear();
}

SoundInputError QtSoundInput::LostError() const {
    return m_state->Lost();
}

void QtSoundInput::Close() {
    // Nothing is posted after the close, also by work that runs late.
    m_state->SetOwner(nullptr);
    if (m_posted) {
        InSoundThread([](SourceState& state) {
            state.delivering = false;
            state.deviceCheck.reset();
            state.source.reset();
            state.stream = nullptr;
        });
    }
    m_state->buffers.Clear();
    if (m_owner != nullptr) {
        std::exchange(m_owner, nullptr)->Post(kMessageInputClose);
    }
}

void QtSoundInput::StartInSoundThread(SourceState& state) {
    if (!state.source) {
        state.startFailure = QAudio::OpenError;
        return;
    }
    state.stream = state.source->start();
    QAudio::Error failure = state.source->error();
    if (state.stream == nullptr && failure == QAudio::NoError) {
        failure = QAudio::OpenError;
    }
    state.startFailure = failure;
    if (failure != QAudio::NoError) {
        state.source->stop();
        state.stream = nullptr;
        return;
    }
    state.delivering = true;
    QAudioSource& source = *state.source;
    // A source that stops by itself has lost its device or its sound server.
    QObject::connect(&source, &QAudioSource::stateChanged, &source, [&state](QAudio::State now) {
        const QAudio::Error error = state.source->error();
        if (state.delivering && now == QAudio::StoppedState && error != QAudio::NoError) {
            state.ReportLost(ErrorOf(error));
        }
    });
    QObject::connect(state.stream, &QIODevice::readyRead, &source, [&state] {
        if (state.delivering) {
            const QByteArray bytes = state.stream->readAll();
            state.buffers.Fill(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                         static_cast<std::size_t>(bytes.size())));
        }
    });
    if (state.listed) {
        state.deviceCheck = std::make_unique<QTimer>();
        state.deviceCheck->setInterval(kDeviceCheckPeriod);
        QObject::connect(state.deviceCheck.get(), &QTimer::timeout, &source,
                         [&state] { state.CheckDevice(); });
        state.deviceCheck->start();
    }
}

SoundInputError QtSoundInput::NoAnswer() {
    return {
        QAudio::FatalError, "The sound system does not answer.", SoundInputProblem::NoAnswer, {}};
}
bool QtSoundInput::InSoundThread(std::function<void(SourceState&)> work) {
    m_posted = true;
    auto done = std::make_shared<Completion>();
    SoundWorkPosted();
    QMetaObject::invokeMethod(
        &SoundThread(),
        [state = m_state, work = std::move(work), done] {
            work(*state);
            SoundWorkEnded();
            done->Set();
        },
        Qt::QueuedConnection);
    if (m_unanswered) {
        return false;
    }
    m_unanswered = !done->WaitFor(kAnswerBound);
    return !m_unanswered;
}

}  // namespace marulo::platform
