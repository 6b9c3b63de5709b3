#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window of outer size `size` wanted at top-left `wanted` goes, given the available
// areas of the screens (work areas, without task bars) and the primary one's:
// - wanted unchanged when it lies wholly inside one area;
// - otherwise moved by the least distance that puts it wholly inside one area
//   (a window larger than an area keeps that area's top-left corner);
// - centred on the primary area when it overlaps no area at all.
// Settings saved on another screen arrangement thus never hide the window.
QPoint FitWindowPosition(QPoint wanted, QSize size, const QList<QRect>& areas, const QRect& primaryArea);

// The available areas of the screens now attached, and the primary screen's.
QList<QRect> AvailableScreenAreas();
QRect PrimaryScreenArea();
