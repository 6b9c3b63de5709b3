#include "ui/ReportTextBox.h"

#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

TLineGutter::TLineGutter(QWidget* parent) : QWidget(parent) { setAutoFillBackground(true); }

void TLineGutter::setTextBox(TReportTextBox* textBox) {
    textBox_ = textBox;
    connect(textBox, &QPlainTextEdit::updateRequest, this, [this] { update(); });
}

void TLineGutter::paintEvent(QPaintEvent*) {
    if (textBox_ != nullptr) textBox_->paintGutter(this);
}

TReportTextBox::TReportTextBox(QWidget* parent) : QPlainTextEdit(parent) {}

void TReportTextBox::paintGutter(QWidget* gutter) {
    QPainter painter(gutter);
    painter.setFont(gutter->font());
    painter.setPen(gutter->palette().color(QPalette::WindowText));
    // Line numbers level with the text box's visible lines.
    const int offset = viewport()->mapTo(this, QPoint(0, 0)).y() + mapTo(gutter->parentWidget(), QPoint(0, 0)).y() -
                       gutter->y();
    QTextBlock block = firstVisibleBlock();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    while (block.isValid() && top <= viewport()->height()) {
        const qreal height = blockBoundingRect(block).height();
        painter.drawText(QRect(0, int(top) + offset, gutter->width() - 4, int(height)), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(block.blockNumber() + 1));
        top += height;
        block = block.next();
    }
}
