#include "MainFormFixture.h"

#include "FormatFloat/DecimalSeparator.h"
#include "FormatFloat/StrToFloat.h"
#include "acquisition/MainThread.h"
#include "app/ApplicationEvents.h"
#include "device/InitAndConfigThread.h"
#include "ui/SpeedButton.h"

#include <QApplication>
#include <QFontMetrics>

namespace {

using ThreadMessageTest = MainFormTest;

void ExpectStyledBox(const TShownBox& box, const QRect& main) {
    EXPECT_EQ(box.Geometry.width(), 570);
    EXPECT_EQ(box.FontPointSize, 12);
    EXPECT_EQ(box.Background, QColor(255, 128, 32));
    EXPECT_EQ(box.TextColor, QColor(Qt::white));
    ASSERT_EQ(box.ButtonTexts.size(), 1);
    EXPECT_EQ(box.ButtonTexts[0], "Принято");
    // Centred over the main window.
    EXPECT_EQ(box.Geometry.x(), main.x() + (main.width() - box.Geometry.width()) / 2);
    EXPECT_EQ(box.Geometry.y(), main.y() + (main.height() - box.Geometry.height()) / 2);
    // Height ends 10 px below the button.
    EXPECT_EQ(box.Geometry.height(), box.ButtonGeometries[0].bottom() + 1 + 10);
}

TEST_F(ThreadMessageTest, TwoFailuresInOneAcquisitionRunShowOnlyTheFirst) {
    TMainThread thread(form->Acquisition(), form->Device().Module(), form->MultimeterPage().TickedChannels());
    thread.MessageText = "первая";
    thread.ShowThreadMessage();
    thread.MessageText = "вторая";
    thread.ShowThreadMessage();
    ASSERT_EQ(presenter.Boxes.size(), 1u);
    const TShownBox& box = presenter.Boxes[0];
    EXPECT_EQ(box.Caption, "Сообщение TMainThread::Execute()!!!");
    EXPECT_EQ(box.Text, "первая");
    EXPECT_EQ(thread.ErrorFlag.load(), 1);
    ExpectStyledBox(box, form->frameGeometry());
    // One button, at least 100 wide, centred: (570 - BW) * 1 / 2.
    const QRect button = box.ButtonGeometries[0];
    EXPECT_GE(button.width(), 100);
    EXPECT_EQ(button.x(), (570 - button.width()) / 2);
}

TEST_F(ThreadMessageTest, TwoFailuresInOneDiscoveryRunShowOnlyTheFirst) {
    TInitAndConfigThread thread(form->Device(), form->Device().Module(), form->Device().Tables(),
                                TDiscoveryMode::FullSearch, false);  // never started
    thread.MessageText = "первая";
    thread.ShowThreadMessage();
    thread.MessageText = "вторая";
    thread.ShowThreadMessage();
    ASSERT_EQ(presenter.Boxes.size(), 1u);
    const TShownBox& box = presenter.Boxes[0];
    EXPECT_EQ(box.Caption, "Сообщение TInitAndConfigThread::Execute()!!!");
    EXPECT_EQ(box.Text, "первая");
    ExpectStyledBox(box, form->frameGeometry());
    // The button is as wide as its caption + 20 and centred.
    QFont font = QApplication::font();
    font.setPointSize(12);
    const QFontMetrics metrics(font);
    const QRect button = box.ButtonGeometries[0];
    EXPECT_EQ(button.width(), metrics.horizontalAdvance("Принято") + 20);
    EXPECT_EQ(button.height(), metrics.height() + 15);
    EXPECT_EQ(button.x(), (570 - button.width()) / 2);
}

TEST_F(ThreadMessageTest, ConversionErrorNamesTheCurrentSeparatorAndRestoresThePoint) {
    TMainThread thread(form->Acquisition(), form->Device().Module(), form->MultimeterPage().TickedChannels());
    SetDecimalSeparator(',');
    EXPECT_DOUBLE_EQ(StrToFloat("0,5"), 0.5);
    thread.RunGuarded([] { StrToFloat("1.5"); });
    ASSERT_EQ(presenter.Boxes.size(), 1u);
    EXPECT_EQ(presenter.Boxes[0].Text, "Ошибка преобразования строки в число!!!\nТекущий сепаратор ','.");
    EXPECT_EQ(DecimalSeparator(), '.');
}

TEST_F(ThreadMessageTest, AnyOtherExceptionGivesTheUnexpectedExceptionText) {
    TMainThread thread(form->Acquisition(), form->Device().Module(), form->MultimeterPage().TickedChannels());
    thread.RunGuarded([] { throw std::bad_alloc(); });
    ASSERT_EQ(presenter.Boxes.size(), 1u);
    EXPECT_EQ(presenter.Boxes[0].Text,
              "Опаньки!!!\nПоймали неустранимое исключение в потоке 'MainThread'!!!\nСрочно сообщите разработчику!");
}

TEST_F(ThreadMessageTest, EscIsNotTheWindowsWhileABoxIsOpen) {
    // A run whose thread reports and then waits: active until it is stopped.
    form->Acquisition().OnStartMainThread(1);
    ASSERT_TRUE(form->Acquisition().HasThread());
    ASSERT_FALSE(form->Acquisition().Idle());
    bool handlerOff = false;
    bool stillRunning = false;
    presenter.WhileOpen = [&] {
        handlerOff = !form->Events().OnShortCut;
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        QTest::keyClick(target, Qt::Key_Escape);
        stillRunning = form->Acquisition().HasThread();
    };
    TMainThread reporter(form->Acquisition(), form->Device().Module(), form->MultimeterPage().TickedChannels());
    reporter.MessageText = "отказ";
    reporter.ShowThreadMessage();
    EXPECT_TRUE(handlerOff);
    EXPECT_TRUE(stillRunning);
    // Restored afterwards: Esc stops the run again.
    ASSERT_TRUE(static_cast<bool>(form->Events().OnShortCut));
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
    QTest::keyClick(target, Qt::Key_Escape);
    EXPECT_FALSE(form->Acquisition().HasThread());
}

// The thread reports a failure through the GUI thread while the window stops
// it: the stop must serve the report and the termination hook, not wait blindly.
TEST_F(ThreadMessageTest, StopMainThreadWhileTheThreadHandsItsReportToTheGuiThread) {
    for (int round = 0; round < 5; ++round) {
        presenter.Boxes.clear();
        // No such entry: the thread reports and then waits; the start returns as
        // soon as it runs, so the stop meets the report on its way.
        form->Acquisition().OnStartMainThread(1);
        form->Acquisition().StopMainThread();
        EXPECT_FALSE(form->Acquisition().HasThread());
        EXPECT_FALSE(form->Acquisition().Running());
        ASSERT_EQ(presenter.Boxes.size(), 1u);
        EXPECT_EQ(presenter.Boxes[0].Text,
                  "Опаньки!!!\nОтсутствует функция обработки для 'MainThread'!!!\nСрочно сообщите разработчику!");
    }
}

}  // namespace
