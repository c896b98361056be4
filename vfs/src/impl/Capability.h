// Value type of the virtual file system: what a file system can do.
//
// Process-wide constants, compared by name. A file system lists the ones it
// claims (FileSystem::hasCapability).
#ifndef VEXA_VFS_CAPABILITY_H
#define VEXA_VFS_CAPABILITY_H

#include <string>
#include <vector>

#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {

class VEXA_VFS_API Capability {
  public:
    static const Capability APPEND_CONTENT;
    static const Capability ATTRIBUTES;
    static const Capability COMPRESS;
    static const Capability CREATE;
    static const Capability DISPATCHER;
    static const Capability FS_ATTRIBUTES;
    static const Capability GET_LAST_MODIFIED;
    static const Capability GET_TYPE;
    static const Capability JUNCTIONS;
    static const Capability LAST_MODIFIED;
    static const Capability LIST_CHILDREN;
    static const Capability MANIFEST_ATTRIBUTES;
    static const Capability RANDOM_ACCESS_READ;
    static const Capability RANDOM_ACCESS_WRITE;
    static const Capability READ_CONTENT;
    static const Capability REMOVE;
    static const Capability RENAME;
    static const Capability SET_LAST_MODIFIED_FILE;
    static const Capability SET_LAST_MODIFIED_FOLDER;
    static const Capability SIGNING;
    static const Capability URI;
    static const Capability VIRTUAL;
    static const Capability WRITE_CONTENT;

    std::string getName() const { return m_name; }

    bool operator==(const Capability& other) const;
    bool operator!=(const Capability& other) const { return !(*this == other); }

  private:
    explicit constexpr Capability(const char* name) : m_name(name) {}

    const char* m_name;
};

typedef std::vector<Capability> CapabilityList;

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_CAPABILITY_H
