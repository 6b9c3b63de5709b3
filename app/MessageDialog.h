#pragma once

#include "Threads/ReportingThread.h"

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QPushButton;

// The standard message dialog: icon, word-wrapped text and the standard
// buttons of a set, laid out at fixed positions (no layout manager), so that
// the caller may restyle and move its parts. Button b of the set closes the
// dialog with modal result ModalResultOf(b).
class TMessageDialogForm : public QDialog {
    Q_OBJECT
public:
    // dlgType: 0 warning, 1 error, 2 information, 3 confirmation, 4 custom.
    // buttons: bit b set = standard button b (0 yes, 1 no, 2 OK, 3 cancel, 4 abort,
    // 5 retry, 6 ignore, 7 all, 8 no to all, 9 yes to all, 10 help).
    TMessageDialogForm(QWidget* parent, const QString& message, uint8_t dlgType, uint16_t buttons);

    // Components in order: the icon, the message label, the buttons.
    QLabel* Icon = nullptr;
    QLabel* Message = nullptr;
    std::vector<QPushButton*> Buttons;

    // Modal result of standard button b.
    static int ModalResultOf(int button);
};

// How ExecuteMessageDialog sizes and places the buttons.
enum class TMessageButtonLayout {
    EachCentred,  // each button as wide as its caption, centred
    SpreadEqual,  // all buttons equally wide (at least 100), spread over the width
};

class TApplicationEvents;

// Builds the styled worker-thread message box (570 wide, 12-point font, white
// on RGB(255, 128, 32) for errors, captions from the request), centres it over
// mainWindow, shows it through the message presenter and releases it. While
// it is open the application's short-cut handler is removed. Returns the modal result.
int ExecuteStyledMessageDialog(QWidget* mainWindow, TApplicationEvents* events, const Threads::TMessageDialogPars& request,
                               TMessageButtonLayout layout);
