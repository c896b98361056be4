#include "repos/LegacyMediaName.h"

namespace vexa {
namespace repos {
namespace printer {

const wxChar* const kUngroupedGroup = wxT("_Ungrouped_");

void splitLegacyMediaName(const wxString& legacyName, wxString& group, wxString& media) {
    const int open = legacyName.Find(wxT('['));
    if (open == wxNOT_FOUND) {
        group.clear();
        media = legacyName;
    } else {
        const wxString rest = legacyName.Mid(open + 1);
        const int close = rest.Find(wxT(']'));
        group = close == wxNOT_FOUND ? rest : rest.Left(close);
        media = legacyName.Left(open);
    }
    media.Trim(true);
}

wxString joinLegacyMediaName(const wxString& media, const wxString& group) {
    if (group.empty() || group == kUngroupedGroup) {
        return media;
    }
    return wxString::Format(wxT("%s [%s]"), media, group);
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
