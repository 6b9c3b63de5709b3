#include "MainFormFixture.h"

#include "app/HintWindow.h"
#include "ui/CircleShape.h"

#include <QComboBox>
#include <QPushButton>
#include <QScreen>

namespace {

using ShowHintTest = MainFormTest;

struct PlacementCase {
    const char* Name;
    int FromRight;   // start position relative to the work area's right edge minus the tooltip width
    int FromBottom;  // likewise for the bottom
    bool MovedLeft;
    bool MovedUp;
};

TEST_F(ShowHintTest, TooltipIsKeptTenPixelsInsideTheWorkAreaEdges) {
    ASSERT_NE(form->HintWindow(), nullptr);
    const QRect area = form->screen()->availableGeometry();
    const QString text = "Серийный номер модуля";
    const QSize need = form->HintWindow()->CalcHintRect(area.width(), text);
    const int right = area.x() + area.width();
    const int bottom = area.y() + area.height();
    const PlacementCase cases[] = {
        {"inside", -100, -100, false, false},
        {"touching both edges", 0, 0, false, false},
        {"one past the bottom", -100, 1, false, true},
        {"one past the right", 1, -100, true, false},
        {"past both", 50, 50, true, true},
    };
    for (const PlacementCase& c : cases) {
        QString hint = text;
        bool canShow = true;
        THintInfo info;
        info.HintControl = form->Ui.FindDeviceLMDButton;
        const QPoint start(right - need.width() + c.FromRight, bottom - need.height() + c.FromBottom);
        info.HintPos = start;
        form->Events().OnShowHint(hint, canShow, info);
        EXPECT_EQ(info.HintPos.x(), c.MovedLeft ? right - need.width() - 10 : start.x()) << c.Name;
        EXPECT_EQ(info.HintPos.y(), c.MovedUp ? bottom - need.height() - 10 : start.y()) << c.Name;
        EXPECT_EQ(info.HideTimeout, 2000) << c.Name;
        EXPECT_TRUE(canShow);
    }
}

TEST_F(ShowHintTest, CrateStatusTooltipStaysLongerForTheK1Crate) {
    QComboBox* crates = form->Ui.ZebCratesComboBox;
    TDiscoveryTables tables;
    tables.ListedCrateCount = 2;
    SetFieldText(tables.ListedCrateSerials[0], "K1");
    SetFieldText(tables.ListedCrateSerials[1], "K8");
    tables.ListedCrateTypeCodes[0] = 21;
    tables.ListedCrateTypeCodes[1] = 10;
    tables.SelectedCrateIndex = 0;
    TakeDiscoveryTables(*form, tables);
    const std::pair<int, int> cases[] = {{0, 10000}, {1, 2000}, {-1, 2000}};
    for (auto [item, timeout] : cases) {
        crates->setCurrentIndex(item);
        QString hint = "Крейт";
        bool canShow = true;
        THintInfo info;
        info.HintControl = form->Ui.ZebCrateStatusLed;
        info.HintPos = QPoint(100, 100);
        form->Events().OnShowHint(hint, canShow, info);
        EXPECT_EQ(info.HideTimeout, timeout) << "item " << item;
        EXPECT_EQ(info.HintPos, QPoint(100, 100));
    }
}

TEST_F(ShowHintTest, ATooltipEventShowsTheStyledHintWindowWithTheChosenTimeout) {
    QWidget* control = form->Ui.ModuleSerialNumberLMDLabel;
    const QPoint local(5, 5);
    QHelpEvent event(QEvent::ToolTip, local, control->mapToGlobal(local));
    QApplication::sendEvent(control, &event);
    ASSERT_TRUE(form->HintWindow()->isVisible());
    EXPECT_EQ(form->HintWindow()->text(), "Серийный номер модуля");
    EXPECT_EQ(form->HintWindow()->TimeoutMs(), 2000);
    EXPECT_EQ(form->HintWindow()->palette().color(QPalette::Window), QColor(255, 255, 164));
    EXPECT_TRUE(PumpUntil([&] { return !form->HintWindow()->isVisible(); }, 4000));
}

}  // namespace
