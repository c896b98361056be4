// Splits and checks the text of a local file name.
//
// A local name has a root, either one drive letter (without colon), a
// COMPUTER/SHARE pair (UNC) or, for a POSIX path, nothing, and a path below
// it written with '/'. The parser is a value object used only while a
// WindowsFileName is built. It never rejects text: problems are logged as
// warnings and the parts are taken as they are. Drive letters are recognised
// by the text alone, whatever the platform. Only a text that begins with a
// drive letter or a UNC prefix gets Windows rules; any other is a POSIX path
// whose ':' and '\' are characters of its names.
#ifndef VEXA_VFS_LOCAL_WINDOWSFILENAMEPARSER_H
#define VEXA_VFS_LOCAL_WINDOWSFILENAMEPARSER_H

#include <wx/string.h>

#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

class VEXA_VFS_API WindowsFileNameParser {
  public:
    // Parses root and path together: "C:\dir\f" (root C), "\\SRV\DATA\x"
    // or "//SRV/DATA/x" (root SRV/DATA), "/srv/db" or "/srv/a:b\c" (empty
    // root; runs of '/' collapse, nothing else changes).
    explicit WindowsFileNameParser(const wxString& text);
    // Takes a root given separately: one character is a drive letter, "C:"
    // is reduced to C, an empty root stays empty (a POSIX path, taken as it
    // is unless it has Windows form itself), any other root without ':' is a
    // COMPUTER/SHARE pair.
    WindowsFileNameParser(const wxString& root, const wxString& path);

    const wxString& getRoot() const { return m_root; }
    const wxString& getPath() const { return m_path; }
    bool isUnc() const { return m_isUnc; }

    // False, with a warning, when the path contains ':'.
    static bool validatePath(const wxString& path);
    // False for an empty root (without message); for UNC, false with a warning
    // unless computer and share contain none of ':', '/', '\'; otherwise false
    // with a warning unless the root is one character.
    static bool validateRoot(const wxString& root, bool isUnc);

  private:
    wxString m_root;
    wxString m_path;
    bool m_isUnc;
};

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_LOCAL_WINDOWSFILENAMEPARSER_H
