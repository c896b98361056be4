// vexa-repo xpath FILE EXPR: the nodes an XPath expression selects in an XML
// file, one per line: an element as its name and attributes, any other node
// as its text. Settings files put their elements in the repository
// namespace, reached through the prefix "repo":
//   vexa-repo xpath .Settings.xml '//repo:node[@name="PortName"]/@value'
#include <wx/filefn.h>

#include <iostream>
#include <memory>
#include <string>

#include "Command.h"
#include "kernel/Text.h"
#include "repos/XmlXpath.h"

namespace vexa {
namespace tool {
namespace {

struct XpathOptions {
    std::string file;
    std::string expression;
};

int query(const XpathOptions& options) {
    CXmlXpath xpath;
    if (!xpath.readXMLFile(options.file.c_str())) {
        if (!wxFileExists(kernel::fromMB(options.file))) {
            return fail(kNotFound, "cannot open '" + options.file + "'");
        }
        return fail(kFailure, "'" + options.file + "' is not well-formed XML");
    }
    _xmlNodeSet* set = xpath.runXPathQuery(options.expression.c_str());
    if (set == nullptr) {
        return fail(kNotFound, "no node matches '" + options.expression + "'");
    }
    for (int i = 0; i < xpath.getNodeSetSize(set); ++i) {
        _xmlNode* node = xpath.getNodeSetItem(set, i);
        if (xpath.isElement(node)) {
            std::cout << xpath.getNodeName(node);
            for (const auto& attribute : xpath.getNodeAttributes(node)) {
                std::cout << ' ' << attribute.first << "=\"" << attribute.second << '"';
            }
        } else {
            std::string value;
            xpath.getNodeValue(node, value);
            std::cout << value;
        }
        std::cout << '\n';
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(xpath, 920, [](CLI::App& app, const GlobalOptions&) {
    auto options = std::make_shared<XpathOptions>();
    CLI::App* command = app.add_subcommand(
        "xpath",
        "Print the nodes an XPath expression selects in an XML file (prefix repo: "
        "for settings files)");
    command->add_option("FILE", options->file, "XML file")->required();
    command->add_option("EXPR", options->expression, "XPath expression")->required();
    return [options]() { return query(*options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
