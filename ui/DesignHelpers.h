#pragma once

#include "ui/CaptionGroupBox.h"
#include "ui/UiStyle.h"

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QString>
#include <QWidget>

// Small helpers for building control trees from design positions.
namespace design {

// Creates a control with its object name and design rectangle.
template <typename T>
T* Make(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

enum class TEdge { None, Raised, Offset };

// A panel: no edge, a raised edge or an offset (sunken) frame.
inline QFrame* Panel(QWidget* parent, const char* name, int left, int top, int width, int height, TEdge edge) {
    auto* panel = Make<QFrame>(parent, name, left, top, width, height);
    if (edge == TEdge::None) {
        panel->setFrameShape(QFrame::NoFrame);
        return panel;
    }
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(edge == TEdge::Offset ? QFrame::Sunken : QFrame::Raised);
    panel->setLineWidth(1);
    return panel;
}

// A raised separator line (a bevel).
inline QFrame* Bevel(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* bevel = Make<QFrame>(parent, name, left, top, width, height);
    bevel->setFrameShape(width >= height ? QFrame::HLine : QFrame::VLine);
    bevel->setFrameShadow(QFrame::Raised);
    return bevel;
}

inline QLabel* Label(QWidget* parent, const char* name, int left, int top, int width, int height,
                     const QString& text, const QFont& font) {
    auto* label = Make<QLabel>(parent, name, left, top, width, height);
    label->setText(text);
    label->setFont(font);
    return label;
}

inline QLabel* Label(QWidget* parent, const char* name, int left, int top, int width, int height,
                     const QString& text, const QFont& font, const QColor& color) {
    QLabel* label = Label(parent, name, left, top, width, height, text, font);
    style::SetColor(label, QPalette::WindowText, color);
    return label;
}

// A label whose text breaks into the lines its width leaves.
inline QLabel* WrappedLabel(QWidget* parent, const char* name, int left, int top, int width, int height,
                            const QString& text, const QFont& font) {
    QLabel* label = Label(parent, name, left, top, width, height, text, font);
    label->setWordWrap(true);
    return label;
}

// A group box with its caption in its own colour.
inline TCaptionGroupBox* GroupBox(QWidget* parent, const char* name, int left, int top, int width, int height,
                                  const QString& caption, const QColor& color, const QFont& font, bool centred) {
    auto* box = Make<TCaptionGroupBox>(parent, name, left, top, width, height);
    box->setTitle(caption);
    box->setCaptionColor(color);
    box->setFont(font);
    if (centred) box->setAlignment(Qt::AlignHCenter);
    return box;
}

}  // namespace design

namespace design {

// Keeps a child's distances to the anchored edges of its parent when the parent
// is resized (the design's "stretches with the panel", "bottom", "fills").
class TAnchor : public QObject {
public:
    TAnchor(QWidget* child, bool left, bool top, bool right, bool bottom)
        : QObject(child), child_(child), left_(left), top_(top), right_(right), bottom_(bottom) {
        const QWidget* parent = child->parentWidget();
        const QRect g = child->geometry();
        rightGap_ = parent->width() - (g.x() + g.width());
        bottomGap_ = parent->height() - (g.y() + g.height());
        child->parentWidget()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == child_->parentWidget() && event->type() == QEvent::Resize) {
            const QWidget* parent = child_->parentWidget();
            QRect g = child_->geometry();
            if (right_ && left_) g.setWidth(parent->width() - rightGap_ - g.x());
            else if (right_) g.moveLeft(parent->width() - rightGap_ - g.width());
            if (bottom_ && top_) g.setHeight(parent->height() - bottomGap_ - g.y());
            else if (bottom_) g.moveTop(parent->height() - bottomGap_ - g.height());
            child_->setGeometry(g);
        }
        return false;
    }

private:
    QWidget* child_;
    bool left_, top_, right_, bottom_;
    int rightGap_ = 0;
    int bottomGap_ = 0;
};

inline void Anchor(QWidget* child, bool left, bool top, bool right, bool bottom) {
    new TAnchor(child, left, top, right, bottom);
}

}  // namespace design
