#pragma once

#include "signalview/ColumnReduction.h"
#include "signalview/FrameHandOff.h"

#include <QChartView>
#include <QList>
#include <QPointF>
#include <QWidget>

#include <array>
#include <memory>
#include <string>
#include <vector>

class QAbstractAxis;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineSeries;
class QLogValueAxis;
class QScatterSeries;
class QValueAxis;

namespace run {
class TMeasurementRun;
}

// A chart view that turns the mouse wheel into a zoom of the time or frequency axis
// around the pointer and a double click into the whole frame again.
class TSignalChartView : public QChartView {
    Q_OBJECT
public:
    explicit TSignalChartView(QChart* chart, QWidget* parent = nullptr);

signals:
    // factor < 1 zooms in; x is the axis value under the pointer.
    void zoomRequested(double factor, double x);
    void resetRequested();

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// The waveform and the spectrum of one channel's last frame, with the peak, the
// harmonic distortion and the run's reading beside them. A separate window of its
// own, not modal; the main window hands it every frame of a run through TakeFrame
// (in its per-frame step on the GUI thread). The copy into the hand-off buffer is all
// the run pays: the spectrum is computed on the view's own thread, and a frame that
// arrives while the previous one is still being analysed is dropped.
class TSignalViewForm : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* Title = "Осциллограмма и спектр";
    static constexpr const char* NoRunText = "Измерение не запущено: кадров ещё нет. Нажмите СТАРТ.";
    static constexpr const char* NoChannelText = "Нет включённых каналов.";

    explicit TSignalViewForm(QWidget* owner);
    ~TSignalViewForm() override;

    // The channels the operator may choose (the enabled ones); a chosen channel that is
    // not among them gives way to the first that is.
    void SetEnabledChannels(const std::array<bool, 4>& enabled);
    // Chooses channel 0 ... 3 (an enabled one).
    void SelectChannel(int channel);
    int SelectedChannel() const { return channel_; }

    // GUI: a run begins (its frames follow) and ends (the last frame stays).
    void RunStarted();
    void RunEnded();
    // GUI, from the main window's per-frame step while the run's thread waits: copies
    // the chosen channel's samples of the run's last frame into the hand-off buffer
    // (made at the first frame of the run) unless the window is hidden or its thread
    // still busy. readings: each channel's reading as the main window shows it.
    void TakeFrame(const run::TMeasurementRun& run, const std::array<std::string, 4>& readings);
    // The same for a frame given directly (benchmarks): count samples at rate hertz.
    bool TakeSamples(const double* samples, std::size_t count, double rate, int channel, double rangeVolts,
                     const std::string& reading);
    // Takes a finished analysis into the view; true when a new frame is shown.
    bool CollectFrame();
    // Reduces the shown frame to the charts' pixel columns and updates both charts.
    void Redraw();
    // Frames shown so far and frames the view's thread had no time for.
    std::uint64_t ShownFrameNumber() const { return drawnNumber_; }
    std::uint64_t DroppedFrames() const { return handOff_ ? handOff_->Dropped() : 0; }

    // Controls; tests and a screen reader read the labels.
    QComboBox* ChannelComboBox = nullptr;
    QCheckBox* LogFrequencyCheckBox = nullptr;
    QLabel* StatusLabel = nullptr;
    QLabel* ReadingValueLabel = nullptr;
    QLabel* PeakFrequencyValueLabel = nullptr;
    QLabel* PeakLevelValueLabel = nullptr;
    QLabel* ThdPercentValueLabel = nullptr;
    QLabel* ThdDbValueLabel = nullptr;
    QLabel* HarmonicsValueLabel = nullptr;
    TSignalChartView* WaveformChartView = nullptr;
    TSignalChartView* SpectrumChartView = nullptr;
    QLineSeries* WaveformSeries = nullptr;
    QLineSeries* SpectrumSeries = nullptr;
    QScatterSeries* PeakSeries = nullptr;

private:
    // A view range of one chart's horizontal axis, in axis units; empty = the whole frame.
    struct TSpan {
        double Lo = 0.0;
        double Hi = 0.0;
        bool Whole = true;
    };

    void BuildLayout();
    void ShowTexts();
    void ShowStatus();
    void UseLogAxis(bool log);
    void Zoom(TSpan& span, double wholeLo, double wholeHi, double factor, double x);
    void RedrawWaveform(const signalview::TViewFrame& frame);
    void RedrawSpectrum(const signalview::TViewFrame& frame);
    bool HasFrameOfChannel() const;

    std::array<bool, 4> enabled_{true, true, true, true};
    int channel_ = 0;
    bool running_ = false;
    bool prepared_ = false;      // the hand-off was prepared for the current run
    std::uint64_t drawnNumber_ = 0;
    TSpan waveSpan_;
    TSpan spectrumSpan_;
    bool logAxis_ = false;
    QValueAxis* timeAxis_ = nullptr;
    QValueAxis* voltAxis_ = nullptr;
    QValueAxis* frequencyAxis_ = nullptr;
    QLogValueAxis* logFrequencyAxis_ = nullptr;
    QValueAxis* levelAxis_ = nullptr;
    std::vector<signalview::TColumn> columns_;
    QList<QPointF> points_;
    // Last member: destroyed first, so its thread ends before anything it notifies.
    std::unique_ptr<signalview::TFrameHandOff> handOff_;
};
