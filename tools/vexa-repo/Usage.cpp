#include "Usage.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "Command.h"

namespace vexa {
namespace tool {

namespace {

std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string seeHelp(const CLI::App* command) {
    return command ? " (see 'vexa-repo help " + command->get_name() + "')"
                   : " (see 'vexa-repo help')";
}

// "--group", "-y" ...: every spelling of the options of `command`.
std::vector<std::string> optionNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& name : option->get_lnames()) {
            names.push_back("--" + name);
        }
        for (const std::string& name : option->get_snames()) {
            names.push_back("-" + name);
        }
    }
    return names;
}

bool looksLikeOption(const std::string& word) {
    return word.size() > 1 && word[0] == '-' && !(word[1] >= '0' && word[1] <= '9');
}

}  // namespace

std::vector<CLI::App*> visibleCommands(const CLI::App& app) {
    std::vector<CLI::App*> commands;
    for (CLI::App* command : const_cast<CLI::App&>(app).get_subcommands({})) {
        if (!command->get_group().empty()) {
            commands.push_back(command);
        }
    }
    return commands;
}

std::vector<std::string> commandNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* command : visibleCommands(app)) {
        names.push_back(command->get_name());
    }
    return names;
}

std::string suggestion(const std::string& wanted, const std::vector<std::string>& names) {
    // Close enough to be a slip of the fingers, not another word.
    const std::size_t limit = std::max<std::size_t>(1, std::min<std::size_t>(3, wanted.size() / 3));
    std::size_t best = limit + 1;
    std::vector<std::string> closest;
    for (const std::string& name : names) {
        const std::size_t distance = editDistance(wanted, name);
        if (distance < best) {
            best = distance;
            closest.clear();
        }
        if (distance == best && std::find(closest.begin(), closest.end(), name) == closest.end()) {
            closest.push_back(name);
        }
    }
    if (closest.empty()) {
        return std::string();
    }
    std::string text = "; did you mean ";
    for (std::size_t i = 0; i < closest.size(); ++i) {
        text += (i ? " or '" : "'") + closest[i] + "'";
    }
    return text + "?";
}

bool takesValue(const CLI::Option& option) {
    return !option.get_positional() && option.get_items_expected_max() > 0;
}

void unknownCommand(const CLI::App& app, const std::string& word) {
    const std::string hint = suggestion(word, commandNames(app));
    throw ToolError(kUsage, "unknown command '" + word + "'" +
                                (hint.empty() ? "; 'vexa-repo help' lists the commands" : hint));
}

std::string usageMessage(CLI::App& app, const CLI::ParseError& error) {
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    const CLI::App* command = chosen.empty() ? nullptr : chosen.front();
    const std::string prefix = command ? command->get_name() + ": " : std::string();
    const std::vector<std::string> extras = app.remaining(true);
    std::vector<std::string> words;
    for (const std::string& extra : extras) {
        if (extra != "--") {
            words.push_back(extra);
        }
    }
    if (!words.empty()) {
        const std::string& word = words.front();
        if (looksLikeOption(word)) {
            std::vector<std::string> names = optionNames(app);
            if (command) {
                const std::vector<std::string> own = optionNames(*command);
                names.insert(names.end(), own.begin(), own.end());
            }
            // A single letter is close to every other one: no guess.
            const std::string hint =
                word.size() > 2 ? suggestion(word.substr(0, word.find('=')), names) : "";
            return prefix + "unknown option '" + word + "'" +
                   (hint.empty() ? "; a name starting with '-' goes after '--'" : hint) +
                   seeHelp(command);
        }
        if (!command) {
            try {
                unknownCommand(app, word);
            } catch (const ToolError& e) {
                return e.what();
            }
        }
        return prefix + "unexpected argument '" + word + "'" + seeHelp(command);
    }
    if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
        if (!command) {
            return "no command given; 'vexa-repo help' lists the commands";
        }
        for (const CLI::Option* option : command->get_options()) {
            if (option->get_required() && option->count() == 0) {
                return prefix + "missing " +
                       (option->get_positional()
                            ? "argument " + option->get_name(true)
                            : "option " + option->get_name() + " " + option->get_type_name()) +
                       seeHelp(command);
            }
        }
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        // The parser names the option first: "--repo: 1 required DIR missing".
        const std::string what = error.what();
        const std::string name = what.substr(0, what.find(':'));
        return prefix + "option " + name + " needs a value" + seeHelp(command);
    }
    return prefix + "cannot read the command line: " + error.what() + seeHelp(command);
}

void rejectRepeatedOptions(const CLI::App& app, const CLI::App* command) {
    for (const CLI::App* owner : {&app, command}) {
        for (const CLI::Option* option :
             owner ? owner->get_options() : std::vector<const CLI::Option*>()) {
            if (takesValue(*option) && option->count() > 1) {
                const bool global = owner == &app;
                throw ToolError(kUsage, (global ? std::string() : command->get_name() + ": ") +
                                            "option " + option->get_name() +
                                            " given more than once" +
                                            seeHelp(global ? nullptr : command));
            }
        }
    }
}

double parseSeconds(const std::string& text, const std::string& option) {
    double value = -1;
    const char* const end = text.data() + text.size();
    const std::from_chars_result result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value) ||
        value < 0) {
        throw ToolError(kUsage,
                        "option " + option + " takes seconds (0 or more), not '" + text + "'");
    }
    return value;
}

}  // namespace tool
}  // namespace vexa
