#pragma once

#include "scpi/ScpiErrors.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scpi {

// One command of a line: "MEAS:VOLT:DC? 10,(@1,3)" as its header nodes, whether it
// is a common command (*IDN?) or a query, and its parameters as written.
struct TCommand {
    std::vector<std::string> Nodes;  // upper case, without ':' and '?'; "*IDN" for a common command
    bool Rooted = false;             // written with a leading ':' (never relative to the previous command)
    bool Query = false;
    std::vector<std::string> Parameters;  // trimmed; quotes and parentheses kept
};

// Splits a line at ';' outside quotes and parentheses; an unbalanced quote or
// parenthesis is a syntax error. Empty commands (";;", a trailing ';') are dropped.
TError SplitLine(std::string_view line, std::vector<std::string>& commands);

// One command's header and parameters. Errors: -101 for a byte outside printable
// ASCII, -102 for a malformed header or parameter list.
TError ParseCommand(std::string_view text, TCommand& command);

// A header pattern such as "SYSTem:ERRor[:NEXT]?": every node matches its short form
// (the upper-case letters) or its long form, in any case; a node in brackets may be
// left out; a trailing '?' makes it a query pattern.
class THeaderPattern {
public:
    explicit THeaderPattern(std::string_view pattern);
    bool Matches(const std::vector<std::string>& nodes, bool query) const;
    // The nodes before the last, for the path of the commands that follow it on a line.
    std::size_t NodeCount() const { return nodes_.size(); }

private:
    struct TNode {
        std::string Short;
        std::string Long;
        bool Optional = false;
    };
    bool MatchFrom(std::size_t pattern, const std::vector<std::string>& nodes, std::size_t node) const;

    std::vector<TNode> nodes_;
    bool query_ = false;
};

// A channel list "(@1,3)", "(@1:4)", "(@1:2,4)": which of the four channels it
// names. -102 for a malformed list, -222 for a channel outside 1 ... 4.
TError ParseChannelList(std::string_view text, std::array<bool, 4>& channels);
bool IsChannelList(std::string_view text);

// A decimal number (NR1, NR2 or NR3), or MINimum, MAXimum or DEFault given as the
// values min, max and fallback; -104 for anything else.
TError ParseNumeric(std::string_view text, double min, double max, double fallback, double& value);

// A boolean: ON, OFF or a number (non-zero is ON); -104 for anything else.
TError ParseBoolean(std::string_view text, bool& value);

// A quoted string ('...' or "..."), its quotes removed; -104 for anything else.
TError ParseQuoted(std::string_view text, std::string& value);

// NR3 with nine significant digits: 9.87654000E-01.
std::string Nr3(double value);

}  // namespace scpi
