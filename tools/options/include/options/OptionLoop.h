#pragma once

#include <span>
#include <string>
#include <string_view>

namespace options {

// How an option is written: a flag alone ("--stats"), or with a value, as the next
// argument ("--rate 78125") or after an equals sign ("--rate=78125").
enum class TArity { Flag, Value };

struct TOption {
    std::string_view Name;  // with its dashes: "--rate"
    TArity Arity;
};

// What "-h" or "--help" does: the rest of the line is still read (and its errors still
// count), or reading ends there.
enum class THelpRule { ReadOn, Stop };

// The tool's side of the option loop.
class TOptionSink {
public:
    // "-h" or "--help" was given.
    virtual void Help() = 0;
    // An argument that does not start with "--" ("-" and "-x" included).
    virtual bool Positional(const std::string& argument, std::string& error) = 0;
    // Before an argument that starts with "--" is looked up; false (with error) ends the
    // line, for a tool that wants something else first.
    virtual bool BeforeOption(const std::string& /*argument*/, std::string& /*error*/) { return true; }
    // The options the tool takes at this point of the line.
    virtual std::span<const TOption> Known() const = 0;
    // A known option and its value (empty for a flag); false (with error) ends the line.
    virtual bool Option(std::string_view name, const std::string& value, std::string& error) = 0;

protected:
    ~TOptionSink() = default;
};

// Reads argv[1 ...] in order, handing every argument to sink. An option that is not
// known, or a flag written with "=", fails with "неизвестный параметр: NAME"; a value
// option at the end of the line with "параметру NAME нужно значение". On failure
// returns false with the one-line reason in error.
bool ReadOptions(int argc, const char* const* argv, THelpRule help, TOptionSink& sink, std::string& error);

}  // namespace options
