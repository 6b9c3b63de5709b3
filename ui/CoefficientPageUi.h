#pragma once

class QFrame;
class QLabel;
class QWidget;
class TCaptionGroupBox;
class TStringGrid;
class TWrapButton;

// The control tree of the page "Коэффициенты": the offset and scale grids of the
// ADC correction coefficients and the five buttons of the module's stores.
// setupUi only builds it; the window binds the handlers.
class TCoefficientPageUi {
public:
    QFrame* CoeffsLMDSimplePanel = nullptr;
    TCaptionGroupBox* AdcCorrectionCoefsLMDGroupBox = nullptr;
    QLabel* AdcOffsetLMDLabel = nullptr;
    TStringGrid* AdcOffsetCoefsStringGrid = nullptr;
    QLabel* AdcScaleLMDLabel = nullptr;
    TStringGrid* AdcScaleCoefsStringGrid = nullptr;
    QFrame* CoeffsButtonsLMDSimplePanel = nullptr;
    TWrapButton* SaveCalibrCoefsGridToFactoryFlashLMDButton = nullptr;
    TWrapButton* RefreshCalibrCoefsGridFromFactoryFlashLMDButton = nullptr;
    QFrame* Bevel13 = nullptr;
    TWrapButton* SaveCalibrCoefsGridToUserFlashLMDButton = nullptr;
    TWrapButton* RefreshCalibrCoefsGridFromUserFlashLMDButton = nullptr;
    QFrame* Bevel2 = nullptr;
    TWrapButton* ResetCalibrCoefsGridInUserFlashLMDButton = nullptr;

    // Grid geometry shared by both grids.
    static constexpr int GridColumns = 7;
    static constexpr int GridRows = 7;

    void setupUi(QWidget* page);
};
