// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAccessible>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include "controls/SkinBitmap.h"
#include "controls/SkinnedButton.h"

namespace marulo::controls {
namespace {

const QColor kBackdrop(1, 2, 3);

QImage Blank(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBackdrop);
    return image;
}

QImage Draw(int id, QSize size, bool pressed, const ButtonState& state, const QString& text,
            bool* handled = nullptr) {
    QImage image = Blank(size);
    QPainter painter(&image);
    const bool drawn =
        DrawSkinnedButton(id, painter, QRect(QPoint(0, 0), size), pressed, state, text);
    if (handled != nullptr) {
        *handled = drawn;
    }
    return image;
}

QImage Bitmap(int number) {
    SkinBitmap resourcesReady;
    resourcesReady.Load(number);
    return QImage(QStringLiteral(":/skin/%1.bmp").arg(number))
        .convertToFormat(QImage::Format_RGB32);
}

// Whether the image shows the bitmap from `offset` on, the rest left as the backdrop.
::testing::AssertionResult ShowsBitmap(const QImage& image, const QImage& bitmap, QPoint offset) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QPoint source(x - offset.x(), y - offset.y());
            const QRgb expected =
                bitmap.rect().contains(source) ? bitmap.pixel(source) : kBackdrop.rgb();
            if (image.pixel(x, y) != expected) {
                return ::testing::AssertionFailure() << "pixel " << x << "," << y;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(SkinnedButtonTest, BitmapButtonsShowTheirPictureByStateAndShiftWhileHeld) {
    struct Case {
        int id;
        QSize control;
        ButtonState state;
        int bitmap;
        bool shifts;
    };
    const Case cases[] = {
        {kMinimizeButtonId, {20, 21}, {}, 166, true},
        {kCloseButtonId, {20, 21}, {}, 134, true},
        {kMotherListButtonId, {130, 130}, {}, 145, false},
        {kMonitorButtonId, {100, 100}, {false, false, false}, 139, true},
        {kMonitorButtonId, {100, 100}, {true, false, false}, 143, true},
        {kCalendarButtonId, {27, 26}, {}, 202, true},
        {kPlayButtonId, {45, 48}, {false, false, false}, 154, true},
        {kPlayButtonId, {45, 48}, {false, true, false}, 153, true},
        {kMuteButtonId, {29, 29}, {false, false, false}, 165, true},
        {kMuteButtonId, {29, 29}, {false, false, true}, 164, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const QImage bitmap = Bitmap(c.bitmap);
        ASSERT_FALSE(bitmap.isNull()) << c.bitmap;
        bool handled = false;
        EXPECT_TRUE(
            ShowsBitmap(Draw(c.id, c.control, false, c.state, {}, &handled), bitmap, QPoint(0, 0)));
        EXPECT_TRUE(handled);
        EXPECT_TRUE(ShowsBitmap(Draw(c.id, c.control, true, c.state, {}), bitmap,
                                c.shifts ? QPoint(1, 1) : QPoint(0, 0)));
    }
}

TEST(SkinnedButtonTest, TextFieldsAreFilledBlocksWithTheirTextCentred) {
    struct Case {
        int id;
        QColor fill;
    };
    const Case cases[] = {{kWeekButtonId, QColor(255, 255, 255)},
                          {kDayButtonId, QColor(255, 255, 255)},
                          {kEdcDisplayId, QColor(246, 239, 255)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const QImage empty = Draw(c.id, {96, 26}, false, {}, {});
        for (int y = 0; y < empty.height(); ++y) {
            for (int x = 0; x < empty.width(); ++x) {
                ASSERT_EQ(empty.pixel(x, y), c.fill.rgb()) << x << "," << y;
            }
        }
        // Held down, the text stays where it is.
        const QImage text = Draw(c.id, {96, 26}, false, {}, QStringLiteral("2010-05-12"));
        EXPECT_EQ(Draw(c.id, {96, 26}, true, {}, QStringLiteral("2010-05-12")), text);
        int darkLeft = 96;
        int darkRight = -1;
        for (int y = 0; y < text.height(); ++y) {
            for (int x = 0; x < text.width(); ++x) {
                if (qGray(text.pixel(x, y)) < 100) {
                    darkLeft = std::min(darkLeft, x);
                    darkRight = std::max(darkRight, x);
                }
            }
        }
        ASSERT_GE(darkRight, 0) << "no text drawn";
        EXPECT_LE(std::abs(darkLeft - (95 - darkRight)), 2) << "text not centred";
    }
}

TEST(SkinnedButtonTest, UnknownIdsAreLeftToTheOwner) {
    for (const int id : {kRecordListId, kHomepageButtonId, kLanguageButtonId, 0}) {
        bool handled = true;
        const QImage image = Draw(id, {40, 18}, false, {}, QStringLiteral("x"), &handled);
        EXPECT_FALSE(handled) << id;
        EXPECT_EQ(image, Blank({40, 18})) << id;
    }
}

TEST(SkinnedButtonTest, WidgetPaintsFromTheCurrentStateOrItsFallback) {
    ButtonState state;
    SkinnedButton monitor(kMonitorButtonId, [&state] { return state; });
    monitor.resize(100, 100);
    const auto rendered = [](QWidget& widget) {
        QImage image = Blank(widget.size());
        widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    EXPECT_TRUE(ShowsBitmap(rendered(monitor), Bitmap(139), QPoint(0, 0)));
    state.capturing = true;
    EXPECT_TRUE(ShowsBitmap(rendered(monitor), Bitmap(143), QPoint(0, 0)));
    monitor.setDown(true);
    EXPECT_TRUE(ShowsBitmap(rendered(monitor), Bitmap(143), QPoint(1, 1)));

    SkinnedButton homepage(kHomepageButtonId, [] { return ButtonState{}; });
    homepage.resize(40, 18);
    int fallbackPaints = 0;
    homepage.SetFallbackPainter([&](QPainter& painter, const SkinnedButton& button) {
        ++fallbackPaints;
        painter.fillRect(button.rect(), Qt::red);
    });
    EXPECT_EQ(rendered(homepage).pixel(5, 5), QColor(Qt::red).rgb());
    EXPECT_EQ(fallbackPaints, 1);
}

TEST(SkinnedButtonTest, TabReachesItSpaceAndEnterPressItAMousePressDoesNotFocusIt) {
    QWidget window;
    SkinnedButton first(kWeekButtonId, {}, &window);
    SkinnedButton second(kDayButtonId, {}, &window);
    SkinnedButton edc(kEdcDisplayId, {}, &window);
    first.setGeometry(0, 0, 40, 18);
    second.setGeometry(50, 0, 40, 18);
    edc.setGeometry(100, 0, 40, 18);
    int clicks = 0;
    QObject::connect(&second, &QAbstractButton::clicked, [&clicks] { ++clicks; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    first.setFocus(Qt::TabFocusReason);
    QTest::mouseClick(&second, Qt::LeftButton);
    EXPECT_TRUE(first.hasFocus()) << "the mouse behaves as before: no focus, no mark";
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(edc.focusPolicy(), Qt::NoFocus) << "the EDC field has no command";

    first.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&window, Qt::Key_Tab);
    ASSERT_TRUE(second.hasFocus());
    struct Press {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    for (const Press press : {Press{Qt::Key_Space, {}}, Press{Qt::Key_Return, {}},
                              Press{Qt::Key_Enter, Qt::KeypadModifier}}) {
        const int before = clicks;
        QTest::keyClick(&second, press.key, press.modifiers);
        EXPECT_TRUE(second.hasFocus());
        EXPECT_EQ(clicks, before + 1) << press.key;
    }
    QTest::keyClick(&second, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks, 4) << "only a plain Enter presses";
}

TEST(SkinnedButtonTest, FocusedButtonShowsTheMarkOverItsPicture) {
    QWidget window;
    SkinnedButton close(
        kCloseButtonId, [] { return ButtonState{}; }, &window);
    close.setGeometry(0, 0, 20, 21);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto shot = [&close] {
        return close.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    close.clearFocus();
    const QImage plain = shot();
    EXPECT_TRUE(ShowsBitmap(plain, Bitmap(134), QPoint(0, 0)));
    close.setFocus(Qt::TabFocusReason);
    const QImage focused = shot();
    int marked = 0;
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            if (focused.pixel(x, y) != plain.pixel(x, y)) {
                ++marked;
                // Blended toward the mark's violet.
                EXPECT_LT(QColor(focused.pixel(x, y)).red(), QColor(plain.pixel(x, y)).red() + 1);
            }
        }
    }
    EXPECT_GT(marked, 10);
    close.clearFocus();
    EXPECT_EQ(shot(), plain);
    // Focus the mouse or the window's activation gave shows nothing.
    for (const Qt::FocusReason reason : {Qt::MouseFocusReason, Qt::ActiveWindowFocusReason}) {
        close.setFocus(reason);
        EXPECT_EQ(shot(), plain) << reason;
        close.clearFocus();
    }
}

TEST(SkinnedButtonTest, TipAndAccessibleNameFollowTheSourceAndTheText) {
    struct Case {
        int id;
        QString text;
        QString tip;
        QString name;
    };
    const Case cases[] = {
        {kMonitorButtonId,
         {},
         QStringLiteral("Start monitoring"),
         QStringLiteral("Start monitoring")},
        {kWeekButtonId, QStringLiteral("24"), QStringLiteral("Week"), QStringLiteral("Week: 24")},
        {kWeekButtonId, {}, QStringLiteral("Week"), QStringLiteral("Week")},
        {kLanguageButtonId, QStringLiteral("Language: English"), QStringLiteral("Choose"),
         QStringLiteral("Language: English")},
    };
    for (const Case& c : cases) {
        SkinnedButton button(c.id, {});
        button.setText(c.text);
        button.SetTipSource([&c] { return c.tip; });
        EXPECT_EQ(button.toolTip(), c.tip);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Name), c.name);
    }
    // A changed state shows in the tip from the next paint on.
    QString tip = QStringLiteral("Start monitoring");
    SkinnedButton monitor(kMonitorButtonId, [] { return ButtonState{}; });
    monitor.resize(100, 100);
    monitor.SetTipSource([&tip] { return tip; });
    tip = QStringLiteral("Stop monitoring");
    monitor.grab();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&monitor)->text(QAccessible::Name), tip);
    EXPECT_EQ(monitor.toolTip(), tip);
}

}  // namespace
}  // namespace marulo::controls
