#include "vfs/src/impl/local/WindowsFileNameParser.h"

#include "logger/Log.h"
#include "vfs/src/impl/AbstractFileName.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

namespace {

wxString withSlashes(const wxString& text) {
    wxString result(text);
    result.Replace(wxT("\\"), wxT("/"));
    return result;
}

bool isAsciiLetter(wxUniChar c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Splits a leading drive ("C:") off the text by the text alone, so that
// Windows-form names parse the same on every platform.
void splitVolume(const wxString& text, wxString* volume, wxString* rest) {
    if (text.length() >= 2 && text[1] == ':' && isAsciiLetter(text[0])) {
        *volume = text.Left(1);
        *rest = text.Mid(2);
    } else {
        volume->clear();
        *rest = text;
    }
}

// A POSIX path with each run of '/' reduced to one, as the system reads it.
wxString collapsedSlashes(const wxString& text) {
    if (text.Find(wxT("//")) == wxNOT_FOUND) {
        return text;
    }
    wxString result;
    result.reserve(text.length());
    for (const wxUniChar c : text) {
        if (c != '/' || result.empty() || result.Last() != '/') {
            result += c;
        }
    }
    return result;
}

bool containsAny(const wxString& text, const char* characters) {
    for (const char* c = characters; *c != '\0'; ++c) {
        if (text.Find(*c) != wxNOT_FOUND) {
            return true;
        }
    }
    return false;
}

}  // namespace

WindowsFileNameParser::WindowsFileNameParser(const wxString& text) : m_isUnc(false) {
    if (!AbstractFileName::isWindowsForm(text)) {
        // ':' and '\' are characters of a POSIX name, neither a drive
        // separator nor a path separator: rewriting them would name (and
        // create) another folder.
        m_path = collapsedSlashes(text);
        return;
    }
    m_isUnc = text.Find(':') == wxNOT_FOUND &&
              (text.StartsWith(wxT("\\\\")) || text.StartsWith(wxT("//")));
    wxString normal = withSlashes(text);
    if (!m_isUnc) {
        wxString volume;
        wxString rest;
        splitVolume(normal, &volume, &rest);
        rest.Replace(wxT("//"), wxT("/"));
        if (rest.Find(':') != wxNOT_FOUND) {
            VEXA_LOG_WARNING("Path is invalid -> '%s'", text);
        }
        m_root = volume;
        m_path = rest;
    } else {
        if (!normal.StartsWith(wxT("//"))) {
            VEXA_LOG_WARNING("Invalid UNC Path: '%s'", text);
        }
        const wxString afterSlashes = normal.Mid(2);
        const wxString computer = afterSlashes.BeforeFirst('/');
        const wxString remainder = afterSlashes.AfterFirst('/');
        const int slash = remainder.Find('/');
        // A share without a path part stands for the share's top folder.
        const wxString share = slash == wxNOT_FOUND ? remainder : remainder.Left(slash);
        m_path = slash == wxNOT_FOUND ? wxString(wxT("/")) : remainder.Mid(slash);
        m_root = computer + wxT("/") + share;
        if (m_path.Find(':') != wxNOT_FOUND || m_root.Find(':') != wxNOT_FOUND) {
            VEXA_LOG_WARNING("Path is invalid: '%s'", text);
        }
    }
    validatePath(m_path);
    validateRoot(m_root, m_isUnc);
}

WindowsFileNameParser::WindowsFileNameParser(const wxString& root, const wxString& path)
    : m_isUnc(false) {
    if (root.empty() && !AbstractFileName::isWindowsForm(path)) {
        m_path = path;  // a POSIX path, taken as it is
        return;
    }
    const wxString normalRoot = withSlashes(root);
    const wxString normalPath = withSlashes(path);
    if (normalPath.Find(':') != wxNOT_FOUND) {
        VEXA_LOG_WARNING("Path is invalid [root -> '%s'], [path -> '%s']", normalRoot, normalPath);
    }
    if (normalRoot.empty() || normalRoot.length() == 1) {
        m_root = normalRoot;  // a POSIX path or a drive letter
    } else if (normalRoot.Find(':') == wxNOT_FOUND) {
        m_root = normalRoot;
        m_isUnc = true;
    } else {
        m_root = normalRoot.Left(1);  // "C:" -> C
    }
    m_path = normalPath;
    validatePath(m_path);
    validateRoot(m_root, m_isUnc);
}

bool WindowsFileNameParser::validatePath(const wxString& path) {
    if (path.Find(':') != wxNOT_FOUND) {
        VEXA_LOG_WARNING("Path is invalid [path -> '%s']", path);
        return false;
    }
    return true;
}

bool WindowsFileNameParser::validateRoot(const wxString& root, bool isUnc) {
    if (root.empty()) {
        return false;
    }
    if (isUnc) {
        const wxString computer = root.BeforeFirst('/');
        const wxString share = root.AfterFirst('/');
        if (containsAny(computer, ":/\\") || containsAny(share, ":/\\")) {
            VEXA_LOG_WARNING("Invalid UNC root, must be COMPUTER/SHARE -> '%s'", root);
            return false;
        }
        return true;
    }
    if (root.length() != 1) {
        VEXA_LOG_WARNING("Invalid non-UNC root, must be drive letter -> '%s'", root);
        return false;
    }
    return true;
}

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa
