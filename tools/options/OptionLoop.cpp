#include "options/OptionLoop.h"

namespace options {

namespace {

const TOption* Find(std::span<const TOption> known, std::string_view name) {
    for (const TOption& option : known)
        if (option.Name == name) return &option;
    return nullptr;
}

}  // namespace

bool ReadOptions(int argc, const char* const* argv, THelpRule help, TOptionSink& sink, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            sink.Help();
            if (help == THelpRule::Stop) return true;
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            if (!sink.Positional(arg, error)) return false;
            continue;
        }
        if (!sink.BeforeOption(arg, error)) return false;
        std::string name = arg;
        std::string value;
        bool attached = false;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            attached = true;
        }
        const TOption* option = Find(sink.Known(), name);
        if (option == nullptr || (option->Arity == TArity::Flag && attached)) {
            error = "неизвестный параметр: " + name;
            return false;
        }
        if (option->Arity == TArity::Value && !attached) {
            if (i + 1 >= argc) {
                error = "параметру " + name + " нужно значение";
                return false;
            }
            value = argv[++i];
        }
        if (!sink.Option(name, value, error)) return false;
    }
    return true;
}

}  // namespace options
