// The captions that the window system receives: exactly the program's texts,
// with nothing of the toolkit's added.
#include "DiscoveryFixture.h"
#include "XWindowName.h"

#include "app/MessagePresenter.h"
#include "app/Startup.h"

#include <QApplication>
#include <QDialog>

namespace {

const char* const OneModule = R"({"crates": [
  {"serial": "CAP-1", "type": 30, "modules": [{"slot": 1, "serial": "C01", "firmware": "1.0.0.0"}]}]})";

TEST_F(DiscoveryTest, TheWindowSystemGetsTheCaptionOfTheDiscovery) {
    StartServer(OneModule);
    ShowAndDiscover();
    EXPECT_EQ(form->windowTitle().toStdString(), "Voltcheck - 1.1.7");
    EXPECT_EQ(XWindowName(*form).toStdString(), "Voltcheck - 1.1.7");
}

// Shows each box without a modal loop and notes the caption the X server holds.
class TShowingPresenter : public TMessagePresenter {
public:
    TShowingPresenter() { SetMessagePresenter(this); }
    ~TShowingPresenter() override { SetMessagePresenter(nullptr); }
    int Present(QDialog& box) override {
        // Shown without taking the focus from the windows of other test programs.
        box.setWindowModality(Qt::NonModal);
        box.setAttribute(Qt::WA_ShowWithoutActivating);
        box.show();
        WindowNames.push_back(QTest::qWaitForWindowExposed(&box) ? XWindowName(box) : QString("<not shown>"));
        box.hide();
        return QDialog::Accepted;
    }
    QStringList WindowNames;
};

TEST(StartupCaption, TheScreenSizeBoxReadsJustItsCaption) {
    TShowingPresenter presenter;
    SetStartupScreenSize(QSize(1024, 768));
    RunVoltcheck(*qobject_cast<QApplication*>(QCoreApplication::instance()));
    SetStartupScreenSize(std::nullopt);
    ASSERT_EQ(presenter.WindowNames.size(), 1);
    EXPECT_EQ(presenter.WindowNames[0].toStdString(), "Ошибка!!!");
}

}  // namespace
