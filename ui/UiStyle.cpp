#include "ui/UiStyle.h"

#include <QString>
#include <QWidget>

namespace style {
namespace {

QFont PixelFont(const char* family, int pixels, bool bold) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

}  // namespace

QFont SansFont(int pixels, bool bold) { return PixelFont("Arial", pixels, bold); }

QFont MonoFont(int pixels, bool bold) { return PixelFont("Courier New", pixels, bold); }

QFont SerifFont(int pixels, bool bold) { return PixelFont("Times New Roman", pixels, bold); }

QColor FaceColor(const QWidget* widget) { return widget->palette().color(QPalette::Window); }

void SetColor(QWidget* widget, QPalette::ColorRole role, const QColor& color) {
    QPalette pal = widget->palette();
    pal.setColor(role, color);
    widget->setPalette(pal);
}

}  // namespace style
