#pragma once

#include <string>
#include <string_view>

namespace inifile {

// One line of the file, in code page 1251, as the Windows profile functions see it.
struct IniLine {
    enum class Kind { Other, Section, Entry };
    Kind kind = Kind::Other;
    std::string_view name;   // section name or key, without surrounding blanks
    std::string_view value;  // entry value, without surrounding blanks
};

// Blanks that do not belong to names and values: space, tab, and the DOS end-of-file
// mark that old editors leave behind.
bool IsIniBlank(char c);
std::string_view TrimIniBlanks(std::string_view text);

// "[name]" (up to the last ']') is a section; "key=value" with a non-empty key is an
// entry; blank lines, comments (';' first) and anything else are Other.
IniLine ClassifyLine(std::string_view line);

// A value enclosed in a pair of double or single quotes is read without them, as the
// Windows profile functions read it.
std::string_view UnquoteValue(std::string_view value);
// The form to write so that a value reads back unchanged: in double quotes when it has
// blanks at either end or is itself enclosed in quotes, else the value as it is.
std::string QuoteValueIfNeeded(std::string_view value);

// Section and key names compare ASCII letters without case, other bytes exactly.
bool SameName(std::string_view a, std::string_view b);

}  // namespace inifile
