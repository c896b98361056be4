#include "vfs/src/impl/local/WindowsFileName.h"

#include <wx/filename.h>
#include <boost/make_shared.hpp>

#include "vfs/src/impl/local/WindowsFileNameParser.h"

namespace vexa {
namespace vfs {

FileNamePtr createFileName(const wxString& text) {
    if (!provider::AbstractFileName::isWindowsForm(text)) {
        // A POSIX path goes to the parser as it is: recomposed with Windows
        // rules, "a:b" would lose its ':' to a drive and "a\b" would split.
        return boost::make_shared<provider::local::WindowsFileName>(text);
    }
    // Recompose with Windows rules whatever the platform: drive letters and
    // UNC texts keep their meaning and doubled separators collapse.
    const wxFileName recomposed(text, wxPATH_DOS);
    return boost::make_shared<provider::local::WindowsFileName>(recomposed.GetFullPath(wxPATH_DOS));
}

namespace provider {
namespace local {

WindowsFileName::WindowsFileName(const WindowsFileNameParser& parsed)
    : AbstractFileName("file", parsed.getPath()),
      m_root(parsed.getRoot()),
      m_isUnc(parsed.isUnc()) {}

WindowsFileName::WindowsFileName(const wxString& text)
    : WindowsFileName(WindowsFileNameParser(text)) {}

WindowsFileName::WindowsFileName(const wxString& root, const wxString& path)
    : WindowsFileName(WindowsFileNameParser(root, path)) {}

WindowsFileName::WindowsFileName(const wxString& root, const wxString& path, bool isUnc)
    : AbstractFileName("file", path), m_root(root), m_isUnc(isUnc) {}

WindowsFileName::~WindowsFileName() {}

wxString WindowsFileName::getNativePath() const {
    if (m_isUnc) {
        wxString native = wxT("//") + m_root + getPath();
        native.Replace(wxT("/"), wxT("\\"));
        return native;
    }
    if (m_root.empty()) {
        return getPath();
    }
    return m_root + wxT(":") + getPath();
}

FileNamePtr WindowsFileName::createName(const wxString& path) const {
    // The parser still checks the path (and warns as before), but the root
    // keeps its kind: re-parsed, a one-character UNC root would turn into a
    // drive letter.
    const WindowsFileNameParser parsed(m_root, path);
    return FileNamePtr(new WindowsFileName(m_root, parsed.getPath(), m_isUnc));
}

wxString WindowsFileName::getRootURI() const {
    const wxString base = getScheme() + "://";
    if (m_isUnc) {
        return base + wxT("/") + wxT("/") + m_root;
    }
    if (m_root.empty()) {
        return base;
    }
    return base + wxT("/") + m_root + wxT(":");
}

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa
