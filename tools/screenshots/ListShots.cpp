// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the mother list dialog and the record list, each with a selected entry, into PNGs for
// the documentation.
#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "archive/RecordItemTexts.h"
#include "controls/RecordListDrawing.h"
#include "dialogs/MotherListDialog.h"

namespace {

namespace fs = std::filesystem;

bool Save(QWidget& widget, const char* path) {
    if (!widget.grab().toImage().save(QString::fromLocal8Bit(path))) {
        std::cerr << "cannot write " << path << '\n';
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::cerr << "usage: marulo-screenshot-lists MOTHER-LIST.png RECORD-LIST.png\n";
        return 2;
    }
    std::string pattern = (fs::temp_directory_path() / "marulo-shots-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::cerr << "cannot make a temporary folder\n";
        return 1;
    }
    const fs::path records = pattern;
    for (const char* name :
         {"Anna_20100512_20100209153045123.zip", "Anna_20100512_20100301101010000.zip",
          "Bella_20101103_20100420083000000.zip", "Chloe_20100920_20100315141500000.zip",
          "Mary_Ann_20100718_20100102093000000.zip"}) {
        std::ofstream(records / name) << "zip";
    }

    int result = 0;
    {
        marulo::dialogs::MotherListDialog dialog(nullptr, records);
        dialog.MotherList()->setCurrentRow(1);
        dialog.show();
        if (!Save(dialog, argv[1])) {
            result = 1;
        }
    }
    {
        QListWidget list;
        list.setItemDelegate(new marulo::controls::RecordListDelegate(&list));
        list.setFrameShape(QFrame::NoFrame);
        list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list.resize(180, 301);
        using marulo::archive::RecordSummary;
        using marulo::archive::SoundCheck;
        // A good record, a partly confirmed one, one without a heartbeat and a long one.
        const struct {
            const char* name;
            RecordSummary summary;
        } shown[] = {
            {"Anna_20100512_20100209153045123.zip", {1260, true, SoundCheck::Checked, 1222}},
            {"Anna_20100512_20100301101010000.zip", {905, true, SoundCheck::Checked, 431}},
            {"Anna_20100512_20100402143005000.zip", {184, false, SoundCheck::Checked, 0}},
            {"Anna_20100512_20100428200112000.zip", {3912, true, SoundCheck::Checked, 3560}},
        };
        for (const auto& record : shown) {
            auto* item = new QListWidgetItem(QString::fromLatin1(record.name), &list);
            item->setData(marulo::controls::kRecordIdentityRole,
                          QVariant::fromValue(marulo::archive::ReadRecordIdentity(record.name)));
            item->setData(marulo::controls::kRecordSummaryRole,
                          QVariant::fromValue(record.summary));
        }
        list.setCurrentRow(1);
        list.show();
        if (!Save(list, argv[2])) {
            result = 1;
        }
    }
    fs::remove_all(records);
    return result;
}
