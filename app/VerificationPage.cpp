// The page "Поверка": the configuration file name kept readable, the handlers
// of this version that do nothing, and the guard of every page change.
#include "app/MainForm.h"

#include "app/MessagePresenter.h"
#include "ui/PageControl.h"
#include "ui/SpeedButton.h"
#include "ui/VerificationPageUi.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>

void TMainForm::VerifySplitterMoved() {
    // The edit changed its width: bring the end of a long file name into view.
    QLineEdit* edit = Ui.VerificationPage.CfgFileNameEdit;
    edit->setCursorPosition(0);
    edit->setCursorPosition(static_cast<int>(edit->text().size()));
    edit->deselect();
}

void TMainForm::CfgFileNameEditChange() {
    // The whole name can be read by pointing at the edit.
    QLineEdit* edit = Ui.VerificationPage.CfgFileNameEdit;
    edit->setToolTip(edit->text());
}

void TMainForm::VerifyTreeViewTitleLMDEditKeyDown() {}

void TMainForm::LoadFromFileVerifyTreeViewButtonClick() {}

void TMainForm::SaveToFileVerifyTreeViewButtonClick() {}

void TMainForm::FullCollapseButtonClick() {}

void TMainForm::FullExpandButtonClick() {}

void TMainForm::EnaWriteLogFileLMDCheckBoxChange() {}

void TMainForm::MainLMDPageControlChanging() {}

void TMainForm::MainLMDPageControlChange() {}

void TMainForm::MainLMDPageControlChangingEx(int newIndex, bool& allowChange) {
    if (Busy) return;  // changes made by the program go ahead
    Busy = true;
    if (ModuleState != 2) {
        Ui.MainLMDPageControl->setEnabled(true);
        Busy = false;
        ApplicationMessageBox(this, "Нет открытого модуля! Поэтому данная опция не доступна!", "Внимание!!!",
                              TMessageBoxIcon::Information);
        allowChange = false;
        return;
    }
    if (newIndex == 0) {
        StopMainThread();
        Ui.StartMultimeterLMDSimplePanel->show();
    }
    Busy = false;
}

void TMainForm::BindVerificationPageHandlers() {
    TVerificationPageUi& page = Ui.VerificationPage;
    connect(page.VerifySplitter, &QSplitter::splitterMoved, this, [this] { VerifySplitterMoved(); });
    connect(page.CfgFileNameEdit, &QLineEdit::textChanged, this, [this] { CfgFileNameEditChange(); });
    connect(page.VerifyTreeViewTitleLMDEdit, &QLineEdit::textEdited, this, [this] { VerifyTreeViewTitleLMDEditKeyDown(); });
    connect(page.LoadFromFileVerifyTreeViewButton, &QPushButton::clicked, this,
            [this] { LoadFromFileVerifyTreeViewButtonClick(); });
    connect(page.SaveToFileVerifyTreeViewButton, &QPushButton::clicked, this,
            [this] { SaveToFileVerifyTreeViewButtonClick(); });
    connect(page.CollapseButton, &QPushButton::clicked, this, [this] { FullCollapseButtonClick(); });
    connect(page.ExpandButton, &QPushButton::clicked, this, [this] { FullExpandButtonClick(); });
    connect(page.EnaWriteLogFileLMDCheckBox, &QCheckBox::stateChanged, this, [this] { EnaWriteLogFileLMDCheckBoxChange(); });
    connect(page.StartVerificationLMDSpeedButton, &QPushButton::clicked, this, [this] { StartLMDSpeedButtonClick(); });
    Ui.MainLMDPageControl->OnChangingEx = [this](int newIndex, bool& allowChange) {
        MainLMDPageControlChanging();
        MainLMDPageControlChangingEx(newIndex, allowChange);
    };
    connect(Ui.MainLMDPageControl, &QTabWidget::currentChanged, this, [this] { MainLMDPageControlChange(); });
}
