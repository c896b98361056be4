// vexa-repo: inspect and manage a settings repository from the command line.
#include <CLI/CLI.hpp>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/wfstream.h>

#include <iostream>
#include <string>

#include "kernel/Text.h"
#include "repos/NodeTraverser.h"
#include "repos/Settings.h"

namespace {

using vexa::kernel::toMB;
using vexa::repos::NamedNode;

enum ExitCode { kOk = 0, kUsage = 1, kNotFound = 2, kLocked = 3, kFailure = 4 };

// Prints each node as its name and attributes, two blanks per level.
class TreePrinter : public vexa::repos::TrivialNodeVisitor {
public:
    explicit TreePrinter(std::ostream& out) : m_out(out) {}
    void enter(NamedNode::Ptr node) override {
        m_out << std::string(m_depth * 2, ' ') << toMB(node->getName());
        for (const auto& attribute : node->getAttributes()) {
            m_out << ' ' << toMB(attribute.first) << "=\"" << toMB(attribute.second) << '"';
        }
        m_out << '\n';
        ++m_depth;
    }
    void leave(NamedNode::Ptr) override { --m_depth; }

private:
    std::ostream& m_out;
    std::size_t m_depth = 0;
};

int commandTree(const std::string& file) {
    wxFileInputStream in(vexa::kernel::fromMB(file));
    if (!in.IsOk()) {
        std::cerr << "vexa-repo: cannot open '" << file << "'\n";
        return kNotFound;
    }
    boost::shared_ptr<vexa::repos::Settings> settings = vexa::repos::SettingsManager::GetSettings(in);
    if (!settings) {
        std::cerr << "vexa-repo: '" << file << "' holds no settings tree\n";
        return kFailure;
    }
    vexa::repos::NamedNodeTraverser(boost::shared_ptr<TreePrinter>(new TreePrinter(std::cout)))
        .travel(settings->getRoot());
    return kOk;
}

}  // namespace

int main(int argc, char** argv) {
    wxInitializer initializer;
    if (!initializer.IsOk()) {
        std::cerr << "vexa-repo: cannot initialise wxWidgets\n";
        return kFailure;
    }
    wxLog::EnableLogging(false);

    CLI::App app{"vexa-repo: inspect and manage a printer settings repository."};
    app.require_subcommand(1);

    std::string treeFile;
    CLI::App* tree = app.add_subcommand("tree", "Print a settings file's tree: names and attributes, indented.");
    tree->add_option("FILE", treeFile, "Settings file (XML)")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kOk : kUsage;
    }
    if (tree->parsed()) {
        return commandTree(treeFile);
    }
    return kUsage;
}
