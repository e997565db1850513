// SPDX-License-Identifier: GPL-3.0-or-later
#include "ratecheck/VoiceWatch.h"

#include <algorithm>
#include <cmath>

#include "ratecheck/RhythmScale.h"

namespace marulo::ratecheck {

using namespace rhythm;

namespace {

constexpr float kVoicedFrame = 0.7F;
constexpr std::size_t kTalkingFrames = kRecentFrames * 15 / 100;
// Where the voice's syllables lift the middle band above the level heard before it by more than
// this many times the heartbeat's own swing there, the voice drowns the heart, whatever rhythm is
// still followed.
constexpr double kDrowningLift = 1.5;

}  // namespace

void VoiceWatch::Add(const EnvelopeFrame& frame) {
    m_voiced.push_back(frame.voicing > kVoicedFrame);
    m_bandLevel.push_back(std::expm1(frame.bands[kVoiceBand]));
}

void VoiceWatch::KeepNewest(std::size_t frames) {
    rhythm::KeepNewest(m_voiced, frames);
    rhythm::KeepNewest(m_bandLevel, frames);
}

bool VoiceWatch::Talking() const {
    return m_voiced.size() >= kRecentFrames &&
           std::count(m_voiced.end() - static_cast<std::ptrdiff_t>(kRecentFrames), m_voiced.end(),
                      true) >= static_cast<std::ptrdiff_t>(kTalkingFrames);
}

VoiceWatch::BandLevel VoiceWatch::RecentLevel(bool voiced) const {
    double sum = 0.0;
    double squares = 0.0;
    BandLevel level;
    for (std::size_t i = m_voiced.size() - kRecentFrames; i < m_voiced.size(); ++i) {
        if (m_voiced[i] == voiced) {
            sum += m_bandLevel[i];
            squares += m_bandLevel[i] * m_bandLevel[i];
            ++level.frames;
        }
    }
    if (level.frames != 0) {
        const auto count = static_cast<double>(level.frames);
        level.mean = sum / count;
        level.swing = std::sqrt(std::max(0.0, squares / count - level.mean * level.mean));
    }
    return level;
}

void VoiceWatch::NoteQuietLevel() {
    const BandLevel quiet = RecentLevel(false);
    if (quiet.frames < kRecentFrames / 2) {
        return;
    }
    m_quietLevel = quiet.mean;
    m_quietSwing = quiet.swing;
}

bool VoiceWatch::Drowns() const {
    if (!m_quietLevel || m_quietSwing <= 0.0) {
        return false;
    }
    const BandLevel voice = RecentLevel(true);
    return voice.frames != 0 && voice.mean - *m_quietLevel > kDrowningLift * m_quietSwing;
}

}  // namespace marulo::ratecheck
