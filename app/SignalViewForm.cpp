#include "app/SignalViewForm.h"

#include "app/ChartAxis.h"
#include "instrument/Zeb44Tables.h"
#include "run/MeasurementRun.h"
#include "ui/UiStyle.h"

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QMouseEvent>
#include <QScatterSeries>
#include <QStandardItemModel>
#include <QValueAxis>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t MaxColumns = 8192;  // wider than any screen
constexpr double WheelStep = 0.8;         // one notch keeps 80 % of the span
constexpr int MaxTicks = 11;              // labelled ticks of a linear axis, at most

QString Utf8(const char* text) { return QString::fromUtf8(text); }

QString RangeText(double volts) { return QString::number(volts, 'g', 3) + QStringLiteral(" В"); }

QLabel* ValueLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(QStringLiteral("—"), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QValueAxis* ValueAxis(const QString& title, const char* format) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setLabelFormat(QString::fromLatin1(format));
    axis->setTickCount(9);
    axis->setGridLineVisible(true);
    return axis;
}

QChart* PlainChart() {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

}  // namespace

TSignalChartView::TSignalChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
    setRenderHint(QPainter::Antialiasing, false);
}

void TSignalChartView::wheelEvent(QWheelEvent* event) {
    const QList<QAbstractSeries*> series = chart()->series();
    if (series.isEmpty() || event->angleDelta().y() == 0) return;
    const QPointF value = chart()->mapToValue(chart()->mapFromScene(mapToScene(event->position().toPoint())),
                                              series.front());
    const double notches = event->angleDelta().y() / 120.0;
    emit zoomRequested(std::pow(WheelStep, notches), value.x());
    event->accept();
}

void TSignalChartView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit resetRequested();
    event->accept();
}

TSignalViewForm::TSignalViewForm(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("SignalViewForm"));
    setWindowTitle(Utf8(Title));
    setAttribute(Qt::WA_DeleteOnClose, false);  // closing hides; the main window owns it
    columns_.resize(MaxColumns);
    points_.reserve(2 * MaxColumns);
    BuildLayout();
    handOff_ = std::make_unique<signalview::TFrameHandOff>([this] {
        // On the view's thread: only a queued call, the widgets are the GUI thread's.
        QMetaObject::invokeMethod(
            this, [this] {
                if (CollectFrame()) Redraw();
            },
            Qt::QueuedConnection);
    });
    ShowTexts();
    ShowStatus();
    resize(1200, 760);
}

TSignalViewForm::~TSignalViewForm() { handOff_.reset(); }

void TSignalViewForm::BuildLayout() {
    auto* top = new QHBoxLayout;
    auto* channelLabel = new QLabel(QStringLiteral("Канал:"), this);
    ChannelComboBox = new QComboBox(this);
    ChannelComboBox->setObjectName(QStringLiteral("ChannelComboBox"));
    for (int c = 1; c <= 4; ++c) ChannelComboBox->addItem(QString::number(c));
    channelLabel->setBuddy(ChannelComboBox);
    LogFrequencyCheckBox = new QCheckBox(QStringLiteral("Логарифмическая шкала частот"), this);
    LogFrequencyCheckBox->setObjectName(QStringLiteral("LogFrequencyCheckBox"));
    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    top->addWidget(channelLabel);
    top->addWidget(ChannelComboBox);
    top->addSpacing(24);
    top->addWidget(LogFrequencyCheckBox);
    top->addSpacing(24);
    top->addWidget(StatusLabel, 1);

    QChart* wave = PlainChart();
    WaveformSeries = new QLineSeries;
    WaveformSeries->setPen(QPen(style::WaveformPen, 1));
    wave->addSeries(WaveformSeries);
    timeAxis_ = ValueAxis(QStringLiteral("Время, мс"), "%.6g");
    voltAxis_ = ValueAxis(QStringLiteral("Напряжение, В"), "%.4g");
    wave->addAxis(timeAxis_, Qt::AlignBottom);
    wave->addAxis(voltAxis_, Qt::AlignLeft);
    WaveformSeries->attachAxis(timeAxis_);
    WaveformSeries->attachAxis(voltAxis_);
    WaveformChartView = new TSignalChartView(wave, this);
    WaveformChartView->setObjectName(QStringLiteral("WaveformChartView"));

    QChart* spectrum = PlainChart();
    SpectrumSeries = new QLineSeries;
    SpectrumSeries->setPen(QPen(style::SpectrumPen, 1));
    PeakSeries = new QScatterSeries;
    PeakSeries->setMarkerSize(9);
    PeakSeries->setColor(style::PeakMarker);
    PeakSeries->setPointLabelsVisible(true);
    PeakSeries->setPointLabelsFormat(QStringLiteral("@xPoint Гц; @yPoint дБВ"));
    PeakSeries->setPointLabelsClipping(false);
    spectrum->addSeries(SpectrumSeries);
    spectrum->addSeries(PeakSeries);
    frequencyAxis_ = ValueAxis(QStringLiteral("Частота, Гц"), "%.6g");
    logFrequencyAxis_ = new QLogValueAxis(this);  // owned by the view while off the chart
    logFrequencyAxis_->setTitleText(QStringLiteral("Частота, Гц"));
    logFrequencyAxis_->setLabelFormat(QStringLiteral("%g"));
    logFrequencyAxis_->setBase(10.0);
    logFrequencyAxis_->setMinorTickCount(8);
    levelAxis_ = ValueAxis(QStringLiteral("Уровень, дБВ"), "%.0f");
    spectrum->addAxis(frequencyAxis_, Qt::AlignBottom);
    spectrum->addAxis(levelAxis_, Qt::AlignLeft);
    for (QXYSeries* s : {static_cast<QXYSeries*>(SpectrumSeries), static_cast<QXYSeries*>(PeakSeries)}) {
        s->attachAxis(frequencyAxis_);
        s->attachAxis(levelAxis_);
    }
    SpectrumChartView = new TSignalChartView(spectrum, this);
    SpectrumChartView->setObjectName(QStringLiteral("SpectrumChartView"));

    auto* side = new QGridLayout;
    int row = 0;
    const auto add = [&](const QString& caption, QLabel* value) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(value);
        side->addWidget(label, row, 0);
        side->addWidget(value, row + 1, 0);
        row += 2;
    };
    ReadingValueLabel = ValueLabel(this, "ReadingValueLabel");
    PeakFrequencyValueLabel = ValueLabel(this, "PeakFrequencyValueLabel");
    PeakLevelValueLabel = ValueLabel(this, "PeakLevelValueLabel");
    ThdPercentValueLabel = ValueLabel(this, "ThdPercentValueLabel");
    ThdDbValueLabel = ValueLabel(this, "ThdDbValueLabel");
    HarmonicsValueLabel = ValueLabel(this, "HarmonicsValueLabel");
    add(QStringLiteral("Показание канала:"), ReadingValueLabel);
    add(QStringLiteral("Пик, частота:"), PeakFrequencyValueLabel);
    add(QStringLiteral("Пик, уровень:"), PeakLevelValueLabel);
    add(QStringLiteral("КНИ, %:"), ThdPercentValueLabel);
    add(QStringLiteral("КНИ, дБ:"), ThdDbValueLabel);
    add(QStringLiteral("Гармоник в КНИ:"), HarmonicsValueLabel);
    auto* hint = new QLabel(QStringLiteral("Колесо мыши: масштаб по оси;\nдвойной щелчок: весь кадр."), this);
    side->addWidget(hint, row++, 0);
    side->setRowStretch(row, 1);

    auto* charts = new QVBoxLayout;
    charts->addWidget(WaveformChartView, 1);
    charts->addWidget(SpectrumChartView, 1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(charts, 1);
    middle->addLayout(side);
    auto* whole = new QVBoxLayout(this);
    whole->addLayout(top);
    whole->addLayout(middle, 1);

    connect(ChannelComboBox, &QComboBox::activated, this, [this](int index) { SelectChannel(index); });
    connect(LogFrequencyCheckBox, &QCheckBox::toggled, this, [this](bool on) {
        UseLogAxis(on);
        Redraw();
    });
    connect(WaveformChartView, &TSignalChartView::zoomRequested, this, [this](double factor, double x) {
        const signalview::TViewFrame& f = handOff_->Shown();
        if (!HasFrameOfChannel()) return;
        Zoom(waveSpan_, 0.0, 1000.0 * static_cast<double>(f.Count - 1) / f.Rate, factor, x);
        Redraw();
    });
    connect(SpectrumChartView, &TSignalChartView::zoomRequested, this, [this](double factor, double x) {
        const signalview::TViewFrame& f = handOff_->Shown();
        if (!HasFrameOfChannel() || f.Bins < 2) return;
        const double lo = logAxis_ ? f.BinHertz : 0.0;
        const double hi = static_cast<double>(f.Bins - 1) * f.BinHertz;
        if (logAxis_) {
            // Zoom in the logarithm of the frequency, as the axis shows it.
            TSpan logSpan{std::log(spectrumSpan_.Lo), std::log(spectrumSpan_.Hi), spectrumSpan_.Whole};
            Zoom(logSpan, std::log(lo), std::log(hi), factor, std::log(std::max(x, lo)));
            spectrumSpan_ = TSpan{std::exp(logSpan.Lo), std::exp(logSpan.Hi), logSpan.Whole};
        } else {
            Zoom(spectrumSpan_, lo, hi, factor, x);
        }
        Redraw();
    });
    connect(WaveformChartView, &TSignalChartView::resetRequested, this, [this] {
        waveSpan_ = TSpan{};
        Redraw();
    });
    connect(SpectrumChartView, &TSignalChartView::resetRequested, this, [this] {
        spectrumSpan_ = TSpan{};
        Redraw();
    });
}

void TSignalViewForm::Zoom(TSpan& span, double wholeLo, double wholeHi, double factor, double x) {
    if (!(wholeHi > wholeLo)) return;
    double lo = span.Whole ? wholeLo : span.Lo;
    double hi = span.Whole ? wholeHi : span.Hi;
    x = std::clamp(x, lo, hi);
    double newLo = x - (x - lo) * factor;
    double newHi = x + (hi - x) * factor;
    if (newLo <= wholeLo && newHi >= wholeHi) {
        span = TSpan{};
        return;
    }
    newLo = std::max(newLo, wholeLo);
    newHi = std::min(newHi, wholeHi);
    if (newHi - newLo < (wholeHi - wholeLo) * 1e-7) return;
    span = TSpan{newLo, newHi, false};
}

void TSignalViewForm::SetEnabledChannels(const std::array<bool, 4>& enabled) {
    enabled_ = enabled;
    auto* model = qobject_cast<QStandardItemModel*>(ChannelComboBox->model());
    for (int c = 0; c < 4; ++c)
        if (model != nullptr) model->item(c)->setEnabled(enabled[c]);
    if (!enabled_[channel_]) {
        const auto first = std::find(enabled_.begin(), enabled_.end(), true);
        if (first != enabled_.end()) SelectChannel(static_cast<int>(first - enabled_.begin()));
    }
    ShowStatus();
}

void TSignalViewForm::SelectChannel(int channel) {
    if (channel < 0 || channel > 3 || !enabled_[channel]) {
        ChannelComboBox->setCurrentIndex(channel_);
        return;
    }
    if (channel != channel_) {
        channel_ = channel;
        waveSpan_ = TSpan{};
        spectrumSpan_ = TSpan{};
    }
    ChannelComboBox->setCurrentIndex(channel_);
    ShowTexts();
    ShowStatus();
    Redraw();
}

void TSignalViewForm::RunStarted() {
    running_ = true;
    prepared_ = false;
    ShowStatus();
}

void TSignalViewForm::RunEnded() {
    running_ = false;
    ShowStatus();
}

void TSignalViewForm::TakeFrame(const run::TMeasurementRun& run, const std::array<std::string, 4>& readings) {
    if (!isVisible()) return;
    const int c = channel_;
    const double* samples = run.ChannelFrame(c);
    if (samples == nullptr) return;
    const int range = run.Settings().RangeIndex[c];
    const double volts = range >= 0 && range < instrument::RangeCount ? instrument::InputRanges[range].Volts : 0.0;
    TakeSamples(samples, run.Geometry().SamplesPerChannel, run.Geometry().AdcFrequency, c, volts, readings[c]);
}

bool TSignalViewForm::TakeSamples(const double* samples, std::size_t count, double rate, int channel,
                                  double rangeVolts, const std::string& reading) {
    if (!prepared_ || handOff_->Capacity() != count) {
        // Once per run: the hand-off buffer and the view's transform for this frame size.
        if (!handOff_->Prepare(count)) return false;
        prepared_ = true;
    }
    return handOff_->Offer(samples, count, rate, channel, rangeVolts, reading);
}

bool TSignalViewForm::CollectFrame() {
    handOff_->Collect();
    const std::uint64_t number = handOff_->Shown().Number;
    if (number == drawnNumber_ || handOff_->Shown().Count == 0) return false;
    drawnNumber_ = number;
    ShowTexts();
    ShowStatus();
    return true;
}

bool TSignalViewForm::HasFrameOfChannel() const {
    const signalview::TViewFrame& f = handOff_->Shown();
    return f.Count > 1 && f.Rate > 0.0 && f.Channel == channel_;
}

void TSignalViewForm::ShowStatus() {
    QString text;
    if (std::none_of(enabled_.begin(), enabled_.end(), [](bool e) { return e; }))
        text = Utf8(NoChannelText);
    else if (HasFrameOfChannel())
        text = running_ ? QStringLiteral("Измерение идёт: последний кадр канала %1.").arg(channel_ + 1)
                        : QStringLiteral("Измерение остановлено: показан последний кадр канала %1.").arg(channel_ + 1);
    else if (running_)
        text = QStringLiteral("Ждём первый кадр канала %1…").arg(channel_ + 1);
    else if (handOff_->Shown().Count > 0)
        text = QStringLiteral("Для канала %1 кадра нет: измерение остановлено.").arg(channel_ + 1);
    else
        text = Utf8(NoRunText);
    StatusLabel->setText(text);
}

void TSignalViewForm::ShowTexts() {
    const QString dash = QStringLiteral("—");
    if (!HasFrameOfChannel()) {
        for (QLabel* label : {ReadingValueLabel, PeakFrequencyValueLabel, PeakLevelValueLabel, ThdPercentValueLabel,
                              ThdDbValueLabel, HarmonicsValueLabel})
            label->setText(dash);
        WaveformChartView->chart()->setTitle(QStringLiteral("Канал %1: осциллограмма").arg(channel_ + 1));
        SpectrumChartView->chart()->setTitle(QStringLiteral("Канал %1: спектр").arg(channel_ + 1));
        return;
    }
    const signalview::TViewFrame& f = handOff_->Shown();
    const signalview::TSignalAnalysis& a = f.Analysis;
    const QString head = QStringLiteral("Канал %1, диапазон %2").arg(channel_ + 1).arg(RangeText(f.RangeVolts));
    WaveformChartView->chart()->setTitle(head + QStringLiteral(": осциллограмма"));
    SpectrumChartView->chart()->setTitle(head + QStringLiteral(": спектр"));
    ReadingValueLabel->setText(QString::fromStdString(f.Reading));
    if (!a.HasPeak) {
        for (QLabel* label : {PeakFrequencyValueLabel, PeakLevelValueLabel, ThdPercentValueLabel, ThdDbValueLabel,
                              HarmonicsValueLabel})
            label->setText(dash);
        return;
    }
    PeakFrequencyValueLabel->setText(QString::number(a.PeakFrequency, 'f', 3) + QStringLiteral(" Гц"));
    PeakLevelValueLabel->setText(QString::number(a.PeakLevelDbv, 'f', 3) + QStringLiteral(" дБВ"));
    HarmonicsValueLabel->setText(a.Harmonics > 0 ? QStringLiteral("%1 (2-я … %2-я)").arg(a.Harmonics).arg(a.Harmonics + 1)
                                                 : QStringLiteral("0: выше половины частоты АЦП"));
    ThdPercentValueLabel->setText(a.Harmonics > 0 ? QString::number(a.ThdPercent, 'f', 4) + QStringLiteral(" %") : dash);
    ThdDbValueLabel->setText(a.Harmonics > 0 ? QString::number(a.ThdDb, 'f', 2) + QStringLiteral(" дБ") : dash);
}

void TSignalViewForm::UseLogAxis(bool log) {
    if (log == logAxis_) return;
    QChart* chart = SpectrumChartView->chart();
    QAbstractAxis* from = log ? static_cast<QAbstractAxis*>(frequencyAxis_) : logFrequencyAxis_;
    QAbstractAxis* to = log ? static_cast<QAbstractAxis*>(logFrequencyAxis_) : frequencyAxis_;
    // The points at 0 Hz must not meet a logarithmic axis: the next Redraw refills them.
    SpectrumSeries->clear();
    PeakSeries->clear();
    for (QXYSeries* s : {static_cast<QXYSeries*>(SpectrumSeries), static_cast<QXYSeries*>(PeakSeries)})
        s->detachAxis(from);
    chart->removeAxis(from);  // the chart keeps no ownership of a removed axis; the view does
    from->setParent(this);
    chart->addAxis(to, Qt::AlignBottom);
    for (QXYSeries* s : {static_cast<QXYSeries*>(SpectrumSeries), static_cast<QXYSeries*>(PeakSeries)})
        s->attachAxis(to);
    logAxis_ = log;
    spectrumSpan_ = TSpan{};
}

void TSignalViewForm::Redraw() {
    if (!HasFrameOfChannel()) {
        WaveformSeries->clear();
        SpectrumSeries->clear();
        PeakSeries->clear();
        return;
    }
    const signalview::TViewFrame& f = handOff_->Shown();
    RedrawWaveform(f);
    RedrawSpectrum(f);
}

void TSignalViewForm::RedrawWaveform(const signalview::TViewFrame& f) {
    const double msPerSample = 1000.0 / f.Rate;
    const double wholeHi = static_cast<double>(f.Count - 1) * msPerSample;
    const double lo = waveSpan_.Whole ? 0.0 : waveSpan_.Lo;
    const double hi = waveSpan_.Whole ? wholeHi : waveSpan_.Hi;
    const std::size_t first = static_cast<std::size_t>(std::max(0.0, std::floor(lo / msPerSample)));
    const std::size_t last = std::min(f.Count, static_cast<std::size_t>(std::ceil(hi / msPerSample)) + 1);
    const std::size_t width = static_cast<std::size_t>(std::max(16.0, WaveformChartView->chart()->plotArea().width()));
    const std::size_t n = signalview::ReduceMinMax(f.Samples.data(), f.SampleBlocks(), first, last,
                                                       std::min(width, MaxColumns), columns_.data());
    points_.clear();
    double yLo = 0.0;
    double yHi = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const signalview::TColumn& c = columns_[k];
        const double x = static_cast<double>(c.Begin) * msPerSample;
        points_.append(QPointF(x, c.Min));
        points_.append(QPointF(x, c.Max));
        yLo = k == 0 ? c.Min : std::min(yLo, c.Min);
        yHi = k == 0 ? c.Max : std::max(yHi, c.Max);
    }
    WaveformSeries->replace(points_);
    const double margin = yHi > yLo ? (yHi - yLo) * 0.05 : std::max(1e-6, std::fabs(yHi) * 0.05);
    SetRoundRange(timeAxis_, lo, hi > lo ? hi : lo + msPerSample, MaxTicks);
    SetRoundRange(voltAxis_, yLo - margin, yHi + margin, MaxTicks);
}

void TSignalViewForm::RedrawSpectrum(const signalview::TViewFrame& f) {
    if (f.Bins < 2) {
        SpectrumSeries->clear();
        PeakSeries->clear();
        return;
    }
    const double wholeLo = logAxis_ ? f.BinHertz : 0.0;
    const double wholeHi = static_cast<double>(f.Bins - 1) * f.BinHertz;
    const double lo = spectrumSpan_.Whole ? wholeLo : spectrumSpan_.Lo;
    const double hi = spectrumSpan_.Whole ? wholeHi : spectrumSpan_.Hi;
    const std::size_t first = static_cast<std::size_t>(std::max(logAxis_ ? 1.0 : 0.0, std::floor(lo / f.BinHertz)));
    const std::size_t last = std::min(f.Bins, static_cast<std::size_t>(std::ceil(hi / f.BinHertz)) + 1);
    const std::size_t width =
        std::min(MaxColumns, static_cast<std::size_t>(std::max(16.0, SpectrumChartView->chart()->plotArea().width())));
    const signalview::TBlockExtremes blocks = f.SpectrumBlocks();
    const std::size_t n =
        logAxis_ ? signalview::ReduceMinMaxLog(f.SpectrumDbv.data(), blocks, first, last, width, columns_.data())
                 : signalview::ReduceMinMax(f.SpectrumDbv.data(), blocks, first, last, width, columns_.data());
    points_.clear();
    double yHi = signalview::FloorDbv;
    double yLo = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const signalview::TColumn& c = columns_[k];
        const double x = static_cast<double>(c.Begin) * f.BinHertz;
        points_.append(QPointF(x, c.Min));
        points_.append(QPointF(x, c.Max));
        yHi = std::max(yHi, c.Max);
        yLo = k == 0 ? c.Min : std::min(yLo, c.Min);
    }
    SpectrumSeries->replace(points_);
    // Levels from 10 dB above the highest line down to 200 dB below it at most.
    const double top = std::ceil((yHi + 10.0) / 10.0) * 10.0;
    const double bottom = std::max(std::floor(yLo / 10.0) * 10.0, top - 200.0);
    SetRoundRange(levelAxis_, bottom, top, MaxTicks);
    if (logAxis_)  // base 10: its labels stand at the powers of ten
        logFrequencyAxis_->setRange(std::max(lo, f.BinHertz), hi);
    else
        SetRoundRange(frequencyAxis_, lo, hi, MaxTicks);
    PeakSeries->clear();
    if (f.Analysis.HasPeak)
        PeakSeries->append(QPointF(std::round(f.Analysis.PeakFrequency * 1000.0) / 1000.0,
                                   std::round(f.Analysis.PeakLevelDbv * 100.0) / 100.0));
}
