// Discovery of crates and modules, window side: the steps a discovery run
// hands to the GUI thread, the crate and module lists and their handlers,
// and the wait that lets a run end before the window closes.
#include "app/MainForm.h"

#include "app/WindowPlacement.h"

#include "IniFile/IniFile.h"
#include "device/CrateScan.h"
#include "device/InitAndConfigThread.h"
#include "settings/SettingsReader.h"
#include "ui/CaptionGroupBox.h"
#include "ui/SpeedButton.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

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

// Window side of the thread interface.

ModuleRecord& TMainForm::DiscoveryModuleRecord() { return Module; }

bool TMainForm::DiscoveryCancelled() const { return DiscoveryCancelRequested.load(); }

void TMainForm::DiscoveryThreadAlive(bool alive) {
    if (alive)
        DiscoveryThreadCount.fetch_add(1);
    else
        DiscoveryThreadCount.fetch_sub(1);
}

void TMainForm::SwitchPopupMenuOff() { setContextMenuPolicy(Qt::NoContextMenu); }

void TMainForm::BindDiscoveryHandlers() {
    // A choice of the operator, not a change made by the program, starts a run.
    connect(Ui.ZebCratesComboBox, &QComboBox::activated, this, [this] { ZebCratesComboBoxChange(); });
    connect(Ui.ModulesComboBox, &QComboBox::activated, this, [this] { ModulesComboBoxChange(); });
}

// The steps of a run.

void TMainForm::PrepareDiscovery(TInitAndConfigThread& run) {
    Ui.MainLMDPageControl->setEnabled(false);
    const QCursor* current = QGuiApplication::overrideCursor();
    run.SavedCursor = current != nullptr ? static_cast<int>(current->shape()) : -1;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);

    Busy = true;
    Ui.MainLMDPageControl->setCurrentIndex(0);
    Ui.StartMultimeterLMDSimplePanel->hide();
    Busy = false;

    std::string message;
    if (!OpenSettingsFile(run.DiscoverySettingsFile, message)) {
        if (!message.empty()) {
            run.MessageText = message;
            run.ShowThreadMessage();
        }
        return;
    }

    const uint16_t c = SelectedCrateIndex;
    if (run.RestoreSettings || c == NoCrate || run.DiscoverySettingsFile == nullptr) {
        if (run.DiscoverySettingsFile != nullptr) {
            const settings::DiscoverySettings wanted = settings::ReadDiscoverySettings(*run.DiscoverySettingsFile);
            run.WantedCrateSerial = wanted.crateSerial;
            run.WantedModuleSlot = static_cast<int16_t>(wanted.moduleSlot);
        }
    } else if (c < MaxCrates) {
        run.WantedCrateSerial = FieldText(ListedCrateSerials[c]);
        const uint16_t m = SelectedModuleIndex[c];
        run.WantedModuleSlot = m < SlotCount ? static_cast<int16_t>(ListedModuleSlots[c][m]) : int16_t{-1};
    }

    switch (run.DiscoveryMode) {
    case 3:
        EnableWindowControls(false);
        CrateOk = 0;
        ModuleState = 0;
        break;
    case 1:
        EnableWindowControls(false);
        ModuleState = 0;
        break;
    case 2:
        EnableWindowControls(false);
        CrateOk = 0;
        break;
    default:
        return;
    }
    ShowDeviceStatus(run, false);
}

void TMainForm::RestoreWindowPosition(TInitAndConfigThread& run) {
    if (!run.RestoreSettings || run.DiscoverySettingsFile == nullptr) return;
    const settings::ApplicationSettings stored = settings::ReadApplicationSettings(*run.DiscoverySettingsFile);
    QPoint position = pos();
    if (stored.windowTop != -1) position.setY(stored.windowTop);
    if (stored.windowLeft != -1) position.setX(stored.windowLeft);
    // A position saved on another screen arrangement must not hide the window.
    move(FitWindowPosition(position, frameGeometry().size(), AvailableScreenAreas(), PrimaryScreenArea()));
}

bool TMainForm::FullSearch(TInitAndConfigThread& run) {
    const bool found = SelectAndOpen(run);
    if (found) ModuleState = 1;
    return found;
}

bool TMainForm::SelectAndOpen(TInitAndConfigThread& run) {
    Busy = true;
    Ui.ModulesComboBox->clear();
    Ui.ModulesComboBox->setCurrentIndex(-1);
    Ui.ModulesComboBox->setMaxVisibleItems(0);
    Busy = false;

    switch (ScanCrates(*this, Module)) {
    case TScanResult::NoCrateList:
        run.MessageText = "Не могу найти ни одного ZEB крейта!";
        run.ShowThreadMessage();
        return false;
    case TScanResult::CrateFailed:
        // The crate's connection is closed already; the crate is named.
        run.MessageText = "Не могу опросить ZEB крейт '" + FieldText(CrateSerials[CrateCount - 1]) + "'!";
        run.ShowThreadMessage();
        return false;
    case TScanResult::Done:
        break;
    }
    if (ListedCrateCount == 0) {
        run.MessageText = std::string("Не могу найти ни одного ZEB крейта, где бы был установлен модуль ") +
                          Zeb44ModuleText + "!";
        run.ShowThreadMessage();
        return false;
    }

    SelectWantedModule(*this, run.WantedCrateSerial, run.WantedModuleSlot);
    const uint16_t c = SelectedCrateIndex;

    Busy = true;
    QComboBox* crates = Ui.ZebCratesComboBox;
    crates->setCurrentIndex(-1);
    crates->clear();
    for (uint16_t i = 0; i < ListedCrateCount; ++i)
        crates->addItem(QString::number(i + 1) + ": " + Text(ListedCrateSerials[i]));
    crates->setMaxVisibleItems(ListedCrateCount);
    crates->setCurrentIndex(c);
    Busy = false;

    CrateOk = 1;
    FillModuleList(c);

    const uint16_t m = SelectedModuleIndex[c];
    if (!OpenModuleInSlot(Module, ListedCrateSerials[c], ListedModuleSlots[c][m])) return false;
    ModuleState = 1;
    return true;
}

void TMainForm::FillModuleList(uint16_t c) {
    const bool wasBusy = Busy;
    Busy = true;
    QComboBox* modules = Ui.ModulesComboBox;
    modules->setCurrentIndex(-1);
    modules->clear();
    const uint16_t count = c < ListedCrateCount && c < MaxCrates ? ListedModuleCounts[c] : 0;
    for (uint16_t m = 0; m < count; ++m)
        modules->addItem("Слот " + QString::number(ListedModuleSlots[c][m]) + ": " + Zeb44ModuleText);
    modules->setMaxVisibleItems(count);
    if (count > 0) modules->setCurrentIndex(SelectedModuleIndex[c] < count ? SelectedModuleIndex[c] : 0);
    Busy = wasBusy;
}

bool TMainForm::ReloadModuleList(TInitAndConfigThread& run) {
    run.ModuleName.clear();
    run.CrateTypeCode = 0;
    CloseModuleIfOpen(Module);
    FillModuleList(SelectedCrateIndex);
    TModuleIdentity identity;
    const bool opened = OpenSelectedModule(*this, Module, identity);
    run.ModuleName = identity.ModuleName;
    run.CrateTypeCode = identity.CrateTypeCode;
    run.CrateName = identity.CrateName;
    if (!opened) {
        // The record is closed now: no measurement may be offered on it.
        ModuleState = 0;
        return false;
    }
    CrateOk = 1;
    return true;
}

void TMainForm::ApplySettings(TInitAndConfigThread& run) {
    if (!LoadSettings(run.DiscoverySettingsFile.get())) {
        run.MessageText = "Не могу проинициализировать параметры работы приложения!";
        run.ShowThreadMessage();
    }
}

void TMainForm::FinishDiscovery(TInitAndConfigThread& run) {
    Busy = true;
    if (ModuleState == 2) {
        EnableControlBranch(Ui.ModuleDetectionLMDGroupBox, true);
        Ui.SaveSettingsButton->setEnabled(!Ui.AutoSaveSettingsLMDCheckBox->isChecked());
        Ui.ModuleDetectionLMDGroupBox->update();
    } else {
        Ui.ModuleDetectionLMDGroupBox->setEnabled(true);
        Ui.FindDeviceLMDButton->setEnabled(true);
        EnableControlBranch(Ui.SelectedModuleLMDSimplePanel, true);
    }
    Ui.MainLMDSimplePanel->setEnabled(true);
    Ui.MainLMDPageControl->setEnabled(true);
    Ui.MainLMDPageControl->widget(0)->setEnabled(true);
    if (ModuleState == 2) {
        Ui.AdcStreamLMDSimplePanel->setEnabled(true);
        EnableControlBranch(Ui.AdcGroupParsLMDGroupBox, true);
        Ui.AdcGroupParsLMDGroupBox->setEnabled(true);
        Ui.AdcIndividualParsLMDGroupBox->setEnabled(true);
        EnableChannelControls();
        Ui.StartMultimeterLMDSpeedButton->setEnabled(true);
        Ui.StartMultimeterLMDSimplePanel->show();
        Ui.MultimeterLMDSimplePanel->setEnabled(true);
    }
    Busy = false;
    run.DiscoverySettingsFile.reset();
    if (run.SavedCursor != TInitAndConfigThread::NoSavedCursor) {
        QGuiApplication::restoreOverrideCursor();
        run.SavedCursor = TInitAndConfigThread::NoSavedCursor;
    }
}

void TMainForm::EnableWindowControls(bool enable) {
    Busy = true;
    EnableControlBranch(Ui.ModuleDetectionLMDGroupBox, enable);
    EnableControlBranch(Ui.MainLMDSimplePanel, enable);
    Busy = false;
}

void TMainForm::EnableControlBranch(QWidget* control, bool enable) {
    if (control == nullptr) return;
    control->setEnabled(enable);
    // The channel frames inside are switched by EnableChannelControls.
    if (enable && control == Ui.AdcIndividualParsLMDGroupBox) return;
    for (QWidget* child : ChildControls(control)) {
        if (IsContainer(child)) EnableControlBranch(child, enable);
        child->setEnabled(enable);
    }
}

// The crate and module lists.

void TMainForm::ZebCratesComboBoxChange() {
    if (Busy) return;
    Busy = true;
    const int item = Ui.ZebCratesComboBox->currentIndex();
    if (item != static_cast<int>(SelectedCrateIndex)) {
        StopMainThread();
        SelectedCrateIndex = static_cast<uint16_t>(item);
        RequestDiscovery(2, false);
    }
    Busy = false;
}

void TMainForm::ModulesComboBoxChange() {
    if (Busy) return;
    Busy = true;
    const int crate = Ui.ZebCratesComboBox->currentIndex();
    const int module = Ui.ModulesComboBox->currentIndex();
    // Only an item that discovery listed names a module.
    if (crate >= 0 && module >= 0 && HoldsModule(static_cast<uint16_t>(crate), static_cast<uint16_t>(module))) {
        const QString serial = Text(ListedModuleSerials[crate][module]);
        if (serial != Ui.ModuleSerialNumberLMDLabel->text()) {
            StopMainThread();
            if (SelectedCrateIndex < MaxCrates) SelectedModuleIndex[SelectedCrateIndex] = static_cast<uint16_t>(module);
            RequestDiscovery(1, false);
        }
    }
    Busy = false;
}

// Closing.

bool TMainForm::WaitForDiscoveryEnd(int timeoutMs) {
    DiscoveryCancelRequested = true;
    QElapsedTimer waited;
    waited.start();
    while ((DiscoveryThreadCount.load() > 0 || DiscoveryRunning.load()) && waited.elapsed() < timeoutMs)
        SleepAndProcessMessages();
    return DiscoveryThreadCount.load() == 0;
}
