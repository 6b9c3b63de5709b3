#include "ui/StringGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>

// Draws every cell through the grid's hook and makes the grid's line editor.
class TStringGridDelegate : public QStyledItemDelegate {
public:
    explicit TStringGridDelegate(TStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        TGridDrawState state;
        state.Selected = (option.state & QStyle::State_Selected) != 0;
        state.Focused = index == grid_->currentIndex() && grid_->hasFocus();
        state.Fixed = index.row() < grid_->FixedRows();
        grid_->DrawCell(painter, index, option.rect, state);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* editor = new QLineEdit(parent);
        editor->setObjectName(QStringLiteral("InplaceEditor"));
        editor->setFrame(false);
        editor->setFont(grid_->font());
        editor->setAlignment(Qt::AlignCenter);
        // The grid sees the editor's keys after this delegate (Esc, Tab, Enter).
        editor->installEventFilter(grid_);
        grid_->editor_ = editor;
        return editor;
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        if (grid_->editor_ == editor) grid_->editor_ = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        QString text = index.data(Qt::EditRole).toString();
        // A write to the cell while the editor is open only updates the editor.
        if (!grid_->settingCell_ && grid_->OnGetEditText) grid_->OnGetEditText(grid_, index.column(), index.row(), text);
        static_cast<QLineEdit*>(editor)->setText(text);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        const QString text = static_cast<QLineEdit*>(editor)->text();
        model->setData(index, text, Qt::EditRole);
        if (grid_->OnSetEditText) grid_->OnSetEditText(grid_, index.column(), index.row(), text);
    }

private:
    TStringGrid* grid_;
};

TStringGrid::TStringGrid(int columns, int rows, int fixedRows, QWidget* parent)
    : QTableWidget(rows, columns, parent), fixedRows_(fixedRows) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setWordWrap(false);
    setItemDelegate(new TStringGridDelegate(this));
    fixedColor_ = palette().color(QPalette::Button);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            auto* item = new QTableWidgetItem(QString());
            if (r < fixedRows_) item->setFlags(Qt::NoItemFlags);
            else item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
            setItem(r, c, item);
        }
    SetEditing(false);
    if (rows > fixedRows_ && columns > 0) setCurrentCell(fixedRows_, 0);
    connect(this, &QTableWidget::currentCellChanged, this, &TStringGrid::CellChanged);
}

QString TStringGrid::Cell(int column, int row) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text() : QString();
}

void TStringGrid::SetCell(int column, int row, const QString& text) {
    QTableWidgetItem* cell = item(row, column);
    if (cell == nullptr) return;
    settingCell_ = true;
    cell->setText(text);
    settingCell_ = false;
    // The editor shows the cell: what the editor writes back on closing is the new text.
    if (editor_ != nullptr && currentRow() == row && currentColumn() == column) editor_->setText(text);
}

void TStringGrid::SetColumnWidths(const QList<int>& widths) {
    for (int c = 0; c < widths.size() && c < columnCount(); ++c) setColumnWidth(c, widths[c]);
}

void TStringGrid::SetRowHeight(int height) {
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(height);
    for (int r = 0; r < rowCount(); ++r) setRowHeight(r, height);
}

void TStringGrid::SetEditing(bool on) {
    editing_ = on;
    setEditTriggers(on ? QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed
                       : QAbstractItemView::NoEditTriggers);
}

bool TStringGrid::EditorOpen() const { return editor_ != nullptr; }

bool TStringGrid::OpenEditor() {
    const QModelIndex index = currentIndex();
    if (!index.isValid() || index.row() < fixedRows_) return false;
    edit(index);
    if (editor_ == nullptr) return false;
    editor_->setFocus();
    editor_->selectAll();
    return true;
}

void TStringGrid::CloseEditor() {
    if (editor_ != nullptr) closeEditor(editor_, QAbstractItemDelegate::RevertModelCache);
}

void TStringGrid::DrawCell(QPainter* painter, const QModelIndex& index, const QRect& rect, TGridDrawState state) {
    if (!OnDrawCell) return;
    canvas_ = painter;
    painter->save();
    OnDrawCell(this, index.column(), index.row(), rect, state);
    painter->restore();
    canvas_ = nullptr;
}

void TStringGrid::CellChanged(int row, int column, int previousRow, int previousColumn) {
    if (revertingSelection_ || row < 0 || column < 0) return;
    bool canSelect = true;
    if (OnSelectCell) OnSelectCell(this, column, row, canSelect);
    if (!canSelect && previousRow >= 0 && previousColumn >= 0) {
        revertingSelection_ = true;
        setCurrentCell(previousRow, previousColumn);
        revertingSelection_ = false;
    }
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // The double click opens no editor by itself; the owner decides.
    event->accept();
    if (OnDblClick) OnDblClick(this);
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown) OnKeyDown(this, event->key());
    if (OnKeyPress && !event->text().isEmpty()) OnKeyPress(this, event->text().front());
    QTableWidget::keyPressEvent(event);
}

void TStringGrid::keyReleaseEvent(QKeyEvent* event) {
    if (OnKeyUp && !event->isAutoRepeat()) OnKeyUp(this, event->key());
    QTableWidget::keyReleaseEvent(event);
}

bool TStringGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ && editor_ != nullptr) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (OnKeyDown) OnKeyDown(this, key->key());
            switch (key->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                // The grid moves to another cell, as it does without an editor.
                QTableWidget::keyPressEvent(key);
                return true;
            default:
                break;
            }
            if (OnKeyPress && !key->text().isEmpty()) OnKeyPress(this, key->text().front());
        } else if (event->type() == QEvent::KeyRelease) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (OnKeyUp && !key->isAutoRepeat()) OnKeyUp(this, key->key());
        }
    }
    return QTableWidget::eventFilter(watched, event);
}
