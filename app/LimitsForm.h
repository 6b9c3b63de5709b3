#pragma once

#include "app/BenchBoard.h"
#include "readings/BenchFunctions.h"
#include "run/ChannelDisplay.h"
#include "signalview/ColumnReduction.h"

#include <QList>
#include <QPointF>
#include <QWidget>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QChartView;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QTimer;
class QValueAxis;
class TValueEdit;

// The bench-meter window ("Допуски и статистика"): per ticked channel the null, the
// moving average and the limits (entries in millivolts, like the readings), the
// relative averaged reading in large digits, the verdict, the statistics since the last
// reset and a trend chart of the shown readings. A separate window, not modal. It shows
// and edits a TBenchBoard that its owner feeds every frame; labels and charts follow on
// a timer, so a frame costs the run a few microseconds.
class TLimitsForm : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* Title = "Допуски и статистика";
    static constexpr const char* PassText = "НОРМА";
    static constexpr const char* FailText = "БРАК";
    static constexpr int RefreshMilliseconds = 200;

    // One channel's controls; tests and a screen reader reach them by these names.
    struct TRow {
        QGroupBox* Box = nullptr;
        QCheckBox* NullCheckBox = nullptr;
        QLineEdit* NullEdit = nullptr;  // millivolts
        QPushButton* TakeNullButton = nullptr;
        QLineEdit* AverageEdit = nullptr;
        QCheckBox* LimitsCheckBox = nullptr;
        QLineEdit* LowerEdit = nullptr;  // millivolts; empty: no lower limit
        QLineEdit* UpperEdit = nullptr;
        QLabel* ErrorLabel = nullptr;  // red: why the last entry was refused
        TValueEdit* ValueEdit = nullptr;
        QLabel* VerdictLabel = nullptr;
        QLabel* StatsLabel = nullptr;
        QPushButton* ResetButton = nullptr;
        QChartView* TrendView = nullptr;
        QLineSeries* TrendSeries = nullptr;
        QLineSeries* LowerSeries = nullptr;
        QLineSeries* UpperSeries = nullptr;
        QValueAxis* TimeAxis = nullptr;
        QValueAxis* LevelAxis = nullptr;
    };

    // board: the channels' functions and trends, kept by the owner; outlives the form.
    TLimitsForm(QWidget* owner, TBenchBoard& board);
    ~TLimitsForm() override;

    // The channels shown (the ticked ones).
    void SetChannels(const std::array<bool, 4>& ticked);
    // Shows the board's settings in the controls (after a load of the settings file).
    void ShowLimits();

    // GUI: a run started (the board afresh) or ended (the figures stay).
    void RunStarted();
    void RunEnded();
    // The shown reading's text in the channel's display pattern, for the large digits.
    void SetShownText(int channel, std::string text);

    // Puts the last results into the labels and redraws the trends (the timer does it).
    void Refresh();
    // Only the trend charts (benchmarks).
    void RedrawTrends();

    // Applies channel c's entries: true when they were accepted.
    bool ApplyEntries(int channel);
    // The null button: the last averaged reading becomes the offset.
    void TakeNull(int channel);
    // The reset button: statistics and trend of channel c afresh.
    void ResetChannel(int channel);

    const readings::TBenchChannel& Channel(int c) const { return board_.Channel(c); }
    std::size_t TrendPoints(int c) const { return board_.Trend(c).Values.size(); }

    std::array<TRow, 4> Rows;

private:
    void BuildRow(int c);
    void ShowEntries(int c);
    void ShowResult(int c);
    void RedrawTrend(int c);
    void Changed();

    TBenchBoard& board_;
    std::array<std::string, 4> shownText_;
    std::array<bool, 4> shownChannels_{true, true, true, true};
    std::uint64_t refreshed_ = 0;  // the board's Taken() when the labels and charts last showed it
    QTimer* timer_ = nullptr;
    std::vector<signalview::TColumn> columns_;
    QList<QPointF> points_;
};
