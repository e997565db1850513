// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SoundInput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QByteArray>
#include <QIODevice>
#include <QMediaDevices>
#include <QMetaObject>
#include <QThread>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <span>
#include <string>
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

std::string FormatText(const WaveFormat& format) {
    return "PCM, " + std::to_string(format.channels) + " channels, " +
           std::to_string(format.samplesPerSecond) + " Hz, " +
           std::to_string(format.bitsPerSample) + " bits";
}

QAudioFormat ToQtFormat(const WaveFormat& format) {
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

// A capture device through Qt Multimedia. The QAudioSource lives in a thread of its own with an
// event loop, since the thread that drives the input has none.
class QtSoundInput final : public SoundInput {
public:
    // Runs where the controller starts a capture (the user-interface thread), so that Qt
    // Multimedia sets up its device list there and not on a thread that ends with the run.
    explicit QtSoundInput(QAudioDevice device) : m_device(std::move(device)) {}
    ~QtSoundInput() override { Close(); }
    QtSoundInput(const QtSoundInput&) = delete;
    QtSoundInput& operator=(const QtSoundInput&) = delete;

    bool Open(const WaveFormat& format, ThreadMessageQueue& owner,
              SoundInputError& error) override {
        if (m_device.isNull()) {
            error = {QAudio::OpenError,
                     "No capture device is available.",
                     SoundInputProblem::NoDevice,
                     {}};
            return false;
        }
        const QAudioFormat qtFormat = ToQtFormat(format);
        if (!m_device.isFormatSupported(qtFormat)) {
            const std::string device = m_device.description().toStdString();
            error = {
                QAudio::OpenError,
                "The capture device \"" + device + "\" does not take " + FormatText(format) + ".",
                SoundInputProblem::FormatRefused, device};
            return false;
        }
        m_thread = std::make_unique<QThread>();
        m_context = std::make_unique<QObject>();
        m_context->moveToThread(m_thread.get());
        m_thread->start();
        InThread([&] { m_source = std::make_unique<QAudioSource>(m_device, qtFormat); });
        m_owner = &owner;
        m_buffers.SetOwner(&owner);
        owner.Post(kMessageInputOpen);
        return true;
    }

    void AddBuffer(std::unique_ptr<SoundBuffer> buffer) override {
        m_buffers.Add(std::move(buffer));
    }

    bool Start(SoundInputError& error) override {
        if (!m_source) {
            error = ErrorOf(QAudio::OpenError);
            return false;
        }
        QAudio::Error failure = QAudio::NoError;
        InThread([&] {
            m_stream = m_source->start();
            failure = m_source->error();
            if (m_stream == nullptr && failure == QAudio::NoError) {
                failure = QAudio::OpenError;
            }
            if (failure != QAudio::NoError) {
                m_source->stop();
                m_stream = nullptr;
                return;
            }
            m_delivering = true;
            // A source that stops by itself has lost its device or its sound server.
            QObject::connect(m_source.get(), &QAudioSource::stateChanged, m_context.get(),
                             [this](QAudio::State state) {
                                 const QAudio::Error failure = m_source->error();
                                 if (m_delivering && state == QAudio::StoppedState &&
                                     failure != QAudio::NoError) {
                                     ReportLost(failure);
                                 }
                             });
            QObject::connect(m_stream, &QIODevice::readyRead, m_context.get(), [this] {
                if (m_delivering) {
                    const QByteArray bytes = m_stream->readAll();
                    m_buffers.Fill(
                        std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                  static_cast<std::size_t>(bytes.size())));
                }
            });
        });
        if (failure != QAudio::NoError) {
            error = ErrorOf(failure);
            return false;
        }
        return true;
    }

    void Stop() override {
        if (m_source) {
            InThread([this] {
                m_delivering = false;
                m_source->stop();
                m_stream = nullptr;
            });
        }
    }

    void Reset() override { m_buffers.Clear(); }

    SoundInputError LostError() const override {
        std::lock_guard lock(m_lostMutex);
        return m_lost;
    }

    void Close() override {
        if (m_thread) {
            InThread([this] {
                m_delivering = false;
                m_source.reset();
                m_stream = nullptr;
            });
            m_thread->quit();
            m_thread->wait();
            m_context.reset();
            m_thread.reset();
        }
        m_buffers.Clear();
        if (m_owner != nullptr) {
            m_buffers.SetOwner(nullptr);
            std::exchange(m_owner, nullptr)->Post(kMessageInputClose);
        }
    }

private:
    // In m_thread.
    void ReportLost(QAudio::Error failure) {
        m_delivering = false;
        {
            std::lock_guard lock(m_lostMutex);
            m_lost = ErrorOf(failure);
        }
        m_owner->Post(kMessageInputLost);
    }

    void InThread(const std::function<void()>& work) {
        QMetaObject::invokeMethod(m_context.get(), work, Qt::BlockingQueuedConnection);
    }

    QAudioDevice m_device;
    ThreadMessageQueue* m_owner = nullptr;
    mutable std::mutex m_lostMutex;
    SoundInputError m_lost;
    SoundBufferQueue m_buffers;
    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<QObject> m_context;  // lives in m_thread; receives the stream's signals
    // The members below are touched only in m_thread.
    std::unique_ptr<QAudioSource> m_source;
    QIODevice* m_stream = nullptr;  // owned by m_source
    bool m_delivering = false;
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

// The input for a device; the file stand-in instead while it is set.
std::unique_ptr<SoundInput> InputFor(const QAudioDevice& device) {
    if (const char* file = SoundInputFile()) {
        return std::make_unique<FileSoundInput>(file);
    }
    return std::make_unique<QtSoundInput>(device);
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

bool TrySoundInput(const SoundInputDevice& device, const WaveFormat& format,
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

bool AnyCaptureDeviceExists() {
    return SoundInputFile() != nullptr || !QMediaDevices::audioInputs().isEmpty();
}

}  // namespace marulo::platform
