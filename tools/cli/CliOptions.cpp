#include "CliOptions.h"

#include "instrument/Zeb44Tables.h"
#include "options/NumberText.h"
#include "options/OptionLoop.h"

#include <cmath>
#include <cstdio>
#include <string_view>

const char* const CliUsage =
    "использование: voltcheck-cli list|measure|serve [ПАРАМЕТРЫ]\n"
    "  list      крейты сервера крейтов и отвечающие модули ZEB44\n"
    "  measure   измерение модулем ZEB44, как в окне программы, кадр за кадром\n"
    "  serve     сетевой прибор: модули измеряют без конца, показания по SCPI и HTTP\n"
    "voltcheck-cli КОМАНДА --help: параметры команды.\n"
    "Сервер крейтов: 127.0.0.1:11111; переменная окружения ZEB_SERVER_PORT заменяет порт.\n"
    "Код завершения: 0 - выполнено, 1 - ошибка измерения или устройства, 2 - неверный вызов,\n"
    "3 - measure с --limits: кадр вне допусков.\n";

const char* const ListUsage =
    "использование: voltcheck-cli list\n"
    "Печатает каждый крейт (серийный номер, модель, код типа) и под ним каждый\n"
    "отвечающий модуль ZEB44 (слот, серийный номер, версия прошивки):\n"
    "  crate ZN8-300052 ZEB-N8 30\n"
    "  module 3 4400117 2.1.0.7\n";

const char* const MeasureUsage =
    "использование: voltcheck-cli measure [ПАРАМЕТРЫ]\n"
    "Модуль:\n"
    "  --crate SERIAL        крейт (по умолчанию первый с отвечающим ZEB44)\n"
    "  --slot N              слот 1..16 (по умолчанию первый отвечающий ZEB44 крейта)\n"
    "Параметры измерения (по умолчанию - из --settings, иначе штатные настройки программы):\n"
    "  --settings FILE       файл настроек программы (Voltcheck.ini); параметры строки важнее\n"
    "  --rate HZ             частота АЦП из таблицы частот (с точностью 0.5 Гц)\n"
    "  --coupling dc|ac|zero вход: AC и DC, только AC, собственный ноль модуля\n"
    "  --channels 1,3,4      включённые каналы\n"
    "  --range VOLTS         диапазон всех каналов: 10, 3, 1, 0.3, 0.1, 0.03\n"
    "  --range C=VOLTS       диапазон канала C (можно повторять)\n"
    "  --mode dc|ac          режим измерения всех каналов\n"
    "  --method fft|sum      спектральный метод или взвешенная сумма\n"
    "  --amplitude rms|amp   СКЗ или амплитуда (режим AC)\n"
    "  --time SECONDS        максимальное время сбора кадра\n"
    "Функции мультиметра (выводятся и считаются в статистике показания после них):\n"
    "  --null C=VOLTS        вычитать из показаний канала C смещение VOLTS\n"
    "  --null C=first        смещение канала C - его показание первого кадра\n"
    "  --average N           скользящее среднее всех каналов по N последним кадрам (1..1000)\n"
    "  --limits C=LOW:HIGH   допуски канала C в вольтах, любой может быть пустым (1=:0.5):\n"
    "                        столбец ch<C>_pass (CSV) или \"pass\" (jsonl); перегрузка - брак\n"
    "  (--null и --limits можно повторять для разных каналов)\n"
    "Конец измерения (без них - по Ctrl+C или SIGTERM):\n"
    "  --frames N            после N кадров\n"
    "  --duration SECONDS    кадры начинаются, пока не прошло столько секунд\n"
    "Вывод:\n"
    "  --format csv|jsonl    строка CSV (по умолчанию) или объект JSON на кадр\n"
    "  --output FILE         в файл (создаётся заново) вместо стандартного вывода\n"
    "  --rotate hourly|daily|SIZE\n"
    "                        с --output: новый файл в начале каждого часа или суток UTC\n"
    "                        или до превышения размера (100M, 1G, 512K); имя файла -\n"
    "                        время его начала UTC перед расширением (readings-20261211T130000Z.csv)\n"
    "  --stats               в конце по каждому каналу: число кадров, минимум, максимум,\n"
    "                        среднее, стандартное отклонение, число перегрузок, размах,\n"
    "                        с допусками - число годных и бракованных кадров\n"
    "                        (CSV - в стандартный поток ошибок, jsonl - последней строкой)\n"
    "Непрерывная работа:\n"
    "  --reconnect           потеря сервера, связи или модуля не прекращает измерение:\n"
    "                        запись lost, повтор подключения к тому же крейту и слоту\n"
    "                        не чаще раза в 2 с, запись resumed при первом новом кадре\n"
    "                        (CSV - столбец event)\n"
    "  --continuous          непрерывный поток АЦП, кадры следуют друг за другом без\n"
    "                        пропуска отсчётов, через N / F\n"
    "jsonl начинается записью start (версия, крейт, модуль, параметры); для CSV в файл\n"
    "она пишется рядом с --output в FILE.json. Строки файла попадают на диск не позже\n"
    "чем через секунду (fdatasync).\n"
    "Код завершения 3: с --limits хотя бы один кадр канала вне допусков или с перегрузкой.\n";

const char* const ServeUsage =
    "использование: voltcheck-cli serve [ПАРАМЕТРЫ]\n"
    "Модули измеряют без конца (до Ctrl+C или SIGTERM), каждый в своём потоке;\n"
    "потерянный модуль открывается заново каждые 2 с.\n"
    "Модули:\n"
    "  --module CRATE:SLOT   модуль (можно повторять; по умолчанию первый отвечающий ZEB44)\n"
    "Параметры измерения всех модулей (как у measure; клиент SCPI может их менять):\n"
    "  --settings FILE --rate HZ --coupling dc|ac|zero --channels 1,3,4\n"
    "  --range VOLTS --range C=VOLTS --mode dc|ac --method fft|sum --amplitude rms|amp --time SECONDS\n"
    "  --continuous          непрерывный поток АЦП, кадры через N / F без пропуска отсчётов\n"
    "  --null C=VOLTS|first --average N --limits C=LOW:HIGH\n"
    "Серверы:\n"
    "  --scpi PORT           SCPI по TCP (по умолчанию 5025; 0 - без него)\n"
    "  --scpi-read-only      клиенты SCPI не меняют параметры (ошибка -221)\n"
    "  --http PORT           HTTP: /, /metrics, /api/v1/readings, /api/v1/stream\n"
    "                        (по умолчанию 8080; 0 - без него)\n"
    "  --listen ADDR         адрес обоих серверов (по умолчанию 127.0.0.1)\n";

namespace {

using options::ParseNumber;
using options::ParseWhole;

std::string HertzText(double hertz) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", hertz);
    return buffer;
}

bool ParseChannels(const std::string& text, std::array<bool, 4>& channels) {
    channels = {};
    std::size_t start = 0;
    bool any = false;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        long long c = 0;
        if (!ParseWhole(item, 1, 4, c) || channels[c - 1]) return false;
        channels[c - 1] = true;
        any = true;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return any;
}

constexpr options::TOption MeasureOptions[] = {
    {"--crate", options::TArity::Value},    {"--slot", options::TArity::Value},
    {"--settings", options::TArity::Value}, {"--rate", options::TArity::Value},
    {"--coupling", options::TArity::Value}, {"--channels", options::TArity::Value},
    {"--range", options::TArity::Value},    {"--mode", options::TArity::Value},
    {"--method", options::TArity::Value},   {"--amplitude", options::TArity::Value},
    {"--time", options::TArity::Value},     {"--frames", options::TArity::Value},
    {"--duration", options::TArity::Value}, {"--format", options::TArity::Value},
    {"--output", options::TArity::Value},   {"--stats", options::TArity::Flag},
    {"--rotate", options::TArity::Value},   {"--reconnect", options::TArity::Flag},
    {"--continuous", options::TArity::Flag}, {"--null", options::TArity::Value},
    {"--average", options::TArity::Value},  {"--limits", options::TArity::Value},
};

constexpr options::TOption ServeOptions[] = {
    {"--module", options::TArity::Value},   {"--settings", options::TArity::Value},
    {"--rate", options::TArity::Value},     {"--coupling", options::TArity::Value},
    {"--channels", options::TArity::Value}, {"--range", options::TArity::Value},
    {"--mode", options::TArity::Value},     {"--method", options::TArity::Value},
    {"--amplitude", options::TArity::Value}, {"--time", options::TArity::Value},
    {"--scpi", options::TArity::Value},     {"--http", options::TArity::Value},
    {"--listen", options::TArity::Value},   {"--scpi-read-only", options::TArity::Flag},
    {"--null", options::TArity::Value},     {"--average", options::TArity::Value},
    {"--limits", options::TArity::Value},
    {"--continuous", options::TArity::Flag},
};

// "C=REST" of --null and --limits: the channel (0 ... 3) and the rest; false for a
// missing '=' or a channel outside 1 ... 4.
bool SplitChannelEntry(const std::string& value, int& channel, std::string& rest) {
    const std::size_t eq = value.find('=');
    long long c = 0;
    if (eq == std::string::npos || !ParseWhole(value.substr(0, eq), 1, 4, c)) return false;
    channel = static_cast<int>(c) - 1;
    rest = value.substr(eq + 1);
    return true;
}

// --null, --average and --limits into the channels' settings; a bad entry is named in
// the message.
bool ApplyBenchOption(std::string_view name, const std::string& value, TCliOptions& o, std::string& error) {
    const std::string entry = std::string(name) + " " + value + ": ";
    int c = 0;
    std::string rest;
    if (name == "--average") {
        long long count = 0;
        if (!ParseWhole(value, readings::MinAverageCount, readings::MaxAverageCount, count)) {
            error = entry + "число усредняемых кадров должно быть целым от " +
                    std::to_string(readings::MinAverageCount) + " до " + std::to_string(readings::MaxAverageCount);
            return false;
        }
        for (readings::TBenchSettings& s : o.Bench) s.AverageCount = static_cast<int>(count);
        return true;
    }
    if (name != "--null" && name != "--limits") return true;
    if (!SplitChannelEntry(value, c, rest)) {
        error = entry + "нужен номер канала от 1 до 4 перед '='" +
                (name == "--null" ? " (C=VOLTS или C=first)" : " (C=LOW:HIGH)");
        return false;
    }
    readings::TBenchSettings s = o.Bench[c];
    if (name == "--null") {
        const std::optional<double> volts = readings::ParseBenchNumber(rest);
        if (rest != "first" && !volts) {
            error = entry + "смещение должно быть числом вольт или first";
            return false;
        }
        s.NullMode = volts ? readings::TNullMode::Volts : readings::TNullMode::NextReading;
        s.NullVolts = volts.value_or(0.0);
    } else {
        const std::size_t colon = rest.find(':');
        const std::string low = rest.substr(0, colon);
        const std::string high = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
        s.Lower = low.empty() ? std::nullopt : readings::ParseBenchNumber(low);
        s.Upper = high.empty() ? std::nullopt : readings::ParseBenchNumber(high);
        if (colon == std::string::npos || (low.empty() && high.empty()) || (!low.empty() && !s.Lower) ||
            (!high.empty() && !s.Upper)) {
            error = entry + "допуски - числа вольт LOW:HIGH, один из них может быть пустым";
            return false;
        }
        s.LimitsOn = true;
    }
    if (const std::optional<readings::TBenchError> bad = readings::ValidateBenchSettings(s, c)) {
        error = entry + bad->Message;
        return false;
    }
    o.Bench[c] = s;
    return true;
}

bool ApplyServeOption(std::string_view name, const std::string& value, TCliOptions& o, std::string& error) {
    if (name == "--scpi-read-only") {
        o.ScpiReadOnly = true;
    } else if (name == "--module") {
        const std::size_t colon = value.rfind(':');
        long long slot = 0;
        if (colon == std::string::npos || colon == 0 || colon > 15 || !ParseWhole(value.substr(colon + 1), 1, 16, slot)) {
            error = "неверный модуль (нужно CRATE:SLOT, слот 1..16): " + value;
            return false;
        }
        for (const TCliOptions::TModuleName& m : o.Modules)
            if (m.Crate == value.substr(0, colon) && m.Slot == slot) {
                error = "модуль назван дважды: " + value;
                return false;
            }
        o.Modules.push_back({value.substr(0, colon), static_cast<int>(slot)});
    } else if (name == "--scpi" || name == "--http") {
        long long port = 0;
        if (!ParseWhole(value, 0, 65535, port)) {
            error = "неверный порт (нужно число 0..65535): " + value;
            return false;
        }
        (name == "--scpi" ? o.ScpiPort : o.HttpPort) = static_cast<int>(port);
    } else if (name == "--listen") {
        if (value.empty()) {
            error = "не задан адрес --listen";
            return false;
        }
        o.Listen = value;
    }
    return true;
}

bool ApplyOption(std::string_view name, const std::string& value, TCliOptions& o, std::string& error) {
    if (name == "--stats") {
        o.Stats = true;
    } else if (name == "--reconnect") {
        o.Reconnect = true;
    } else if (name == "--continuous") {
        o.Continuous = true;
    } else if (name == "--rotate") {
        if (!ParseRotation(value, o.Rotation)) {
            error = "неверное деление файла (нужно hourly, daily или размер вида 100M, 1G, 512K): " + value;
            return false;
        }
    } else if (name == "--crate") {
        if (value.empty() || value.size() > 15) {
            error = "неверный серийный номер крейта (1..15 символов): " + value;
            return false;
        }
        o.CrateSerial = value;
    } else if (name == "--slot") {
        long long slot = 0;
        if (!ParseWhole(value, 1, 16, slot)) {
            error = "неверный слот (нужно число 1..16): " + value;
            return false;
        }
        o.Slot = static_cast<int>(slot);
    } else if (name == "--settings") {
        o.SettingsFile = value;
    } else if (name == "--rate") {
        double hertz = 0;
        if (!ParseNumber(value, hertz) || hertz <= 0) {
            error = "неверная частота АЦП (нужно положительное число герц): " + value;
            return false;
        }
        const int row = MatchAdcRate(hertz, error);
        if (row < 0) return false;
        o.AdcRateIndex = row;
    } else if (name == "--coupling") {
        if (value == "dc") {
            o.ConnectionMode = 0;
        } else if (value == "ac") {
            o.ConnectionMode = 1;
        } else if (value == "zero") {
            o.ConnectionMode = 2;
        } else {
            error = "неверный вход (нужно dc, ac или zero): " + value;
            return false;
        }
    } else if (name == "--channels") {
        std::array<bool, 4> channels{};
        if (!ParseChannels(value, channels)) {
            error = "неверный список каналов (нужны разные номера 1..4 через запятую): " + value;
            return false;
        }
        o.Channels = channels;
    } else if (name == "--range") {
        const std::size_t eq = value.find('=');
        long long channel = 0;
        if (eq != std::string::npos && !ParseWhole(value.substr(0, eq), 1, 4, channel)) {
            error = "неверный канал диапазона (нужно C=VOLTS, C от 1 до 4): " + value;
            return false;
        }
        const std::string voltsText = eq == std::string::npos ? value : value.substr(eq + 1);
        double volts = 0;
        if (!ParseNumber(voltsText, volts)) {
            error = "неверный диапазон (нужно число вольт): " + value;
            return false;
        }
        const int row = MatchRange(volts, error);
        if (row < 0) return false;
        if (eq == std::string::npos)
            o.CommonRangeIndex = row;
        else
            o.ChannelRangeIndex[channel - 1] = row;
    } else if (name == "--mode") {
        if (value != "dc" && value != "ac") {
            error = "неверный режим (нужно dc или ac): " + value;
            return false;
        }
        o.MeasuringMode = value == "ac" ? 1 : 0;
    } else if (name == "--method") {
        computation::TMethod method{};
        if (!computation::ParseMethod(value, method)) {
            error = "неверный метод (нужно fft или sum): " + value;
            return false;
        }
        o.Method = method;
    } else if (name == "--amplitude") {
        computation::TAmplitudeType amplitude{};
        if (!computation::ParseAmplitudeType(value, amplitude)) {
            error = "неверный тип амплитуды (нужно rms или amp): " + value;
            return false;
        }
        o.Amplitude = amplitude;
    } else if (name == "--time") {
        double seconds = 0;
        if (!ParseNumber(value, seconds) || seconds <= 0) {
            error = "неверное время сбора кадра (нужно положительное число секунд): " + value;
            return false;
        }
        o.MaxTime = seconds;
    } else if (name == "--frames") {
        long long frames = 0;
        if (!ParseWhole(value, 1, 1000000000000LL, frames)) {
            error = "неверное число кадров (нужно целое число от 1): " + value;
            return false;
        }
        o.Frames = static_cast<std::uint64_t>(frames);
    } else if (name == "--duration") {
        double seconds = 0;
        if (!ParseNumber(value, seconds) || seconds <= 0) {
            error = "неверная длительность (нужно положительное число секунд): " + value;
            return false;
        }
        o.Duration = seconds;
    } else if (name == "--format") {
        if (value != "csv" && value != "jsonl") {
            error = "неверный формат (нужно csv или jsonl): " + value;
            return false;
        }
        o.Format = value == "csv" ? TOutputFormat::Csv : TOutputFormat::Jsonl;
    } else if (name == "--output") {
        if (value.empty()) {
            error = "не задано имя файла вывода";
            return false;
        }
        o.Output = value;
    }
    return true;
}

}  // namespace

bool ParseRotation(const std::string& text, TRotation& rotation) {
    if (text == "hourly" || text == "daily") {
        rotation = {text == "hourly" ? TRotateKind::Hourly : TRotateKind::Daily, 0};
        return true;
    }
    if (text.size() < 2) return false;
    const char unit = text.back();
    const int shift = unit == 'K' ? 10 : unit == 'M' ? 20 : unit == 'G' ? 30 : -1;
    long long count = 0;
    if (shift < 0 || !ParseWhole(text.substr(0, text.size() - 1), 1, (1LL << 50) >> shift, count)) return false;
    rotation = {TRotateKind::Size, static_cast<std::uint64_t>(count) << shift};
    return true;
}

int MatchAdcRate(double hertz, std::string& error) {
    int below = -1;
    int above = -1;
    for (int r = 0; r < instrument::AdcRateCount; ++r) {
        const double f = instrument::AdcRates[r].Frequency;
        if (std::fabs(f - hertz) <= 0.5) return r;
        if (f < hertz && (below < 0 || f > instrument::AdcRates[below].Frequency)) below = r;
        if (f > hertz && (above < 0 || f < instrument::AdcRates[above].Frequency)) above = r;
    }
    error = "частоты АЦП " + HertzText(hertz) + " Гц нет в таблице частот; ближайшие: ";
    if (below >= 0) error += HertzText(instrument::AdcRates[below].Frequency) + " Гц";
    if (below >= 0 && above >= 0) error += " и ";
    if (above >= 0) error += HertzText(instrument::AdcRates[above].Frequency) + " Гц";
    return -1;
}

int MatchRange(double volts, std::string& error) {
    for (int r = 0; r < instrument::RangeCount; ++r) {
        const double v = instrument::InputRanges[r].Volts;
        if (std::fabs(v - volts) <= v * 1e-9) return r;
    }
    error = "диапазона " + HertzText(volts) + " В нет; есть:";
    for (int r = 0; r < instrument::RangeCount; ++r) error += " " + HertzText(instrument::InputRanges[r].Volts);
    error += " В";
    return -1;
}

namespace {

// The line of voltcheck-cli: the command first, then its options.
class TCliLine : public options::TOptionSink {
public:
    explicit TCliLine(TCliOptions& options) : options_(options) {}

    void Help() override { options_.Help = true; }
    bool Positional(const std::string& argument, std::string& error) override {
        if (options_.Command != TCliCommand::None) {
            error = "лишний аргумент: " + argument;
            return false;
        }
        if (argument == "list") {
            options_.Command = TCliCommand::List;
        } else if (argument == "measure") {
            options_.Command = TCliCommand::Measure;
        } else if (argument == "serve") {
            options_.Command = TCliCommand::Serve;
        } else {
            error = "неизвестная команда: " + argument;
            return false;
        }
        return true;
    }
    bool BeforeOption(const std::string& argument, std::string& error) override {
        if (options_.Command != TCliCommand::None) return true;
        error = "сначала нужна команда list, measure или serve, потом " + argument;
        return false;
    }
    std::span<const options::TOption> Known() const override {
        if (options_.Command == TCliCommand::Measure) return MeasureOptions;
        if (options_.Command == TCliCommand::Serve) return ServeOptions;
        return {};
    }
    bool Option(std::string_view name, const std::string& value, std::string& error) override {
        return ApplyServeOption(name, value, options_, error) && ApplyBenchOption(name, value, options_, error) &&
               ApplyOption(name, value, options_, error);
    }

private:
    TCliOptions& options_;
};

}  // namespace

bool ParseCliOptions(int argc, const char* const* argv, TCliOptions& options, std::string& error) {
    options = TCliOptions{};
    TCliLine line(options);
    if (!options::ReadOptions(argc, argv, options::THelpRule::ReadOn, line, error)) return false;
    if (options.Help) return true;
    if (options.Command == TCliCommand::None) {
        error = "не задана команда (list, measure или serve)";
        return false;
    }
    if (options.Rotation.Kind != TRotateKind::None && !options.Output) {
        error = "--rotate делит только файл: нужен --output FILE";
        return false;
    }
    if (options.ConnectionMode && options.MeasuringMode) {
        if (*options.ConnectionMode == 1 && *options.MeasuringMode == 0) {
            error = "--coupling ac измеряет только AC: --mode dc с ним невозможен";
            return false;
        }
        if (*options.ConnectionMode == 2 && *options.MeasuringMode == 1) {
            error = "--coupling zero измеряет только DC: --mode ac с ним невозможен";
            return false;
        }
    }
    return true;
}
