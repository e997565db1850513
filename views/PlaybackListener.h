// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace marulo::views {

// Told by the review chart whether a record's audio plays; called on the user-interface thread.
class PlaybackListener {
public:
    virtual void OnPlaybackStarted() = 0;
    virtual void OnPlaybackStopped() = 0;

protected:
    ~PlaybackListener() = default;
};

}  // namespace marulo::views
