// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SoundInput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QByteArray>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <utility>

#include "platform/FileSoundInput.h"
#include "platform/SoundBufferQueue.h"
#include "platform/SoundInputChoice.h"

namespace marulo::platform {

namespace {

std::string ErrorText(QAudio::Error error) {
    switch (error) {
        case QAudio::NoError:
            return "No error.";
        case QAudio::OpenError:
            return "The sound input could not be opened.";
        case QAudio::IOError:
            return "The sound input failed while reading.";
        case QAudio::UnderrunError:
            return "The sound input did not deliver data in time.";
        case QAudio::FatalError:
            return "The sound system reported a fatal error.";
    }
    return "The sound system reported an unknown error.";
}

SoundInputProblem ProblemOf(QAudio::Error error) {
    switch (error) {
        case QAudio::OpenError:
            return SoundInputProblem::OpenFailed;
        case QAudio::IOError:
            return SoundInputProblem::ReadFailed;
        case QAudio::UnderrunError:
            return SoundInputProblem::Underrun;
        case QAudio::FatalError:
            return SoundInputProblem::Fatal;
        case QAudio::NoError:
            break;
    }
    return SoundInputProblem::Unknown;
}

SoundInputError ErrorOf(QAudio::Error error) {
    return {error, ErrorText(error), ProblemOf(error), {}};
}

std::string FormatText(const recordformat::WaveFormat& format) {
    return "PCM, " + std::to_string(format.channels) + " channels, " +
           std::to_string(format.samplesPerSecond) + " Hz, " +
           std::to_string(format.bitsPerSample) + " bits";
}

QAudioFormat ToQtFormat(const recordformat::WaveFormat& format) {
    QAudioFormat qt;
    qt.setSampleRate(static_cast<int>(format.samplesPerSecond));
    qt.setChannelCount(format.channels);
    switch (format.bitsPerSample) {
        case 8:
            qt.setSampleFormat(QAudioFormat::UInt8);
            break;
        case 16:
            qt.setSampleFormat(QAudioFormat::Int16);
            break;
        default:
            qt.setSampleFormat(QAudioFormat::Unknown);
            break;
    }
    return qt;
}

// How long a call into the sound system may take before the input counts the system as not
// answering; a sound server that hangs then keeps the sound thread, never the caller.
constexpr auto kAnswerBound = std::chrono::seconds(3);
// How often a delivering input asks whether its device is still listed.
constexpr auto kDeviceCheckPeriod = std::chrono::milliseconds(100);

// The one thread, for the program's whole life, where every Qt audio source lives and is called:
// the sound system's connection, made on the first start, reconnects from the thread it was made
// on after the sound server restarts, so that thread must outlive every run. It is never joined
// or destroyed, as it may be stuck in a hung sound server when the program ends.
QObject& SoundThread() {
    static QObject* const context = [] {
        auto thread = std::make_unique<QThread>();
        auto object = std::make_unique<QObject>();
        object->moveToThread(thread.get());
        thread->start();
        static_cast<void>(thread.release());
        return object.release();
    }();
    return *context;
}

// Work posted to the sound thread that has not ended yet.
std::atomic<int> g_soundWorkPending{0};

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

// One input's source and what its signals touch. Shared by the input and the work it posts to
// the sound thread, so work that runs late, after the sound server answered again, finds it.
struct SourceState : std::enable_shared_from_this<SourceState> {
    SourceState(QAudioDevice audioDevice, DeviceListed deviceListed)
        : device(std::move(audioDevice)), listed(std::move(deviceListed)) {}

    // Any thread.
    void SetOwner(ThreadMessageQueue* queue) {
        buffers.SetOwner(queue);
        std::lock_guard lock(mutex);
        owner = queue;
    }
    SoundInputError Lost() const {
        std::lock_guard lock(mutex);
        return lost;
    }

    // In the sound thread.
    void ReportLost(SoundInputError error) {
        delivering = false;
        std::lock_guard lock(mutex);
        lost = std::move(error);
        if (owner != nullptr) {
            owner->Post(kMessageInputLost);
        }
    }

    // Asks the user-interface thread, which keeps the device list, whether the device is still
    // listed; a device gone is told back here at once.
    void CheckDevice() {
        QCoreApplication* application = QCoreApplication::instance();
        if (!delivering || application == nullptr) {
            return;
        }
        QMetaObject::invokeMethod(
            application,
            [listed = listed, id = device.id().toStdString(), weak = weak_from_this()] {
                if (listed(id)) {
                    return;
                }
                // Only the sound thread may hold the last share of the state.
                QMetaObject::invokeMethod(
                    &SoundThread(),
                    [weak] {
                        if (const std::shared_ptr<SourceState> state = weak.lock();
                            state && state->delivering) {
                            state->ReportLost({QAudio::IOError, "The capture device was removed.",
                                               SoundInputProblem::DeviceGone,
                                               state->device.description().toStdString()});
                        }
                    },
                    Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    }

    const QAudioDevice device;
    const DeviceListed listed;
    SoundBufferQueue buffers;
    mutable std::mutex mutex;
    ThreadMessageQueue* owner = nullptr;  // under mutex
    SoundInputError lost;                 // under mutex
    // The members below are touched only in the sound thread.
    std::unique_ptr<QAudioSource> source;
    QIODevice* stream = nullptr;  // owned by source
    std::unique_ptr<QTimer> deviceCheck;
    bool delivering = false;
    QAudio::Error startFailure = QAudio::NoError;
};

// A capture device through Qt Multimedia, driven from a thread without an event loop. A move
// of its stream to another device, which the sound server makes when the device goes, ends it
// as lost: a run hears only the device it started on.
class QtSoundInput final : public SoundInput {
public:
    QtSoundInput(QAudioDevice device, DeviceListed listed)
        : m_state(std::make_shared<SourceState>(std::move(device), std::move(listed))) {}
    ~QtSoundInput() override { Close(); }
    QtSoundInput(const QtSoundInput&) = delete;
    QtSoundInput& operator=(const QtSoundInput&) = delete;

    bool Open(const recordformat::WaveFormat& format, ThreadMessageQueue& owner,
              SoundInputError& error) override {
        const QAudioDevice& device = m_state->device;
        if (device.isNull()) {
            error = {QAudio::OpenError,
                     "No capture device is available.",
                     SoundInputProblem::NoDevice,
                     {}};
            return false;
        }
        const QAudioFormat qtFormat = ToQtFormat(format);
        if (!device.isFormatSupported(qtFormat)) {
            const std::string name = device.description().toStdString();
            error = {
                QAudio::OpenError,
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

    void AddBuffer(std::unique_ptr<SoundBuffer> buffer) override {
        m_state->buffers.Add(std::move(buffer));
    }

    bool Start(SoundInputError& error) override {
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

    void Stop() override {
        InSoundThread([](SourceState& state) {
            state.delivering = false;
            state.deviceCheck.reset();
            if (state.source) {
                state.source->stop();
            }
            state.stream = nullptr;
        });
    }

    void Reset() override { m_state->buffers.Clear(); }

    SoundInputError LostError() const override { return m_state->Lost(); }

    void Close() override {
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

private:
    static void StartInSoundThread(SourceState& state) {
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
        QObject::connect(
            &source, &QAudioSource::stateChanged, &source, [&state](QAudio::State now) {
                const QAudio::Error error = state.source->error();
                if (state.delivering && now == QAudio::StoppedState && error != QAudio::NoError) {
                    state.ReportLost(ErrorOf(error));
                }
            });
        QObject::connect(state.stream, &QIODevice::readyRead, &source, [&state] {
            if (state.delivering) {
                const QByteArray bytes = state.stream->readAll();
                state.buffers.Fill(
                    std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
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

    static SoundInputError NoAnswer() {
        return {QAudio::FatalError,
                "The sound system does not answer.",
                SoundInputProblem::NoAnswer,
                {}};
    }

    // Runs the work in the sound thread and waits for it, at most kAnswerBound; once the sound
    // system did not answer in time, later work is posted without waiting. False when it did
    // not run in time.
    bool InSoundThread(std::function<void(SourceState&)> work) {
        m_posted = true;
        auto done = std::make_shared<Completion>();
        ++g_soundWorkPending;
        QMetaObject::invokeMethod(
            &SoundThread(),
            [state = m_state, work = std::move(work), done] {
                work(*state);
                --g_soundWorkPending;
                done->Set();
            },
            Qt::QueuedConnection);
        if (m_unanswered) {
            return false;
        }
        m_unanswered = !done->WaitFor(kAnswerBound);
        return !m_unanswered;
    }

    const std::shared_ptr<SourceState> m_state;
    ThreadMessageQueue* m_owner = nullptr;
    bool m_posted = false;
    bool m_unanswered = false;
};

const char* SoundInputFile() {
    const char* file = std::getenv(kSoundInputFileVariable);
    return file != nullptr && *file != '\0' ? file : nullptr;
}

// The file that stands in for the sound input, as the one device there is.
SoundInputDevice StandInDevice(const char* file) {
    return {file, std::filesystem::path(file).filename().string()};
}

SoundInputDevice DeviceOf(const QAudioDevice& device) {
    return {device.id().toStdString(), device.description().toStdString()};
}

// The listed device of that id; a null device when it is not connected.
QAudioDevice FindDevice(const std::string& id) {
    for (const QAudioDevice& device : QMediaDevices::audioInputs()) {
        if (device.id().toStdString() == id) {
            return device;
        }
    }
    return {};
}

// Whether a device of that id is listed now; on the user-interface thread, which keeps the list.
bool Listed(const std::string& id) {
    return !FindDevice(id).isNull();
}

// The input for a device; the file stand-in instead while it is set.
std::unique_ptr<SoundInput> InputFor(const QAudioDevice& device) {
    if (const char* file = SoundInputFile()) {
        return std::make_unique<FileSoundInput>(file);
    }
    return std::make_unique<QtSoundInput>(device, &Listed);
}

}  // namespace

std::unique_ptr<SoundInput> CreateSoundInput() {
    return SoundInputChoice().CreateInput();
}

std::vector<SoundInputDevice> SoundInputDevices() {
    if (const char* file = SoundInputFile()) {
        return {StandInDevice(file)};
    }
    std::vector<SoundInputDevice> devices;
    for (const QAudioDevice& device : QMediaDevices::audioInputs()) {
        devices.push_back(DeviceOf(device));
    }
    return devices;
}

std::optional<SoundInputDevice> DefaultSoundInputDevice() {
    if (const char* file = SoundInputFile()) {
        return StandInDevice(file);
    }
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull()) {
        return std::nullopt;
    }
    return DeviceOf(device);
}

std::unique_ptr<SoundInput> CreateDeviceInput(const SoundInputDevice& device, DeviceListed listed) {
    return std::make_unique<QtSoundInput>(FindDevice(device.id), std::move(listed));
}

bool TrySoundInput(const SoundInputDevice& device, const recordformat::WaveFormat& format,
                   SoundInputError& error) {
    const std::unique_ptr<SoundInput> input = InputFor(FindDevice(device.id));
    ThreadMessageQueue queue;
    if (!input->Open(format, queue, error)) {
        return false;
    }
    const bool started = input->Start(error);
    input->Stop();
    input->Reset();
    input->Close();
    return started;
}

void SoundInputChoice::Choose(std::optional<SoundInputDevice> device) {
    std::lock_guard lock(m_mutex);
    m_chosen = std::move(device);
}

std::optional<SoundInputDevice> SoundInputChoice::Chosen() const {
    std::lock_guard lock(m_mutex);
    return m_chosen;
}

std::optional<SoundInputDevice> SoundInputChoice::InUse() const {
    if (const char* file = SoundInputFile()) {
        return StandInDevice(file);
    }
    if (const std::optional<SoundInputDevice> chosen = Chosen()) {
        if (const QAudioDevice device = FindDevice(chosen->id); !device.isNull()) {
            return DeviceOf(device);
        }
    }
    return DefaultSoundInputDevice();
}

std::unique_ptr<SoundInput> SoundInputChoice::CreateInput() const {
    const std::optional<SoundInputDevice> chosen = Chosen();
    QAudioDevice device = chosen ? FindDevice(chosen->id) : QAudioDevice();
    if (device.isNull()) {
        device = QMediaDevices::defaultAudioInput();
    }
    return InputFor(device);
}

bool SoundSystemAnswers(std::chrono::milliseconds bound) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (g_soundWorkPending.load() > 0) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool AnyCaptureDeviceExists() {
    return SoundInputFile() != nullptr || !QMediaDevices::audioInputs().isEmpty();
}

}  // namespace marulo::platform
