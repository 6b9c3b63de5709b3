// The hidden panel of the external generator and multimeter: the entry rules
// of the generator entries, the START lock while an entry is unconfirmed, and
// the multimeter's mode and filter.
#include "app/MainForm.h"

#include "app/GeneratorEntry.h"
#include "app/MessagePresenter.h"
#include "FormatFloat/DecimalSeparator.h"
#include "FormatFloat/StrToFloat.h"
#include "ui/EntryEdit.h"
#include "ui/RadioGroup.h"
#include "ui/SpeedButton.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>

#include <exception>
#include <stdexcept>

namespace {

const QColor Unconfirmed(255, 0, 0);
const QColor Confirmed(0, 0, 0);
const QString EntryErrorCaption = "Ошибка AdcRateLMDEditKeyPress()!!!";

// Hands every typed character of a generator entry to the window's key-press
// handler first; a character the handler sets to null does not reach the entry.
class TEntryKeyFilter : public QObject {
public:
    TEntryKeyFilter(TMainForm* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        QChar key;
        if (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter) key = QChar('\r');
        else if (keyEvent->key() == Qt::Key_Backspace) key = QChar('\b');
        else if (!keyEvent->text().isEmpty()) key = keyEvent->text().front();
        else return false;  // keys without a character (arrows, Delete) are the entry's own
        form_->CommonLMDEditKeyPress(watched, key);
        return key.isNull() || key == QChar('\r');
    }

private:
    TMainForm* form_;
};

}  // namespace

void TMainForm::CommonLMDEditChange(QObject* sender) {
    if (Busy) return;
    Busy = true;
    // Red marks an entry typed but not yet confirmed with Enter.
    if (auto* entry = qobject_cast<TEntryEdit*>(sender); entry != nullptr && entry->textColor() != Unconfirmed) {
        entry->setTextColor(Unconfirmed);
        Ui.StartMultimeterLMDSpeedButton->setEnabled(false);
    }
    Busy = false;
}

void TMainForm::CommonLMDEditKeyPress(QObject* sender, QChar& key) {
    if (Busy) return;
    Busy = true;
    try {
        if (key >= QChar('0') && key <= QChar('9')) {
            Busy = false;
            return;
        }
        SetDecimalSeparator('.');
        if (key == QChar('-') || key == QChar('\b') || key == QChar('.')) {
            // accepted as typed
        } else if (key == QChar('\r')) {
            StopMainThread();
            TEntryEdit* frequency = Ui.SignalFrequencyGeneratorLMDEdit;
            TEntryEdit* amplitude = Ui.SignalAmpltudeGeneratorLMDEdit;
            auto* entry = qobject_cast<TEntryEdit*>(sender);
            if (entry != frequency && entry != amplitude) throw std::logic_error("not a generator entry");
            const double maxVolts = InputRangeTable[0].Volts;
            const TGeneratorEntries texts =
                entry == frequency
                    ? ConfirmGeneratorFrequency(frequency->text().toStdString(), amplitude->text().toStdString(), maxVolts)
                    : ConfirmGeneratorAmplitude(frequency->text().toStdString(), amplitude->text().toStdString(), maxVolts);
            frequency->setText(QString::fromStdString(texts.Frequency));
            amplitude->setText(QString::fromStdString(texts.Amplitude));
            if (!texts.AmplitudeLabel.empty())
                Ui.SignalAmpltudeGeneratorLabLMDLabel->setText(QString::fromStdString(texts.AmplitudeLabel));
            entry->setTextColor(Confirmed);
            UpdateStartButton();
        } else {
            key = QChar();  // discarded
        }
    } catch (const EConvertError&) {
        Busy = false;
        ApplicationMessageBox(this, "Обнаружена ошибка преобразования строки в число.", EntryErrorCaption,
                              TMessageBoxIcon::Information);
    } catch (...) {
        Busy = false;
        ApplicationMessageBox(this, "Обнаружена неустранимая ошибка!", EntryErrorCaption, TMessageBoxIcon::Information);
    }
    Busy = false;
}

void TMainForm::UpdateStartButton() {
    const bool confirmed = Ui.SignalAmpltudeGeneratorLMDEdit->textColor() == Confirmed &&
                           Ui.SignalFrequencyGeneratorLMDEdit->textColor() == Confirmed;
    Ui.StartMultimeterLMDSpeedButton->setEnabled(confirmed);
}

void TMainForm::AcDcVoltmeterModeLMDRadioGroupChange(QObject* sender) {
    if (Busy) return;
    Busy = true;
    StopMainThread();
    auto* group = qobject_cast<TRadioGroup*>(sender);
    if (group == nullptr) {
        Busy = false;
        ApplicationMessageBox(this, "Не могу привести тип!", "Ошибка AcDcVoltmeterModeLMDRadioGroupChange()!!!",
                              TMessageBoxIcon::Information);
        return;
    }
    const int mode = group->itemIndex();
    const bool reading = mode != 2;  // "OFF" shows no reading
    Ui.VoltmeterValueLMDLabel->setEnabled(reading);
    Ui.VoltmeterValueUnitLMDLabel->setEnabled(reading);
    Ui.AcFilterVoltmeterLMDComboBox->setEnabled(mode == 1);  // the filter is for "AC " only
    Busy = false;
}

void TMainForm::AcFilterVoltmeterLMDComboBoxChange() {
    if (Busy) return;
    Busy = true;
    StopMainThread();
    Busy = false;
}

void TMainForm::GeneratorChannelStateLMDRadioGroupChange() {}

void TMainForm::BindInstrumentPanelHandlers() {
    auto* keyFilter = new TEntryKeyFilter(this);
    for (TEntryEdit* entry : {Ui.SignalAmpltudeGeneratorLMDEdit, Ui.SignalFrequencyGeneratorLMDEdit}) {
        entry->installEventFilter(keyFilter);
        connect(entry, &QLineEdit::textChanged, this, [this, entry] { CommonLMDEditChange(entry); });
    }
    connect(Ui.AcDcVoltmeterModeLMDRadioGroup, &TRadioGroup::itemIndexChanged, this,
            [this] { AcDcVoltmeterModeLMDRadioGroupChange(Ui.AcDcVoltmeterModeLMDRadioGroup); });
    connect(Ui.AcFilterVoltmeterLMDComboBox, &QComboBox::activated, this, [this] { AcFilterVoltmeterLMDComboBoxChange(); });
    connect(Ui.GeneratorChannelStateLMDRadioGroup, &TRadioGroup::itemIndexChanged, this,
            [this] { GeneratorChannelStateLMDRadioGroupChange(); });
}
