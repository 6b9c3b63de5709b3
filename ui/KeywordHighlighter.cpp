#include "ui/KeywordHighlighter.h"

#include <QTextCharFormat>

#include <utility>

TKeywordHighlighter::TKeywordHighlighter(QTextDocument* document, std::vector<TKeyword> keywords, QString separators)
    : QSyntaxHighlighter(document), keywords_(std::move(keywords)), separators_(std::move(separators)) {}

void TKeywordHighlighter::highlightBlock(const QString& text) {
    std::vector<bool> taken(static_cast<std::size_t>(text.size()), false);
    for (const TKeyword& keyword : keywords_) {
        if (keyword.Text.isEmpty()) continue;
        QTextCharFormat format;
        format.setForeground(keyword.Color);
        format.setFontWeight(keyword.Bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(keyword.Italic);
        format.setFontUnderline(keyword.Underline);
        const Qt::CaseSensitivity cs = keyword.MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
        const qsizetype length = keyword.Text.size();
        for (qsizetype at = text.indexOf(keyword.Text, 0, cs); at >= 0; at = text.indexOf(keyword.Text, at + 1, cs)) {
            const qsizetype end = at + length;
            if (keyword.WholeWord && ((at > 0 && !IsSeparator(text[at - 1])) ||
                                      (end < text.size() && !IsSeparator(text[end]))))
                continue;
            bool free = true;
            for (qsizetype i = at; i < end && free; ++i) free = !taken[std::size_t(i)];
            if (!free) continue;
            for (qsizetype i = at; i < end; ++i) taken[std::size_t(i)] = true;
            setFormat(int(at), int(length), format);
        }
    }
}
