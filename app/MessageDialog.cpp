#include "app/MessageDialog.h"

#include "app/ApplicationEvents.h"
#include "app/MessagePresenter.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int Margin = 10;
constexpr int IconSize = 32;
constexpr int StandardButtonWidth = 75;
constexpr int StandardButtonHeight = 25;
constexpr int ButtonSpacing = 6;

const char* const StandardCaptions[11] = {"&Yes", "&No", "OK", "Cancel", "&Abort", "&Retry",
                                          "&Ignore", "&All", "N&o to All", "Yes to &All", "&Help"};
const char* const TypeCaptions[5] = {"Warning", "Error", "Information", "Confirm", ""};

QStyle::StandardPixmap IconOf(uint8_t dlgType) {
    switch (dlgType) {
    case 0: return QStyle::SP_MessageBoxWarning;
    case 1: return QStyle::SP_MessageBoxCritical;
    case 2: return QStyle::SP_MessageBoxInformation;
    default: return QStyle::SP_MessageBoxQuestion;
    }
}

// Restores the short-cut handler however the box ends.
class TShortCutPause {
public:
    explicit TShortCutPause(TApplicationEvents* events) : events_(events) {
        if (events_ != nullptr) {
            saved_ = events_->OnShortCut;
            events_->OnShortCut = nullptr;
        }
    }
    ~TShortCutPause() {
        if (events_ != nullptr) events_->OnShortCut = saved_;
    }
    TShortCutPause(const TShortCutPause&) = delete;
    TShortCutPause& operator=(const TShortCutPause&) = delete;

private:
    TApplicationEvents* events_;
    TApplicationEvents::TShortCutHandler saved_;
};

}  // namespace

int TMessageDialogForm::ModalResultOf(int button) { return button + 1; }

TMessageDialogForm::TMessageDialogForm(QWidget* parent, const QString& message, uint8_t dlgType, uint16_t buttons)
    : QDialog(parent) {
    setObjectName("MessageDialog");
    setWindowTitle(dlgType < 5 ? TypeCaptions[dlgType] : "");
    setModal(true);

    int textLeft = Margin;
    if (dlgType < 4) {
        Icon = new QLabel(this);
        Icon->setObjectName("Image");
        Icon->setPixmap(style()->standardIcon(IconOf(dlgType)).pixmap(IconSize, IconSize));
        Icon->setGeometry(Margin, Margin, IconSize, IconSize);
        textLeft = Margin + IconSize + Margin;
    }
    Message = new QLabel(message, this);
    Message->setObjectName("Message");
    Message->setWordWrap(true);
    const int maxTextWidth = (screen() != nullptr ? screen()->availableGeometry().width() : 1280) / 2;
    const QRect text = QFontMetrics(font()).boundingRect(QRect(0, 0, maxTextWidth, 100000),
                                                        Qt::TextWordWrap, message);
    Message->setGeometry(textLeft, Margin, text.width() + 1, text.height());

    for (int b = 0; b < 11; ++b) {
        if ((buttons & (1u << b)) == 0) continue;
        auto* button = new QPushButton(QString::fromLatin1(StandardCaptions[b]), this);
        button->setObjectName(QString("Button%1").arg(b));
        const int result = ModalResultOf(b);
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        Buttons.push_back(button);
    }
    if (!Buttons.empty()) Buttons.front()->setDefault(true);

    const int n = static_cast<int>(Buttons.size());
    const int buttonsWidth = n * StandardButtonWidth + std::max(0, n - 1) * ButtonSpacing;
    const int top = std::max(Margin + (Icon ? IconSize : 0), Message->geometry().bottom() + 1) + Margin;
    const int width = std::max(Message->geometry().right() + 1 + Margin, buttonsWidth + 2 * Margin);
    int left = (width - buttonsWidth) / 2;
    for (QPushButton* button : Buttons) {
        button->setGeometry(left, top, StandardButtonWidth, StandardButtonHeight);
        left += StandardButtonWidth + ButtonSpacing;
    }
    resize(width, top + StandardButtonHeight + Margin);
}

int ExecuteStyledMessageDialog(QWidget* mainWindow, TApplicationEvents* events, const Threads::TMessageDialogPars& request,
                               TMessageButtonLayout layout) {
    // 1. Esc is not the window's while the box is open.
    TShortCutPause pause(events);

    // 2. The standard dialog, not yet shown.
    auto* dialog = new TMessageDialogForm(mainWindow, QString::fromStdString(request.Message), request.DlgType,
                                          request.Buttons);

    // 3. Caption, size, font.
    dialog->setWindowTitle(QString::fromStdString(request.Caption));
    const int w0 = dialog->width();
    dialog->resize(570, 600);
    QFont font = dialog->font();
    font.setPointSize(12);
    dialog->setFont(font);

    // 4. Error colours.
    if (request.DlgType == 1) {
        QPalette p = dialog->palette();
        p.setColor(QPalette::Window, QColor(255, 128, 32));
        p.setColor(QPalette::WindowText, Qt::white);
        dialog->setPalette(p);
        dialog->setAutoFillBackground(true);
        for (QPushButton* button : dialog->Buttons) button->setPalette(QApplication::palette(button));
    }

    // 5. The message label takes the extra width and wraps its text in it.
    QLabel* label = dialog->Message;
    const int labelWidth = label->width() + 570 - w0;
    label->resize(labelWidth, label->heightForWidth(labelWidth));

    // 6. Button captions and geometry.
    const QFontMetrics metrics(dialog->font());
    const std::size_t n = std::min(dialog->Buttons.size(), request.ButtonCaptions.size());
    const int top = label->y() + label->height() + 10;
    if (layout == TMessageButtonLayout::EachCentred) {
        for (std::size_t j = 0; j < n; ++j) {
            QPushButton* button = dialog->Buttons[j];
            const QString caption = QString::fromStdString(request.ButtonCaptions[j]);
            button->setText(caption);
            const int width = metrics.horizontalAdvance(caption) + 20;
            button->setGeometry((dialog->width() - width) / 2, top, width, metrics.height() + 15);
        }
    } else {
        int widest = 0;
        for (std::size_t j = 0; j < n; ++j) {
            const QString caption = QString::fromStdString(request.ButtonCaptions[j]);
            dialog->Buttons[j]->setText(caption);
            widest = std::max(widest, metrics.horizontalAdvance(caption));
        }
        const int bw = std::max(widest + 20, 100);
        const int count = static_cast<int>(n);
        for (int j = 0; j < count; ++j) {
            const int left = (dialog->width() - count * bw) * (j + 1) / (count + 1) + j * bw;
            dialog->Buttons[j]->setGeometry(left, top, bw, metrics.height() + 15);
        }
    }

    // 7. Height to the last button (the window system adds caption bar and frame).
    if (n > 0) {
        const QRect last = dialog->Buttons[n - 1]->geometry();
        dialog->resize(dialog->width(), last.y() + last.height() + 10);
    } else {
        dialog->resize(dialog->width(), top + 10);
    }

    // 8. Centred over the main window.
    if (mainWindow != nullptr) {
        const QRect main = mainWindow->frameGeometry();
        dialog->move(main.left() + (main.width() - dialog->width()) / 2,
                     main.top() + (main.height() - dialog->height()) / 2);
    }

    // 9. Modal, then released.
    const int result = MessagePresenter().Present(*dialog);
    delete dialog;
    // 10. The short-cut handler comes back with pause's end.
    return result;
}
