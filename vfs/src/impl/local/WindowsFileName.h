// Local file names: a Windows root and a '/'-separated path.
//
// The root is a drive letter (C), a COMPUTER/SHARE pair (UNC) or empty for a
// POSIX absolute path such as /srv/vexa/db. Immutable apart from the caches
// of AbstractFileName; shared between threads freely.
#ifndef VEXA_VFS_LOCAL_WINDOWSFILENAME_H
#define VEXA_VFS_LOCAL_WINDOWSFILENAME_H

#include <wx/string.h>

#include "vfs/src/impl/AbstractFileName.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

class WindowsFileNameParser;

class VEXA_VFS_API WindowsFileName : public AbstractFileName {
  public:
    // Parses root and path from one text (WindowsFileNameParser).
    explicit WindowsFileName(const wxString& text);
    // Builds from a root given separately ("C", "C:", "SRV/DATA" or "").
    WindowsFileName(const wxString& root, const wxString& path);
    ~WindowsFileName() override;

    // UNC: "\\" + root + path with backslashes (\\SRV\DATA\a\b).
    // Drive: root + ":" + path with slashes (C:/a/b). Empty root: the path.
    wxString getNativePath() const override;
    FileNamePtr createName(const wxString& path) const override;
    // file:///C:, file:////SRV/DATA, or file:// for an empty root.
    wxString getRootURI() const override;

    // The drive letter, the COMPUTER/SHARE pair, or empty.
    const wxString& getRootText() const { return m_root; }
    bool isUnc() const { return m_isUnc; }

  private:
    explicit WindowsFileName(const WindowsFileNameParser& parsed);
    // A name whose kind of root is given, not guessed from the root's text:
    // names made from this one (parents, the root name) keep its root as it
    // is, also a UNC root of one character ("/", read from a text of just
    // two backslashes).
    WindowsFileName(const wxString& root, const wxString& path, bool isUnc);

    const wxString m_root;
    const bool m_isUnc;
};

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_LOCAL_WINDOWSFILENAME_H
