#pragma once

#include "ui/KeywordHighlighter.h"

#include <QString>

#include <vector>

class QCheckBox;
class QFrame;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QWidget;
class TCaptionGroupBox;
class TLineGutter;
class TReportTextBox;
class TSpeedButton;

// The control tree of the page "Поверка": the report text box with its gutter
// on the left, the verification settings on the right, a splitter between.
// setupUi only builds it; the window binds the handlers.
class TVerificationPageUi {
public:
    QFrame* Verification0LMDSimplePanel = nullptr;
    // The splitter holds the two sides; its handle lies between them.
    QSplitter* VerifySplitter = nullptr;
    QFrame* Verification2LMDSimplePanel = nullptr;
    TLineGutter* VerificationTextBoxGutter = nullptr;
    TReportTextBox* VerificationTextBox = nullptr;
    QFrame* Verification1LMDSimplePanel = nullptr;
    QFrame* ProgressBarLMDSimplePanel = nullptr;
    QProgressBar* ProgressBarVerification = nullptr;
    QFrame* VerificationSettingLMDSimplePanel = nullptr;
    TCaptionGroupBox* VerificationSettingsLMDGroupBox = nullptr;
    QFrame* VerifyTreeControlSimplePanel = nullptr;
    QLineEdit* VerifyTreeViewTitleLMDEdit = nullptr;
    QPushButton* CollapseButton = nullptr;
    QPushButton* ExpandButton = nullptr;
    QFrame* Bevel4 = nullptr;
    QPushButton* LoadFromFileVerifyTreeViewButton = nullptr;
    QPushButton* SaveToFileVerifyTreeViewButton = nullptr;
    QLineEdit* CfgFileNameEdit = nullptr;
    QFrame* LMDSimplePanel4 = nullptr;
    TSpeedButton* StartVerificationLMDSpeedButton = nullptr;
    QCheckBox* EnaWriteLogFileLMDCheckBox = nullptr;

    // The keywords of the report text box, in their order, and its word separators.
    static std::vector<TKeyword> ReportKeywords();
    static QString ReportWordSeparators();
    // The text the report box starts with.
    static QString SampleReportText();

    void setupUi(QWidget* page);
};
