#include "app/MessagePresenter.h"

#include <QDialog>
#include <QMessageBox>

namespace {

class TModalPresenter : public TMessagePresenter {
public:
    int Present(QDialog& box) override { return box.exec(); }
};

TModalPresenter modalPresenter;
TMessagePresenter* currentPresenter = &modalPresenter;

}  // namespace

TMessagePresenter& MessagePresenter() { return *currentPresenter; }

void SetMessagePresenter(TMessagePresenter* presenter) {
    currentPresenter = presenter != nullptr ? presenter : &modalPresenter;
}

int ApplicationMessageBox(QWidget* parent, const QString& text, const QString& caption, TMessageBoxIcon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    switch (icon) {
    case TMessageBoxIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case TMessageBoxIcon::Information: box.setIcon(QMessageBox::Information); break;
    case TMessageBoxIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case TMessageBoxIcon::Error: box.setIcon(QMessageBox::Critical); break;
    }
    return MessagePresenter().Present(box);
}
