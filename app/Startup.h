#pragma once

#include <QSize>

#include <optional>

class QApplication;

// Smallest screen the window fits on.
inline constexpr int MinimumScreenWidth = 1280;
inline constexpr int MinimumScreenHeight = 768;

// The screen size the start-up check reads: the primary screen's, unless a
// test has given one.
QSize StartupScreenSize();
void SetStartupScreenSize(std::optional<QSize> size);

// Start-up on an existing application object: sets the title, refuses a
// small screen with a message, otherwise creates the main window and runs
// the message loop until it is closed. Returns the exit code (0).
int RunVoltcheck(QApplication& app);

// The program's entry: creates the application object and runs RunVoltcheck;
// an escaping exception is shown and the program still ends with 0.
int Voltcheck_User(int argc, char* argv[]);
