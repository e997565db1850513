// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <functional>

#include "archive/RecordArchive.h"

namespace marulo::review {
class ReviewModel;
}

namespace marulo::views {

class ReviewView;

// Shows the review's record in the chart: what the model loads and checks goes to the view, and
// the view's playback takes the working files from the review and gives them back.
class ReviewBinding {
public:
    using Loaded = std::function<void(archive::RecordProblem problem)>;

    ReviewBinding(review::ReviewModel& model, ReviewView& view);
    ~ReviewBinding();
    ReviewBinding(const ReviewBinding&) = delete;
    ReviewBinding& operator=(const ReviewBinding&) = delete;

    // Told once a loaded record is shown, before a play asked for meanwhile starts.
    void SetLoaded(Loaded loaded) { m_loaded = std::move(loaded); }
    // False, and the chart stays as it was, while someone else holds the working files.
    bool Load(const std::filesystem::path& archive);
    void Clear();
    // The model's marks and note to the chart again, after the note changed or the language.
    void ShowEvents();

private:
    review::ReviewModel& m_model;
    ReviewView& m_view;
    Loaded m_loaded;
};

}  // namespace marulo::views
