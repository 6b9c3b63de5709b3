// The page "Поверка": keyword colouring of the report box, the file name edit,
// the layout of this version.
#include "MainFormFixture.h"

#include "ui/KeywordHighlighter.h"
#include "ui/ReportTextBox.h"
#include "ui/VerificationPageUi.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <vector>

namespace {

// A coloured run of a line: where, and how.
struct FormatRun {
    int start;
    int length;
    QColor color;
    bool bold;
    bool italic;
    bool underline;
    bool operator==(const FormatRun& o) const {
        return start == o.start && length == o.length && color == o.color && bold == o.bold && italic == o.italic &&
               underline == o.underline;
    }
};

void PrintTo(const FormatRun& r, std::ostream* os) {
    *os << "{" << r.start << "," << r.length << "," << r.color.name().toStdString() << (r.bold ? " b" : "")
        << (r.italic ? " i" : "") << (r.underline ? " u" : "") << "}";
}

std::vector<FormatRun> RunsOf(const QTextBlock& block) {
    std::vector<FormatRun> runs;
    for (const QTextLayout::FormatRange& f : block.layout()->formats())
        runs.push_back({f.start, f.length, f.format.foreground().color(), f.format.fontWeight() == QFont::Bold,
                        f.format.fontItalic(), f.format.fontUnderline()});
    return runs;
}

const QColor Red(255, 0, 0), Violet(128, 0, 255), DarkGreen(0, 128, 64), OkGreen(0, 164, 82), Orange(255, 128, 0),
    Azure(0, 128, 255);

struct LineCase {
    const char* line;
    std::vector<FormatRun> runs;
};

TEST(ReportKeywords, ColourTheirMatchesByCaseAndWholeWordRules) {
    const std::vector<LineCase> cases = {
        {"Канал 2: !!! ОШИБКА !!!", {{9, 14, Red, true, false, false}}},
        {"Bad bad BAD", {{0, 3, Red, true, false, false}}},
        {"OK ok Ok", {{0, 2, OkGreen, true, false, false}}},
        {"СШ СШНИ", {{0, 2, Violet, true, false, false}, {3, 4, Violet, true, false, false}}},
        {"СШX", {}},
        {"x=СШ;", {{2, 2, Violet, true, false, false}}},
        {"норма", {{0, 5, DarkGreen, true, false, true}}},
        {"Итого: Итоговый", {{0, 5, Orange, true, true, false}}},
        {"ИТОГО", {{0, 5, Orange, true, true, false}}},
        {"ПОВЕРКА", {{0, 7, Violet, true, true, false}}},
        {"приведённой/Приведённой", {{0, 11, Azure, true, true, false}}},
        {"К А Н А Л Ы", {{0, 11, Violet, true, false, true}}},
        {":(((((((", {{0, 8, Red, true, false, false}}},
    };
    QTextDocument document;
    TKeywordHighlighter highlighter(&document, TVerificationPageUi::ReportKeywords(),
                                    TVerificationPageUi::ReportWordSeparators());
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        document.setPlainText(QString::fromUtf8(c.line));
        highlighter.rehighlight();  // a document without a view is not laid out by itself
        EXPECT_EQ(RunsOf(document.firstBlock()), c.runs);
    }
}

using VerificationPageTest = MainFormTest;

TEST_F(VerificationPageTest, TheReportBoxColoursALineAsItIsAdded) {
    TReportTextBox* box = form->Ui.VerificationPage.VerificationTextBox;
    EXPECT_TRUE(box->isReadOnly());
    box->appendPlainText("Итог: !!! ОШИБКА !!!");
    const std::vector<FormatRun> expected = {{6, 14, Red, true, false, false}};
    EXPECT_EQ(RunsOf(box->document()->lastBlock()), expected);
}

TEST_F(VerificationPageTest, AfterTheSplitterMovesTheEndOfTheFileNameIsInView) {
    form->Ui.MainLMDPageControl->setCurrentIndex(2);
    // A discovery without a module leaves the pages disabled; the window can enable them.
    form->Device().EnableControlBranch(form->Ui.VerificationLMDTabSheet, true);
    TVerificationPageUi& page = form->Ui.VerificationPage;
    const QString path = "/home/operator/verification/settings/of/a/very/long/path/zeb44.vq310rovodod";
    page.CfgFileNameEdit->setText(path);
    EXPECT_EQ(page.CfgFileNameEdit->toolTip(), path);
    page.CfgFileNameEdit->setCursorPosition(3);
    page.CfgFileNameEdit->setSelection(0, 5);
    // Drag the handle 100 pixels to the left.
    QSplitterHandle* handle = page.VerifySplitter->handle(1);
    const int before = page.VerifySplitter->sizes()[0];
    const QPoint grip = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, grip - QPoint(100, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip - QPoint(100, 0));
    EXPECT_EQ(page.VerifySplitter->sizes()[0], before - 100);
    EXPECT_EQ(page.CfgFileNameEdit->cursorPosition(), path.size());
    EXPECT_FALSE(page.CfgFileNameEdit->hasSelectedText());
}

TEST_F(VerificationPageTest, LayoutOfThisVersion) {
    TVerificationPageUi& page = form->Ui.VerificationPage;
    EXPECT_EQ(page.ProgressBarVerification->value(), 20);
    EXPECT_EQ(page.ProgressBarVerification->orientation(), Qt::Vertical);
    EXPECT_FALSE(page.ProgressBarVerification->isTextVisible());
    EXPECT_EQ(page.StartVerificationLMDSpeedButton->text(), "Старт  поверки");
    EXPECT_TRUE(page.CfgFileNameEdit->text().isEmpty());
    // The tabs of both pages stay hidden.
    EXPECT_FALSE(form->Ui.MainLMDPageControl->isTabVisible(1));
    EXPECT_FALSE(form->Ui.MainLMDPageControl->isTabVisible(2));
}

}  // namespace
