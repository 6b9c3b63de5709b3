#include "app/HintWindow.h"

#include <QFontMetrics>

namespace {
constexpr int HintMargin = 4;  // text to border, each side
}

THintWindow::THintWindow() : QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("HintWindow");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWordWrap(true);
    setMargin(0);
    setIndent(0);
    setContentsMargins(HintMargin, HintMargin, HintMargin, HintMargin);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 255, 164));
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    hideTimer_.setSingleShot(true);
    connect(&hideTimer_, &QTimer::timeout, this, &THintWindow::ReleaseHint);
}

QSize THintWindow::CalcHintRect(int maxWidth, const QString& text) const {
    const int chrome = 2 * (HintMargin + lineWidth());
    QFontMetrics fm(font());
    QRect r = fm.boundingRect(QRect(0, 0, std::max(1, maxWidth - chrome), 100000),
                              Qt::AlignLeft | Qt::TextWordWrap, text);
    return QSize(r.width() + chrome, r.height() + chrome);
}

void THintWindow::ActivateHint(const QString& text, const QPoint& pos, int maxWidth, int timeoutMs,
                               QWidget* control) {
    setText(text);
    const QSize size = CalcHintRect(maxWidth, text);
    setGeometry(QRect(pos, size));
    control_ = control;
    show();
    raise();
    hideTimer_.start(std::max(0, timeoutMs));
}

void THintWindow::ReleaseHint() {
    hideTimer_.stop();
    control_ = nullptr;
    hide();
}
