#include "app/Startup.h"

#include "app/ApplicationTitle.h"
#include "app/MainForm.h"
#include "app/MessagePresenter.h"

#include <QApplication>
#include <QScreen>

#include <exception>
#include <memory>

namespace {
std::optional<QSize> givenScreenSize;

void ShowException(const QString& message) {
    ApplicationMessageBox(nullptr, message, ApplicationTitle(), TMessageBoxIcon::Error);
}
}  // namespace

QSize StartupScreenSize() {
    if (givenScreenSize) return *givenScreenSize;
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->size() : QSize();
}

void SetStartupScreenSize(std::optional<QSize> size) { givenScreenSize = size; }

int RunVoltcheck(QApplication& app) {
    try {
        QApplication::setApplicationName("Voltcheck");
        SetApplicationTitle("Voltcheck");
        const QSize screen = StartupScreenSize();
        if (screen.width() >= MinimumScreenWidth && screen.height() >= MinimumScreenHeight) {
            auto form = std::make_unique<TMainForm>();
            form->show();
            app.exec();
        } else {
            ApplicationMessageBox(nullptr, "Разрешение монитора должно быть не ниже 1280x768!", "Ошибка!!!");
        }
    } catch (const std::exception& e) {
        ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowException(QString());
    }
    return 0;
}

int Voltcheck_User(int argc, char* argv[]) {
    try {
        QApplication app(argc, argv);
        return RunVoltcheck(app);
    } catch (...) {
        // Without an application object there is nothing to show a message with.
    }
    return 0;
}
