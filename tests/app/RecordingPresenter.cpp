#include "RecordingPresenter.h"

#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

TRecordingPresenter::TRecordingPresenter() { SetMessagePresenter(this); }

TRecordingPresenter::~TRecordingPresenter() { SetMessagePresenter(nullptr); }

int TRecordingPresenter::Present(QDialog& box) {
    TShownBox shown;
    shown.Caption = box.windowTitle();
    if (auto* messageBox = qobject_cast<QMessageBox*>(&box)) {
        shown.Text = messageBox->text();
    } else if (auto* label = box.findChild<QLabel*>("Message")) {
        shown.Text = label->text();
    }
    shown.Geometry = box.geometry();
    shown.FontPointSize = box.font().pointSize();
    shown.Background = box.palette().color(QPalette::Window);
    shown.TextColor = box.palette().color(QPalette::WindowText);
    for (QPushButton* button : box.findChildren<QPushButton*>()) {
        shown.ButtonTexts << button->text();
        shown.ButtonGeometries.push_back(button->geometry());
    }
    Boxes.push_back(shown);
    if (WhileOpen) WhileOpen();
    return Result;
}
