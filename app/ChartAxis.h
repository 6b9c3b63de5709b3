#pragma once

class QValueAxis;

// Shows lo ... hi on a linear chart axis with labelled ticks at round values (1, 2 or 5
// times a power of ten, at most maxTicks), each label with the decimals its step needs;
// the axis's own fixed ticks where no round ones fit (an empty or reversed range).
void SetRoundRange(QValueAxis* axis, double lo, double hi, int maxTicks);
