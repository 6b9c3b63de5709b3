#pragma once

#include "settings/SettingsValues.h"
#include "ui/StringGrid.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>

class QRect;
class QWidget;
class TCoefficientPageUi;

// The page "Коэффициенты": the two coefficient grids (drawing and editing), the
// five store buttons, and the module's coefficient images. None of the module
// calls of this version reaches the coefficient stores; the store steps are the
// places where that code belongs.
class TCoefficientPage : public QObject {
    Q_OBJECT
public:
    using TCoefs = std::array<uint8_t, 98>;

    TCoefficientPage(TCoefficientPageUi& ui, QWidget* window);

    // The images: in use, as read from the factory store, as kept in the user store.
    const TCoefs& WorkingCoefs() const { return working_; }
    const TCoefs& FactoryCoefs() const { return factory_; }
    const TCoefs& UserCoefs() const { return user_; }
    int32_t CorrectionCoefSource() const { return source_; }
    // The text of the grid cell whose editor was opened last.
    const QString& EditStartText() const { return editStartText_; }

    // The images as the module's stores hand them over (no store of this version
    // reaches them, so only tests do).
    void SetImages(const TCoefs& working, const TCoefs& factory, const TCoefs& user) {
        working_ = working;
        factory_ = factory;
        user_ = user;
    }
    // A module was identified: the source from the settings, the factory image in use.
    void LoadCoefficientSource(const settings::ApplicationSettings& stored);

    // The grids' handlers (both grids share them).
    void DrawCell(QObject* sender, int column, int row, const QRect& rect, TGridDrawState state);
    void DblClick(QObject* sender);
    void GetEditText(const QString& value);
    void KeyDown(QObject* sender, int key);
    void KeyUp(QObject* sender, int key);
    void SelectCell(QObject* sender, bool& canSelect);

    // The buttons.
    void SaveToFactoryStore();
    void SaveToUserStore();
    void RefreshFromFactoryStore();
    void RefreshFromUserStore();
    void ResetUserStore();

private:
    // The store steps.
    void ReadFactoryCoefs();
    bool UserCoefsPresent();
    void ShowCoefs();
    bool TakeCoefsFromGrids();
    bool WriteFactoryCoefs();
    // Whether the factory and the user store refuse writing. Without information about
    // the stores both count as refusing, so no save button is offered on a guess.
    void QueryStoreLocks(bool& factoryLocked, bool& userLocked);
    // Enables each save button unless its store refuses writing.
    void UpdateCoefsButtons();

    TCoefficientPageUi& ui_;
    QWidget* window_;
    TCoefs working_{};
    TCoefs factory_{};
    TCoefs user_{};
    int32_t source_ = 1;
    QString editStartText_;
};
