#pragma once

#include "app/ReentryGuard.h"

#include <QChar>
#include <QObject>

#include <functional>

class QWidget;
class TMainFormUi;

// The hidden panel of the external generator and multimeter: the entry rules of
// the generator entries, the START lock while an entry is unconfirmed, and the
// multimeter's mode and filter.
class TInstrumentPanel : public QObject {
    Q_OBJECT
public:
    TInstrumentPanel(TMainFormUi& ui, QWidget* window, TReentryGuard& guard, std::function<void()> stopRun);

    // A generator entry's text changed: red until Enter confirms it, START off meanwhile.
    void EntryChanged(QObject* sender);
    // key: the character typed into a generator entry; set to null to discard it.
    void EntryKeyPress(QObject* sender, QChar& key);
    // START is usable only with both entries confirmed.
    void UpdateStartButton();
    void VoltmeterModeChanged(QObject* sender);
    void VoltmeterFilterChanged();

private:
    TMainFormUi& ui_;
    QWidget* window_;
    TReentryGuard& guard_;
    std::function<void()> stopRun_;
};

// Hands every typed character of a generator entry to onKey first; a character
// it sets to null does not reach the entry, and Enter never does.
class TEntryKeyFilter : public QObject {
    Q_OBJECT
public:
    TEntryKeyFilter(QObject* parent, std::function<void(QObject* sender, QChar& key)> onKey);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(QObject*, QChar&)> onKey_;
};
