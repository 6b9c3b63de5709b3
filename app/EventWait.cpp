#include "app/EventWait.h"

#include <QApplication>
#include <QThread>

void SleepAndProcessMessages() {
    QThread::msleep(50);
    QApplication::processEvents(QEventLoop::AllEvents);
}
