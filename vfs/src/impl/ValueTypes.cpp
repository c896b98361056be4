#include <cstring>

#include "vfs/src/impl/Capability.h"
#include "vfs/src/impl/FileType.h"
#include "vfs/src/impl/NameScope.h"

namespace vexa {
namespace vfs {

// Constant-initialised (constexpr constructors, literal names), so they are
// ready before any dynamic initialiser runs.
const FileType FileType::FILE("FILE", false, true, true);
const FileType FileType::FOLDER("FOLDER", true, false, true);
const FileType FileType::IMAGINARY("IMAGINARY", false, false, false);

bool FileType::operator==(const FileType& other) const {
    return std::strcmp(m_name, other.m_name) == 0;
}

const NameScope NameScope::CHILD("CHILD");
const NameScope NameScope::DESCENDENT("DESCENDENT");
const NameScope NameScope::DESCENDENT_OR_SELF("DESCENDENT_OR_SELF");
const NameScope NameScope::FILE_SYSTEM("FILE_SYSTEM");

bool NameScope::operator==(const NameScope& other) const {
    return std::strcmp(m_name, other.m_name) == 0;
}

const Capability Capability::APPEND_CONTENT("APPEND_CONTENT");
const Capability Capability::ATTRIBUTES("ATTRIBUTES");
const Capability Capability::COMPRESS("COMPRESS");
const Capability Capability::CREATE("CREATE");
const Capability Capability::DISPATCHER("DISPATCHER");
const Capability Capability::FS_ATTRIBUTES("FS_ATTRIBUTES");
const Capability Capability::GET_LAST_MODIFIED("GET_LAST_MODIFIED");
const Capability Capability::GET_TYPE("GET_TYPE");
const Capability Capability::JUNCTIONS("JUNCTIONS");
const Capability Capability::LAST_MODIFIED("LAST_MODIFIED");
const Capability Capability::LIST_CHILDREN("LIST_CHILDREN");
const Capability Capability::MANIFEST_ATTRIBUTES("MANIFEST_ATTRIBUTES");
const Capability Capability::RANDOM_ACCESS_READ("RANDOM_ACCESS_READ");
const Capability Capability::RANDOM_ACCESS_WRITE("RANDOM_ACCESS_WRITE");
const Capability Capability::READ_CONTENT("READ_CONTENT");
const Capability Capability::REMOVE("REMOVE");
const Capability Capability::RENAME("RENAME");
const Capability Capability::SET_LAST_MODIFIED_FILE("SET_LAST_MODIFIED_FILE");
const Capability Capability::SET_LAST_MODIFIED_FOLDER("SET_LAST_MODIFIED_FOLDER");
const Capability Capability::SIGNING("SIGNING");
const Capability Capability::URI("URI");
const Capability Capability::VIRTUAL("VIRTUAL");
const Capability Capability::WRITE_CONTENT("WRITE_CONTENT");

bool Capability::operator==(const Capability& other) const {
    return std::strcmp(m_name, other.m_name) == 0;
}

}  // namespace vfs
}  // namespace vexa
