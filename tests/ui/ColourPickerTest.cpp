#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QColorDialog>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "controls/ColourButton.h"
#include "controls/ColourPalette.h"
#include "tests/MouseEvents.h"

namespace {

// 2-pixel margin, 18-pixel cells, box texts 60 x 13: text boxes 144 x 25.
const PaletteGeometry kBoth(2, 18, {60, 13}, true, true);
const PaletteGeometry kMoreOnly(2, 18, {60, 13}, false, true);
const PaletteGeometry kCellsOnly(2, 18, {}, false, false);

TEST(PaletteGeometry, BoxesCellsAndWhatEachPointHits)
{
    EXPECT_EQ(kBoth.WindowSize(), QSize(148, 152));
    EXPECT_EQ(kBoth.EntryRect(ENTRY_AUTO), QRect(2, 2, 144, 25));
    EXPECT_EQ(kBoth.EntryRect(ENTRY_MORE), QRect(2, 123, 144, 25));
    EXPECT_EQ(kBoth.EntryRect(0), QRect(2, 29, 18, 18));
    EXPECT_EQ(kBoth.EntryRect(39), QRect(128, 101, 18, 18));
    EXPECT_EQ(kCellsOnly.WindowSize(), QSize(148, 94));
    EXPECT_EQ(kCellsOnly.EntryRect(9), QRect(20, 20, 18, 18));
    EXPECT_TRUE(kCellsOnly.EntryRect(ENTRY_AUTO).isEmpty());

    struct Hit {
        const PaletteGeometry& geometry;
        QPoint point;
        int entry;
    };
    const Hit hits[] = {
        {kBoth, {19, 46}, 0},    {kBoth, {20, 29}, 1},
        {kBoth, {145, 118}, 39}, {kBoth, {10, 10}, ENTRY_AUTO}, {kBoth, {145, 147}, ENTRY_MORE},
        {kBoth, {10, 27}, ENTRY_NONE},  // between "Automatic" and the first row
        {kBoth, {1, 29}, ENTRY_NONE},   // the left margin
        {kBoth, {146, 29}, ENTRY_NONE}, // the right margin
        {kCellsOnly, {2, 2}, 0},        {kCellsOnly, {145, 91}, 39},
        {kCellsOnly, {10, 92}, ENTRY_NONE},
    };
    for (const Hit& hit : hits)
        EXPECT_EQ(hit.geometry.EntryAt(hit.point), hit.entry) << hit.point.x() << ", " << hit.point.y();
}

TEST(PaletteGeometry, ArrowKeysWrapThroughTheBoxes)
{
    struct Step {
        const char* name;
        const PaletteGeometry& geometry;
        int from;
        int key;
        int to;
    };
    const Step steps[] = {
        {"right off a row's end", kBoth, 7, Qt::Key_Right, 8},
        {"right on the last cell", kBoth, 39, Qt::Key_Right, ENTRY_MORE},
        {"left on the first cell", kBoth, 0, Qt::Key_Left, ENTRY_AUTO},
        {"up from the top row", kBoth, 3, Qt::Key_Up, ENTRY_AUTO},
        {"down from the bottom row", kBoth, 35, Qt::Key_Down, ENTRY_MORE},
        {"up from Automatic", kBoth, ENTRY_AUTO, Qt::Key_Up, ENTRY_MORE},
        {"down from Automatic", kBoth, ENTRY_AUTO, Qt::Key_Down, 0},
        {"down from More", kBoth, ENTRY_MORE, Qt::Key_Down, ENTRY_AUTO},
        {"left from More", kBoth, ENTRY_MORE, Qt::Key_Left, 39},
        {"right with nothing highlighted", kBoth, ENTRY_NONE, Qt::Key_Right, ENTRY_MORE},
        {"left on the first cell, no Automatic", kMoreOnly, 0, Qt::Key_Left, ENTRY_MORE},
        {"down from More, no Automatic", kMoreOnly, ENTRY_MORE, Qt::Key_Down, 0},
        {"right on the last cell, cells only", kCellsOnly, 39, Qt::Key_Right, 0},
        {"left on the first cell, cells only", kCellsOnly, 0, Qt::Key_Left, 39},
    };
    for (const Step& step : steps)
        EXPECT_EQ(step.geometry.NextEntry(step.from, step.key), step.to) << step.name;
}

TEST(PlacePalette, StaysOnTheScreenAndOpensAboveTheButtonNearTheBottom)
{
    const QRect screen(0, 0, 1920, 1080);
    const QRect secondScreen(1920, 0, 1280, 1024);
    struct Case {
        const char* name;
        QRect window;
        QRect screen;
        QRect placed;
    };
    const Case cases[] = {
        {"room everywhere", {100, 100, 148, 152}, screen, {100, 100, 148, 152}},
        {"past the right edge", {1850, 100, 148, 152}, screen, {1772, 100, 148, 152}},
        {"past the bottom", {100, 1000, 148, 152}, screen, {100, 827, 148, 152}},
        {"wider than the screen", {10, 10, 2000, 152}, screen, {0, 10, 2000, 152}},
        {"second screen's right edge", {3150, 100, 148, 152}, secondScreen, {3052, 100, 148, 152}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlacePalette(c.window, 21, c.screen), c.placed) << c.name;
}

// What the button told its parent, in order: "selEndOk 00D7FF, ...".
class Notifications : public QObject {
public:
    explicit Notifications(CColourButton& button)
    {
        const auto record = [this](const char* name) {
            return [this, name](COLORREF colour) { m_events << QString::asprintf("%s %06X", name, colour); };
        };
        connect(&button, &CColourButton::selChange, this, record("selChange"));
        connect(&button, &CColourButton::dropDown, this, record("dropDown"));
        connect(&button, &CColourButton::closeUp, this, record("closeUp"));
        connect(&button, &CColourButton::selEndOk, this, record("selEndOk"));
        connect(&button, &CColourButton::selEndCancel, this, record("selEndCancel"));
    }
    std::string Events() const { return m_events.join(", ").toStdString(); }

private:
    QStringList m_events;
};

// Answers the next modal dialog once it is shown.
void WhenModal(std::function<void(QWidget*)> answer)
{
    QTimer::singleShot(0, [answer] {
        if (QWidget* modal = QApplication::activeModalWidget())
            answer(modal);
        else
            WhenModal(answer);
    });
}

// A move with no button held, straight to the popup: the window system
// path would drop a move to where the pointer already stood.
void Hover(QWidget* popup, QPoint at)
{
    mouse::Move(*popup, at, Qt::NoButton);
}

QRgb PixelOf(QWidget& widget, QPoint point)
{
    return widget.grab().toImage().pixel(point);
}

QRgb ColourOf(const QWidget& widget, QPalette::ColorRole role)
{
    return widget.palette().color(role).rgb();
}

class Picker : public testing::Test {
protected:
    Picker()
    {
        m_window.resize(400, 300);
        m_button->setGeometry(267, 6, 70, 21);
        m_button->SetSelectedColour(RGB(255, 255, 255));
        m_window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    CColourPalette* Open()
    {
        // An ended popup lingers until its deferred deletion.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_button->click();
        auto* popup = m_button->findChild<CColourPalette*>();
        EXPECT_TRUE(popup && QTest::qWaitForWindowExposed(popup));
        return popup;
    }
    static QPoint Centre(const CColourPalette* popup, int entry) { return popup->Geometry().EntryRect(entry).center(); }

    // The popup deletes itself once the event loop comes round.
    static bool Gone(const QPointer<CColourPalette>& popup)
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return popup.isNull();
    }

    QWidget m_window;
    CColourButton* m_button = new CColourButton(QStringLiteral("color"), &m_window);
    Notifications m_notifications{*m_button};
};

TEST_F(Picker, OpensBelowTheButtonMarkingTheColourItWasOpenedWith)
{
    struct Case {
        COLORREF colour;
        int chosen;
    };
    const Case cases[] = {{RGB(255, 255, 255), 39}, {RGB(255, 0, 0), 16}, {RGB(1, 2, 3), ENTRY_MORE},
                          {CLR_DEFAULT, ENTRY_AUTO}};
    for (const Case& c : cases) {
        m_button->SetSelectedColour(c.colour);
        CColourPalette* popup = Open();
        ASSERT_TRUE(popup);
        EXPECT_EQ(popup->Chosen(), c.chosen) << std::hex << c.colour;
        EXPECT_EQ(popup->pos(), m_button->mapToGlobal(QPoint(0, m_button->height())));
        QTest::keyClick(popup, Qt::Key_Escape);
    }
}

TEST_F(Picker, CellsShowTheirSwatchAndTheChosenCellItsLightBackground)
{
    CColourPalette* popup = Open();
    ASSERT_TRUE(popup);
    const QRect white = popup->Geometry().EntryRect(39);
    const QRect red = popup->Geometry().EntryRect(16);
    EXPECT_EQ(PixelOf(*popup, red.center()), qRgb(255, 0, 0));
    EXPECT_EQ(PixelOf(*popup, red.topLeft() + QPoint(1, 1)), ColourOf(*popup, QPalette::Button));
    EXPECT_EQ(PixelOf(*popup, white.topLeft() + QPoint(1, 1)), ColourOf(*popup, QPalette::Light));
    EXPECT_EQ(PixelOf(*popup, white.topLeft() + QPoint(3, 3)), ColourOf(*popup, QPalette::Dark));
}

TEST_F(Picker, HoverReportsEachNewCellAndReleaseOnAnotherConfirmsIt)
{
    CColourPalette* popup = Open();
    ASSERT_TRUE(popup);
    QPointer<CColourPalette> watch(popup);
    QTest::mousePress(popup, Qt::LeftButton, {}, Centre(popup, 16));
    Hover(popup, Centre(popup, 16));
    Hover(popup, Centre(popup, 25));
    Hover(popup, Centre(popup, 25) + QPoint(1, 1));
    EXPECT_EQ(m_button->GetSelectedColour(), RGB(255, 255, 255));
    QTest::mouseRelease(popup, Qt::LeftButton, {}, Centre(popup, 25));

    EXPECT_EQ(m_notifications.Events(), "dropDown FFFFFF, selChange 0000FF, selChange 00D7FF, "
                                        "closeUp 00D7FF, selEndOk 00D7FF, selChange 00D7FF");
    EXPECT_EQ(m_button->GetSelectedColour(), RGB(255, 215, 0));
    EXPECT_TRUE(Gone(watch));
}

TEST_F(Picker, EveryCancellationRestoresTheColourOfTheOpening)
{
    const std::pair<const char*, std::function<void(CColourPalette*)>> endings[] = {
        {"release outside", [](CColourPalette* p) { QTest::mouseRelease(p, Qt::LeftButton, {}, QPoint(-5, 10)); }},
        {"Escape", [](CColourPalette* p) { QTest::keyClick(p, Qt::Key_Escape); }},
        {"closed by the system", [](CColourPalette* p) { p->close(); }},
        {"application deactivated", [](CColourPalette*) { emit qApp->applicationStateChanged(Qt::ApplicationInactive); }},
    };
    for (const auto& [name, end] : endings) {
        Notifications notifications(*m_button);
        QPointer<CColourPalette> popup = Open();
        ASSERT_TRUE(popup) << name;
        Hover(popup, Centre(popup, 16));
        end(popup);
        EXPECT_EQ(notifications.Events(), "dropDown FFFFFF, selChange 0000FF, closeUp FFFFFF, selEndCancel FFFFFF")
            << name;
        EXPECT_EQ(m_button->GetSelectedColour(), RGB(255, 255, 255)) << name;
        EXPECT_TRUE(Gone(popup)) << name;
    }
}

TEST_F(Picker, AutomaticSetsTheDefaultColourAndTheSwatchShowsTheFace)
{
    const QPoint swatch(4, 4);
    EXPECT_EQ(PixelOf(*m_button, swatch), qRgb(255, 255, 255));
    CColourPalette* popup = Open();
    ASSERT_TRUE(popup);
    Hover(popup, Centre(popup, ENTRY_AUTO));
    QTest::mouseRelease(popup, Qt::LeftButton, {}, Centre(popup, ENTRY_AUTO));

    EXPECT_EQ(m_notifications.Events(), "dropDown FFFFFF, selChange FF000000, closeUp FF000000, "
                                        "selEndOk FF000000, selChange FF000000");
    EXPECT_EQ(m_button->GetSelectedColour(), CLR_DEFAULT);
    EXPECT_EQ(PixelOf(*m_button, swatch), ColourOf(*m_button, QPalette::Button));
}

TEST_F(Picker, MoreColoursTakesTheDialogsColourAndItsCancelIsACancellation)
{
    struct Case {
        bool accept;
        const char* ending;
        COLORREF colour;
    };
    const Case cases[] = {
        {true, "closeUp 1E140A, selEndOk 1E140A, selChange 1E140A", RGB(10, 20, 30)},
        {false, "closeUp FFFFFF, selEndCancel FFFFFF", RGB(255, 255, 255)},
    };
    for (const Case& c : cases) {
        m_button->SetSelectedColour(RGB(255, 255, 255));
        Notifications notifications(*m_button);
        CColourPalette* popup = Open();
        ASSERT_TRUE(popup);
        // With nothing highlighted, Right goes to "More Colours...", which
        // reports the colour of the opening.
        QTest::keyClick(popup, Qt::Key_Right);
        ASSERT_EQ(popup->Hot(), ENTRY_MORE);
        QColor offered;
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QColorDialog*>(modal);
            ASSERT_TRUE(dialog);
            offered = dialog->currentColor();
            dialog->setCurrentColor(QColor(10, 20, 30));
            c.accept ? dialog->accept() : dialog->reject();
        });
        QTest::keyClick(popup, Qt::Key_Return);

        EXPECT_EQ(offered, QColor(Qt::white));
        EXPECT_EQ(notifications.Events(), std::string("dropDown FFFFFF, selChange FFFFFF, ") + c.ending);
        EXPECT_EQ(m_button->GetSelectedColour(), c.colour);
    }
}

TEST_F(Picker, CellsCarryTheirNamesAsTooltips)
{
    CColourPalette* popup = Open();
    ASSERT_TRUE(popup);
    const std::pair<int, const char*> tips[] = {{25, "Gold"}, {35, "Pale green "}};
    for (const auto& [cell, name] : tips) {
        const QPoint at = Centre(popup, cell);
        QHelpEvent help(QEvent::ToolTip, at, popup->mapToGlobal(at));
        QApplication::sendEvent(popup, &help);
        EXPECT_EQ(QToolTip::text().toStdString(), name);
    }
}

// Collects the regions that the popup paints.
class PaintRecorder : public QObject {
public:
    QRegion m_painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            m_painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TEST_F(Picker, AHighlightMoveRepaintsOnlyTheTwoCells)
{
    CColourPalette* popup = Open();
    ASSERT_TRUE(popup);
    Hover(popup, Centre(popup, 0));
    QCoreApplication::processEvents();
    PaintRecorder recorder;
    popup->installEventFilter(&recorder);
    Hover(popup, Centre(popup, 1));
    for (int wait = 0; wait < 50 && recorder.m_painted.isEmpty(); ++wait)
        QTest::qWait(10);

    const QRegion cells = QRegion(popup->Geometry().EntryRect(0)) + popup->Geometry().EntryRect(1);
    EXPECT_EQ(recorder.m_painted, cells);
}

}  // namespace
