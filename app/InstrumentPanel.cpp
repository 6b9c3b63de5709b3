// The hidden panel of the external generator and multimeter: the entry rules
// of the generator entries, the START lock while an entry is unconfirmed, and
// the multimeter's mode and filter.
#include "app/InstrumentPanel.h"

#include "app/GeneratorEntry.h"
#include "app/MessagePresenter.h"
#include "FormatFloat/DecimalSeparator.h"
#include "FormatFloat/StrToFloat.h"
#include "instrument/Zeb44Tables.h"
#include "ui/UiStyle.h"
#include "ui/EntryEdit.h"
#include "ui/MainFormUi.h"
#include "ui/RadioGroup.h"
#include "ui/SpeedButton.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>

#include <exception>
#include <stdexcept>

namespace {

const QColor Unconfirmed = style::Red;
const QColor Confirmed(0, 0, 0);
const QString EntryErrorCaption = "Ошибка AdcRateLMDEditKeyPress()!!!";

}  // namespace

TEntryKeyFilter::TEntryKeyFilter(QObject* parent, std::function<void(QObject*, QChar&)> onKey)
    : QObject(parent), onKey_(std::move(onKey)) {}

bool TEntryKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    QChar key;
    if (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter) key = QChar('\r');
    else if (keyEvent->key() == Qt::Key_Backspace) key = QChar('\b');
    else if (!keyEvent->text().isEmpty()) key = keyEvent->text().front();
    else return false;  // keys without a character (arrows, Delete) are the entry's own
    onKey_(watched, key);
    return key.isNull() || key == QChar('\r');
}

TInstrumentPanel::TInstrumentPanel(TMainFormUi& ui, QWidget* window, TReentryGuard& guard,
                                   std::function<void()> stopRun)
    : QObject(window), ui_(ui), window_(window), guard_(guard), stopRun_(std::move(stopRun)) {}

void TInstrumentPanel::EntryChanged(QObject* sender) {
    const auto entered = guard_.Enter();
    if (!entered) return;
    if (auto* entry = qobject_cast<TEntryEdit*>(sender); entry != nullptr && entry->textColor() != Unconfirmed) {
        entry->setTextColor(Unconfirmed);
        ui_.StartMultimeterLMDSpeedButton->setEnabled(false);
    }
}

void TInstrumentPanel::EntryKeyPress(QObject* sender, QChar& key) {
    auto entered = guard_.Enter();
    if (!entered) return;
    try {
        if (key >= QChar('0') && key <= QChar('9')) return;
        SetDecimalSeparator('.');
        if (key == QChar('-') || key == QChar('\b') || key == QChar('.')) {
            // accepted as typed
        } else if (key == QChar('\r')) {
            stopRun_();
            TEntryEdit* frequency = ui_.SignalFrequencyGeneratorLMDEdit;
            TEntryEdit* amplitude = ui_.SignalAmpltudeGeneratorLMDEdit;
            auto* entry = qobject_cast<TEntryEdit*>(sender);
            if (entry != frequency && entry != amplitude) throw std::logic_error("not a generator entry");
            const double maxVolts = instrument::InputRanges[0].Volts;
            const TGeneratorEntries texts =
                entry == frequency
                    ? ConfirmGeneratorFrequency(frequency->text().toStdString(), amplitude->text().toStdString(), maxVolts)
                    : ConfirmGeneratorAmplitude(frequency->text().toStdString(), amplitude->text().toStdString(), maxVolts);
            frequency->setText(QString::fromStdString(texts.Frequency));
            amplitude->setText(QString::fromStdString(texts.Amplitude));
            if (!texts.AmplitudeLabel.empty())
                ui_.SignalAmpltudeGeneratorLabLMDLabel->setText(QString::fromStdString(texts.AmplitudeLabel));
            entry->setTextColor(Confirmed);
            UpdateStartButton();
        } else {
            key = QChar();  // discarded
        }
    } catch (const EConvertError&) {
        entered.reset();
        ApplicationMessageBox(window_, "Обнаружена ошибка преобразования строки в число.", EntryErrorCaption,
                              TMessageBoxIcon::Information);
    } catch (...) {
        entered.reset();
        ApplicationMessageBox(window_, "Обнаружена неустранимая ошибка!", EntryErrorCaption,
                              TMessageBoxIcon::Information);
    }
}

void TInstrumentPanel::UpdateStartButton() {
    const bool confirmed = ui_.SignalAmpltudeGeneratorLMDEdit->textColor() == Confirmed &&
                           ui_.SignalFrequencyGeneratorLMDEdit->textColor() == Confirmed;
    ui_.StartMultimeterLMDSpeedButton->setEnabled(confirmed);
}

void TInstrumentPanel::VoltmeterModeChanged(QObject* sender) {
    auto entered = guard_.Enter();
    if (!entered) return;
    stopRun_();
    auto* group = qobject_cast<TRadioGroup*>(sender);
    if (group == nullptr) {
        entered.reset();
        ApplicationMessageBox(window_, "Не могу привести тип!", "Ошибка AcDcVoltmeterModeLMDRadioGroupChange()!!!",
                              TMessageBoxIcon::Information);
        return;
    }
    const int mode = group->itemIndex();
    const bool reading = mode != 2;  // "OFF" shows no reading
    ui_.VoltmeterValueLMDLabel->setEnabled(reading);
    ui_.VoltmeterValueUnitLMDLabel->setEnabled(reading);
    ui_.AcFilterVoltmeterLMDComboBox->setEnabled(mode == 1);  // the filter is for "AC " only
}

void TInstrumentPanel::VoltmeterFilterChanged() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    stopRun_();
}
