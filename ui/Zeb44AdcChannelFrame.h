#pragma once

#include <QFrame>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class TLed;
class TValueEdit;

// Display and parameter frame of one ADC channel: enable box, range list, measuring mode,
// two value displays with their units and an overload lamp. The window places four of them.
// The frame does not know the window: it reports its two parameter changes as signals.
class TZeb44AdcChannelFrame : public QFrame
{
    Q_OBJECT
public:
    // States of the overload lamp.
    enum : std::uint8_t { NoOverload = 0, Overload = 1, Neutral = 2 };

    // rangeValues: rangeCount input ranges in volts (may be null when rangeCount is 0).
    // channelIndex: 0..3, the channel number minus one.
    TZeb44AdcChannelFrame(QWidget* owner, std::uint16_t channelIndex, const double* rangeValues,
                          std::uint16_t rangeCount);

    // Public controls; other parts of the program read and write them directly.
    QFrame* Zeb44AdcChannelLMDSimplePanel;
    QCheckBox* ChannelNumberLMDCheckBox;
    QComboBox* ComputationMethodLMDComboBox;
    QComboBox* InputRangeLMDComboBox;
    QLabel* Value1LabLMDLabel;
    QLabel* Value2LabLMDLabel;
    TValueEdit* Value2LMDEdit;
    TValueEdit* Value1LMDEdit;
    TLed* FlashLed;
    QLabel* ComputationMethodLMDLabel;
    std::uint16_t ChannelIndex;
    // True while the program is the active application; gates the hover highlight.
    bool ApplicationActive;

    // Enables the displays, units, range list, mode label and lamp, disables the mode list,
    // and sets the lamp from the first display: neutral for a placeholder, red text = overload.
    void EnableChannel();
    // Greys out everything but the enable box; lamp neutral.
    void DisableChannel();
    // 0 NoOverload, 1 Overload, 2 Neutral; other values change nothing.
    void SetOverloadLed(std::uint8_t state);
    // Hides the mode list and shows "AC" or "DC" in the mode label.
    void ShowComputationMethod(int connectionMode, int measuringModeIndex);
    // Disables the inner panel and every control nested in it.
    void DisableFrameControls();
    // Sets a container's enabled state, then each child's, descending into child containers first.
    static void SetControlsEnabled(QWidget* container, bool enabled);
    // Turns the focus-follows-pointer behaviour of both value displays on or off.
    void SetFocusOnMouseAbove(bool on);

    // Hover handlers of the value displays; senders that are not edit controls are ignored.
    void ValueLMDEditChange(QObject* sender);
    void ValueLMDEditMouseEnter(QObject* sender);
    void ValueLMDEditMouseExit(QObject* sender);

signals:
    // ChannelNumberLMDCheckBox changed state; sender is that check box.
    void enableCheckBoxChanged(QObject* sender);
    // InputRangeLMDComboBox changed its item index; sender is that list.
    void rangeListChanged(QObject* sender);
};
