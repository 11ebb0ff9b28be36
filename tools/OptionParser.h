// The one parser of the tool's command lines, after getopt's conventions.
// Options may come anywhere after the command name, in long form (--output
// DIR, --output=DIR) or short form (-o DIR, -oDIR), short ones bundled
// (-vj4 is -v -j 4); "--" ends the options. "-" alone and arguments that read as
// negative numbers ("-1", "-.5") are operands, not options. Every command
// accepts -h/--help.
//
// Not the platform's getopt_long: some options take two values (--start U V)
// and negative numbers are operands, neither of which getopt allows.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tool {

struct OptionDef {
    std::string name;        // long name without the dashes
    char shortName;          // 0 when the option has no short form
    int valueCount;          // values that follow the option
    std::string valueNames;  // shown in the help, e.g. "DIR" or "U V"
    std::string help;        // one line
};

class OptionParser {
public:
    // `command` names the command in messages ("ornatex mesh").
    OptionParser(std::string command, std::vector<OptionDef> options);

    // Reads the arguments after the command name. Returns false on an
    // unknown option, a missing value or a value option given twice;
    // error() then says which.
    bool parse(int argc, char** argv);
    const std::string& error() const { return failure; }

    bool given(const std::string& name) const { return seen.count(name) != 0; }
    // The values of an option that was given; empty otherwise.
    const std::vector<std::string>& values(const std::string& name) const;
    // The single value of a one-value option, or `fallback`.
    std::string value(const std::string& name, const std::string& fallback = "") const;
    const std::vector<std::string>& operands() const { return operandList; }

    // One line per option, aligned, for a command's help text.
    std::string optionsHelp() const;

private:
    const OptionDef* findLong(const std::string& name) const;
    const OptionDef* findShort(char name) const;
    bool take(const OptionDef& def, const std::string& spelled, int argc, char** argv, int& i,
              const std::string* attached);
    bool takeShort(const std::string& arg, int argc, char** argv, int& i);

    std::string command;
    std::vector<OptionDef> defs;
    std::map<std::string, std::vector<std::string>> seen;
    std::vector<std::string> operandList;
    std::string failure;
};

}  // namespace tool
