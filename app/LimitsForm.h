#pragma once

#include "readings/BenchFunctions.h"
#include "run/ChannelDisplay.h"
#include "settings/SettingsValues.h"
#include "signalview/ColumnReduction.h"

#include <QList>
#include <QPointF>
#include <QWidget>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
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
// reset and a trend chart of the shown readings. A separate window, not modal. The main
// window hands it every frame (FrameTaken, on the GUI thread while the run waits): it
// only computes the channel functions and appends to the trends there; labels and charts
// follow on a timer, so a frame costs the run a few microseconds.
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

    // changed: called with the settings in force after every accepted entry (to keep them).
    TLimitsForm(QWidget* owner, const settings::LimitsSettings& limits,
                std::function<void(const settings::LimitsSettings&)> changed);
    ~TLimitsForm() override;

    // The channels shown (the ticked ones).
    void SetChannels(const std::array<bool, 4>& ticked);
    settings::LimitsSettings Limits() const;
    // Puts settings into the controls and the channels (a load of the settings file).
    void SetLimits(const settings::LimitsSettings& limits);

    // GUI: a run starts (statistics and trends start afresh) and ends (the figures stay).
    void RunStarted();
    void RunEnded();
    // GUI, per frame while the run waits: channel c's absolute reading in volts, taken
    // `seconds` after the trend's start; returns what the channel shows.
    const readings::TBenchResult& TakeReading(int channel, double volts, bool overload, double seconds);
    // The shown reading's text in the channel's display pattern, for the large digits.
    void SetShownText(int channel, std::string text);
    // The seconds since the trends began, for TakeReading.
    double SecondsSinceStart() const;

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

    const readings::TBenchChannel& Channel(int c) const { return channels_[static_cast<std::size_t>(c)]; }
    std::size_t TrendPoints(int c) const { return trends_[static_cast<std::size_t>(c)].Values.size(); }

    std::array<TRow, 4> Rows;

private:
    struct TTrend {
        std::vector<double> Seconds;
        std::vector<double> Values;  // millivolts
        void Clear() {
            Seconds.clear();
            Values.clear();
        }
    };

    void BuildRow(int c);
    void ShowEntries(int c);
    void ShowResult(int c);
    void RedrawTrend(int c);
    void Changed();

    readings::TBenchChannels channels_;
    std::array<TTrend, 4> trends_;
    std::array<std::string, 4> shownText_;
    std::array<bool, 4> shownChannels_{true, true, true, true};
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::uint64_t taken_ = 0;      // readings taken so far ...
    std::uint64_t refreshed_ = 0;  // ... and when the labels and charts last showed them
    std::function<void(const settings::LimitsSettings&)> changed_;
    QTimer* timer_ = nullptr;
    std::vector<signalview::TColumn> columns_;
    QList<QPointF> points_;
};
