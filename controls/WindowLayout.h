// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QSize>
#include <cmath>

// The main window's layout and the skin's bitmap numbers, in one place for the window, the skin
// generator and the tests: a control and the picture drawn for it cannot drift apart.
namespace marulo::controls {

// Win32-style rectangle with exclusive right and bottom edges.
constexpr QRect Box(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

inline constexpr QSize kMainWindowSize{898, 627};

// On a screen too small for the window, its layout shrinks by a scale from here up to 1.
inline constexpr double kSmallestLayoutScale = 0.75;

// A table coordinate at a layout scale, to the nearest pixel (halves away from zero).
inline int ScaledCoordinate(int coordinate, double scale) {
    return static_cast<int>(std::lround(coordinate * scale));
}

// A rectangle of the table at a layout scale. Each edge is scaled on its own, so controls that
// touch in the table still touch, and none overlaps another it did not overlap.
inline QRect ScaledRect(const QRect& rect, double scale) {
    const int left = ScaledCoordinate(rect.left(), scale);
    const int top = ScaledCoordinate(rect.top(), scale);
    return QRect(left, top, ScaledCoordinate(rect.left() + rect.width(), scale) - left,
                 ScaledCoordinate(rect.top() + rect.height(), scale) - top);
}

inline QSize ScaledSize(const QSize& size, double scale) {
    return {ScaledCoordinate(size.width(), scale), ScaledCoordinate(size.height(), scale)};
}

// Control ids of the main window.
inline constexpr int kMinimizeButtonId = 101;
inline constexpr int kCloseButtonId = 102;
inline constexpr int kMotherListButtonId = 103;
inline constexpr int kMonitorButtonId = 104;
inline constexpr int kMonitorViewId = 105;
inline constexpr int kNameBoxId = 106;
inline constexpr int kWeekButtonId = 107;
inline constexpr int kDayButtonId = 108;
inline constexpr int kEdcDisplayId = 109;
inline constexpr int kCalendarButtonId = 110;
inline constexpr int kEdcCalendarId = 111;
inline constexpr int kRecordListId = 114;
inline constexpr int kReviewViewId = 115;
inline constexpr int kPlayButtonId = 116;
inline constexpr int kVolumeSliderId = 117;
inline constexpr int kMuteButtonId = 118;
inline constexpr int kHomepageButtonId = 119;
inline constexpr int kLanguageButtonId = 120;
inline constexpr int kInputButtonId = 121;
inline constexpr int kRecordingStateId = 122;
inline constexpr int kExportButtonId = 123;
// Below the record list: delete the current record, and bring it back while that is offered.
inline constexpr int kDeleteRecordButtonId = 124;
inline constexpr int kUndoDeleteButtonId = 125;
inline constexpr int kMarkButtonId = 126;
inline constexpr int kNoteButtonId = 127;

// A control of the main window: its id, its object name and its rectangle in client coordinates.
// The caption buttons at the bottom edge are fitted to their captions from these rectangles.
struct ControlPlace {
    int id = 0;
    const char* name = "";
    QRect rect;
};

// In the order the window creates its controls.
inline constexpr ControlPlace kControlPlaces[] = {
    {kMonitorButtonId, "MonitorButton", Box(770, 80, 870, 180)},
    {kRecordingStateId, "RecordingState", Box(758, 182, 882, 224)},
    {kMarkButtonId, "MarkButton", Box(760, 228, 880, 254)},
    {kMotherListButtonId, "MotherListButton", Box(20, 60, 150, 190)},
    {kMinimizeButtonId, "MinimizeButton", Box(845, 7, 865, 28)},
    {kCloseButtonId, "CloseButton", Box(870, 7, 890, 28)},
    {kMonitorViewId, "MonitorView", Box(413, 41, 744, 224)},
    {kNameBoxId, "NameBox", Box(219, 82, 341, 100)},
    {kWeekButtonId, "WeekButton", Box(220, 114, 260, 132)},
    {kDayButtonId, "DayButton", Box(303, 114, 325, 131)},
    {kEdcDisplayId, "EdcDisplay", Box(219, 142, 315, 168)},
    {kCalendarButtonId, "CalendarButton", Box(316, 142, 343, 168)},
    {kEdcCalendarId, "EdcCalendar", Box(316, 169, 456, 318)},
    {kReviewViewId, "ReviewView", Box(320, 270, 830, 520)},
    {kExportButtonId, "ExportButton", Box(430, 540, 543, 568)},
    {kPlayButtonId, "PlayButton", Box(550, 530, 595, 578)},
    {kMuteButtonId, "MuteButton", Box(676, 540, 705, 569)},
    {kVolumeSliderId, "VolumeSlider", Box(700, 542, 830, 564)},
    {kLanguageButtonId, "LanguageButton", Box(12, 607, 180, 625)},
    {kInputButtonId, "InputButton", Box(200, 607, 490, 625)},
    {kHomepageButtonId, "HomepageButton", Box(500, 607, 887, 625)},
    {kRecordListId, "RecordList", Box(38, 279, 218, 556)},
    {kDeleteRecordButtonId, "DeleteRecordButton", Box(40, 559, 126, 578)},
    {kUndoDeleteButtonId, "UndoDeleteButton", Box(130, 559, 216, 578)},
    {kNoteButtonId, "NoteButton", Box(330, 540, 425, 568)},
};

// The place of a control; an unknown id has an empty one.
constexpr ControlPlace PlaceOf(int id) {
    for (const ControlPlace& place : kControlPlaces) {
        if (place.id == id) {
            return place;
        }
    }
    return {};
}

constexpr QRect ControlRect(int id) {
    return PlaceOf(id).rect;
}

// The skin's numbered bitmaps (`:/skin/<number>.bmp`) and its pointing cursor (`<number>.png`).
namespace skin {
inline constexpr int kCloseButton = 134;
inline constexpr int kMonitorStartButton = 139;
inline constexpr int kMonitorGrid = 142;
inline constexpr int kMonitorSaveButton = 143;
inline constexpr int kProfilePanel = 145;
inline constexpr int kRecordSelectionFrame = 150;
inline constexpr int kRecordHeart = 151;
inline constexpr int kStopButton = 153;
inline constexpr int kPlayButton = 154;
inline constexpr int kVolumeThumb = 156;
inline constexpr int kVolumeChannel = 158;
inline constexpr int kSelectedMotherIcon = 160;
inline constexpr int kMotherIcon = 161;
inline constexpr int kChartMinuteTile = 162;
inline constexpr int kMutedSpeaker = 164;
inline constexpr int kSoundingSpeaker = 165;
inline constexpr int kMinimizeButton = 166;
inline constexpr int kWindowFace = 201;
inline constexpr int kCalendarButton = 202;
inline constexpr int kPointingCursor = 106;
}  // namespace skin

}  // namespace marulo::controls
