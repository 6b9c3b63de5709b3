#pragma once

#include <QString>

class QDialog;
class QWidget;

// Every message box of the program is shown through this presenter. The
// program's presenter runs the box modally; tests install their own to read
// the finished box (caption, text, geometry, colours) without a modal loop.
class TMessagePresenter {
public:
    virtual ~TMessagePresenter() = default;
    // Shows the fully built box and returns its modal result.
    virtual int Present(QDialog& box) = 0;
};

// The presenter in use (the modal one unless a test installed another).
TMessagePresenter& MessagePresenter();
// Installs presenter, or the modal one again for nullptr. The caller keeps ownership.
void SetMessagePresenter(TMessagePresenter* presenter);

// Icons of the application message box.
enum class TMessageBoxIcon { None, Information, Warning, Error };

// The application message box: text, caption, one OK button. Returns the modal result.
int ApplicationMessageBox(QWidget* parent, const QString& text, const QString& caption,
                          TMessageBoxIcon icon = TMessageBoxIcon::None);
