// A restored window position keeps the window wholly on one screen.
#include "DiscoveryFixture.h"

#include "app/WindowPlacement.h"

#include <QScreen>

#include <climits>
#include <string>

namespace {

struct PlacementCase {
    const char* name;
    QPoint wanted;
    QSize size;
    QPoint placed;
};

// A primary work area above a task bar and a second, smaller screen to its right.
const QList<QRect> TwoScreens = {QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)};
const QSize Window(1138, 608);

TEST(FitWindowPosition, MovesTheLeastThatShowsTheWholeWindow) {
    const PlacementCase cases[] = {
        {"fits the primary screen: kept", {100, 100}, Window, {100, 100}},
        {"fits the second screen: kept", {2000, 300}, Window, {2000, 300}},
        {"touches the right and bottom edges: kept", {782, 432}, Window, {782, 432}},
        {"one pixel too far right", {783, 100}, Window, {782, 100}},
        {"above the top", {10, -50}, Window, {10, 0}},
        {"across both screens, nearer the second", {1500, 100}, Window, {1920, 100}},
        {"across both screens, nearer the primary", {1000, 100}, Window, {782, 100}},
        {"below the second screen's corner", {3000, 900}, Window, {2062, 416}},
        {"overlaps no screen: centred on the primary", {-5000, -5000}, Window, {391, 216}},
        {"the stored extremes: centred on the primary", {99999999, -99999999}, Window, {391, 216}},
        {"the int extremes: centred on the primary", {INT_MAX, INT_MIN}, Window, {391, 216}},
        {"larger than every screen: the nearest top-left corner", {10, 10}, QSize(2000, 1200), {0, 0}},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FitWindowPosition(c.wanted, c.size, TwoScreens, TwoScreens[0]), c.placed);
    }
}

TEST(FitWindowPosition, ScreensLeftOfThePrimary) {
    const QList<QRect> areas = {QRect(-1280, 0, 1280, 1024), QRect(0, 0, 1920, 1080)};
    EXPECT_EQ(FitWindowPosition({-1300, 0}, Window, areas, areas[1]), QPoint(-1280, 0));
    EXPECT_EQ(FitWindowPosition({-1200, 50}, Window, areas, areas[1]), QPoint(-1200, 50));
    EXPECT_EQ(FitWindowPosition({-3000, 50}, Window, areas, areas[1]), QPoint(391, 236));
}

struct RestoreCase {
    const char* name;
    int top;
    int left;
};

class RestoredPosition : public DiscoveryTest, public testing::WithParamInterface<RestoreCase> {};

// On the real screen of the test run, from the settings file.
TEST_P(RestoredPosition, LeavesTheWholeWindowOnTheScreen) {
    const RestoreCase c = GetParam();
    {
        inifile::TIniFile file(QDir(dir.path()).filePath("Voltcheck.ini").toStdString());
        file.WriteInteger("Приложение. Общие", "Top    основной панели", c.top);
        file.WriteInteger("Приложение. Общие", "Left   основной панели", c.left);
        ASSERT_TRUE(file.Flush().ok);
    }
    NoServer();
    ShowAndDiscover();
    const QRect area = form->screen()->availableGeometry();
    const QRect frame = form->frameGeometry();
    EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y();
    const QPoint expected = FitWindowPosition({c.left, c.top}, frame.size(), {area}, area);
    EXPECT_EQ(form->pos(), expected);
    if (area.contains(QRect(QPoint(c.left, c.top), frame.size()))) {
        EXPECT_EQ(form->pos(), QPoint(c.left, c.top));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, RestoredPosition,
    testing::Values(RestoreCase{"kept", 100, 200}, RestoreCase{"far_off", -99999999, 99999999},
                    RestoreCase{"right_edge", 100, 1800}, RestoreCase{"above", -40, 30}),
    [](const testing::TestParamInfo<RestoreCase>& info) { return std::string(info.param.name); });

}  // namespace
