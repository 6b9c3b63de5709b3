// The page "Поверка": the configuration file name kept readable, and the guard
// of every page change.
#include "app/VerificationPage.h"

#include "app/MessagePresenter.h"
#include "ui/MainFormUi.h"
#include "ui/PageControl.h"
#include "ui/VerificationPageUi.h"

#include <QLineEdit>

TVerificationPage::TVerificationPage(TMainFormUi& ui, QWidget* window, TReentryGuard& guard,
                                     std::function<bool()> moduleIdentified, std::function<void()> stopRun)
    : QObject(window),
      ui_(ui),
      window_(window),
      guard_(guard),
      moduleIdentified_(std::move(moduleIdentified)),
      stopRun_(std::move(stopRun)) {}

void TVerificationPage::SplitterMoved() {
    QLineEdit* edit = ui_.VerificationPage.CfgFileNameEdit;
    edit->setCursorPosition(0);
    edit->setCursorPosition(static_cast<int>(edit->text().size()));
    edit->deselect();
}

void TVerificationPage::FileNameChanged() {
    QLineEdit* edit = ui_.VerificationPage.CfgFileNameEdit;
    edit->setToolTip(edit->text());
}

void TVerificationPage::PageChanging(int newIndex, bool& allowChange) {
    auto entered = guard_.Enter();
    if (!entered) return;  // changes made by the program go ahead
    if (!moduleIdentified_()) {
        ui_.MainLMDPageControl->setEnabled(true);
        entered.reset();
        ApplicationMessageBox(window_, "Нет открытого модуля! Поэтому данная опция не доступна!", "Внимание!!!",
                              TMessageBoxIcon::Information);
        allowChange = false;
        return;
    }
    if (newIndex == 0) {
        stopRun_();
        ui_.StartMultimeterLMDSimplePanel->show();
    }
}
