#pragma once

#include <QEvent>

#include <cstdint>

// The private window messages the window posts to itself: a request handled
// once the handler that made it has returned.
class TPrivateMessage : public QEvent {
public:
    static constexpr QEvent::Type StartInitDevicesThread = QEvent::Type(1124);  // WM_USER + 100
    static constexpr QEvent::Type StartMainThread = QEvent::Type(1125);         // WM_USER + 101
    TPrivateMessage(QEvent::Type type, uint16_t wParam, intptr_t lParam)
        : QEvent(type), WParam(wParam), LParam(lParam) {}
    const uint16_t WParam;
    const intptr_t LParam;
};
