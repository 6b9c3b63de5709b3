#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <limits>

namespace {

// The least shift along one axis that puts [start, start + length) inside
// [areaStart, areaStart + areaLength); to the area's start when it cannot.
int Shift(int start, int length, int areaStart, int areaLength) {
    const int highest = std::max(areaStart, areaStart + areaLength - length);
    return std::clamp(start, areaStart, highest) - start;
}

}  // namespace

QPoint FitWindowPosition(QPoint wantedTopLeft, QSize size, const QList<QRect>& areas, const QRect& primaryArea) {
    // A stored position may be any 32-bit number; so far off, no screen is near anyway.
    constexpr int Far = 1 << 28;
    const QRect wanted(QPoint(std::clamp(wantedTopLeft.x(), -Far, Far), std::clamp(wantedTopLeft.y(), -Far, Far)), size);
    if (size.isEmpty()) return wantedTopLeft;
    for (const QRect& area : areas)
        if (area.contains(wanted)) return wantedTopLeft;

    const bool overlapsAny = std::any_of(areas.begin(), areas.end(),
                                         [&](const QRect& area) { return area.intersects(wanted); });
    if (!overlapsAny)
        return {primaryArea.left() + (primaryArea.width() - size.width()) / 2,
                primaryArea.top() + (primaryArea.height() - size.height()) / 2};

    double bestDistance = std::numeric_limits<double>::infinity();
    QPoint best = wanted.topLeft();
    for (const QRect& area : areas) {
        const int dx = Shift(wanted.left(), wanted.width(), area.left(), area.width());
        const int dy = Shift(wanted.top(), wanted.height(), area.top(), area.height());
        const double distance = double(dx) * double(dx) + double(dy) * double(dy);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = wanted.topLeft() + QPoint(dx, dy);
        }
    }
    return best;
}

QList<QRect> AvailableScreenAreas() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens()) areas.push_back(screen->availableGeometry());
    return areas;
}

QRect PrimaryScreenArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}
