// Usage errors in the tool's own words: one line "vexa-repo: ...", exit
// status 1, whatever the argument parser found wrong; and the names a
// mistyped word was probably meant to be.
#ifndef VEXA_TOOL_USAGE_H
#define VEXA_TOOL_USAGE_H

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace vexa {
namespace tool {

// The sub-commands --help lists, in its order.
std::vector<CLI::App*> visibleCommands(const CLI::App& app);
std::vector<std::string> commandNames(const CLI::App& app);

// "; did you mean 'printers'?" when some of `names` are within a small
// edit distance of `wanted` (the closest ones, joined with "or"); "" when
// none is.
std::string suggestion(const std::string& wanted, const std::vector<std::string>& names);

// True for an option that is given a value ("--group GROUP"), false for a
// flag and a positional argument.
bool takesValue(const CLI::Option& option);

// ToolError (status 1) for a word that names no sub-command.
[[noreturn]] void unknownCommand(const CLI::App& app, const std::string& word);

// The one line for what `app.parse` threw (not help or version requests).
std::string usageMessage(CLI::App& app, const CLI::ParseError& error);

// ToolError (status 1) when an option that takes a value was given more
// than once in `command` or among the global options of `app`: which one
// was meant cannot be told.
void rejectRepeatedOptions(const CLI::App& app, const CLI::App* command);

// `text` as seconds, '.' as the decimal separator whatever the locale;
// ToolError (status 1) naming `option` unless it is a number, 0 or more.
double parseSeconds(const std::string& text, const std::string& option);

}  // namespace tool
}  // namespace vexa

#endif  // VEXA_TOOL_USAGE_H
