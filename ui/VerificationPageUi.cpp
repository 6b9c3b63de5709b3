#include "ui/VerificationPageUi.h"

#include "ui/CaptionGroupBox.h"
#include "ui/DesignHelpers.h"
#include "ui/ReportTextBox.h"
#include "ui/SpeedButton.h"
#include "ui/UiStyle.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>

using namespace design;
using namespace style;

namespace {

QPushButton* Button(QWidget* parent, const char* name, int left, int top, int width, const QString& text,
                    const QString& tip) {
    auto* button = Make<QPushButton>(parent, name, left, top, width, 25);
    button->setText(text);
    button->setToolTip(tip);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

}  // namespace

std::vector<TKeyword> TVerificationPageUi::ReportKeywords() {
    // The report's own colours; its red is the window's.
    const QColor orange(255, 128, 0), darkGreen(0, 128, 64), okGreen(0, 164, 82), violet(128, 0, 255),
        smile(0, 181, 90), azure(0, 128, 255);
    // text, match case, whole word, bold, italic, underline, colour
    return {
        {QStringLiteral("Итого"), false, true, true, true, false, orange},
        {QStringLiteral("НОРМА"), false, false, true, false, true, darkGreen},
        {QStringLiteral("Норма"), true, true, true, false, false, darkGreen},
        {QStringLiteral("!!! ОШИБКА !!!"), false, false, true, false, false, Red},
        {QStringLiteral("OK"), true, false, true, false, false, okGreen},
        {QStringLiteral("Bad"), true, false, true, false, false, Red},
        {QStringLiteral("СШНИ"), true, false, true, false, false, violet},
        {QStringLiteral("СШ"), true, true, true, false, false, violet},
        {QStringLiteral("КНИ"), true, false, true, false, false, violet},
        {QStringLiteral("К А Н А Л Ы"), true, false, true, false, true, violet},
        {QStringLiteral("И З М Е Р Е Н И Е"), true, false, true, false, true, violet},
        {QStringLiteral(":((((((("), false, false, true, false, false, Red},
        {QStringLiteral(":)))))))"), false, false, true, false, false, smile},
        {QStringLiteral("приведённой"), true, true, true, true, false, azure},
        {QStringLiteral("относительную"), true, false, true, true, false, azure},
        {QStringLiteral("Поверка"), false, false, true, true, false, violet},
        {QStringLiteral("поверка"), false, false, true, true, false, violet},
    };
}

QString TVerificationPageUi::ReportWordSeparators() { return QStringLiteral("\t\n\r $%&,./:;<=>"); }

QString TVerificationPageUi::SampleReportText() {
    return QStringLiteral(
        "Поверка модуля ZEB44\n"
        "К А Н А Л Ы: 1, 2, 3, 4\n"
        "И З М Е Р Е Н И Е приведённой погрешности\n"
        "Канал 1: НОРМА\n"
        "Канал 2: !!! ОШИБКА !!!\n"
        "СШ, СШНИ, КНИ: OK\n"
        "Итого: Норма :)))))))");
}

void TVerificationPageUi::setupUi(QWidget* page) {
    // The page at its design size, so that the panel that fills it keeps filling it.
    page->resize(1118, 454);
    Verification0LMDSimplePanel = Panel(page, "Verification0LMDSimplePanel", 0, 0, 1118, 454, TEdge::Offset);
    Anchor(Verification0LMDSimplePanel, true, true, true, true);

    VerifySplitter = Make<QSplitter>(Verification0LMDSimplePanel, "VerifySplitter", 2, 2, 1114, 450);
    VerifySplitter->setOrientation(Qt::Horizontal);
    VerifySplitter->setHandleWidth(5);
    VerifySplitter->setOpaqueResize(true);  // the panels follow while it is dragged
    VerifySplitter->setChildrenCollapsible(false);
    Anchor(VerifySplitter, true, true, true, true);

    // ---- Left side: the report text box and its gutter.
    Verification2LMDSimplePanel = Panel(VerifySplitter, "Verification2LMDSimplePanel", 0, 0, 660, 450, TEdge::Offset);
    Verification2LMDSimplePanel->setMinimumWidth(25);
    VerificationTextBoxGutter = Make<TLineGutter>(Verification2LMDSimplePanel, "VerificationTextBoxGutter", 2, 2, 32, 446);
    VerificationTextBoxGutter->setFont(SansFont(17));
    SetColor(VerificationTextBoxGutter, QPalette::Window, InfoYellow);
    Anchor(VerificationTextBoxGutter, true, true, false, true);
    VerificationTextBox = Make<TReportTextBox>(Verification2LMDSimplePanel, "VerificationTextBox", 34, 2, 624, 446);
    VerificationTextBox->setReadOnly(true);
    VerificationTextBox->setFrameShape(QFrame::NoFrame);
    VerificationTextBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    VerificationTextBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    VerificationTextBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    VerificationTextBox->setFont(MonoFont(17));
    VerificationTextBox->setCursorWidth(1);
    {
        QPalette pal = VerificationTextBox->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Window));
        pal.setColor(QPalette::Text, pal.color(QPalette::WindowText));
        VerificationTextBox->setPalette(pal);
    }
    Anchor(VerificationTextBox, true, true, true, true);
    VerificationTextBox->setHighlighter(
        new TKeywordHighlighter(VerificationTextBox->document(), ReportKeywords(), ReportWordSeparators()));
    VerificationTextBox->setPlainText(SampleReportText());
    VerificationTextBoxGutter->setTextBox(VerificationTextBox);

    // ---- Right side: gauge, settings group, start button and log-file box.
    Verification1LMDSimplePanel = Panel(VerifySplitter, "Verification1LMDSimplePanel", 0, 0, 449, 450, TEdge::Offset);
    Verification1LMDSimplePanel->setMinimumWidth(25);
    Verification1LMDSimplePanel->setFont(SansFont(17));
    VerifySplitter->addWidget(Verification2LMDSimplePanel);
    VerifySplitter->addWidget(Verification1LMDSimplePanel);
    VerifySplitter->setStretchFactor(0, 1);
    VerifySplitter->setStretchFactor(1, 0);
    VerifySplitter->setSizes({660, 449});
    QWidget* right = Verification1LMDSimplePanel;

    ProgressBarLMDSimplePanel = Panel(right, "ProgressBarLMDSimplePanel", 2, 2, 12, 383, TEdge::None);
    Anchor(ProgressBarLMDSimplePanel, true, true, false, true);
    ProgressBarVerification = Make<QProgressBar>(ProgressBarLMDSimplePanel, "ProgressBarVerification", 0, 0, 12, 383);
    ProgressBarVerification->setOrientation(Qt::Vertical);
    ProgressBarVerification->setTextVisible(false);
    ProgressBarVerification->setRange(0, 100);
    ProgressBarVerification->setValue(20);
    SetColor(ProgressBarVerification, QPalette::Highlight, Teal);
    Anchor(ProgressBarVerification, true, true, true, true);

    VerificationSettingLMDSimplePanel = Panel(right, "VerificationSettingLMDSimplePanel", 14, 2, 433, 383, TEdge::None);
    Anchor(VerificationSettingLMDSimplePanel, true, true, true, true);
    VerificationSettingsLMDGroupBox =
        GroupBox(VerificationSettingLMDSimplePanel, "VerificationSettingsLMDGroupBox", 0, 0, 433, 383,
                 QStringLiteral("Настройки поверки"), Blue, SansFont(18), true);
    Anchor(VerificationSettingsLMDGroupBox, true, true, true, true);

    VerifyTreeControlSimplePanel =
        Panel(VerificationSettingsLMDGroupBox, "VerifyTreeControlSimplePanel", 2, 294, 429, 87, TEdge::Offset);
    VerifyTreeControlSimplePanel->setFont(SansFont(17));
    Anchor(VerifyTreeControlSimplePanel, true, false, true, true);
    QWidget* strip = VerifyTreeControlSimplePanel;
    VerifyTreeViewTitleLMDEdit = Make<QLineEdit>(strip, "VerifyTreeViewTitleLMDEdit", 2, 4, 425, 28);
    VerifyTreeViewTitleLMDEdit->setFont(SansFont(17));
    VerifyTreeViewTitleLMDEdit->setToolTip(QStringLiteral("Строка текущей позиции дерева настроек"));
    Anchor(VerifyTreeViewTitleLMDEdit, true, true, true, false);
    CollapseButton = Button(strip, "CollapseButton", 4, 33, 99, QStringLiteral("Свернуть"),
                            QStringLiteral("Свернуть все узлы дерева настроек"));
    ExpandButton = Button(strip, "ExpandButton", 4, 60, 99, QStringLiteral("Развернуть"),
                          QStringLiteral("Развернуть все узлы дерева настроек"));
    Bevel4 = Bevel(strip, "Bevel4", 106, 31, 2, 53);
    LoadFromFileVerifyTreeViewButton = Button(strip, "LoadFromFileVerifyTreeViewButton", 112, 33, 75,
                                              QStringLiteral("Чтение"), QStringLiteral("Считать настроки из файла"));
    SaveToFileVerifyTreeViewButton = Button(strip, "SaveToFileVerifyTreeViewButton", 112, 60, 75,
                                            QStringLiteral("Запись"), QStringLiteral("Записать настроки в файл"));
    CfgFileNameEdit = Make<QLineEdit>(strip, "CfgFileNameEdit", 191, 48, 236, 25);
    CfgFileNameEdit->setFont(MonoFont(15));
    CfgFileNameEdit->setLayoutDirection(Qt::LeftToRight);
    Anchor(CfgFileNameEdit, true, true, true, false);

    LMDSimplePanel4 = Panel(right, "LMDSimplePanel4", 2, 385, 445, 63, TEdge::None);
    Anchor(LMDSimplePanel4, true, false, true, true);
    StartVerificationLMDSpeedButton = Make<TSpeedButton>(LMDSimplePanel4, "StartVerificationLMDSpeedButton", 4, 6, 268, 51);
    StartVerificationLMDSpeedButton->setText(QStringLiteral("Старт  поверки"));
    StartVerificationLMDSpeedButton->setFont(SansFont(30));
    SetColor(StartVerificationLMDSpeedButton, QPalette::ButtonText, DarkGreen);
    StartVerificationLMDSpeedButton->setCursor(Qt::PointingHandCursor);
    EnaWriteLogFileLMDCheckBox = Make<QCheckBox>(LMDSimplePanel4, "EnaWriteLogFileLMDCheckBox", 280, 20, 160, 27);
    EnaWriteLogFileLMDCheckBox->setText(QStringLiteral("Log-файл"));
    EnaWriteLogFileLMDCheckBox->setToolTip(QStringLiteral("Управление записью  Log-файла"));
    EnaWriteLogFileLMDCheckBox->setFont(SansFont(17));
}
