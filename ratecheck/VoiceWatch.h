// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "ratecheck/BandEnvelopes.h"

namespace marulo::ratecheck {

// Whether someone is talking over the heart, and whether the voice drowns it, from each frame's
// voicing and the middle band's level over the last two seconds.
class VoiceWatch {
public:
    void Add(const EnvelopeFrame& frame);
    // Keeps the newest frames only, as many as the rhythm's window holds.
    void KeepNewest(std::size_t frames);
    // A voice sounds in a share of the frames of the last two seconds: any rhythm heard is the
    // speaker's as likely as the baby's.
    bool Talking() const;
    // Remembers the middle band's level and swing over the last two seconds with no voice: the
    // heart and the room as heard before someone spoke.
    void NoteQuietLevel();
    // Whether the voiced frames of the last two seconds stand so far above the level heard before
    // the voice that the heart cannot be heard under them.
    bool Drowns() const;

private:
    // The middle band's level over the last two seconds' voiced or unvoiced frames.
    struct BandLevel {
        std::size_t frames = 0;
        double mean = 0.0;
        double swing = 0.0;  // standard deviation
    };
    BandLevel RecentLevel(bool voiced) const;

    std::vector<bool> m_voiced;       // a frame each
    std::vector<double> m_bandLevel;  // the middle band unsquashed, a frame each
    // The middle band's mean and swing last heard with no voice.
    std::optional<double> m_quietLevel;
    double m_quietSwing = 0.0;
};

}  // namespace marulo::ratecheck
