#include "app/LimitsForm.h"

#include "app/ChartAxis.h"
#include "ui/UiStyle.h"
#include "ui/ValueEdit.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t MaxColumns = 8192;  // wider than any screen
constexpr int MaxTicks = 9;
constexpr double MillivoltsPerVolt = TBenchBoard::MillivoltsPerVolt;

QString Dash() { return QStringLiteral("—"); }

// A limit or offset in millivolts for its field; empty for none.
QString MillivoltText(const std::optional<double>& volts) {
    return volts ? QString::number(*volts * MillivoltsPerVolt, 'g', 12) : QString();
}

QString StatNumber(double volts) { return QString::number(volts * MillivoltsPerVolt, 'g', 9); }

QLineEdit* Entry(QWidget* parent, const QString& name, int width) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedWidth(width);
    return edit;
}

// Why a field's text was refused: it is no number.
QString NotANumber(const QString& field, const QString& text, int channel) {
    return QStringLiteral("%1: «%2» — не число (канал %3).").arg(field, text).arg(channel + 1);
}

}  // namespace

TLimitsForm::TLimitsForm(QWidget* owner, TBenchBoard& board) : QWidget(owner, Qt::Window), board_(board) {
    setObjectName(QStringLiteral("LimitsForm"));
    setWindowTitle(QString::fromUtf8(Title));
    setAttribute(Qt::WA_DeleteOnClose, false);  // closing hides; the main window owns it
    columns_.resize(MaxColumns);
    points_.reserve(2 * MaxColumns);
    auto* whole = new QVBoxLayout(this);
    for (int c = 0; c < 4; ++c) {
        BuildRow(c);
        whole->addWidget(Rows[static_cast<std::size_t>(c)].Box, 1);
    }
    ShowLimits();
    timer_ = new QTimer(this);
    timer_->setInterval(RefreshMilliseconds);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (board_.Taken() != refreshed_ && isVisible()) Refresh();
    });
    timer_->start();
    resize(1400, 900);
}

TLimitsForm::~TLimitsForm() = default;

void TLimitsForm::BuildRow(int c) {
    TRow& row = Rows[static_cast<std::size_t>(c)];
    const QString n = QString::number(c + 1);
    row.Box = new QGroupBox(QStringLiteral("Канал %1").arg(c + 1), this);
    row.Box->setObjectName(QStringLiteral("ChannelBox") + n);

    row.NullCheckBox = new QCheckBox(QStringLiteral("Нуль, мВ:"), row.Box);
    row.NullCheckBox->setObjectName(QStringLiteral("NullCheckBox") + n);
    row.NullEdit = Entry(row.Box, QStringLiteral("NullEdit") + n, 110);
    row.TakeNullButton = new QPushButton(QStringLiteral("Взять показание"), row.Box);
    row.TakeNullButton->setObjectName(QStringLiteral("TakeNullButton") + n);
    auto* averageLabel = new QLabel(QStringLiteral("Усреднение, кадров:"), row.Box);
    row.AverageEdit = Entry(row.Box, QStringLiteral("AverageEdit") + n, 60);
    averageLabel->setBuddy(row.AverageEdit);
    row.LimitsCheckBox = new QCheckBox(QStringLiteral("Допуск, мВ: от"), row.Box);
    row.LimitsCheckBox->setObjectName(QStringLiteral("LimitsCheckBox") + n);
    row.LowerEdit = Entry(row.Box, QStringLiteral("LowerEdit") + n, 110);
    auto* upperLabel = new QLabel(QStringLiteral("до"), row.Box);
    row.UpperEdit = Entry(row.Box, QStringLiteral("UpperEdit") + n, 110);
    upperLabel->setBuddy(row.UpperEdit);
    row.ErrorLabel = new QLabel(row.Box);
    row.ErrorLabel->setObjectName(QStringLiteral("ErrorLabel") + n);
    style::SetColor(row.ErrorLabel, QPalette::WindowText, style::Red);

    row.ValueEdit = new TValueEdit(row.Box);
    row.ValueEdit->setObjectName(QStringLiteral("ValueEdit") + n);
    row.ValueEdit->setFont(style::MonoFont(27, true));
    row.ValueEdit->setFixedHeight(40);
    row.ValueEdit->setMinimumWidth(230);
    style::SetColor(row.ValueEdit, QPalette::Base, Qt::black);
    row.ValueEdit->setTextColor(style::BrightGreen);
    auto* unit = new QLabel(QString::fromUtf8(run::MillivoltUnit), row.Box);
    unit->setFont(style::SansFont(20, true));
    row.VerdictLabel = new QLabel(row.Box);
    row.VerdictLabel->setObjectName(QStringLiteral("VerdictLabel") + n);
    row.VerdictLabel->setFont(style::SansFont(24, true));
    row.VerdictLabel->setMinimumWidth(110);
    row.StatsLabel = new QLabel(row.Box);
    row.StatsLabel->setObjectName(QStringLiteral("StatsLabel") + n);
    row.StatsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row.ResetButton = new QPushButton(QStringLiteral("Сброс статистики"), row.Box);
    row.ResetButton->setObjectName(QStringLiteral("ResetButton") + n);

    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->setAnimationOptions(QChart::NoAnimation);
    row.TrendSeries = new QLineSeries;
    row.TrendSeries->setPen(QPen(style::TrendPen, 1));
    row.LowerSeries = new QLineSeries;
    row.UpperSeries = new QLineSeries;
    for (QLineSeries* limit : {row.LowerSeries, row.UpperSeries}) limit->setPen(QPen(style::LimitPen, 1, Qt::DashLine));
    for (QLineSeries* s : {row.TrendSeries, row.LowerSeries, row.UpperSeries}) chart->addSeries(s);
    row.TimeAxis = new QValueAxis;
    row.TimeAxis->setTitleText(QStringLiteral("Время, с"));
    row.LevelAxis = new QValueAxis;
    row.LevelAxis->setTitleText(QString::fromUtf8(run::MillivoltUnit));
    chart->addAxis(row.TimeAxis, Qt::AlignBottom);
    chart->addAxis(row.LevelAxis, Qt::AlignLeft);
    for (QLineSeries* s : {row.TrendSeries, row.LowerSeries, row.UpperSeries}) {
        s->attachAxis(row.TimeAxis);
        s->attachAxis(row.LevelAxis);
    }
    row.TrendView = new QChartView(chart, row.Box);
    row.TrendView->setObjectName(QStringLiteral("TrendView") + n);
    row.TrendView->setRenderHint(QPainter::Antialiasing, false);
    row.TrendView->setMinimumSize(520, 170);

    auto* entries = new QHBoxLayout;
    entries->addWidget(row.NullCheckBox);
    entries->addWidget(row.NullEdit);
    entries->addWidget(row.TakeNullButton);
    entries->addSpacing(12);
    entries->addWidget(averageLabel);
    entries->addWidget(row.AverageEdit);
    entries->addSpacing(12);
    entries->addWidget(row.LimitsCheckBox);
    entries->addWidget(row.LowerEdit);
    entries->addWidget(upperLabel);
    entries->addWidget(row.UpperEdit);
    entries->addStretch(1);
    auto* reading = new QHBoxLayout;
    reading->addWidget(row.ValueEdit);
    reading->addWidget(unit);
    reading->addSpacing(12);
    reading->addWidget(row.VerdictLabel);
    reading->addStretch(1);
    reading->addWidget(row.ResetButton);
    auto* left = new QVBoxLayout;
    left->addLayout(entries);
    left->addWidget(row.ErrorLabel);
    left->addLayout(reading);
    left->addWidget(row.StatsLabel);
    left->addStretch(1);
    auto* box = new QHBoxLayout(row.Box);
    box->addLayout(left);
    box->addWidget(row.TrendView, 1);

    const auto apply = [this, c] { ApplyEntries(c); };
    for (QLineEdit* edit : {row.NullEdit, row.AverageEdit, row.LowerEdit, row.UpperEdit})
        connect(edit, &QLineEdit::editingFinished, this, apply);
    for (QCheckBox* box : {row.NullCheckBox, row.LimitsCheckBox}) connect(box, &QCheckBox::toggled, this, apply);
    connect(row.TakeNullButton, &QPushButton::clicked, this, [this, c] { TakeNull(c); });
    connect(row.ResetButton, &QPushButton::clicked, this, [this, c] { ResetChannel(c); });
}

void TLimitsForm::SetChannels(const std::array<bool, 4>& ticked) {
    shownChannels_ = ticked;
    for (std::size_t c = 0; c < Rows.size(); ++c) Rows[c].Box->setVisible(ticked[c]);
}

void TLimitsForm::ShowLimits() {
    for (int c = 0; c < 4; ++c) {
        Rows[static_cast<std::size_t>(c)].ErrorLabel->clear();
        ShowEntries(c);
        ShowResult(c);
        RedrawTrend(c);
    }
}

void TLimitsForm::ShowEntries(int c) {
    const TRow& row = Rows[static_cast<std::size_t>(c)];
    const readings::TBenchSettings& s = board_.Channel(c).Settings();
    // The boxes' toggled handlers must not apply half-shown entries.
    const QSignalBlocker nullBlock(row.NullCheckBox);
    const QSignalBlocker limitsBlock(row.LimitsCheckBox);
    row.NullCheckBox->setChecked(s.NullMode != readings::TNullMode::Off);
    row.NullEdit->setText(s.NullMode == readings::TNullMode::NextReading ? QString()
                                                                          : MillivoltText(s.NullVolts));
    row.AverageEdit->setText(QString::number(s.AverageCount));
    row.LimitsCheckBox->setChecked(s.LimitsOn);
    row.LowerEdit->setText(MillivoltText(s.Lower));
    row.UpperEdit->setText(MillivoltText(s.Upper));
}

bool TLimitsForm::ApplyEntries(int c) {
    TRow& row = Rows[static_cast<std::size_t>(c)];
    readings::TBenchChannel& channel = board_.Channel(c);
    readings::TBenchSettings s = channel.Settings();
    QString error;
    // A field's number in volts; an empty limit is no limit.
    const auto number = [&](QLineEdit* edit, const QString& field, bool emptyIsNone) -> std::optional<double> {
        const QString text = edit->text().trimmed();
        if (text.isEmpty() && emptyIsNone) return std::nullopt;
        const std::optional<double> value = readings::ParseBenchNumber(text.toStdString());
        if (!value && error.isEmpty()) error = NotANumber(field, text, c);
        return value ? std::optional<double>(*value / MillivoltsPerVolt) : std::nullopt;
    };
    if (!row.NullCheckBox->isChecked()) {
        s.NullMode = readings::TNullMode::Off;
    } else if (row.NullEdit->text().trimmed().isEmpty()) {
        s.NullMode = readings::TNullMode::NextReading;  // ticked without a number: the next reading
    } else {
        s.NullMode = readings::TNullMode::Volts;
        if (const auto v = number(row.NullEdit, QStringLiteral("Смещение нуля"), false)) s.NullVolts = *v;
    }
    const QString averageText = row.AverageEdit->text().trimmed();
    const std::optional<double> average = readings::ParseBenchNumber(averageText.toStdString());
    if (!average || *average != std::floor(*average)) {
        if (error.isEmpty())
            error = QStringLiteral("Число усредняемых кадров: «%1» — не целое число (канал %2).").arg(averageText).arg(c + 1);
    } else {
        s.AverageCount = static_cast<int>(std::clamp(*average, -1.0, 1e6));  // outside 1 ... 1000 still refused below
    }
    s.LimitsOn = row.LimitsCheckBox->isChecked();
    const std::optional<double> lower = number(row.LowerEdit, QStringLiteral("Нижний допуск"), true);
    const std::optional<double> upper = number(row.UpperEdit, QStringLiteral("Верхний допуск"), true);
    if (error.isEmpty()) {
        s.Lower = lower;
        s.Upper = upper;
        if (const auto bad = readings::ValidateBenchSettings(s, c)) error = QString::fromStdString(bad->Message);
    }
    if (!error.isEmpty()) {
        row.ErrorLabel->setText(error);  // the settings in force stay
        return false;
    }
    row.ErrorLabel->clear();
    channel.Configure(s);
    Changed();
    return true;
}

void TLimitsForm::TakeNull(int c) {
    TRow& row = Rows[static_cast<std::size_t>(c)];
    board_.Channel(c).NullOnCurrentReading();
    row.ErrorLabel->clear();
    ShowEntries(c);
    Changed();
}

void TLimitsForm::ResetChannel(int c) {
    board_.Reset(c);
    shownText_[static_cast<std::size_t>(c)].clear();
    ShowResult(c);
    RedrawTrend(c);
}

void TLimitsForm::Changed() {
    for (int c = 0; c < 4; ++c) {
        ShowResult(c);
        RedrawTrend(c);  // the limit lines
    }
}

void TLimitsForm::RunStarted() {
    for (int c = 0; c < 4; ++c) {
        shownText_[static_cast<std::size_t>(c)].clear();
        ShowResult(c);
        RedrawTrend(c);
    }
}

void TLimitsForm::RunEnded() { Refresh(); }

void TLimitsForm::SetShownText(int c, std::string text) { shownText_[static_cast<std::size_t>(c)] = std::move(text); }

void TLimitsForm::Refresh() {
    refreshed_ = board_.Taken();
    for (int c = 0; c < 4; ++c) {
        if (!shownChannels_[static_cast<std::size_t>(c)]) continue;
        ShowResult(c);
        RedrawTrend(c);
    }
}

void TLimitsForm::RedrawTrends() {
    for (int c = 0; c < 4; ++c) RedrawTrend(c);
}

void TLimitsForm::ShowResult(int c) {
    TRow& row = Rows[static_cast<std::size_t>(c)];
    const readings::TBenchChannel& channel = board_.Channel(c);
    const readings::TBenchResult& last = channel.Last();
    const readings::TBenchStats& s = channel.Stats();
    const std::string& text = shownText_[static_cast<std::size_t>(c)];
    row.ValueEdit->setText(text.empty() ? QString::fromUtf8(run::DashesText) : QString::fromStdString(text));
    row.ValueEdit->setTextColor(last.Overload ? style::Red : style::BrightGreen);
    const bool judged = s.Count > 0 && last.Averaged > 0 && last.Verdict != readings::TVerdict::NotJudged;
    const bool fail = readings::IsFail(last.Verdict);
    row.VerdictLabel->setText(!judged ? Dash() : QString::fromUtf8(fail ? FailText : PassText));
    style::SetColor(row.VerdictLabel, QPalette::WindowText,
                    !judged ? style::Grey : (fail ? style::Red : style::DarkGreen));
    if (s.Count == 0) {
        row.StatsLabel->setText(QStringLiteral("Статистика: показаний нет."));
        return;
    }
    QString stats = QStringLiteral("Показаний: %1   мин: %2   макс: %3   размах: %4 мВ\nсреднее: %5   СКО: %6 мВ")
                        .arg(s.Count)
                        .arg(StatNumber(s.Minimum), StatNumber(s.Maximum), StatNumber(s.PeakToPeak()),
                             StatNumber(s.Mean), StatNumber(s.Deviation));
    if (s.Passed + s.Failed() > 0)
        stats += QStringLiteral("\nнорма: %1   брак: %2 (ниже: %3, выше: %4, перегрузка: %5)")
                     .arg(s.Passed)
                     .arg(s.Failed())
                     .arg(s.FailedLow)
                     .arg(s.FailedHigh)
                     .arg(s.FailedOverload);
    row.StatsLabel->setText(stats);
}

void TLimitsForm::RedrawTrend(int c) {
    TRow& row = Rows[static_cast<std::size_t>(c)];
    const TBenchBoard::TTrend& trend = board_.Trend(c);
    const readings::TBenchSettings& s = board_.Channel(c).Settings();
    const std::size_t count = trend.Values.size();
    const std::size_t width =
        std::min(MaxColumns, static_cast<std::size_t>(std::max(16.0, row.TrendView->chart()->plotArea().width())));
    // One pixel column's smallest and largest reading: an hour of frames draws as fast as a minute.
    const std::size_t n = signalview::ReduceMinMax(trend.Values.data(), 0, count, width, columns_.data());
    points_.clear();
    double yLo = 0.0;
    double yHi = 0.0;
    bool any = false;
    const auto include = [&](double lo, double hi) {
        yLo = any ? std::min(yLo, lo) : lo;
        yHi = any ? std::max(yHi, hi) : hi;
        any = true;
    };
    for (std::size_t k = 0; k < n; ++k) {
        const signalview::TColumn& col = columns_[k];
        const double x = trend.Seconds[col.Begin];
        points_.append(QPointF(x, col.Min));
        if (col.Max != col.Min) points_.append(QPointF(x, col.Max));
        include(col.Min, col.Max);
    }
    row.TrendSeries->replace(points_);
    const double tLo = count > 0 ? trend.Seconds.front() : 0.0;
    const double tHi = count > 1 ? std::max(trend.Seconds.back(), tLo + 1e-3) : tLo + 1.0;
    const auto limitLine = [&](QLineSeries* series, const std::optional<double>& volts) {
        if (!s.LimitsOn || !volts) {
            series->clear();
            return;
        }
        const double y = *volts * MillivoltsPerVolt;
        series->replace(QList<QPointF>{QPointF(tLo, y), QPointF(tHi, y)});
        include(y, y);
    };
    limitLine(row.LowerSeries, s.Lower);
    limitLine(row.UpperSeries, s.Upper);
    // A steady reading still gets a span of a thousandth of its level (at least 1 µV):
    // a span of its noise alone would need labels too long for the axis.
    const double minSpan = std::max(1e-3, 1e-3 * std::max(std::fabs(yLo), std::fabs(yHi)));
    if (yHi - yLo < minSpan) {
        const double middle = 0.5 * (yLo + yHi);
        yLo = middle - 0.5 * minSpan;
        yHi = middle + 0.5 * minSpan;
    }
    const double margin = (yHi - yLo) * 0.05;
    SetRoundRange(row.TimeAxis, tLo, tHi, MaxTicks);
    // Qt elides labels that stand closer than their height: no more ticks than fit.
    const double labelPitch = 1.6 * QFontMetricsF(row.LevelAxis->labelsFont()).height();
    const int levelTicks =
        std::clamp(static_cast<int>(row.TrendView->chart()->plotArea().height() / labelPitch) + 1, 2, MaxTicks);
    SetRoundRange(row.LevelAxis, yLo - margin, yHi + margin, levelTicks);
}
