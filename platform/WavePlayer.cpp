// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WavePlayer.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QObject>
#include <QUrl>

#include <optional>
#include <utility>

#include "platform/OutputVolume.h"
#include "recordformat/WavReader.h"

namespace marulo::platform {

namespace {

// Only a readable PCM WAV is handed to the media player; the samples are not read here.
bool IsPlayableWav(const std::string& path) {
    std::string ignored;
    return recordformat::ReadWavFormat(path, ignored).has_value();
}

std::uint32_t NextDeviceId() {
    static std::uint32_t last = 0;
    if (++last == 0) {
        ++last;
    }
    return last;
}

}  // namespace

// The player of one open device; notifications are posted through the long-lived context so
// that a handler may close the device without destroying the player inside its own signal.
struct WavePlayer::Impl {
    QObject context;
    std::unique_ptr<QMediaPlayer> player;
    std::unique_ptr<QAudioOutput> output;
    std::optional<int> volumeObserver;
    std::optional<qint64> pendingSeek;
    NotifyHandler handler;

    bool MediaReady() const {
        const auto status = player->mediaStatus();
        return status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferingMedia ||
               status == QMediaPlayer::BufferedMedia || status == QMediaPlayer::EndOfMedia;
    }

    void Seek(qint64 milliseconds) {
        if (MediaReady() && player->isSeekable()) {
            pendingSeek.reset();
            player->setPosition(milliseconds);
        } else {
            pendingSeek = milliseconds;
        }
    }

    void ApplyPendingSeek() {
        if (pendingSeek && MediaReady() && player->isSeekable()) {
            player->setPosition(*std::exchange(pendingSeek, std::nullopt));
        }
    }

    // Hands the current handler, if any, its outcome later from the event loop.
    void Notify(PlayNotify outcome) {
        if (!handler) {
            return;
        }
        QMetaObject::invokeMethod(
            &context, [onEnd = std::exchange(handler, nullptr), outcome] { onEnd(outcome); },
            Qt::QueuedConnection);
    }

    void Release() {
        Notify(PlayNotify::Aborted);
        if (volumeObserver) {
            RemoveOutputVolumeObserver(*volumeObserver);
            volumeObserver.reset();
        }
        pendingSeek.reset();
        player.reset();
        output.reset();
    }
};

WavePlayer::WavePlayer() : m_impl(std::make_unique<Impl>()) {}

WavePlayer::~WavePlayer() {
    m_impl->handler = nullptr;
    m_impl->Release();
}

bool WavePlayer::Open(const std::string& audioPath) {
    Close();
    if (audioPath.empty() || !IsPlayableWav(audioPath)) {
        return false;
    }
    Impl& impl = *m_impl;
    impl.output = std::make_unique<QAudioOutput>();
    impl.output->setVolume(static_cast<float>(GetOutputVolume() / 65535.0));
    impl.volumeObserver =
        AddOutputVolumeObserver([output = impl.output.get()](std::uint16_t level) {
            output->setVolume(static_cast<float>(level / 65535.0));
        });
    impl.player = std::make_unique<QMediaPlayer>();
    impl.player->setAudioOutput(impl.output.get());
    QObject::connect(impl.player.get(), &QMediaPlayer::mediaStatusChanged, &impl.context,
                     [&impl](QMediaPlayer::MediaStatus status) {
                         if (status == QMediaPlayer::EndOfMedia) {
                             impl.Notify(PlayNotify::Successful);
                         } else {
                             impl.ApplyPendingSeek();
                         }
                     });
    QObject::connect(impl.player.get(), &QMediaPlayer::seekableChanged, &impl.context,
                     [&impl] { impl.ApplyPendingSeek(); });
    QObject::connect(impl.player.get(), &QMediaPlayer::errorOccurred, &impl.context,
                     [&impl] { impl.Notify(PlayNotify::Failure); });
    impl.player->setSource(
        QUrl::fromLocalFile(QFileInfo(QString::fromStdString(audioPath)).absoluteFilePath()));
    m_deviceId = NextDeviceId();
    return true;
}

bool WavePlayer::Close() {
    if (!IsOpen()) {
        return false;
    }
    m_impl->Release();
    m_deviceId = 0;
    return true;
}

bool WavePlayer::Play(std::int32_t second, NotifyHandler onEnd) {
    if (!IsOpen()) {
        return false;
    }
    m_impl->Notify(PlayNotify::Superseded);
    if (second > 0) {
        m_impl->Seek(static_cast<qint64>(second) * 1000);
    }
    m_impl->handler = std::move(onEnd);
    m_impl->player->play();
    return IsPlaying();
}

void WavePlayer::Stop() {
    if (!IsOpen()) {
        return;
    }
    m_impl->Notify(PlayNotify::Aborted);
    // Like a wave device, a stop keeps the position: the next play goes on from there.
    m_impl->player->pause();
}

bool WavePlayer::IsPlaying() const {
    return IsOpen() && m_impl->player->playbackState() == QMediaPlayer::PlayingState;
}

std::int64_t WavePlayer::PositionMilliseconds() const {
    if (!IsOpen()) {
        return -1;
    }
    return m_impl->pendingSeek.value_or(m_impl->player->position());
}

}  // namespace marulo::platform
