#include "vfs/src/impl/AbstractFileName.h"

namespace vexa {
namespace vfs {
namespace provider {

namespace {

wxString storedPath(const wxString& path) {
    return path.empty() ? wxString(wxT("/")) : path;
}

bool isAsciiLetter(wxUniChar c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The prefix a descendant's path must begin with: the path and "/", or the
// path alone when it is one character long (the root "/").
wxString ancestorPrefix(const wxString& path) {
    return path.length() == 1 ? path : path + wxT("/");
}

}  // namespace

AbstractFileName::AbstractFileName(const wxString& scheme, const wxString& path)
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
    std::lock_guard<std::mutex> lock(m_cacheMutex);
    if (m_baseName.empty()) {
        wxString path = m_path;
        if (path.EndsWith(wxT("/"))) {
            path.RemoveLast();
        }
        const int slash = path.Find('/', true);
        m_baseName = slash == wxNOT_FOUND ? path : path.Mid(slash + 1);
    }
    return m_baseName;
}

wxString AbstractFileName::getPath() const {
    return m_path;
}

wxString AbstractFileName::getNativePath() const {
    return m_path;
}

wxString AbstractFileName::getExtension() const {
    const wxString base = getBaseName();
    std::lock_guard<std::mutex> lock(m_cacheMutex);
    if (m_extension.empty()) {
        // No '.', or the only '.' starts the name (".lock"): no extension.
        const int dot = base.Find('.', true);
        if (dot > 0) {
            m_extension = base.Mid(dot + 1);
        }
    }
    return m_extension;
}

bool AbstractFileName::hasParent() const {
    return !(m_path.empty() || m_path == wxT("/"));
}

wxString AbstractFileName::getScheme() const {
    return m_scheme;
}

wxString AbstractFileName::getURI() const {
    {
        std::lock_guard<std::mutex> lock(m_cacheMutex);
        if (!m_uri.empty()) {
            return m_uri;
        }
    }
    // getRootURI() is the provider's; compute outside the lock.
    const wxString uri = getRootURI() + m_path;
    std::lock_guard<std::mutex> lock(m_cacheMutex);
    m_uri = uri;
    return m_uri;
}

wxString AbstractFileName::toString() const {
    return getRootURI() + m_path;
}

FileNamePtr AbstractFileName::getRoot() const {
    FileNamePtr current = getParent();
    if (!current) {
        // Already the top: a fresh name for the same root and path.
        return createName(m_path);
    }
    for (FileNamePtr next = current->getParent(); next; next = next->getParent()) {
        current = next;
    }
    return current;
}

FileNamePtr AbstractFileName::getParent() const {
    wxString path = m_path;
    int slash = path.Find('/', true);
    if (slash == wxNOT_FOUND) {
        return FileNamePtr();
    }
    if (static_cast<size_t>(slash) + 1 == path.length()) {
        path.RemoveLast();
        slash = path.Find('/', true);
        if (slash == wxNOT_FOUND) {
            return FileNamePtr();  // "/" itself, or "name/"
        }
    }
    const wxString parentPath = slash == 0 ? wxString(wxT("/")) : path.Left(slash);
    return createName(parentPath);
}

bool AbstractFileName::isDescendantOf(const FileName& other) const {
    return other.isAncestorOf(*this);
}

bool AbstractFileName::isAncestorOf(const FileName& other) const {
    return other.getPath().StartsWith(ancestorPrefix(m_path));
}

bool AbstractFileName::isParentOf(const FileName& other) const {
    wxString rest;
    if (!other.getPath().StartsWith(ancestorPrefix(m_path), &rest)) {
        return false;
    }
    return rest.Find('/') == wxNOT_FOUND;
}

}  // namespace provider
}  // namespace vfs
}  // namespace vexa
