// Handle types of the virtual file system.
//
// Every name, file system, file object and content crosses the library's
// boundary as a boost::shared_ptr; back references (file system to its root
// object, file object to its content) are boost::weak_ptr. Lists of file
// objects are handed out as a shared handle to a vector.
#ifndef VEXA_VFS_HANDLES_H
#define VEXA_VFS_HANDLES_H

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <vector>

class wxInputStream;
class wxOutputStream;

namespace vexa {
namespace vfs {

class FileName;
class FileSystem;
class FileObject;
class FileContent;
class CopyFilter;

typedef boost::shared_ptr<FileName> FileNamePtr;
typedef boost::shared_ptr<FileSystem> FileSystemPtr;
typedef boost::shared_ptr<FileObject> FileObjectPtr;
typedef boost::weak_ptr<FileObject> FileObjectWeakPtr;
typedef boost::shared_ptr<FileContent> FileContentPtr;
typedef boost::weak_ptr<FileContent> FileContentWeakPtr;
typedef boost::shared_ptr<CopyFilter> CopyFilterPtr;

typedef std::vector<FileObjectPtr> FileObjectList;
typedef boost::shared_ptr<FileObjectList> FileObjectListPtr;

typedef boost::shared_ptr<wxInputStream> InputStreamPtr;
typedef boost::shared_ptr<wxOutputStream> OutputStreamPtr;

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_HANDLES_H
