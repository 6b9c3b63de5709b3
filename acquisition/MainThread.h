#pragma once

#include "acquisition/AcquisitionWindow.h"
#include "run/MeasurementRun.h"
#include "run/RunLoop.h"
#include "Threads/WorkerThread.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

// The acquisition thread: runs one measurement run (the processing function of
// ProcessingIndex), then waits for its stop request. The window owns the object:
// it requests termination, waits for the end and deletes it. The work of a frame
// and their order are the run library's (run::RunMeasurement); this class is the
// run's observer: it hands the window steps to the GUI thread, pauses between
// steps and turns every failure into the run's one message.
class TMainThread : public Threads::TWorkerThread, private run::TRunObserver {
public:
    using MESSAGE_DIALOG_PARS = AcquisitionMessageDialogPars;
    // A processing function bound to this thread object.
    using TProcessingFunction = std::function<void()>;

    static constexpr const char* MessageCaption = "Сообщение TMainThread::Execute()!!!";
    static constexpr const char* ButtonCaption = "Принято";
    static constexpr const char* NoProcessingFunctionText =
        "Опаньки!!!\nОтсутствует функция обработки для 'MainThread'!!!\nСрочно сообщите разработчику!";
    static constexpr const char* ConversionErrorText = "Ошибка преобразования строки в число!!!\nТекущий сепаратор '";
    static constexpr const char* UnexpectedExceptionText =
        "Опаньки!!!\nПоймали неустранимое исключение в потоке 'MainThread'!!!\nСрочно сообщите разработчику!";

    explicit TMainThread(TAcquisitionWindow& window);
    ~TMainThread() override;

    // Entry 0 is the multimeter function, filled by the preparation.
    std::array<TProcessingFunction, 1> ProcessingFunctions;
    uint16_t ProcessingIndex = 0;

    // Set by ShowThreadMessage when it shows a box; ends the run and silences later reports.
    std::atomic<uint8_t> ErrorFlag{0};
    // Text of the next message box.
    std::string MessageText;
    // The run's settings as the window gave them at its start.
    TAcquisitionStart RunStart;

    // GUI: shows MessageText in the thread's styled box, once per run.
    void ShowThreadMessage();

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
    // The four-channel voltmeter: one run::RunMeasurement with this thread as observer.
    void MultimeterLoop();
    // Whether the run is over for the window: a message shown or the stop request.
    bool Over() const;

    // The run's observer (run/RunLoop.h): the window's steps on the GUI thread.
    void BeginRun(run::TRunStart& start) override;
    void ReadParameters(run::TModuleParameters& parameters) override;
    void Configured(const run::TMeasurementRun& run) override;
    std::array<bool, 4> TickedChannels() override;
    // The values, 100 ms later the overload indicators.
    void FrameDone(const run::TMeasurementRun& run) override;
    // Shows a failed step's message (the run's first only).
    void StepDone(run::TRunStep step, const run::TStepResult& result) override;
    bool Ended() override { return Over(); }
    void Pause(run::TRunPause pause) override;
    // The buffers are released on the GUI thread, together with the window's end of the run.
    void Finish(const std::function<void()>& release) override;

    TAcquisitionWindow& window_;
};
