// Loaded into the program with LD_PRELOAD by scripts/screenshots.sh. The window keeps
// two pages and the instrument panel hidden; this offers them to the screenshots the
// way the tests do in-process, so that any build, an older one included, can be shot
// without a switch of its own. Keys, sent with xdotool:
//   Ctrl+Shift+F9, Ctrl+Shift+F10, Ctrl+Shift+F11: offers every tab and clicks tab 0, 1
//   or 2 on the tab row (the operator's click, through the window's page guard);
//   Ctrl+Shift+F12: shows the instrument panel (it lies below the trimmed page, so it is
//   drawn into the PNG file that VOLTCHECK_SHOT_PANEL names).
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

template <typename T>
T* Find(const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (T* found = top->findChild<T*>(QString::fromLatin1(name))) return found;
    return nullptr;
}

void Click(QWidget* widget, QPoint at) {
    const QPointF local(at);
    const QPointF global(widget->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

void ShowPage(int index) {
    auto* pages = Find<QTabWidget>("MainLMDPageControl");
    if (pages == nullptr) return;
    for (int i = 0; i < pages->count(); ++i) pages->setTabVisible(i, true);
    QTabBar* bar = pages->tabBar();
    Click(bar, bar->tabRect(index).center());
}

void ShowPanel() {
    QWidget* panel = Find<QWidget>("EquipmentLMDSimplePanel");
    if (panel == nullptr) return;
    panel->show();
    for (const char* name : {"GeneratorLMDGroupBox", "VoltmeterLMDGroupBox"})
        if (QWidget* box = Find<QWidget>(name)) box->show();
    const char* path = std::getenv("VOLTCHECK_SHOT_PANEL");
    if (path == nullptr || !panel->grab().save(QString::fromLocal8Bit(path), "PNG"))
        std::fprintf(stderr, "shot helper: the instrument panel was not written\n");
}

class TShotKeys : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() != (Qt::ControlModifier | Qt::ShiftModifier) || key->isAutoRepeat()) return false;
        switch (key->key()) {
        case Qt::Key_F9: ShowPage(0); return true;
        case Qt::Key_F10: ShowPage(1); return true;
        case Qt::Key_F11: ShowPage(2); return true;
        case Qt::Key_F12: ShowPanel(); return true;
        default: return false;
        }
    }
};

void InstallShotKeys() { qApp->installEventFilter(new TShotKeys); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallShotKeys)
