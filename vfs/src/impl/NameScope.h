// Value type of the virtual file system: the scope passed to resolution.
//
// The local provider does not restrict results by scope; the value documents
// the caller's intent. Process-wide constants, compared by name.
#ifndef VEXA_VFS_NAMESCOPE_H
#define VEXA_VFS_NAMESCOPE_H

#include <string>

#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {

class VEXA_VFS_API NameScope {
  public:
    static const NameScope CHILD;
    static const NameScope DESCENDENT;
    static const NameScope DESCENDENT_OR_SELF;
    static const NameScope FILE_SYSTEM;

    std::string getName() const { return m_name; }

    bool operator==(const NameScope& other) const;
    bool operator!=(const NameScope& other) const { return !(*this == other); }

  private:
    explicit constexpr NameScope(const char* name) : m_name(name) {}

    const char* m_name;
};

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_NAMESCOPE_H
