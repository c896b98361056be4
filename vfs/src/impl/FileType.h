// Value types of the virtual file system: what a path holds on disk.
//
// FileType values are process-wide constants, compared by name and copied
// freely. Their constant initialisation makes them safe to use from other
// libraries' static initialisers.
#ifndef VEXA_VFS_FILETYPE_H
#define VEXA_VFS_FILETYPE_H

#include <string>

#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {

class VEXA_VFS_API FileType {
  public:
    static const FileType FILE;       // a file: has content and attributes
    static const FileType FOLDER;     // a folder: has children and attributes
    static const FileType IMAGINARY;  // nothing exists at the path

    std::string getName() const { return m_name; }
    bool hasChildren() const { return m_hasChildren; }
    bool hasContent() const { return m_hasContent; }
    bool hasAttributes() const { return m_hasAttributes; }

    bool operator==(const FileType& other) const;
    bool operator!=(const FileType& other) const { return !(*this == other); }

  private:
    constexpr FileType(const char* name, bool children, bool content, bool attributes)
        : m_name(name),
          m_hasChildren(children),
          m_hasContent(content),
          m_hasAttributes(attributes) {}

    const char* m_name;
    bool m_hasChildren;
    bool m_hasContent;
    bool m_hasAttributes;
};

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_FILETYPE_H
