#pragma once

// The operator's texts of a measurement run, exactly as the window shows them.
namespace run::messages {

// Module configuration.
inline constexpr const char* ConfigureStopAdcFailed = "ZEB44_StopADC() --> BAD!!!";
inline constexpr const char* ConfigureClearBufferFailed = "ZEB44_ClearBuffer() --> BAD!!!";
inline constexpr const char* SetConfigFailed = "ZEB44_SetConfig() --> BAD!!!";
inline constexpr const char* NoActiveChannel = "Необходимо выбрать не менее одного активного канала!";

// A list without selection (the run is refused before the module is touched).
inline constexpr const char* NoAdcRateSelected =
    "Не выбрана частота преобразования АЦП!\nВыберите её в списке частот и запустите измерение снова.";
// Followed by the channel number and "!".
inline constexpr const char* NoRangeSelected = "Не выбран диапазон входного напряжения канала ";

// Throughput check, in message order around the module name, rate, crate name and limit.
inline constexpr const char* ThroughputPart1 =
    "При выбранных параметрах сбора данных скорость передачи этой информации модулем ";
inline constexpr const char* ThroughputPart2 = " составляет ";
inline constexpr const char* ThroughputPart3 = " Кбайт/с, что превышает маскимально допустимую для крейта ";
inline constexpr const char* ThroughputPart4 = " величину ";
inline constexpr const char* ThroughputPart5 =
    " Кбайт/с !!! \nРекомендуется либо снизить частоту преобразования АЦП, либо уменьшить кол-во активных каналов!!!";

// Buffers.
inline constexpr const char* NoMemoryRcvBuffer = "Не могу выделить память под RcvBuffer!";
inline constexpr const char* NoMemoryData = "Не могу выделить память под Data!";
inline constexpr const char* NoMemoryDataPerChannel = "Не могу выделить память под DataPerChannel!";
inline constexpr const char* NoMemoryWindow = "Не могу выделить память под Window!";
inline constexpr const char* NoMemoryFftData = "Не могу выделить память под FftAdcDataPerChannel!";
inline constexpr const char* NoMemoryFft = "Не могу выделить память под TREALFFT!";

// One frame.
inline constexpr const char* FrameStopFailed = "Не могу выполнить останов сбора данных!!!";
inline constexpr const char* FrameClearFailed = "Не могу выполнить очистку буфера!!!";
inline constexpr const char* FrameStartFailed = "Не могу выполнить запуск сбора кадра данных!!!";
inline constexpr const char* RecvFailed = "Не могу получить данные с модуля!";
inline constexpr const char* RecvNothing = "Не принято ни одного отсчёта с модуля!";
inline constexpr const char* RecvWrongCount = "Принято неправильное кол-во данных с модуля!";
inline constexpr const char* StreamStartFailed = "Не могу выполнить запуск непрерывного сбора данных!!!";
inline constexpr const char* StreamOverflow = "Переполнение буфера модуля: часть отсчётов потеряна!";
inline constexpr const char* ConvertFailed = "Не могу обработать полученные данные с модуля!";

// End of a run.
inline constexpr const char* CleanupStopFailed = "ZEB44_StopADC() --> BAD!!!!";
inline constexpr const char* CleanupClearFailed = "ZEB44_ClearBuffer --> BAD!!!";

// An exception in the frame loop.
inline constexpr const char* LoopException =
    "Опаньки!!!\nПоймали неустранимое исключение потока сбора данных!!!\nСрочно сообщите разработчику!";

}  // namespace run::messages
