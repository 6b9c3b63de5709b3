// The page "Коэффициенты": drawing and editing of the two coefficient grids,
// the five store buttons and the store steps of this version.
#include "app/CoefficientPage.h"

#include "app/MessagePresenter.h"
#include "ui/UiStyle.h"
#include "ui/CoefficientPageUi.h"
#include "ui/StringGrid.h"
#include "ui/WrapButton.h"

#include <QMessageBox>
#include <QPainter>

namespace {

const QColor LightYellow(255, 255, 208);

QFont PointFont(const char* family, int points, bool bold) {
    QFont font(QString::fromLatin1(family));
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

// The question box with Yes and No and no icon; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    return MessagePresenter().Present(box) == QMessageBox::Yes;
}

}  // namespace

TCoefficientPage::TCoefficientPage(TCoefficientPageUi& ui, QWidget* window) : QObject(window), ui_(ui), window_(window) {}

void TCoefficientPage::LoadCoefficientSource(const settings::ApplicationSettings& stored) {
    source_ = stored.correctionCoefSource;
    working_.fill(0);
    factory_.fill(0);
    user_.fill(0);
    ReadFactoryCoefs();
    working_ = factory_;
}

void TCoefficientPage::DrawCell(QObject* sender, int column, int row, const QRect& rect, TGridDrawState state) {
    auto* grid = qobject_cast<TStringGrid*>(sender);
    if (grid == nullptr) {
        ApplicationMessageBox(window_, "Не могу привести тип!", "Ошибка CalibrationCoefsStringGridDrawCell()!!!",
                              TMessageBoxIcon::Information);
        return;
    }
    QPainter* canvas = grid->Canvas();
    const bool enabled = grid->isEnabled();
    const QString text = enabled ? grid->Cell(column, row) : QString("?????");
    const QColor fontColor = enabled ? grid->palette().color(QPalette::Text) : style::Grey;
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;

    if (row == 0) {
        canvas->setFont(PointFont("Arial", 11, false));
        canvas->fillRect(rect, grid->FixedColor());
        canvas->setPen(fontColor);
        canvas->drawText(rect, flags, text);
        return;
    }
    QColor background = grid->palette().color(QPalette::Base);
    if (column == 0) {
        canvas->setFont(PointFont("Courier New", 12, true));
        canvas->setPen(enabled ? style::Maroon : style::Grey);
        background = LightYellow;
    } else {
        canvas->setFont(PointFont("Tahoma", 11, false));
        canvas->setPen(fontColor);
    }
    const QPen textPen = canvas->pen();
    canvas->fillRect(rect, background);
    const QRect inner = rect.adjusted(1, 1, -1, -1);
    canvas->setPen(QPen(state.Focused ? style::Blue : background, 1));
    canvas->setBrush(Qt::NoBrush);
    canvas->drawRect(inner.adjusted(0, 0, -1, -1));  // a one-pixel outline on the inner rectangle
    canvas->setPen(textPen);
    canvas->drawText(inner, flags, text);
}

void TCoefficientPage::DblClick(QObject* sender) {
    auto* grid = qobject_cast<TStringGrid*>(sender);
    if (grid == nullptr || grid->Col() == 0 || grid->EditorOpen()) return;
    grid->SetEditing(true);
    grid->OpenEditor();  // with its text selected
}

void TCoefficientPage::GetEditText(const QString& value) { editStartText_ = value; }

void TCoefficientPage::KeyDown(QObject* sender, int key) {
    auto* grid = qobject_cast<TStringGrid*>(sender);
    if (grid == nullptr) {
        ApplicationMessageBox(window_, "Не могу привести тип!", "Ошибка AdcCalibrationCoefsStringGridKeyDown()!!!",
                              TMessageBoxIcon::Information);
        return;
    }
    if (key != Qt::Key_Up && key != Qt::Key_Down && key != Qt::Key_PageUp && key != Qt::Key_PageDown) return;
    // Leaving the cell with these keys discards the edit.
    if (grid->EditorOpen() && grid->Col() != 0) grid->SetCell(grid->Col(), grid->Row(), editStartText_);
}

void TCoefficientPage::KeyUp(QObject* sender, int key) {
    auto* grid = qobject_cast<TStringGrid*>(sender);
    if (grid == nullptr) {
        ApplicationMessageBox(window_, "Не могу привести тип!", "Ошибка AdcCalibrationCoefsStringGridKeyUp()!!!",
                              TMessageBoxIcon::Information);
        return;
    }
    if (key != Qt::Key_Escape) return;
    grid->SetCell(grid->Col(), grid->Row(), editStartText_);
    grid->CloseEditor();
    grid->SetEditing(false);
}

void TCoefficientPage::SelectCell(QObject* sender, bool& canSelect) {
    auto* grid = qobject_cast<TStringGrid*>(sender);
    if (grid == nullptr) {
        ApplicationMessageBox(window_, "Не могу привести тип!", "Ошибка CorrectionCoefsStringGridSelectCell()!");
        return;
    }
    // Each edit needs its own double click.
    grid->SetEditing(false);
    canSelect = true;
}

void TCoefficientPage::SaveToFactoryStore() {
    if (!AskYesNo(window_, "Вы уверены в том, что хотите перезаписать корректировочные коэффициенты в заводском ППЗУ?",
                  "Внимание!!!"))
        return;
    if (!WriteFactoryCoefs())
        ApplicationMessageBox(window_, "Не могу сохранить корректировочные коэффициенты в заводском ППЗУ!!!",
                              "Ошибка SaveAdcCalibrCoefsGridToFactoryFlashLMDButtonClick()!");
}

void TCoefficientPage::SaveToUserStore() {
    if (!TakeCoefsFromGrids()) return;
    user_ = working_;
    UpdateCoefsButtons();
}

void TCoefficientPage::RefreshFromFactoryStore() {
    ReadFactoryCoefs();
    working_ = factory_;
    ShowCoefs();
    UpdateCoefsButtons();
}

void TCoefficientPage::RefreshFromUserStore() {
    working_.fill(0);
    if (UserCoefsPresent()) {
        working_ = user_;
    } else {
        ReadFactoryCoefs();
        working_ = factory_;
    }
    ShowCoefs();
    UpdateCoefsButtons();
}

void TCoefficientPage::ResetUserStore() {}

// The store steps. None of the module calls of this version reaches the
// coefficient stores; these are the places where that code belongs.
void TCoefficientPage::ReadFactoryCoefs() {}

bool TCoefficientPage::UserCoefsPresent() { return true; }

void TCoefficientPage::ShowCoefs() {}

bool TCoefficientPage::TakeCoefsFromGrids() { return true; }

bool TCoefficientPage::WriteFactoryCoefs() { return true; }

void TCoefficientPage::QueryStoreLocks(bool& factoryLocked, bool& userLocked) {
    // No source tells whether a store accepts writing: both count as refusing.
    factoryLocked = true;
    userLocked = true;
}

void TCoefficientPage::UpdateCoefsButtons() {
    bool factoryLocked = true;
    bool userLocked = true;
    QueryStoreLocks(factoryLocked, userLocked);
    ui_.SaveCalibrCoefsGridToFactoryFlashLMDButton->setEnabled(!factoryLocked);
    ui_.SaveCalibrCoefsGridToUserFlashLMDButton->setEnabled(!userLocked);
}
