// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtAudioTerms.h"

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

}  // namespace

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

}  // namespace marulo::platform
