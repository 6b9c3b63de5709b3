#include "ui/CoefficientPageUi.h"

#include "ui/CaptionGroupBox.h"
#include "ui/DesignHelpers.h"
#include "ui/StringGrid.h"
#include "ui/UiStyle.h"
#include "ui/WrapButton.h"

using namespace design;
using namespace style;

namespace {

TStringGrid* Grid(QWidget* parent, const char* name, int left, int top, int width, int height, int rowHeight) {
    auto* grid = new TStringGrid(TCoefficientPageUi::GridColumns, TCoefficientPageUi::GridRows, 1, parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setGeometry(left, top, width, height);
    grid->SetColumnWidths({45, 109, 45, 45, 45, 45, 45});
    grid->SetRowHeight(rowHeight);
    grid->setFont(MonoFont(16, true));
    QPalette pal = grid->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, pal.color(QPalette::WindowText));
    grid->setPalette(pal);
    // Editing is allowed as designed; the first cell selection switches it off.
    grid->SetEditing(true);
    return grid;
}

TWrapButton* Button(QWidget* parent, const char* name, int top, const QString& caption, const QColor& color) {
    auto* button = Make<TWrapButton>(parent, name, 4, top, 230, 62);
    button->setText(caption);
    button->setFont(MonoFont(20, true));
    button->setRaisedLettering(true);
    SetColor(button, QPalette::ButtonText, color);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

}  // namespace

void TCoefficientPageUi::setupUi(QWidget* page) {
    CoeffsLMDSimplePanel = Panel(page, "CoeffsLMDSimplePanel", 109, 9, 900, 438, TEdge::Raised);

    AdcCorrectionCoefsLMDGroupBox =
        GroupBox(CoeffsLMDSimplePanel, "AdcCorrectionCoefsLMDGroupBox", 2, 2, 657, 434,
                 QStringLiteral("Корректировочные коэффициенты АЦП"), Maroon, SansFont(20), true);
    QWidget* box = AdcCorrectionCoefsLMDGroupBox;
    AdcOffsetLMDLabel = Label(box, "AdcOffsetLMDLabel", 203, 24, 139, 21, QStringLiteral("Смещение, мВ"),
                              SansFont(18), Purple);
    AdcOffsetCoefsStringGrid = Grid(box, "AdcOffsetCoefsStringGrid", 2, 48, 462, 100, 35);
    AdcScaleLMDLabel = Label(box, "AdcScaleLMDLabel", 226, 202, 93, 21, QStringLiteral("Масштаб"),
                             SansFont(18), Purple);
    AdcScaleCoefsStringGrid = Grid(box, "AdcScaleCoefsStringGrid", 4, 229, 462, 118, 27);

    CoeffsButtonsLMDSimplePanel = Panel(CoeffsLMDSimplePanel, "CoeffsButtonsLMDSimplePanel", 659, 13, 239, 351, TEdge::Raised);
    QWidget* buttons = CoeffsButtonsLMDSimplePanel;
    SaveCalibrCoefsGridToFactoryFlashLMDButton = Button(buttons, "SaveCalibrCoefsGridToFactoryFlashLMDButton", 5,
                                                        QStringLiteral("Сохранить таблицы в заводском ППЗУ"), DarkGreen);
    RefreshCalibrCoefsGridFromFactoryFlashLMDButton =
        Button(buttons, "RefreshCalibrCoefsGridFromFactoryFlashLMDButton", 71,
               QStringLiteral("Обновить таблицы из заводского ППЗУ"), Teal);
    Bevel13 = Bevel(buttons, "Bevel13", 2, 137, 233, 3);
    SaveCalibrCoefsGridToUserFlashLMDButton = Button(buttons, "SaveCalibrCoefsGridToUserFlashLMDButton", 144,
                                                     QStringLiteral("Сохранить таблицы в пользов. ППЗУ"), DarkGreen);
    RefreshCalibrCoefsGridFromUserFlashLMDButton = Button(buttons, "RefreshCalibrCoefsGridFromUserFlashLMDButton", 210,
                                                          QStringLiteral("Обновить таблицы из пользов. ППЗУ"), Teal);
    Bevel2 = Bevel(buttons, "Bevel2", 2, 276, 233, 3);
    ResetCalibrCoefsGridInUserFlashLMDButton = Button(buttons, "ResetCalibrCoefsGridInUserFlashLMDButton", 284,
                                                      QStringLiteral("Сбросить таблицы в пользов. ППЗУ"), Blue);
}
