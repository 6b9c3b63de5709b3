// The page "Коэффициенты" of the shown window: grid editing, cell drawing,
// the store buttons.
#include "MainFormFixture.h"

#include "ui/CoefficientPageUi.h"
#include "ui/StringGrid.h"
#include "ui/WrapButton.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace {

class CoefficientPageTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        // The page is hidden from the operator; the program may still select it.
        form->Ui.MainLMDPageControl->setCurrentIndex(1);
        // A discovery without a module leaves the pages disabled; the window can enable them.
        form->Device().EnableControlBranch(form->Ui.CorrectionFactorsLMDTabSheet, true);
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        grid = page().AdcScaleCoefsStringGrid;
        ASSERT_TRUE(grid->isVisible());
        grid->setFocus();
        ASSERT_TRUE(PumpUntil([&] { return grid->hasFocus(); }));
    }
    TCoefficientPageUi& page() { return form->Ui.CoefficientPage; }
    QPoint CellCentre(int column, int row) const { return grid->visualRect(grid->model()->index(row, column)).center(); }
    void Click(int column, int row) { QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(column, row)); }
    void DoubleClick(int column, int row) {
        Click(column, row);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(column, row));
    }
    // A key as the keyboard gives it: pressed and released in whichever widget has the
    // focus; then the work it posted (Enter commits the editor that way) is done.
    static void Key(Qt::Key key) {
        QTest::keyPress(QApplication::focusWidget(), key);
        QTest::keyRelease(QApplication::focusWidget(), key);
        QCoreApplication::processEvents();
    }
    static void Type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }

    TStringGrid* grid = nullptr;
};

TEST_F(CoefficientPageTest, GridsHaveTheirDesign) {
    for (TStringGrid* g : {page().AdcOffsetCoefsStringGrid, page().AdcScaleCoefsStringGrid}) {
        SCOPED_TRACE(g->objectName().toStdString());
        EXPECT_EQ(g->columnCount(), 7);
        EXPECT_EQ(g->rowCount(), 7);
        EXPECT_EQ(g->FixedRows(), 1);
        const int widths[7] = {45, 109, 45, 45, 45, 45, 45};
        for (int c = 0; c < 7; ++c) EXPECT_EQ(g->columnWidth(c), widths[c]);
        EXPECT_EQ(g->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(g->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < 7; ++c) EXPECT_TRUE(g->Cell(c, r).isEmpty());
    }
    EXPECT_EQ(page().AdcOffsetCoefsStringGrid->rowHeight(3), 35);
    EXPECT_EQ(page().AdcScaleCoefsStringGrid->rowHeight(3), 27);
    EXPECT_EQ(page().AdcOffsetCoefsStringGrid->geometry(), QRect(2, 48, 462, 100));
    EXPECT_EQ(page().AdcScaleCoefsStringGrid->geometry(), QRect(4, 229, 462, 118));
}

struct EditCase {
    const char* name;
    Qt::Key finalKey;
    const char* cellAfter;  // the edited cell (column 1, row 2)
    int rowAfter;           // -1: some row below
    bool editingAfter;
};

TEST_F(CoefficientPageTest, AnEditIsKeptOnlyWhenNotLeftByTheDiscardingKeys) {
    const EditCase cases[] = {
        {"Esc", Qt::Key_Escape, "0.5", 2, false},
        {"Up", Qt::Key_Up, "0.5", 1, false},
        {"Down", Qt::Key_Down, "0.5", 3, false},
        {"PageUp", Qt::Key_PageUp, "0.5", 1, false},
        {"PageDown", Qt::Key_PageDown, "0.5", -1, false},
        {"Enter keeps it", Qt::Key_Return, "123", 2, true},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        grid->SetCell(1, 2, "0.5");
        DoubleClick(1, 2);
        ASSERT_TRUE(grid->EditorOpen());
        EXPECT_EQ(grid->Editor()->selectedText(), "0.5");
        EXPECT_EQ(form->CoefficientPage().EditStartText(), "0.5");
        Type("123");
        Key(c.finalKey);
        EXPECT_FALSE(grid->EditorOpen());
        EXPECT_EQ(grid->Cell(1, 2), c.cellAfter);
        if (c.rowAfter >= 0) { EXPECT_EQ(grid->Row(), c.rowAfter); }
        else EXPECT_GT(grid->Row(), 2);
        EXPECT_EQ(grid->Editing(), c.editingAfter);
    }
}

TEST_F(CoefficientPageTest, EditingNeedsADoubleClickOnADataCell) {
    grid->SetCell(0, 2, "k");
    DoubleClick(0, 2);  // column 0 opens no editor
    EXPECT_FALSE(grid->EditorOpen());
    Type("9");
    EXPECT_EQ(grid->Cell(0, 2), "k");

    DoubleClick(3, 2);
    Type("7");
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->Cell(3, 2), "7");
    // After a selection typing changes nothing until the next double click.
    Click(4, 2);
    Type("8");
    EXPECT_FALSE(grid->EditorOpen());
    EXPECT_EQ(grid->Cell(4, 2), "");
    Key(Qt::Key_Left);
    Type("5");
    EXPECT_EQ(grid->Cell(3, 2), "7");
}

// The colour of the pixel at offset (dx, dy) inside the cell's rectangle on the grid's image.
QColor PixelOf(const QImage& image, const TStringGrid* grid, int column, int row, int dx, int dy) {
    const QRect rect = grid->visualRect(grid->model()->index(row, column));
    const QPoint at = grid->viewport()->mapTo(grid, rect.topLeft()) + QPoint(dx, dy);
    return image.pixelColor(at * image.devicePixelRatio());
}

TEST_F(CoefficientPageTest, CellsAreDrawnByTheirRow) {
    Click(2, 1);
    ASSERT_TRUE(grid->hasFocus());
    const QImage image = grid->grab().toImage();
    EXPECT_EQ(PixelOf(image, grid, 0, 1, 3, 3), QColor(255, 255, 208));  // column 0: light yellow
    EXPECT_EQ(PixelOf(image, grid, 3, 2, 3, 3), QColor(Qt::white));      // data cell: the grid's colour
    EXPECT_EQ(PixelOf(image, grid, 3, 0, 3, 3), grid->FixedColor());     // header
    EXPECT_EQ(PixelOf(image, grid, 2, 1, 1, 1), QColor(0, 0, 255));      // the focused cell's outline
    EXPECT_EQ(PixelOf(image, grid, 3, 1, 1, 1), QColor(Qt::white));      // no outline elsewhere
}

int CountColour(const QImage& image, const QColor& colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == colour;
    return n;
}

TEST_F(CoefficientPageTest, ADisabledGridShowsQuestionMarksInGrey) {
    grid->SetCell(0, 1, "1");
    grid->SetCell(1, 1, "12.5");
    grid->SetCell(1, 0, "Head");
    const QImage enabled = grid->grab().toImage();
    EXPECT_GT(CountColour(enabled, QColor(128, 0, 0)), 0);  // column 0 text in maroon
    grid->setEnabled(false);
    const QImage first = grid->grab().toImage();
    grid->SetCell(1, 1, "other text");
    grid->SetCell(1, 0, "X");
    const QImage second = grid->grab().toImage();
    EXPECT_EQ(first, second);  // whatever the cells hold
    EXPECT_GT(CountColour(first, QColor(128, 128, 128)), 0);
    EXPECT_EQ(CountColour(first, QColor(128, 0, 0)), 0);
    EXPECT_EQ(CountColour(first, QColor(0, 0, 0)), 0);
}

TEST_F(CoefficientPageTest, FactorySaveAsksFirstAndShowsNoErrorInThisVersion) {
    for (const int answer : {int(QMessageBox::Yes), int(QMessageBox::No)}) {
        presenter.Boxes.clear();
        presenter.Result = answer;
        page().SaveCalibrCoefsGridToFactoryFlashLMDButton->click();
        ASSERT_EQ(presenter.Boxes.size(), 1u);
        EXPECT_EQ(presenter.Boxes[0].Caption, "Внимание!!!");
        EXPECT_EQ(presenter.Boxes[0].Text,
                  "Вы уверены в том, что хотите перезаписать корректировочные коэффициенты в заводском ППЗУ?");
        EXPECT_EQ(presenter.Boxes[0].ButtonTexts.size(), 2);
    }
}

TEST_F(CoefficientPageTest, UserSaveAndRefreshKeepTheImagesAndGridsAndOfferNoSaveOnAGuess) {
    TCoefficientPage::TCoefs seven{};
    seven.fill(7);
    form->CoefficientPage().SetImages(seven, form->CoefficientPage().FactoryCoefs(), form->CoefficientPage().UserCoefs());
    grid->SetCell(2, 3, "1.25");
    const auto working = form->CoefficientPage().WorkingCoefs();
    page().SaveCalibrCoefsGridToUserFlashLMDButton->click();
    EXPECT_EQ(form->CoefficientPage().UserCoefs(), working);
    page().RefreshCalibrCoefsGridFromUserFlashLMDButton->click();
    EXPECT_EQ(form->CoefficientPage().WorkingCoefs(), working);
    EXPECT_EQ(grid->Cell(2, 3), "1.25");
    // Nothing is known of the stores: neither save button is enabled.
    EXPECT_FALSE(page().SaveCalibrCoefsGridToFactoryFlashLMDButton->isEnabled());
    EXPECT_FALSE(page().SaveCalibrCoefsGridToUserFlashLMDButton->isEnabled());
    page().RefreshCalibrCoefsGridFromFactoryFlashLMDButton->click();
    EXPECT_EQ(form->CoefficientPage().WorkingCoefs(), form->CoefficientPage().FactoryCoefs());
    EXPECT_TRUE(presenter.Boxes.empty());
}

TEST_F(CoefficientPageTest, HandlersRefuseASenderThatIsNoGrid) {
    QLabel stranger;
    struct Case {
        std::function<void()> call;
        const char* caption;
    };
    bool canSelect = true;
    const Case cases[] = {
        {[&] { form->CoefficientPage().DrawCell(&stranger, 1, 1, QRect(), {}); },
         "Ошибка CalibrationCoefsStringGridDrawCell()!!!"},
        {[&] { form->CoefficientPage().KeyDown(&stranger, Qt::Key_Up); },
         "Ошибка AdcCalibrationCoefsStringGridKeyDown()!!!"},
        {[&] { form->CoefficientPage().KeyUp(&stranger, Qt::Key_Escape); },
         "Ошибка AdcCalibrationCoefsStringGridKeyUp()!!!"},
        {[&] { form->CoefficientPage().SelectCell(&stranger, canSelect); },
         "Ошибка CorrectionCoefsStringGridSelectCell()!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        presenter.Boxes.clear();
        c.call();
        ASSERT_EQ(presenter.Boxes.size(), 1u);
        EXPECT_EQ(presenter.Boxes[0].Caption, c.caption);
        EXPECT_EQ(presenter.Boxes[0].Text, "Не могу привести тип!");
    }
}

}  // namespace
