#include "repos/Version.h"

namespace vexa {
namespace repos {

const char* version() {
    return VEXA_REPOS_VERSION_STRING;
}

}  // namespace repos
}  // namespace vexa
