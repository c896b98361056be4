// Legacy media names: one text naming a media and its group, "Media [Group]",
// as older hosts address medias. A media of the group "_Ungrouped_" (or of no
// group) is named by its media name alone.
//
// Plain functions without state; any thread may call them.
#ifndef VEXA_REPOS_LEGACYMEDIANAME_H
#define VEXA_REPOS_LEGACYMEDIANAME_H

#include <wx/string.h>

#include "repos/Export.h"

namespace vexa {
namespace repos {
namespace printer {

// The group folder of the medias that have no group.
VEXA_REPOS_API extern const wxChar* const kUngroupedGroup;  // "_Ungrouped_"

// Splits a legacy name. group: the characters after the first '[' up to the
// next ']' or the end of the text; empty when there is no '['. media: the
// characters before the first '[' (the whole text when there is none) with
// trailing white space removed. Never fails.
VEXA_REPOS_API void splitLegacyMediaName(const wxString& legacyName, wxString& group,
                                         wxString& media);

// "media [group]" ("%s [%s]"); the media name alone when the group is empty
// or "_Ungrouped_" (compared case-sensitively).
VEXA_REPOS_API wxString joinLegacyMediaName(const wxString& media, const wxString& group);

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_LEGACYMEDIANAME_H
