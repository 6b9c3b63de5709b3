// Discovery of crates and modules, window side: requests and the start
// hand-shake, the steps a discovery run hands to the GUI thread, the crate and
// module lists and their handlers, and the wait that lets a run end before the
// window closes.
#include "app/DeviceController.h"

#include "app/EventWait.h"
#include "app/MessageDialog.h"
#include "app/MessagePresenter.h"
#include "app/MultimeterPage.h"
#include "app/PrivateMessage.h"
#include "app/WindowPlacement.h"
#include "IniFile/IniFile.h"
#include "device/CrateScan.h"
#include "device/InitAndConfigThread.h"
#include "run/ModuleConfiguration.h"
#include "settings/SettingsReader.h"
#include "ui/CaptionGroupBox.h"
#include "ui/MainFormUi.h"
#include "ui/PageControl.h"
#include "ui/SpeedButton.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTabWidget>

#include <cstring>
#include <exception>

namespace {

// Controls whose children are controls of the design (panels, group boxes,
// pages, frames); a list or an edit box is one control, whatever Qt builds inside.
bool IsContainer(const QWidget* widget) {
    if (qobject_cast<const QLabel*>(widget) != nullptr) return false;
    if (qobject_cast<const QAbstractScrollArea*>(widget) != nullptr) return false;
    const QMetaObject* meta = widget->metaObject();
    return meta == &QWidget::staticMetaObject || qobject_cast<const QFrame*>(widget) != nullptr ||
           qobject_cast<const QGroupBox*>(widget) != nullptr || qobject_cast<const QTabWidget*>(widget) != nullptr;
}

// The child controls of a container, in creation order; a page control's are its pages.
QList<QWidget*> ChildControls(QWidget* container) {
    QList<QWidget*> controls;
    if (auto* pages = qobject_cast<QTabWidget*>(container)) {
        for (int i = 0; i < pages->count(); ++i) controls << pages->widget(i);
        return controls;
    }
    for (QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) continue;  // pop-ups owned by the control are not its controls
        if (child->objectName().startsWith("qt_")) continue;  // Qt's own inner parts
        controls << child;
    }
    return controls;
}

QString Text(const TSerialField& field) { return QString::fromStdString(FieldText(field)); }

}  // namespace

TDeviceController::TDeviceController(TMainFormUi& ui, QMainWindow* window, TReentryGuard& guard,
                                     TSettingsController& settings, TMultimeterPage& page, TApplicationEvents* events,
                                     std::function<void()> stopRun)
    : QObject(window),
      ui_(ui),
      window_(window),
      guard_(guard),
      settings_(settings),
      page_(page),
      events_(events),
      stopRun_(std::move(stopRun)) {}

TDeviceController::~TDeviceController() {
    // A discovery run uses this object to its end: a window destroyed without
    // being closed first lets it end here.
    WaitForDiscoveryEnd();
}

uint8_t TDeviceController::SelectedCrateTypeCode() const {
    const int crate = ui_.ZebCratesComboBox->currentIndex();
    return crate >= 0 && crate < tables_.ListedCrateCount && crate < TDiscoveryTables::MaxCrates
               ? tables_.ListedCrateTypeCodes[crate]
               : 0;
}

std::string TDeviceController::ModuleName() const {
    return std::string(module_.Name, ::strnlen(module_.Name, sizeof module_.Name));
}

TSettingsController::TSelection TDeviceController::Selection() const {
    TSettingsController::TSelection selection;
    const int crate = ui_.ZebCratesComboBox->currentIndex();
    if (crate < 0 || crate >= tables_.ListedCrateCount || crate >= TDiscoveryTables::MaxCrates) return selection;
    const auto c = static_cast<uint16_t>(crate);
    selection.CrateSerial = FieldText(tables_.ListedCrateSerials[c]);
    const int module = ui_.ModulesComboBox->currentIndex();
    if (module >= 0 && tables_.HoldsModule(c, static_cast<uint16_t>(module)))
        selection.ModuleSlot = tables_.ListedModuleSlots[c][static_cast<uint16_t>(module)];
    return selection;
}

// Requests and the start hand-shake.

void TDeviceController::RequestDiscovery(TDiscoveryMode mode, bool restore) {
    if (running_.load() || !requestAllowed_) return;
    requestAllowed_ = false;
    QApplication::postEvent(window_, new TPrivateMessage(TPrivateMessage::StartInitDevicesThread,
                                                         static_cast<uint16_t>(mode), restore ? 1 : 0));
}

void TDeviceController::OnStartInitDevicesThread(TDiscoveryMode mode, bool restore) {
    // A request still queued when the window closed starts no run on it.
    if (cancelRequested_.load()) return;
    running_ = false;
    ended_ = false;
    TInitAndConfigThread* thread = nullptr;
    try {
        thread = new TInitAndConfigThread(*this, module_, tables_, mode, restore);
        thread->SetOnTerminate([this] {
            running_ = false;
            ended_ = true;
        });
        thread->Start();  // from here on the thread owns itself
    } catch (const std::exception&) {
        delete thread;
        ApplicationMessageBox(window_, "Не могу открыть поток 'InitAndConfigThread'!",
                              "Ошибка OnStartInitDevicesThread()!");
        return;
    }
    // A run that is over before the first look counts as started.
    while (!running_.load() && !ended_) SleepAndProcessMessages();
    requestAllowed_ = true;
}

bool TDeviceController::WaitForDiscoveryEnd(int timeoutMs) {
    cancelRequested_ = true;
    QElapsedTimer waited;
    waited.start();
    while ((threadCount_.load() > 0 || running_.load()) && waited.elapsed() < timeoutMs) SleepAndProcessMessages();
    return threadCount_.load() == 0;
}

void TDeviceController::CloseModule() {
    // Should a run not have ended in time, the record stays as it is rather than
    // being closed under the run.
    if (threadCount_.load() == 0 && ZEB44_IsOpened(&module_) == 0) ZEB44_Close(&module_);
}

// The discovery thread's window.

int TDeviceController::ExecuteMessageDialog(const Threads::TMessageDialogPars& pars) {
    return ExecuteStyledMessageDialog(window_, events_, pars, TMessageButtonLayout::EachCentred);
}

void TDeviceController::DiscoveryThreadState(TDiscoveryThreadState state) {
    switch (state) {
    case TDiscoveryThreadState::Made: threadCount_.fetch_add(1); break;
    case TDiscoveryThreadState::Running: running_ = true; break;
    case TDiscoveryThreadState::Gone: threadCount_.fetch_sub(1); break;
    }
}

void TDeviceController::PrepareDiscovery(TDiscoveryRun& run) {
    // From the first run on, the context menu is reached through its short-cuts only.
    window_->setContextMenuPolicy(Qt::NoContextMenu);
    ui_.MainLMDPageControl->setEnabled(false);
    const QCursor* current = QGuiApplication::overrideCursor();
    run.SavedCursor = current != nullptr ? static_cast<int>(current->shape()) : -1;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    {
        const TReentryGuard::TScope quiet = guard_.Hold();
        ui_.MainLMDPageControl->setCurrentIndex(0);
        ui_.StartMultimeterLMDSimplePanel->hide();
    }

    std::string message;
    if (!settings_.OpenSettingsFile(run.SettingsFile, message)) {
        run.Message = message;
        return;
    }

    const uint16_t c = tables_.SelectedCrateIndex;
    if (run.RestoreSettings || c == TDiscoveryTables::NoCrate || run.SettingsFile == nullptr) {
        if (run.SettingsFile != nullptr) {
            const settings::DiscoverySettings wanted = settings::ReadDiscoverySettings(*run.SettingsFile);
            run.WantedCrateSerial = wanted.crateSerial;
            run.WantedModuleSlot = static_cast<int16_t>(wanted.moduleSlot);
        }
    } else if (c < TDiscoveryTables::MaxCrates) {
        run.WantedCrateSerial = FieldText(tables_.ListedCrateSerials[c]);
        const uint16_t m = tables_.SelectedModuleIndex[c];
        run.WantedModuleSlot =
            m < TDiscoveryTables::SlotCount ? static_cast<int16_t>(tables_.ListedModuleSlots[c][m]) : int16_t{-1};
    }

    EnableWindowControls(false);
    if (run.Mode != TDiscoveryMode::ModuleChanged) tables_.CrateOk = 0;
    if (run.Mode != TDiscoveryMode::CrateChanged) tables_.ModuleState = TModuleState::None;
    run.Tables.CrateOk = tables_.CrateOk;
    run.Tables.ModuleState = tables_.ModuleState;
    ShowDeviceStatus(run, false);

    if (!run.RestoreSettings || run.SettingsFile == nullptr) return;
    const settings::ApplicationSettings stored = settings::ReadApplicationSettings(*run.SettingsFile);
    QPoint position = window_->pos();
    if (stored.windowTop != -1) position.setY(stored.windowTop);
    if (stored.windowLeft != -1) position.setX(stored.windowLeft);
    // A position saved on another screen arrangement must not hide the window.
    window_->move(
        FitWindowPosition(position, window_->frameGeometry().size(), AvailableScreenAreas(), PrimaryScreenArea()));
}

void TDeviceController::ShowDiscoveryResult(const TDiscoveryRun& run, TDiscoveryView view) {
    tables_.CrateOk = run.Tables.CrateOk;
    tables_.ModuleState = run.Tables.ModuleState;
    if (view == TDiscoveryView::Status) {
        ShowDeviceStatus(run, true);
        return;
    }
    if (run.Mode == TDiscoveryMode::FullSearch) {
        // The search's tables are the window's from here on, whatever it found.
        const uint16_t selected = tables_.SelectedCrateIndex;
        tables_ = run.Tables;
        const TReentryGuard::TScope quiet = guard_.Hold();
        QComboBox* modules = ui_.ModulesComboBox;
        modules->clear();
        modules->setCurrentIndex(-1);
        modules->setMaxVisibleItems(0);
        if (run.CratesListed) {
            QComboBox* crates = ui_.ZebCratesComboBox;
            crates->setCurrentIndex(-1);
            crates->clear();
            for (uint16_t i = 0; i < tables_.ListedCrateCount; ++i)
                crates->addItem(QString::number(i + 1) + ": " + Text(tables_.ListedCrateSerials[i]));
            crates->setMaxVisibleItems(tables_.ListedCrateCount);
            crates->setCurrentIndex(tables_.SelectedCrateIndex);
            FillModuleList(tables_.SelectedCrateIndex);
        } else {
            tables_.SelectedCrateIndex = selected;
        }
    } else if (run.Mode == TDiscoveryMode::CrateChanged) {
        FillModuleList(tables_.SelectedCrateIndex);
    }
}

void TDeviceController::ApplySettings(TDiscoveryRun& run) {
    const bool identified = tables_.ModuleState == TModuleState::Identified;
    if (!settings_.LoadSettings(run.SettingsFile.get(), identified)) {
        run.Message = "Не могу проинициализировать параметры работы приложения!";
        return;
    }
    if (identified) ConfigureModule();
}

void TDeviceController::ConfigureModule() {
    run::WriteModuleConfiguration(module_, page_.ModuleParameters());
    if (ZEB44_SetConfig(&module_) != 0) {
        // The module refused: the rate list shows that no rate is in force. No message.
        const TReentryGuard::TScope quiet = guard_.Hold();
        ui_.AdcRateComboBox->setCurrentIndex(-1);
    }
}

void TDeviceController::FinishDiscovery(TDiscoveryRun& run) {
    tables_.CrateOk = run.Tables.CrateOk;
    tables_.ModuleState = run.Tables.ModuleState;
    const bool identified = tables_.ModuleState == TModuleState::Identified;
    {
        const TReentryGuard::TScope quiet = guard_.Hold();
        if (identified) {
            EnableControlBranch(ui_.ModuleDetectionLMDGroupBox, true);
            ui_.SaveSettingsButton->setEnabled(!ui_.AutoSaveSettingsLMDCheckBox->isChecked());
            ui_.ModuleDetectionLMDGroupBox->update();
        } else {
            ui_.ModuleDetectionLMDGroupBox->setEnabled(true);
            ui_.FindDeviceLMDButton->setEnabled(true);
            EnableControlBranch(ui_.SelectedModuleLMDSimplePanel, true);
        }
        ui_.MainLMDSimplePanel->setEnabled(true);
        ui_.MainLMDPageControl->setEnabled(true);
        ui_.MainLMDPageControl->widget(0)->setEnabled(true);
        if (identified) {
            ui_.AdcStreamLMDSimplePanel->setEnabled(true);
            EnableControlBranch(ui_.AdcGroupParsLMDGroupBox, true);
            ui_.AdcGroupParsLMDGroupBox->setEnabled(true);
            ui_.AdcIndividualParsLMDGroupBox->setEnabled(true);
            page_.EnableChannelControls();
            ui_.StartMultimeterLMDSpeedButton->setEnabled(true);
            ui_.StartMultimeterLMDSimplePanel->show();
            ui_.MultimeterLMDSimplePanel->setEnabled(true);
        }
    }
    run.SettingsFile.reset();
    if (run.SavedCursor != TDiscoveryRun::NoSavedCursor) {
        QGuiApplication::restoreOverrideCursor();
        run.SavedCursor = TDiscoveryRun::NoSavedCursor;
    }
}

// Controls.

void TDeviceController::EnableWindowControls(bool enable) {
    const TReentryGuard::TScope quiet = guard_.Hold();
    EnableControlBranch(ui_.ModuleDetectionLMDGroupBox, enable);
    EnableControlBranch(ui_.MainLMDSimplePanel, enable);
}

void TDeviceController::EnableControlBranch(QWidget* control, bool enable) {
    if (control == nullptr) return;
    control->setEnabled(enable);
    // The channel frames inside are switched by EnableChannelControls.
    if (enable && control == ui_.AdcIndividualParsLMDGroupBox) return;
    for (QWidget* child : ChildControls(control)) {
        if (IsContainer(child)) EnableControlBranch(child, enable);
        child->setEnabled(enable);
    }
}

void TDeviceController::FillModuleList(uint16_t c) {
    const TReentryGuard::TScope quiet = guard_.Hold();
    QComboBox* modules = ui_.ModulesComboBox;
    modules->setCurrentIndex(-1);
    modules->clear();
    const uint16_t count =
        c < tables_.ListedCrateCount && c < TDiscoveryTables::MaxCrates ? tables_.ListedModuleCounts[c] : 0;
    for (uint16_t m = 0; m < count; ++m)
        modules->addItem("Слот " + QString::number(tables_.ListedModuleSlots[c][m]) + ": " + Zeb44ModuleText);
    modules->setMaxVisibleItems(count);
    if (count > 0)
        modules->setCurrentIndex(tables_.SelectedModuleIndex[c] < count ? tables_.SelectedModuleIndex[c] : 0);
}

// Handlers.

void TDeviceController::FindClicked() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    stopRun_();
    page_.ClearParameters();
    RequestDiscovery(TDiscoveryMode::FullSearch, false);
}

void TDeviceController::CrateChosen() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    const int item = ui_.ZebCratesComboBox->currentIndex();
    if (item != static_cast<int>(tables_.SelectedCrateIndex)) {
        stopRun_();
        tables_.SelectedCrateIndex = static_cast<uint16_t>(item);
        RequestDiscovery(TDiscoveryMode::CrateChanged, false);
    }
}

void TDeviceController::ModuleChosen() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    const int crate = ui_.ZebCratesComboBox->currentIndex();
    const int module = ui_.ModulesComboBox->currentIndex();
    // Only an item that discovery listed names a module.
    if (crate < 0 || module < 0 || !tables_.HoldsModule(static_cast<uint16_t>(crate), static_cast<uint16_t>(module)))
        return;
    const QString serial = Text(tables_.ListedModuleSerials[crate][module]);
    if (serial == ui_.ModuleSerialNumberLMDLabel->text()) return;
    stopRun_();
    if (tables_.SelectedCrateIndex < TDiscoveryTables::MaxCrates)
        tables_.SelectedModuleIndex[tables_.SelectedCrateIndex] = static_cast<uint16_t>(module);
    RequestDiscovery(TDiscoveryMode::ModuleChanged, false);
}
