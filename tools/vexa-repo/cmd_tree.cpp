// vexa-repo tree FILE: a settings file's tree, names and attributes indented.
#include <wx/wfstream.h>

#include <iostream>

#include "Command.h"
#include "kernel/Text.h"
#include "repos/NodeTraverser.h"
#include "repos/Settings.h"

namespace vexa {
namespace tool {
namespace {

using kernel::toMB;
using repos::NamedNode;

// Prints each node as its name and attributes, two blanks per level.
class TreePrinter : public repos::TrivialNodeVisitor {
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

int printTree(const std::string& file) {
    wxFileInputStream in(kernel::fromMB(file));
    if (!in.IsOk()) {
        return fail(kNotFound, "cannot open '" + file + "'");
    }
    boost::shared_ptr<repos::Settings> settings = repos::SettingsManager::GetSettings(in);
    if (!settings) {
        return fail(kFailure, "'" + file + "' holds no settings tree");
    }
    repos::NamedNodeTraverser(boost::shared_ptr<TreePrinter>(new TreePrinter(std::cout)))
        .travel(settings->getRoot());
    return kOk;
}

VEXA_REGISTER_COMMAND(tree, 900, [](CLI::App& app, const GlobalOptions&) {
    auto file = std::make_shared<std::string>();
    CLI::App* command =
        app.add_subcommand("tree", "Print a settings file's tree: names and attributes, indented");
    command->add_option("FILE", *file, "Settings file (XML)")->required();
    return [file]() { return printTree(*file); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
