// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a sample record of what a parent hears at home (the mother's pulse, a slip onto her
// vessel, the probe lifted, talking), with three "baby moved" marks and a note, and renders its
// review chart with the quality strip and the marks.
#include <QApplication>
#include <QSignalSpy>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "archive/RecordEvents.h"
#include "jobs/QtPost.h"
#include "review/ReviewModel.h"
#include "session/WorkingFilesOwner.h"
#include "tools/screenshots/SampleRecord.h"
#include "views/ReviewBinding.h"
#include "views/ReviewView.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    QApplication application(argc, argv);
    if (argc != 3) {
        std::cerr << "usage: marulo-screenshot-quality CHART.png RECORD.zip\n";
        return 2;
    }
    const fs::path chart = fs::absolute(argv[1]);
    const fs::path record = fs::absolute(argv[2]);
    std::string folder = (fs::temp_directory_path() / "marulo-quality-shot-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::cerr << "cannot make a temporary folder\n";
        return 1;
    }
    fs::current_path(folder);

    marulo::synth::SynthOptions options{600, 136, 150, 11};
    marulo::synth::ListeningOptions heard;
    heard.maternalBpm = 74;
    heard.maternalGain = 0.15;
    heard.slips.push_back({150, 45});
    heard.lifts.push_back({{300, 30}, marulo::synth::LiftedSound::Hiss});
    heard.talks.push_back({430, 15});
    heard.snrDb = 10;
    if (!marulo::screenshots::WriteSampleRecord(record, options, heard) ||
        marulo::archive::WriteRecordEvents(record, {{95, 200, 470}, "Kicks after breakfast"}) !=
            marulo::archive::EventsProblem::None) {
        std::cerr << "cannot write " << record << '\n';
        return 1;
    }

    bool saved = false;
    {
        marulo::views::ReviewView view(nullptr);
        marulo::session::WorkingFilesOwner files;
        marulo::review::ReviewModel model({}, files, marulo::jobs::PostTo(&view));
        marulo::views::ReviewBinding binding(model, view);
        view.resize(640, 250);
        view.show();
        QSignalSpy checked(&view, &marulo::views::ReviewView::QualityChecked);
        binding.Load(record);
        if (checked.wait(30000)) {
            // The picture shows the chart, not where the keyboard is.
            view.clearFocus();
            saved = view.grab().save(QString::fromStdString(chart.string()));
        }
        binding.Clear();
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
    if (!saved) {
        std::cerr << "cannot render " << chart << '\n';
        return 1;
    }
    return 0;
}
