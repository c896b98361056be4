#include "vfs/src/impl/AbstractFileName.h"

#include "kernel/Text.h"

namespace vexa {
namespace vfs {
namespace provider {

namespace {

std::string storedPath(const wxString& path) {
    return path.empty() ? std::string("/") : kernel::toMB(path);
}

bool isAsciiLetter(wxUniChar c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The prefix a descendant's path must begin with: the path and "/", or the
// path alone when it is one character long (the root "/").
std::string ancestorPrefix(const std::string& path) {
    return path.length() == 1 ? path : path + '/';
}

// The other name's path in bytes, without a conversion for our own names.
std::string pathBytesOf(const FileName& name) {
    const AbstractFileName* ours = dynamic_cast<const AbstractFileName*>(&name);
    return ours != nullptr ? ours->getPathBytes() : kernel::toMB(name.getPath());
}

}  // namespace

AbstractFileName::AbstractFileName(const char* scheme, const wxString& path)
    : m_scheme(scheme), m_path(storedPath(path)) {}

AbstractFileName::~AbstractFileName() {}

bool AbstractFileName::isWindowsForm(const wxString& text) {
    if (text.StartsWith(wxT("\\\\")) || text.StartsWith(wxT("//"))) {
        return true;
    }
    return text.length() >= 2 && isAsciiLetter(text[0]) && text[1] == ':' &&
           (text.length() == 2 || text[2] == '\\' || text[2] == '/');
}

wxString AbstractFileName::normaliseSeparators(const wxString& text) {
    if (!isWindowsForm(text)) {
        return text;
    }
    wxString result(text);
    result.Replace(wxT("\\"), wxT("/"));
    return result;
}

wxString AbstractFileName::getBaseName() const {
    // One trailing '/' is passed over: "a/b/" is named "b". No byte of a
    // multibyte character is '/', so the bytes split where the text does.
    const size_t end = m_path.length() > 1 && m_path.back() == '/' ? m_path.length() - 1
                                                                   : m_path.length();
    const size_t slash = m_path.rfind('/', end - 1);
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    return kernel::fromMB(m_path.data() + start, end - start);
}

wxString AbstractFileName::getPath() const {
    return kernel::fromMB(m_path);
}

wxString AbstractFileName::getNativePath() const {
    return getPath();
}

wxString AbstractFileName::getExtension() const {
    const wxString base = getBaseName();
    // No '.', or the only '.' starts the name (".lock"): no extension.
    const int dot = base.Find('.', true);
    return dot > 0 ? base.Mid(dot + 1) : wxString();
}

bool AbstractFileName::hasParent() const {
    return m_path != "/";
}

wxString AbstractFileName::getScheme() const {
    return wxString::FromAscii(m_scheme);
}

wxString AbstractFileName::getURI() const {
    return getRootURI() + getPath();
}

wxString AbstractFileName::toString() const {
    return getURI();
}

FileNamePtr AbstractFileName::getRoot() const {
    FileNamePtr current = getParent();
    if (!current) {
        // Already the top: a fresh name for the same root and path.
        return createName(getPath());
    }
    for (FileNamePtr next = current->getParent(); next; next = next->getParent()) {
        current = next;
    }
    return current;
}

FileNamePtr AbstractFileName::getParent() const {
    size_t slash = m_path.rfind('/');
    if (slash == std::string::npos) {
        return FileNamePtr();
    }
    if (slash + 1 == m_path.length()) {
        slash = slash == 0 ? std::string::npos : m_path.rfind('/', slash - 1);
        if (slash == std::string::npos) {
            return FileNamePtr();  // "/" itself, or "name/"
        }
    }
    return createName(slash == 0 ? wxString(wxT("/")) : kernel::fromMB(m_path.data(), slash));
}

bool AbstractFileName::isDescendantOf(const FileName& other) const {
    return other.isAncestorOf(*this);
}

bool AbstractFileName::isAncestorOf(const FileName& other) const {
    const std::string prefix = ancestorPrefix(m_path);
    return pathBytesOf(other).compare(0, prefix.length(), prefix) == 0;
}

bool AbstractFileName::isParentOf(const FileName& other) const {
    const std::string prefix = ancestorPrefix(m_path);
    const std::string path = pathBytesOf(other);
    return path.compare(0, prefix.length(), prefix) == 0 &&
           path.find('/', prefix.length()) == std::string::npos;
}

}  // namespace provider
}  // namespace vfs
}  // namespace vexa
