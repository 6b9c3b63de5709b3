#pragma once

#include "app/RunSubscriber.h"
#include "readings/ReadingLogFile.h"
#include "run/MeasurementRun.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <cstdint>
#include <functional>

class QLabel;
class QWidget;
class TMainFormUi;

// The window's reading log: the popup item "Запись показаний в файл…" (Ctrl+L) asks
// for a file and from then on every frame the window shows is appended to it, in the
// CSV lines of voltcheck-cli, with the values before their rounding to the display
// pattern. The item is ticked and the file's name is shown on the multimeter page
// (under the parameters, where no control stands) while the log is open. The item
// again, or the window's closing, closes the log, always after a whole line. A write
// that fails shows one box naming the file and closes the log; the run goes on.
class TReadingLog : public QObject, public TRunSubscriber {
    Q_OBJECT
public:
    static constexpr const char* Caption = "Запись показаний в файл";

    // events: whether a run's lines carry the event column (a run that resumes after a
    // lost module records the loss and the return as lines of their own), asked at its start.
    TReadingLog(QWidget& window, TMainFormUi& ui, std::function<bool()> events);
    ~TReadingLog() override;

    // The item: closes an open log, or asks for a file (a save dialog, ".csv") and opens it.
    void ItemTriggered();
    // Opens path for appending; false after a box saying why.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return file_.IsOpen(); }
    QLabel* Indicator() const { return indicator_; }

    // GUI, from the window's runs: a run starts (its frames count from 1), and a
    // frame was shown with its channels ticked.
    void RunStarted() override;
    // Where a channel's verdict comes from: false while its limits are off (no pass
    // column); called in FrameShown, after the limits window has taken the frame.
    void SetVerdicts(std::function<bool(int channel, readings::TVerdict& verdict)> verdictOf) {
        verdictOf_ = std::move(verdictOf);
    }
    void FrameShown(const TShownFrame& shown) override;
    // The loss (once, at its time) and the return, as voltcheck-cli --reconnect writes them.
    void LinkLost(const TLinkLoss& loss) override;
    void LinkResumed(const TLinkLoss& loss) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowState();
    // A write failed: the log closes and one box, after the run's step, names the file.
    void Failed(const std::string& error);

    QWidget& window_;
    TMainFormUi& ui_;
    readings::TReadingLogFile file_;
    QLabel* indicator_ = nullptr;
    std::uint64_t frame_ = 0;
    std::function<bool()> events_;
    readings::TEventColumn event_ = readings::TEventColumn::Without;
    std::function<bool(int, readings::TVerdict&)> verdictOf_;
};
