#include "Manual.h"

#include <string>
#include <vector>

#include "Usage.h"
#include "repos/Version.h"

namespace vexa {
namespace tool {

namespace {

// Text for troff: backslashes written out, no line taken for a request,
// line ends as line breaks (blanks at their start dropped).
std::string text(const std::string& in) {
    std::string out;
    bool lineStart = true;
    for (const char c : in) {
        if (c == '\n') {
            out += "\n.br\n";
            lineStart = true;
            continue;
        }
        if (lineStart && c == ' ') {
            continue;
        }
        if (lineStart && (c == '.' || c == '\'')) {
            out += "\\&";
        }
        out += c == '\\' ? std::string("\\e") : std::string(1, c);
        lineStart = false;
    }
    return out;
}

// A name typed on the command line: its hyphens stay ASCII when copied
// from the rendered page.
std::string typed(const std::string& in) {
    std::string out;
    for (const char c : text(in)) {
        out += c == '-' ? std::string("\\-") : std::string(1, c);
    }
    return out;
}

std::vector<const CLI::Option*> listedOptions(const CLI::App& app) {
    std::vector<const CLI::Option*> options;
    for (const CLI::Option* option : app.get_options()) {
        if (option != app.get_help_ptr() && !option->get_group().empty()) {
            options.push_back(option);
        }
    }
    return options;
}

std::string optionLabel(const CLI::Option* option) {
    std::string label;
    for (const std::string& name : option->get_snames()) {
        label += (label.empty() ? "" : ", ") + std::string("\\fB") + typed("-" + name) + "\\fR";
    }
    for (const std::string& name : option->get_lnames()) {
        label += (label.empty() ? "" : ", ") + std::string("\\fB") + typed("--" + name) + "\\fR";
    }
    if (takesValue(*option)) {
        label += " \\fI" + text(option->get_type_name()) + "\\fR";
    }
    return label;
}

// "vexa-repo show-media [--group GROUP] [--json] PRINTER MEDIA"
std::string synopsis(const CLI::App& command) {
    std::string line = "\\fBvexa\\-repo " + typed(command.get_name()) + "\\fR";
    for (const CLI::Option* option : listedOptions(command)) {
        if (!option->get_positional()) {
            const std::string label = optionLabel(option);
            line += option->get_required() ? " " + label : " [" + label + "]";
        }
    }
    for (const CLI::Option* option : listedOptions(command)) {
        if (option->get_positional()) {
            const std::string name = "\\fI" + text(option->get_name(true)) + "\\fR";
            line += option->get_required() ? " " + name : " [" + name + "]";
        }
    }
    return line;
}

void optionList(std::ostream& out, const CLI::App& app, bool positionals) {
    for (const CLI::Option* option : listedOptions(app)) {
        if (option->get_positional() != positionals) {
            continue;
        }
        out << ".TP\n"
            << (positionals ? "\\fI" + text(option->get_name(true)) + "\\fR" : optionLabel(option))
            << '\n'
            << text(option->get_description()) << '\n';
    }
}

// The paragraphs of the --help footer (blank lines apart), as one text each.
std::vector<std::string> paragraphs(const std::string& footer) {
    std::vector<std::string> result(1);
    std::size_t at = 0;
    while (at <= footer.size()) {
        const std::size_t end = std::min(footer.find('\n', at), footer.size());
        const std::string line = footer.substr(at, end - at);
        if (line.empty()) {
            result.emplace_back();
        } else {
            result.back() += (result.back().empty() ? "" : " ") + line;
        }
        at = end + 1;
    }
    return result;
}

}  // namespace

void writeManual(std::ostream& out, const CLI::App& app) {
    const std::vector<std::string> footer = paragraphs(app.get_footer());
    out << ".\\\" Written by vexa-repo help --man from the commands' own help.\n"
        << ".TH VEXA\\-REPO 1 \"\" \"vexa-repo " << repos::version() << "\" \"User Commands\"\n"
        << ".SH NAME\n"
        << "vexa\\-repo \\- inspect and manage a printer settings repository\n"
        << ".SH SYNOPSIS\n"
        << "\\fBvexa\\-repo\\fR [\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR]\n"
        << ".br\n"
        << "\\fBvexa\\-repo help\\fR [\\fICOMMAND\\fR]\n"
        << ".SH DESCRIPTION\n"
        << text(app.get_description()) << '\n';
    for (std::size_t i = 0; i + 1 < footer.size(); ++i) {
        out << ".PP\n" << text(footer[i]) << '\n';
    }
    out << ".SH OPTIONS\n"
        << "The options below may come before or after the command.\n";
    optionList(out, app, false);
    out << ".SH COMMANDS\n";
    for (const CLI::App* command : visibleCommands(app)) {
        out << ".SS " << typed(command->get_name()) << '\n'
            << synopsis(*command) << '\n'
            << ".PP\n"
            << text(command->get_description()) << '\n';
        optionList(out, *command, true);
        optionList(out, *command, false);
    }
    if (footer.size() > 1) {
        std::string status = footer.back();
        const std::string lead = "Exit status: ";
        if (status.compare(0, lead.size(), lead) == 0) {
            status = status.substr(lead.size());
        }
        out << ".SH \"EXIT STATUS\"\n" << text(status) << '\n';
    }
    out << ".SH ENVIRONMENT\n"
        << ".TP\n"
        << ".B VEXA_INSTALL\n"
        << "The folder holding the repository folder \\(lqdb\\(rq, used when \\fB\\-\\-repo\\fR "
           "is not given and no \\(lqdb\\(rq lies beside the program or one level above it.\n"
        << ".SH EXAMPLES\n"
        << ".nf\n"
        << "vexa\\-repo \\-\\-repo /srv/vexa printers\n"
        << "vexa\\-repo get \"Aurora 64\" PortName\n"
        << "vexa\\-repo set \\-\\- \\-x PortName USB001\n"
        << "vexa\\-repo check \\-\\-fix\n"
        << ".fi\n";
}

}  // namespace tool
}  // namespace vexa
