#pragma once

#include "app/MessagePresenter.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// What a shown message box looked like.
struct TShownBox {
    QString Caption;
    QString Text;
    QRect Geometry;
    int FontPointSize = 0;
    QColor Background;
    QColor TextColor;
    QStringList ButtonTexts;
    std::vector<QRect> ButtonGeometries;
};

// Replaces the modal presenter for one test: records every box instead of
// running a modal loop, and can run a check while the box is "open".
class TRecordingPresenter : public TMessagePresenter {
public:
    TRecordingPresenter();
    ~TRecordingPresenter() override;
    int Present(QDialog& box) override;

    std::vector<TShownBox> Boxes;
    std::function<void()> WhileOpen;
    // The modal result every box returns (the button the operator "pressed").
    int Result = 1;
};
