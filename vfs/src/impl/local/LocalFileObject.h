// Files and folders on the local disk.
//
// A LocalFileObject holds its file system and the file system's root object
// strongly (the root object itself holds an empty root handle), its name, the
// local path derived from the name, and a weak reference to the content it
// handed out last. Every query goes to the disk. The content reference is
// guarded by a mutex, so an object may be shared between threads.
#ifndef VEXA_VFS_LOCAL_LOCALFILEOBJECT_H
#define VEXA_VFS_LOCAL_LOCALFILEOBJECT_H

#include <mutex>
#include <string>

#include "vfs/src/impl/AbstractFileObject.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

class VEXA_VFS_API LocalFileObject : public AbstractFileObject {
  public:
    // The local path is the name's native path in '/' spelling without one
    // trailing separator. `rootObject` is empty for the root object itself.
    LocalFileObject(const FileSystemPtr& fileSystem, const FileObjectPtr& rootObject,
                    const FileNamePtr& name);
    ~LocalFileObject() override;

    FileObjectPtr getParent() const override;
    FileSystemPtr getFileSystem() const override;
    bool createFile() override;
    bool createFolder() override;
    // A path ending in ':' (a bare drive) is queried with "/" appended.
    bool exists() const override;
    FileType getType() const override;
    wxString getBaseName() const override;
    wxString getURI() const override;
    FileNamePtr getName() const override;
    std::uint64_t getSize() const override;
    std::int64_t getLastModifiedTime() const override;
    bool setLastModifiedTime(std::int64_t t) override;
    bool remove() override;
    FileObjectListPtr getChildren() const override;
    FileObjectPtr resolveFile(const wxString& relative, const NameScope& scope) override;
    FileObjectListPtr findFiles(const wxString& pattern) const override;
    // Renames, replacing the destination; when the rename fails, removes the
    // destination, copies this object there and removes this object. Refuses
    // a missing source and a destination inside this object or around it.
    bool moveTo(const FileObjectPtr& destination) override;
    FileContentPtr getContent() override;
    wxString getScheme() const override;
    void close() override;
    std::int64_t getLastModifiedTimeNs() const override;
    bool setLastModifiedTimeNs(std::int64_t ns) override;
    FileStamp getStamp() const override;
    bool isSymbolicLink() const override;
    wxString getLinkTarget() const override;
    bool createLink(const wxString& target) override;
    FileContentPtr getContentNoCreate() override;
    FileStatus getStatus() const override;
    FileObjectPtr resolveChildOfFolder(const wxString& relative) override;
    FileContentPtr getContentOfFile() override;

    // The path the platform calls use: the bytes the system sees.
    const std::string& getLocalPath() const { return m_localPath; }

  private:
    FileContentPtr content_(bool create);
    // The live content, or a new one; the caller holds m_contentMutex.
    FileContentPtr contentLocked_();
    std::string statPath_() const;
    // The local path of an entry below this folder.
    wxString childPath_(const wxString& relative) const;
    // The local path for messages.
    wxString shownPath_() const;

    const FileSystemPtr m_fileSystem;
    const FileObjectPtr m_rootObject;
    const FileNamePtr m_name;
    // Bytes, not wide text: a quarter of the memory for every object a host
    // keeps, and no conversion at each system call.
    const std::string m_localPath;
    mutable std::mutex m_contentMutex;
    FileContentWeakPtr m_content;
};

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_LOCAL_LOCALFILEOBJECT_H
