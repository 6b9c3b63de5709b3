// The longest stand-still of the window's event loop during a full search against
// a crate that answers 3 s late (beyond the libraries' 2 s reply wait): the scan
// waits on the discovery thread, the window only shows what it found. Target:
// under 100 ms per search. A program, not a test; it needs an X display.
//
//   bench_discovery_gui_pause [searches, default 10]
#include "../../tests/app/AppTestSupport.h"
#include "../../tests/app/EventLoopPauses.h"

#include "app/DeviceController.h"
#include "app/MainForm.h"
#include "app/MessagePresenter.h"
#include "app/SettingsController.h"
#include "support/ZebsimProcess.h"

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// The boxes of a run (the late crate's one report) are closed at once.
class TClosingPresenter : public TMessagePresenter {
public:
    int Present(QDialog&) override { return QDialog::Accepted; }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int searches = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QTemporaryDir dir;
    TSettingsController::SetSettingsDirectory(dir.path());
    TClosingPresenter presenter;
    SetMessagePresenter(&presenter);
    zebtest::ZebsimProcess::Options options;
    options.scenarioJson = R"({"crates": [
      {"serial": "OK-1", "type": 21, "modules": [{"slot": 1, "serial": "K1"}]},
      {"serial": "LATE-2", "type": 30, "modules": [{"slot": 2, "serial": "L2"}],
       "faults": {"late": {"on": "GetCrateInfo", "ms": 3000}}}]})";
    zebtest::ZebsimProcess server(options);
    server.exportPort();

    TMainForm form;
    form.show();
    const auto over = [&] { return form.Device().RequestAllowed() && !form.Device().DiscoveryRunning(); };
    if (!PumpUntil([&] { return form.StartupStage() == TStartupStage::DiscoveryRequested && over(); }, 30000)) {
        std::fprintf(stderr, "the first search did not end\n");
        return 1;
    }
    std::vector<qint64> longest;
    for (int i = 0; i < searches; ++i) {
        const TEventLoopPauses pauses;
        form.Device().FindClicked();
        if (!PumpUntil([&] { return form.Device().DiscoveryRunning(); }, 5000) || !PumpUntil(over, 30000)) {
            std::fprintf(stderr, "search %d did not end\n", i + 1);
            return 1;
        }
        longest.push_back(pauses.LongestMs());
    }
    std::sort(longest.begin(), longest.end());
    std::printf("searches against a crate answering 3 s late: %d\n", searches);
    std::printf("longest event-loop pause per search, ms (10 ms timer period included):\n");
    std::printf("  median %lld, worst %lld (target < 100)\n", static_cast<long long>(longest[longest.size() / 2]),
                static_cast<long long>(longest.back()));
    form.close();
    SetMessagePresenter(nullptr);
    return longest.back() < 100 ? 0 : 1;
}
