#include "repos/NameRules.h"

#include "kernel/Failure.h"
#include "kernel/Text.h"

namespace vexa {
namespace repos {

namespace {

const std::size_t kMaxNameBytes = 255;

bool refuse(NameKind kind, const wxString& name, const char* why) {
    kernel::recordFailure(
        kernel::FailureCode::INVALID_NAME,
        wxString::Format(wxT("invalid %s name '%s': %s"), kernel::fromMB(nameKindText(kind)), name,
                         kernel::fromMB(why)));
    return false;
}

bool isBlank(wxUniChar c) {
    return c == ' ' || c == 0xA0 || c == 0x3000;
}

}  // namespace

const char* nameKindText(NameKind kind) {
    switch (kind) {
        case NameKind::PRINTER:
            return "printer";
        case NameKind::MEDIA_GROUP:
            return "media group";
        case NameKind::MEDIA:
            return "media";
        case NameKind::MODE:
            return "mode";
    }
    return "object";
}

bool checkName(NameKind kind, const wxString& name) {
    if (name.empty()) {
        return refuse(kind, name, "empty");
    }
    if (name == wxT(".") || name == wxT("..")) {
        return refuse(kind, name, "'.' and '..' name no folder of their own");
    }
    for (wxString::const_iterator it = name.begin(); it != name.end(); ++it) {
        const wxUint32 c = static_cast<wxUint32>((*it).GetValue());
        if (c == '/' || c == '\\') {
            return refuse(kind, name, "holds '/' or '\\'");
        }
        if (c < 0x20 || c == 0x7F) {
            return refuse(kind, name, "holds a control character");
        }
        if (c >= 0xD800 && c <= 0xDFFF) {
            return refuse(kind, name, "is not valid UTF-8");
        }
        if ((kind == NameKind::MEDIA || kind == NameKind::MEDIA_GROUP) && (c == '[' || c == ']')) {
            return refuse(kind, name,
                          "holds '[' or ']' (a legacy name 'MEDIA [GROUP]' would split it)");
        }
    }
    if (isBlank(name[0]) || isBlank(name.Last())) {
        return refuse(kind, name, "begins or ends with a blank");
    }
    if (kind == NameKind::MEDIA && name[0] == '*') {
        return refuse(kind, name, "begins with '*' (a starred name stands for another media)");
    }
    if (kernel::toMB(name).size() > kMaxNameBytes) {
        return refuse(kind, name, "longer than 255 bytes");
    }
    return true;
}

}  // namespace repos
}  // namespace vexa
