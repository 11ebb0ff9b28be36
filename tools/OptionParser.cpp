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

OptionParser::OptionParser(std::string commandName, std::vector<OptionDef> options)
    : command(std::move(commandName)), defs(std::move(options)) {
    defs.push_back({"help", 'h', 0, "", "show this help and exit"});
}

const OptionDef* OptionParser::findLong(const std::string& name) const {
    for (const OptionDef& s : defs)
        if (s.name == name) return &s;
    return nullptr;
}

const OptionDef* OptionParser::findShort(char name) const {
    for (const OptionDef& s : defs)
        if (s.shortName && s.shortName == name) return &s;
    return nullptr;
}

bool OptionParser::take(const OptionDef& def, const std::string& spelled, int argc, char** argv, int& i,
                        const std::string* attached) {
    std::vector<std::string> got;
    if (attached) {
        if (def.valueCount == 0) {
            failure = "option " + spelled + " does not take '=VALUE'";
            return false;
        }
        got.push_back(*attached);
    }
    while (static_cast<int>(got.size()) < def.valueCount) {
        if (i + 1 >= argc) {
            failure = "option " + spelled + " needs " + def.valueNames;
            return false;
        }
        got.push_back(argv[++i]);
    }
    if (def.valueCount > 0 && seen.count(def.name)) {
        failure = "option " + spelled + " given twice";
        return false;
    }
    seen[def.name] = std::move(got);
    return true;
}

// Short options may be bundled ("-vj4" is "-v -j 4"): letters without a
// value are taken one by one until one that takes a value, which takes the
// rest of the argument ("-j4") or, when nothing is left, the next argument.
bool OptionParser::takeShort(const std::string& arg, int argc, char** argv, int& i) {
    for (std::size_t k = 1; k < arg.size(); ++k) {
        const OptionDef* def = findShort(arg[k]);
        const std::string spelled = std::string("-") + arg[k];
        if (!def) {
            failure = "unknown option " + spelled;
            return false;
        }
        if (def->valueCount == 0) {
            if (!take(*def, spelled, argc, argv, i, nullptr)) return false;
            continue;
        }
        const std::string rest = arg.substr(k + 1);
        return take(*def, spelled, argc, argv, i, rest.empty() ? nullptr : &rest);
    }
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
            const OptionDef* def = findLong(name);
            if (!def) {
                failure = "unknown option --" + name;
                return false;
            }
            const std::string attached = eq == std::string::npos ? "" : arg.substr(eq + 1);
            if (!take(*def, "--" + name, argc, argv, i, eq == std::string::npos ? nullptr : &attached))
                return false;
        } else if (!takeShort(arg, argc, argv, i)) {
            return false;
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
    for (const OptionDef& s : defs) {
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
