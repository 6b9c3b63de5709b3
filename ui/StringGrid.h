#pragma once

#include <QTableWidget>

#include <functional>

class QLineEdit;
class QPainter;

// State of a cell being drawn.
struct TGridDrawState {
    bool Selected = false;
    bool Focused = false;  // the current cell of a grid that has the focus
    bool Fixed = false;    // a cell of the fixed rows
};

// A string grid: cells of text, the first FixedRows rows fixed (not selectable,
// not editable), an in-place line editor that the program opens, and hooks that
// the owner binds. Every cell is drawn by OnDrawCell on Canvas(); the grid draws
// only its lines. Editing by typing is possible only while Editing() is on;
// OpenEditor opens the editor whatever Editing() says.
class TStringGrid : public QTableWidget {
    Q_OBJECT
public:
    TStringGrid(int columns, int rows, int fixedRows, QWidget* parent = nullptr);

    int FixedRows() const { return fixedRows_; }
    int Col() const { return currentColumn(); }
    int Row() const { return currentRow(); }
    QString Cell(int column, int row) const;
    // Writes a cell; an editor open on it shows the new text as well.
    void SetCell(int column, int row, const QString& text);
    void SetColumnWidths(const QList<int>& widths);
    void SetRowHeight(int height);

    bool Editing() const { return editing_; }
    void SetEditing(bool on);
    bool EditorOpen() const;
    // Opens the editor on the current cell (not on a fixed one); false when it could not.
    bool OpenEditor();
    // Closes an open editor; its text is not written to the cell.
    void CloseEditor();
    QLineEdit* Editor() const { return editor_; }

    // The painter of the cell being drawn (valid inside OnDrawCell only).
    QPainter* Canvas() const { return canvas_; }
    // The colour of the fixed cells.
    QColor FixedColor() const { return fixedColor_; }

    // Hooks, each with the grid as sender.
    std::function<void(QObject* sender, int column, int row, const QRect& rect, TGridDrawState state)> OnDrawCell;
    std::function<void(QObject* sender)> OnDblClick;
    std::function<void(QObject* sender, int column, int row, QString& text)> OnGetEditText;
    std::function<void(QObject* sender, int column, int row, const QString& text)> OnSetEditText;
    // Keys pressed and released in the grid or in its open editor.
    std::function<void(QObject* sender, int key)> OnKeyDown;
    std::function<void(QObject* sender, int key)> OnKeyUp;
    std::function<void(QObject* sender, QChar key)> OnKeyPress;
    std::function<void(QObject* sender, int column, int row, bool& canSelect)> OnSelectCell;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TStringGridDelegate;
    void DrawCell(QPainter* painter, const QModelIndex& index, const QRect& rect, TGridDrawState state);
    void CellChanged(int row, int column, int previousRow, int previousColumn);

    int fixedRows_;
    bool editing_ = false;
    QLineEdit* editor_ = nullptr;
    bool settingCell_ = false;
    bool revertingSelection_ = false;
    QPainter* canvas_ = nullptr;
    QColor fixedColor_;
};
