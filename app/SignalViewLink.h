#pragma once

#include "app/ReentryGuard.h"
#include "app/RunSubscriber.h"

#include <QObject>

#include <functional>

class QWidget;
class TSignalViewForm;

// The waveform and spectrum window as the main window reaches it: made at its
// first opening (Ctrl+G, or a double click on a channel's value field), owned by
// the main window, and fed every frame of a run while it exists.
class TSignalViewLink : public QObject, public TRunSubscriber {
    Q_OBJECT
public:
    // runActive: whether a run is active now (a view made during a run joins it);
    // ticked: the channels ticked now.
    TSignalViewLink(QWidget* window, TReentryGuard& guard, std::function<bool()> runActive,
                    std::function<std::array<bool, 4>()> ticked);

    // Shows the window on channel (0 ... 3; -1 keeps the one chosen before) and
    // brings it to the front.
    void Open(int channel);
    // Null before the first opening.
    TSignalViewForm* View() const { return view_; }

    void RunStarted() override;
    void FrameShown(const TShownFrame& shown) override;
    void RunEnded() override;

private:
    QWidget* window_;
    TReentryGuard& guard_;
    std::function<bool()> runActive_;
    std::function<std::array<bool, 4>()> ticked_;
    TSignalViewForm* view_ = nullptr;
};
