#pragma once

#include "acquisition/AcquisitionWindow.h"
#include "run/MeasurementRun.h"
#include "run/RunLoop.h"
#include "Threads/ReportingThread.h"

#include "zeb44api.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

// The acquisition thread: runs one measurement run (the processing function of
// ProcessingIndex), then waits for its stop request. The window owns the object:
// it requests termination, waits for the end and deletes it. The run's steps
// and their order are the run library's (run::RunMeasurement); this class is the
// run's observer: it hands the window steps to the GUI thread, paces the frames
// for the eye and turns every failure into the run's one message.
class TMainThread : public Threads::TReportingThread, private run::TRunObserver {
public:
    // A processing function bound to this thread object.
    using TProcessingFunction = std::function<void()>;

    static constexpr const char* MessageCaption = "Сообщение TMainThread::Execute()!!!";
    static constexpr const char* ButtonCaption = "Принято";
    static constexpr const char* NoProcessingFunctionText =
        "Опаньки!!!\nОтсутствует функция обработки для 'MainThread'!!!\nСрочно сообщите разработчику!";
    static constexpr const char* ConversionErrorText = "Ошибка преобразования строки в число!!!\nТекущий сепаратор '";
    static constexpr const char* UnexpectedExceptionText =
        "Опаньки!!!\nПоймали неустранимое исключение в потоке 'MainThread'!!!\nСрочно сообщите разработчику!";

    // The pause between two tries to find a lost module again.
    static constexpr int RetryIntervalMs = 2000;

    // module: the window's module record, used by the run alone while it lasts.
    // tickedChannels: bit c set while the enable box of channel c + 1 is ticked.
    // autoResume: while set, a lost module is looked for again every RetryIntervalMs
    // and the run resumes on it, without a message; else a loss ends the run.
    TMainThread(TAcquisitionWindow& window, ModuleRecord& module, const std::atomic<uint8_t>& tickedChannels,
                const std::atomic<bool>& autoResume = NeverResume());
    ~TMainThread() override;

    // Entry 0 is the multimeter function, filled by the preparation.
    std::array<TProcessingFunction, 1> ProcessingFunctions;
    uint16_t ProcessingIndex = 0;

    // The run's settings as the window gave them at its start.
    TAcquisitionStart RunStart;

    // Runs work inside the thread's exception guard: a failure becomes one
    // message (conversion errors name the current decimal separator, which is
    // then set back to '.'). Called by Execute on the thread; callable on the
    // GUI thread too, where the message is shown directly.
    void RunGuarded(const std::function<void()>& work);

protected:
    void Execute() override;

private:
    // Clears ErrorFlag, marks the thread running and fills ProcessingFunctions.
    void StartRun();
    // The four-channel voltmeter: run::RunMeasurement with this thread as its observer.
    void MultimeterLoop();
    // A message was shown or the stop was requested.
    bool Over() const;
    // Whether a failed step lost the module (rather than refused the run).
    bool LosesModule(const run::TStepResult& result) const;
    // The loss seen: shown once, the run ends and waits.
    void ModuleLost(const run::TMeasurementRun& run, const std::string& message);
    // Waits for the lost module, trying to open it again every RetryIntervalMs; false
    // when the stop request came first.
    bool AwaitModule(const run::TMeasurementRun& run);
    static const std::atomic<bool>& NeverResume();

    // The run's link to its module.
    enum class TLink { Connected, Lost, Resuming };

    // The run's observer.
    void BeginRun(run::TRunStart& start) override;
    void ReadParameters(run::TModuleParameters& parameters) override;
    void Configured(const run::TMeasurementRun& run) override;
    std::array<bool, 4> TickedChannels() override;
    // The values, 100 ms for the eye, then the overload lamps.
    void FrameDone(const run::TMeasurementRun& run) override;
    // The run's first failure is its message.
    void StepDone(run::TRunStep step, const run::TStepResult& result) override;
    bool Ended() override { return Over(); }
    void Pause(run::TRunPause pause) override;
    // Release and the window's end of the run, on the GUI thread.
    void Finish(const std::function<void()>& release) override;

    TAcquisitionWindow& window_;
    ModuleRecord& module_;
    const std::atomic<uint8_t>& tickedChannels_;
    const std::atomic<bool>& autoResume_;
    TLink link_ = TLink::Connected;
    // The run of MultimeterLoop while it lasts.
    const run::TMeasurementRun* run_ = nullptr;
    TLinkLoss loss_;
};
