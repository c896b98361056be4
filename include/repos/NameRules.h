// Which names a printer, media group, media or mode may be given.
//
// Every such name is a folder name in the repository and is typed again
// later by operators and hosts (a media also as "MEDIA [GROUP]"). Copies and
// renames refuse a name that could not be used again, before they change
// anything on disk.
#ifndef VEXA_REPOS_NAMERULES_H
#define VEXA_REPOS_NAMERULES_H

#include <wx/string.h>

#include "repos/Export.h"

namespace vexa {
namespace repos {

enum class NameKind { PRINTER, MEDIA_GROUP, MEDIA, MODE };

// True when `name` may name a new object of `kind`: not empty, not "." or
// "..", at most 255 bytes as UTF-8, without '/', '\\' or control characters
// (U+0000 to U+001F, U+007F), without blanks at either end, and only text
// that is valid UTF-8 (no escaped bytes, see kernel/Text.h). Media and
// group names hold no '[' or ']' (the legacy name "MEDIA [GROUP]" would
// split them elsewhere), and a media name does not begin with '*' (a
// starred name stands for another media). Otherwise false, and the thread's
// failure (repos/Failure.h) is INVALID_NAME saying why.
VEXA_REPOS_API bool checkName(NameKind kind, const wxString& name);

// "printer", "media group", "media", "mode".
VEXA_REPOS_API const char* nameKindText(NameKind kind);

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_NAMERULES_H
