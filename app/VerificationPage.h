#pragma once

#include "app/ReentryGuard.h"

#include <QObject>

#include <functional>

class QWidget;
class TMainFormUi;

// The page "Поверка" (the configuration file name kept readable) and the guard
// of every page change: no page but the multimeter's without an identified
// module, and a run stops when the multimeter page comes back.
class TVerificationPage : public QObject {
    Q_OBJECT
public:
    TVerificationPage(TMainFormUi& ui, QWidget* window, TReentryGuard& guard, std::function<bool()> moduleIdentified,
                      std::function<void()> stopRun);

    // The edit changed its width: the end of a long file name comes into view.
    void SplitterMoved();
    // The whole name can be read by pointing at the edit.
    void FileNameChanged();
    // newIndex: the page about to become active; allowChange false keeps the current page.
    void PageChanging(int newIndex, bool& allowChange);

private:
    TMainFormUi& ui_;
    QWidget* window_;
    TReentryGuard& guard_;
    std::function<bool()> moduleIdentified_;
    std::function<void()> stopRun_;
};
