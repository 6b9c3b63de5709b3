#pragma once

#include <QColor>
#include <QString>
#include <QSyntaxHighlighter>

#include <vector>

// One coloured keyword of a text box.
struct TKeyword {
    QString Text;
    bool MatchCase = false;
    bool WholeWord = false;  // only between word separators or at the line's ends
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    QColor Color;
};

// Colours the keywords of a document as its text changes. Where keywords
// overlap, the one earlier in the table keeps its colour.
class TKeywordHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    TKeywordHighlighter(QTextDocument* document, std::vector<TKeyword> keywords, QString separators);

    const std::vector<TKeyword>& Keywords() const { return keywords_; }
    bool IsSeparator(QChar c) const { return separators_.contains(c); }

protected:
    void highlightBlock(const QString& text) override;

private:
    std::vector<TKeyword> keywords_;
    QString separators_;
};
