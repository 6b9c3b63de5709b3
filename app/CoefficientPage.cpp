// The page "Коэффициенты": drawing and editing of the two coefficient grids,
// the five store buttons and the store steps of this version.
#include "app/MainForm.h"

#include "app/MessagePresenter.h"
#include "ui/CoefficientPageUi.h"
#include "ui/StringGrid.h"
#include "ui/WrapButton.h"

#include <QMessageBox>
#include <QPainter>

namespace {

const QColor Grey(128, 128, 128);
const QColor Maroon(128, 0, 0);
const QColor LightYellow(255, 255, 208);
const QColor FocusBlue(0, 0, 255);

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

void TMainForm::CorrectionCoefsStringGridDrawCell(QObject* sender, int column, int row, const QRect& rect,
                                                  TGridDrawState state) {
    auto* grid = qobject_cast<TStringGrid*>(sender);
    if (grid == nullptr) {
        ApplicationMessageBox(this, "Не могу привести тип!", "Ошибка CalibrationCoefsStringGridDrawCell()!!!",
                              TMessageBoxIcon::Information);
        return;
    }
    QPainter* canvas = grid->Canvas();
    const bool enabled = grid->isEnabled();
    const QString text = enabled ? grid->Cell(column, row) : QString("?????");
    const QColor fontColor = enabled ? grid->palette().color(QPalette::Text) : Grey;
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
        canvas->setPen(enabled ? Maroon : Grey);
        background = LightYellow;
    } else {
        canvas->setFont(PointFont("Tahoma", 11, false));
        canvas->setPen(fontColor);
    }
    const QPen textPen = canvas->pen();
    canvas->fillRect(rect, background);
    const QRect inner = rect.adjusted(1, 1, -1, -1);
    canvas->setPen(QPen(state.Focused ? FocusBlue : background, 1));
    canvas->setBrush(Qt::NoBrush);
    canvas->drawRect(inner.adjusted(0, 0, -1, -1));  // a one-pixel outline on the inner rectangle
    canvas->setPen(textPen);
    canvas->drawText(inner, flags, text);
}

void TMainForm::CorrectionCoefsStringGridDblClick(QObject* sender) {
    auto* grid = qobject_cast<TStringGrid*>(sender);
    if (grid == nullptr || grid->Col() == 0 || grid->EditorOpen()) return;
    grid->SetEditing(true);
    grid->OpenEditor();  // with its text selected
}

void TMainForm::CorrectionCoefsStringGridGetEditText(QObject* sender, int column, int row, QString& value) {
    (void)sender;
    (void)column;
    (void)row;
    EditStartText = value;
}

void TMainForm::CorrectionCoefsStringGridKeyDown(QObject* sender, int key) {
    auto* grid = qobject_cast<TStringGrid*>(sender);
    if (grid == nullptr) {
        ApplicationMessageBox(this, "Не могу привести тип!", "Ошибка AdcCalibrationCoefsStringGridKeyDown()!!!",
                              TMessageBoxIcon::Information);
        return;
    }
    if (key != Qt::Key_Up && key != Qt::Key_Down && key != Qt::Key_PageUp && key != Qt::Key_PageDown) return;
    // Leaving the cell with these keys discards the edit.
    if (grid->EditorOpen() && grid->Col() != 0) grid->SetCell(grid->Col(), grid->Row(), EditStartText);
}

void TMainForm::CorrectionCoefsStringGridKeyUp(QObject* sender, int key) {
    auto* grid = qobject_cast<TStringGrid*>(sender);
    if (grid == nullptr) {
        ApplicationMessageBox(this, "Не могу привести тип!", "Ошибка AdcCalibrationCoefsStringGridKeyUp()!!!",
                              TMessageBoxIcon::Information);
        return;
    }
    if (key != Qt::Key_Escape) return;
    grid->SetCell(grid->Col(), grid->Row(), EditStartText);
    grid->CloseEditor();
    grid->SetEditing(false);
}

void TMainForm::CorrectionCoefsStringGridSelectCell(QObject* sender, int column, int row, bool& canSelect) {
    (void)column;
    (void)row;
    auto* grid = qobject_cast<TStringGrid*>(sender);
    if (grid == nullptr) {
        ApplicationMessageBox(this, "Не могу привести тип!", "Ошибка CorrectionCoefsStringGridSelectCell()!");
        return;
    }
    // Each edit needs its own double click.
    grid->SetEditing(false);
    canSelect = true;
}

void TMainForm::CorrectionCoefsStringGridKeyPress(QObject* sender, QChar key) {
    (void)sender;
    (void)key;
}

void TMainForm::CorrectionCoefsStringGridSetEditText(QObject* sender, int column, int row, const QString& value) {
    // The editor's text is not validated.
    (void)sender;
    (void)column;
    (void)row;
    (void)value;
}

void TMainForm::SaveCalibrCoefsGridToFactoryFlashLMDButtonClick() {
    if (!AskYesNo(this, "Вы уверены в том, что хотите перезаписать корректировочные коэффициенты в заводском ППЗУ?",
                  "Внимание!!!"))
        return;
    if (!WriteFactoryCoefs())
        ApplicationMessageBox(this, "Не могу сохранить корректировочные коэффициенты в заводском ППЗУ!!!",
                              "Ошибка SaveAdcCalibrCoefsGridToFactoryFlashLMDButtonClick()!");
}

void TMainForm::SaveCalibrCoefsGridToUserFlashLMDButtonClick() {
    if (!TakeCoefsFromGrids()) return;
    UserCoefs = WorkingCoefs;
    UpdateCoefsButtons();
}

void TMainForm::RefreshCalibrCoefsGridFromFactoryFlashLMDButtonClick() {
    ReadFactoryCoefs();
    WorkingCoefs = FactoryCoefs;
    ShowCoefs();
    UpdateCoefsButtons();
}

void TMainForm::RefreshCalibrCoefsGridFromUserFlashLMDButtonClick() {
    WorkingCoefs.fill(0);
    if (UserCoefsPresent()) {
        WorkingCoefs = UserCoefs;
    } else {
        ReadFactoryCoefs();
        WorkingCoefs = FactoryCoefs;
    }
    ShowCoefs();
    UpdateCoefsButtons();
}

void TMainForm::ResetCalibrCoefsGridInUserFlashLMDButtonClick() {}

// The store steps. None of the module calls of this version reaches the
// coefficient stores; these are the places where that code belongs.
void TMainForm::ReadFactoryCoefs() {}

bool TMainForm::UserCoefsPresent() { return true; }

void TMainForm::ShowCoefs() {}

bool TMainForm::TakeCoefsFromGrids() { return true; }

bool TMainForm::WriteFactoryCoefs() { return true; }

void TMainForm::QueryStoreLocks(bool& factoryLocked, bool& userLocked) {
    // No source tells whether a store accepts writing: both count as refusing.
    factoryLocked = true;
    userLocked = true;
}

void TMainForm::UpdateCoefsButtons() {
    bool factoryLocked = true;
    bool userLocked = true;
    QueryStoreLocks(factoryLocked, userLocked);
    Ui.CoefficientPage.SaveCalibrCoefsGridToFactoryFlashLMDButton->setEnabled(!factoryLocked);
    Ui.CoefficientPage.SaveCalibrCoefsGridToUserFlashLMDButton->setEnabled(!userLocked);
}

void TMainForm::BindCoefficientPageHandlers() {
    TCoefficientPageUi& page = Ui.CoefficientPage;
    for (TStringGrid* grid : {page.AdcOffsetCoefsStringGrid, page.AdcScaleCoefsStringGrid}) {
        grid->OnDrawCell = [this](QObject* sender, int column, int row, const QRect& rect, TGridDrawState state) {
            CorrectionCoefsStringGridDrawCell(sender, column, row, rect, state);
        };
        grid->OnDblClick = [this](QObject* sender) { CorrectionCoefsStringGridDblClick(sender); };
        grid->OnGetEditText = [this](QObject* sender, int column, int row, QString& value) {
            CorrectionCoefsStringGridGetEditText(sender, column, row, value);
        };
        grid->OnSetEditText = [this](QObject* sender, int column, int row, const QString& value) {
            CorrectionCoefsStringGridSetEditText(sender, column, row, value);
        };
        grid->OnKeyDown = [this](QObject* sender, int key) { CorrectionCoefsStringGridKeyDown(sender, key); };
        grid->OnKeyUp = [this](QObject* sender, int key) { CorrectionCoefsStringGridKeyUp(sender, key); };
        grid->OnKeyPress = [this](QObject* sender, QChar key) { CorrectionCoefsStringGridKeyPress(sender, key); };
        grid->OnSelectCell = [this](QObject* sender, int column, int row, bool& canSelect) {
            CorrectionCoefsStringGridSelectCell(sender, column, row, canSelect);
        };
    }
    connect(page.SaveCalibrCoefsGridToFactoryFlashLMDButton, &QPushButton::clicked, this,
            [this] { SaveCalibrCoefsGridToFactoryFlashLMDButtonClick(); });
    connect(page.SaveCalibrCoefsGridToUserFlashLMDButton, &QPushButton::clicked, this,
            [this] { SaveCalibrCoefsGridToUserFlashLMDButtonClick(); });
    connect(page.RefreshCalibrCoefsGridFromFactoryFlashLMDButton, &QPushButton::clicked, this,
            [this] { RefreshCalibrCoefsGridFromFactoryFlashLMDButtonClick(); });
    connect(page.RefreshCalibrCoefsGridFromUserFlashLMDButton, &QPushButton::clicked, this,
            [this] { RefreshCalibrCoefsGridFromUserFlashLMDButtonClick(); });
    connect(page.ResetCalibrCoefsGridInUserFlashLMDButton, &QPushButton::clicked, this,
            [this] { ResetCalibrCoefsGridInUserFlashLMDButtonClick(); });
}
