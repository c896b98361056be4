// The local file name parser on arbitrary text: createFileName, the parser
// and the name built from one text, and the parser and name built from a
// root and a path given separately (the input split at its first '|').
//
// Names never fail to build; what they derive must stay consistent with
// their contracts: the URI is toString(), a parent has the same root and a
// shorter path that is an ancestor of the child's, the chain of parents
// ends, an absolute path's root name has path "/", a base name holds no
// '/', and an extension is what follows the base name's last '.'.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "kernel/Text.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/local/WindowsFileName.h"
#include "vfs/src/impl/local/WindowsFileNameParser.h"

using vexa::fuzz::fuzzCheck;
using vexa::vfs::FileName;
using vexa::vfs::FileNamePtr;
using vexa::vfs::provider::AbstractFileName;
using vexa::vfs::provider::local::WindowsFileName;
using vexa::vfs::provider::local::WindowsFileNameParser;

namespace {

wxString rootUri(const FileName& name) {
    const AbstractFileName* abstract = dynamic_cast<const AbstractFileName*>(&name);
    fuzzCheck(abstract != nullptr, "local names derive from AbstractFileName");
    return abstract->getRootURI();
}

void checkName(const FileNamePtr& name) {
    fuzzCheck(static_cast<bool>(name), "a name is always built");
    const wxString path = name->getPath();
    fuzzCheck(!path.empty(), "a stored path is never empty");
    fuzzCheck(name->getURI() == name->toString(), "getURI() is toString()");

    const wxString base = name->getBaseName();
    fuzzCheck(base.Find('/') == wxNOT_FOUND, "a base name holds no '/'");
    const wxString extension = name->getExtension();
    if (!extension.empty()) {
        fuzzCheck(base.EndsWith(wxT(".") + extension), "the extension ends the base name");
        fuzzCheck(extension.Find('.') == wxNOT_FOUND, "the extension follows the last '.'");
    }

    // Every step up shortens the path, so the chain ends.
    const wxString uri = rootUri(*name);
    FileNamePtr child = name;
    for (FileNamePtr parent = name->getParent(); parent; parent = parent->getParent()) {
        fuzzCheck(parent->getPath().length() < child->getPath().length(),
                  "a parent's path is shorter than its child's");
        fuzzCheck(rootUri(*parent) == uri, "a parent has its child's root");
        fuzzCheck(parent->isAncestorOf(*child), "a parent is an ancestor of its child");
        fuzzCheck(child->isDescendantOf(*parent), "a child descends from its parent");
        child = parent;
    }
    const FileNamePtr root = name->getRoot();
    fuzzCheck(static_cast<bool>(root), "every name has a root name");
    fuzzCheck(rootUri(*root) == uri, "the root name has the same root");
    if (path.StartsWith(wxT("/"))) {
        fuzzCheck(root->getPath() == wxT("/"), "an absolute path's root name has path \"/\"");
        fuzzCheck(!root->hasParent(), "the root name has no parent");
    }
}

void checkParser(const WindowsFileNameParser& parsed) {
    fuzzCheck(!parsed.isUnc() || !parsed.getRoot().empty(), "a UNC root is never empty");
    WindowsFileNameParser::validatePath(parsed.getPath());
    WindowsFileNameParser::validateRoot(parsed.getRoot(), parsed.isUnc());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const wxString text = vexa::kernel::fromMB(reinterpret_cast<const char*>(data), size);

    checkName(vexa::vfs::createFileName(text));
    checkParser(WindowsFileNameParser(text));
    checkName(FileNamePtr(new WindowsFileName(text)));

    const int bar = text.Find('|');
    if (bar != wxNOT_FOUND) {
        const wxString root = text.Left(static_cast<std::size_t>(bar));
        const wxString path = text.Mid(static_cast<std::size_t>(bar) + 1);
        checkParser(WindowsFileNameParser(root, path));
        checkName(FileNamePtr(new WindowsFileName(root, path)));
    }
    return 0;
}
