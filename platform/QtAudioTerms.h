// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAudio>
#include <QAudioFormat>
#include <string>

#include "platform/SoundInput.h"

namespace marulo::platform {

// Qt's audio errors and formats in the sound input's own terms, and back.
SoundInputError ErrorOf(QAudio::Error error);
std::string FormatText(const recordformat::WaveFormat& format);
QAudioFormat ToQtFormat(const recordformat::WaveFormat& format);

}  // namespace marulo::platform
