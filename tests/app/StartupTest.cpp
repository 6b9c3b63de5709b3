#include "IsolatedWindowEnvironment.h"
#include "RecordingPresenter.h"

#include "AppParts.h"
#include "app/Startup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

namespace {

struct ScreenCase {
    int Width;
    int Height;
    bool Starts;
};

class StartupScreenSize : public testing::TestWithParam<ScreenCase> {
protected:
    void TearDown() override { SetStartupScreenSize(std::nullopt); }
};

TEST_P(StartupScreenSize, DecidesWhetherTheWindowIsCreated) {
    const ScreenCase c = GetParam();
    TIsolatedWindowEnvironment isolation;
    ASSERT_TRUE(isolation.IsValid());
    TRecordingPresenter presenter;
    SetStartupScreenSize(QSize(c.Width, c.Height));
    bool windowSeen = false;
    // Close the window once the message loop runs it.
    QTimer closer;
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TMainForm*>(w); form != nullptr && form->isVisible()) {
                windowSeen = true;
                form->close();
            }
    });
    closer.start();
    const int code = RunVoltcheck(*qobject_cast<QApplication*>(QCoreApplication::instance()));
    closer.stop();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(QApplication::applicationName(), "Voltcheck");
    EXPECT_EQ(windowSeen, c.Starts);
    if (c.Starts) {
        EXPECT_TRUE(presenter.Boxes.empty());
    } else {
        ASSERT_EQ(presenter.Boxes.size(), 1u);
        EXPECT_EQ(presenter.Boxes[0].Text, "Разрешение монитора должно быть не ниже 1280x768!");
        EXPECT_EQ(presenter.Boxes[0].Caption, "Ошибка!!!");
        EXPECT_EQ(presenter.Boxes[0].ButtonTexts.size(), 1);
    }
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<TMainForm*>(w), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Edges, StartupScreenSize,
                         testing::Values(ScreenCase{1280, 768, true}, ScreenCase{1920, 1080, true},
                                         ScreenCase{1279, 1024, false}, ScreenCase{1920, 767, false}));

}  // namespace
