#include "OptionParser.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace tool {

namespace {

// "-" alone, and "-5" or "-.5": operands a user types as values.
bool looksLikeOperand(const std::string& arg) {
    if (arg.size() < 2 || arg[0] != '-') return true;
    return std::isdigit(static_cast<unsigned char>(arg[1])) || arg[1] == '.';
}

}  // namespace

OptionParser::OptionParser(std::string commandName, std::vector<OptionSpec> options)
    : command(std::move(commandName)), specs(std::move(options)) {
    specs.push_back({"help", 'h', 0, "", "show this help and exit"});
}

const OptionSpec* OptionParser::findLong(const std::string& name) const {
    for (const OptionSpec& s : specs)
        if (s.name == name) return &s;
    return nullptr;
}

const OptionSpec* OptionParser::findShort(char name) const {
    for (const OptionSpec& s : specs)
        if (s.shortName && s.shortName == name) return &s;
    return nullptr;
}

bool OptionParser::take(const OptionSpec& spec, const std::string& spelled, int argc, char** argv, int& i,
                        const std::string* attached) {
    std::vector<std::string> got;
    if (attached) {
        if (spec.valueCount != 1) {
            failure = "option " + spelled + " does not take '=VALUE'";
            return false;
        }
        got.push_back(*attached);
    } else {
        for (int k = 0; k < spec.valueCount; ++k) {
            if (i + 1 >= argc) {
                failure = "option " + spelled + " needs " + spec.valueNames;
                return false;
            }
            got.push_back(argv[++i]);
        }
    }
    if (spec.valueCount > 0 && seen.count(spec.name)) {
        failure = "option " + spelled + " given twice";
        return false;
    }
    seen[spec.name] = std::move(got);
    return true;
}

bool OptionParser::parse(int argc, char** argv) {
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || looksLikeOperand(arg)) {
            operandList.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg.compare(0, 2, "--") == 0) {
            const std::size_t eq = arg.find('=');
            const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
            const OptionSpec* spec = findLong(name);
            if (!spec) {
                failure = "unknown option --" + name;
                return false;
            }
            const std::string attached = eq == std::string::npos ? "" : arg.substr(eq + 1);
            if (!take(*spec, "--" + name, argc, argv, i, eq == std::string::npos ? nullptr : &attached))
                return false;
        } else {
            const OptionSpec* spec = arg.size() == 2 ? findShort(arg[1]) : nullptr;
            if (!spec) {
                failure = "unknown option " + arg;
                return false;
            }
            if (!take(*spec, arg, argc, argv, i, nullptr)) return false;
        }
    }
    return true;
}

const std::vector<std::string>& OptionParser::values(const std::string& name) const {
    static const std::vector<std::string> none;
    const auto it = seen.find(name);
    return it == seen.end() ? none : it->second;
}

std::string OptionParser::value(const std::string& name, const std::string& fallback) const {
    const std::vector<std::string>& v = values(name);
    return v.empty() ? fallback : v.front();
}

std::string OptionParser::optionsHelp() const {
    std::vector<std::pair<std::string, std::string>> rows;
    std::size_t width = 0;
    for (const OptionSpec& s : specs) {
        std::string left = s.shortName ? std::string("-") + s.shortName + ", " : "    ";
        left += "--" + s.name;
        if (!s.valueNames.empty()) left += " " + s.valueNames;
        width = std::max(width, left.size());
        rows.emplace_back(left, s.help);
    }
    std::string text = "options:\n";
    for (const auto& row : rows) text += "  " + row.first + std::string(width + 2 - row.first.size(), ' ') + row.second + "\n";
    return text;
}

}  // namespace tool
