#include "app/ChartAxis.h"

#include "signalview/AxisTicks.h"

#include <QValueAxis>

void SetRoundRange(QValueAxis* axis, double lo, double hi, int maxTicks) {
    // Fixed ticks while the range changes: the old interval on a much wider range would
    // make the axis lay out millions of ticks.
    axis->setTickType(QValueAxis::TicksFixed);
    axis->setRange(lo, hi);
    const signalview::TAxisTicks ticks = signalview::RoundTicks(lo, hi, maxTicks);
    if (ticks.Count == 0) return;
    axis->setTickAnchor(ticks.Anchor);
    axis->setTickInterval(ticks.Interval);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(ticks.Decimals));
}
