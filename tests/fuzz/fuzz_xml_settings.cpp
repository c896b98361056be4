// The XML settings reader on arbitrary bytes. Whatever it accepts must be
// written so that it reads back into the same tree: the only difference the
// format allows is the repository namespace the writer adds to a root that
// has no "xmlns" of its own. Writing the tree read back must read back into
// itself again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "common/SettingsText.h"
#include "kernel/Text.h"
#include "repos/XMLSettingsStrategy.h"

using vexa::fuzz::fuzzCheck;
using vexa::fuzz::load;
using vexa::repos::NamedNode;
using vexa::repos::XMLSettingsStrategy;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const NamedNode::Ptr first = load(XMLSettingsStrategy(), std::string(data, data + size));
    if (!first) {
        return 0;
    }
    const std::string written = vexa::test::storeXml(first);
    fuzzCheck(!written.empty(), "a read tree is written");
    const NamedNode::Ptr second = load(XMLSettingsStrategy(), written);
    fuzzCheck(static_cast<bool>(second), "written settings read back");

    const std::string rewritten = vexa::test::storeXml(second);
    const NamedNode::Ptr third = load(XMLSettingsStrategy(), rewritten);
    fuzzCheck(vexa::fuzz::sameTree(second, third), "a tree read back reads back into itself");

    const wxString xmlns(wxT("xmlns"));
    if (first->getAttributes().count(xmlns) == 0) {
        fuzzCheck(
            second->getAttribute(xmlns) == vexa::kernel::fromMB(vexa::repos::kRepositoryNamespace),
            "the writer puts the repository namespace on a root without one");
        second->getData()->attributes.erase(xmlns);
    }
    fuzzCheck(vexa::fuzz::sameTree(first, second), "written settings read back into the same tree");
    return 0;
}
