#pragma once

#include <QPlainTextEdit>
#include <QWidget>

class TKeywordHighlighter;
class TReportTextBox;

// The line-number gutter of a report text box.
class TLineGutter : public QWidget {
    Q_OBJECT
public:
    explicit TLineGutter(QWidget* parent = nullptr);
    void setTextBox(TReportTextBox* textBox);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TReportTextBox* textBox_ = nullptr;
};

// A read-only text box that colours its keywords as text is added.
class TReportTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TReportTextBox(QWidget* parent = nullptr);

    TKeywordHighlighter* Highlighter() const { return highlighter_; }
    void setHighlighter(TKeywordHighlighter* highlighter) { highlighter_ = highlighter; }

private:
    friend class TLineGutter;
    void paintGutter(QWidget* gutter);

    TKeywordHighlighter* highlighter_ = nullptr;
};
