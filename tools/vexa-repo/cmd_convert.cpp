// vexa-repo convert --to brace|xml [--force] IN OUT: a settings file in the
// other format. The input may be either format. The result is written to a
// temporary file, read back and compared with the input's tree; OUT is
// replaced only when they agree (or with --force), so a conversion that
// would lose something never touches OUT.
#include <wx/filefn.h>
#include <wx/wfstream.h>

#include <boost/shared_ptr.hpp>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Command.h"
#include "kernel/Text.h"
#include "repos/FParseSettingsStrategy.h"
#include "repos/NamedNode.h"
#include "repos/XMLSettingsStrategy.h"

namespace vexa {
namespace tool {
namespace {

using kernel::fromMB;
using kernel::toMB;
using repos::NamedNode;

struct ConvertOptions {
    std::string to;
    bool force = false;
    std::string in;
    std::string out;
};

// Reads `file` as XML, else as brace text; empty when it is neither.
NamedNode::Ptr readEither(const std::string& file, bool& opened) {
    wxFileInputStream in(fromMB(file));
    opened = in.IsOk();
    if (!opened) {
        return NamedNode::Ptr();
    }
    NamedNode::Ptr root = repos::XMLSettingsStrategy().load(in);
    if (!root) {
        root = repos::FParseSettingsStrategy().load(in);
    }
    return root;
}

std::string pathOf(const std::string& parent, const NamedNode::Ptr& node) {
    return (parent.empty() ? "" : parent + "/") + toMB(node->getName());
}

// Where two trees first differ ("" when they agree): names, attributes and
// children in order. Walks with an explicit stack.
std::string firstDifference(const NamedNode::Ptr& expected, const NamedNode::Ptr& actual) {
    struct Pair {
        NamedNode::Ptr expected;
        NamedNode::Ptr actual;
        std::string parent;
    };
    std::vector<Pair> pending{{expected, actual, std::string()}};
    while (!pending.empty()) {
        const Pair pair = pending.back();
        pending.pop_back();
        const std::string path = pathOf(pair.parent, pair.expected);
        if (pair.expected->getName() != pair.actual->getName()) {
            return "node '" + path + "' reads back as '" + toMB(pair.actual->getName()) + "'";
        }
        const auto a = pair.expected->getAttributes();
        const auto b = pair.actual->getAttributes();
        if (a != b) {
            for (const auto& attribute : a) {
                auto found = b.find(attribute.first);
                if (found == b.end() || found->second != attribute.second) {
                    return "attribute '" + toMB(attribute.first) + "' of '" + path +
                           "' does not read back";
                }
            }
            return "node '" + path + "' reads back with more attributes";
        }
        if (pair.expected->getChildCount() != pair.actual->getChildCount()) {
            return "node '" + path + "' reads back with " +
                   std::to_string(pair.actual->getChildCount()) + " children instead of " +
                   std::to_string(pair.expected->getChildCount());
        }
        auto e = pair.expected->getChildren().rbegin();
        auto f = pair.actual->getChildren().rbegin();
        for (; e != pair.expected->getChildren().rend(); ++e, ++f) {
            pending.push_back(Pair{*e, *f, path});
        }
    }
    return std::string();
}

int convert(const ConvertOptions& options) {
    bool opened = false;
    const NamedNode::Ptr tree = readEither(options.in, opened);
    if (!opened) {
        return fail(kNotFound, "cannot open '" + options.in + "'");
    }
    if (!tree) {
        return fail(kFailure, "'" + options.in + "' holds no settings tree");
    }
    std::unique_ptr<repos::ISettingsStrategy> strategy;
    if (options.to == "xml") {
        strategy.reset(new repos::XMLSettingsStrategy);
    } else {
        strategy.reset(new repos::FParseSettingsStrategy);
    }

    const wxString target = fromMB(options.out);
    const wxString temporary = target + wxString(L".vexa-tmp");
    {
        wxFileOutputStream out(temporary);
        if (!out.IsOk()) {
            return fail(kFailure, "cannot write '" + options.out + "'");
        }
        strategy->store(tree, out);
        if (!out.Close()) {
            wxRemoveFile(temporary);
            return fail(kFailure, "cannot write '" + options.out + "'");
        }
    }

    NamedNode::Ptr back;
    {
        wxFileInputStream in(temporary);
        back = in.IsOk() ? strategy->load(in) : NamedNode::Ptr();
    }
    std::string difference = "it does not read back at all";
    if (back) {
        // The XML writer adds the repository namespace to a root without one.
        if (options.to == "xml" && tree->getAttribute(wxString(L"xmlns")).empty()) {
            back->getData()->attributes.erase(wxString(L"xmlns"));
        }
        difference = firstDifference(tree, back);
    }
    if (!difference.empty() && !options.force) {
        wxRemoveFile(temporary);
        return fail(kFailure, "'" + options.in + "' cannot be converted to " + options.to +
                                  " without loss: " + difference +
                                  "; nothing written (--force writes it anyway)");
    }
    if (!wxRenameFile(temporary, target, true)) {
        wxRemoveFile(temporary);
        return fail(kFailure, "cannot replace '" + options.out + "'");
    }
    if (!difference.empty() && !quiet()) {
        fail(kOk, "warning: written with loss: " + difference);
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(convert, 910, [](CLI::App& app, const GlobalOptions&) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* command = app.add_subcommand(
        "convert", "Convert a settings file between the XML and the brace text format");
    command->add_option("--to", options->to, "Format to write: brace or xml")
        ->required()
        ->check(CLI::IsMember({"brace", "xml"}));
    command->add_flag("--force", options->force,
                      "Write even when the result would not read back into the same tree");
    command->add_option("IN", options->in, "Settings file to read (XML or brace text)")->required();
    command->add_option("OUT", options->out, "File to write")->required();
    return [options]() { return convert(*options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
