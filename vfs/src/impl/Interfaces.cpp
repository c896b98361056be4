// Out-of-line destructors: they anchor each interface's vtable and type
// information in this library.
#include "vfs/src/impl/CopyFilter.h"
#include "vfs/src/impl/FileContent.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystem.h"

namespace vexa {
namespace vfs {

FileName::~FileName() {}
FileSystem::~FileSystem() {}
FileObject::~FileObject() {}
FileContent::~FileContent() {}
CopyFilter::~CopyFilter() {}

void CopyFilter::finished(const CopyProgress&) {}

}  // namespace vfs
}  // namespace vexa
