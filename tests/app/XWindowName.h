#pragma once

#include <QGuiApplication>
#include <QString>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

// The caption that the X server holds for a top-level window (its _NET_WM_NAME),
// read over the program's own X connection, so the read comes after every
// request the program made before it.
inline QString XWindowName(const QWidget& window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) return QStringLiteral("<no X connection>");
    xcb_connection_t* connection = x11->connection();
    const auto atom = [&](const char* name) -> xcb_atom_t {
        const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name);
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    };
    const xcb_atom_t name = atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = atom("UTF8_STRING");
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, xcb_window_t(window.winId()), name, utf8, 0, 4096);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply || reply->type != utf8) return QStringLiteral("<no _NET_WM_NAME>");
    return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                             xcb_get_property_value_length(reply.get()));
}
