#include "vfs/src/impl/local/LocalFileObject.h"

#include <boost/make_shared.hpp>

#include "kernel/Text.h"
#include "logger/Log.h"
#include "vfs/src/impl/AbstractFileName.h"
#include "vfs/src/impl/FileContent.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileSystem.h"
#include "vfs/src/impl/FileSystemException.h"
#include "vfs/src/impl/local/LocalDirTraverser.h"
#include "vfs/src/impl/local/LocalFileContent.h"
#include "vfs/src/impl/local/LocalFileOps.h"
#include "vfs/src/impl/local/WindowsFileName.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

namespace {

const std::int64_t kNanosPerSecond = 1000000000;

// True when the bytes could begin a text of Windows form (conservatively).
bool mayBeWindowsForm(const std::string& path) {
    return path.size() >= 2 &&
           (path[1] == ':' || (path[0] == path[1] && (path[0] == '/' || path[0] == '\\')));
}

std::string localPathOf(const FileNamePtr& name) {
    // A name without a root is a POSIX path: its bytes are the local path,
    // with no round trip through wide text.
    const WindowsFileName* local = dynamic_cast<const WindowsFileName*>(name.get());
    std::string path =
        local != nullptr && local->getRootText().empty() && !mayBeWindowsForm(local->getPathBytes())
            ? local->getPathBytes()
            : kernel::toMB(AbstractFileName::normaliseSeparators(name->getNativePath()));
    if (path.size() > 1 && path.back() == '/') {
        path.pop_back();  // but "/" stays the root folder
    }
    return path;
}

std::string withTrailingSlash(const std::string& path) {
    return !path.empty() && path.back() == '/' ? path : path + '/';
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

LocalFileObject::LocalFileObject(const FileSystemPtr& fileSystem, const FileObjectPtr& rootObject,
                                 const FileNamePtr& name)
    : m_fileSystem(fileSystem),
      m_rootObject(rootObject),
      m_name(name),
      m_localPath(localPathOf(name)) {}

LocalFileObject::~LocalFileObject() {}

std::string LocalFileObject::statPath_() const {
    // Only a bare drive ("C:"): a POSIX name may end in ':', and with "/"
    // appended a file of that name would read as missing.
    const bool bareDrive = m_localPath.size() == 2 &&
                           AbstractFileName::isWindowsForm(kernel::fromMB(m_localPath));
    return bareDrive ? m_localPath + '/' : m_localPath;
}

wxString LocalFileObject::childPath_(const wxString& relative) const {
    return kernel::fromMB(withTrailingSlash(m_localPath)) + relative;
}

wxString LocalFileObject::shownPath_() const {
    return kernel::fromMB(m_localPath);
}

FileObjectPtr LocalFileObject::getParent() const {
    const FileNamePtr parent = m_name->getParent();
    return parent ? m_fileSystem->resolveFile(parent) : FileObjectPtr();
}

FileSystemPtr LocalFileObject::getFileSystem() const {
    return m_fileSystem;
}

bool LocalFileObject::createFile() {
    // The exclusive create is the existence check: it never truncates what
    // is there, also when it appeared a moment ago.
    const ops::CreateResult result = ops::createNewFile(m_localPath);
    if (result == ops::CREATE_FAILED) {
        VEXA_LOG_DEBUG("Unable to create file '%s'", shownPath_());
    }
    return result == ops::CREATED;
}

bool LocalFileObject::createFolder() {
    const FileType type = getType();
    if (type == FileType::FILE) {
        VEXA_LOG_DEBUG("Unable to create folder when it already exists as a file %s",
                       shownPath_());
        return false;
    }
    if (type == FileType::IMAGINARY && !ops::makeFolders(m_localPath)) {
        VEXA_LOG_DEBUG("Unable to create directory %s", shownPath_());
    }
    return true;
}

bool LocalFileObject::exists() const {
    ops::Status status;
    return ops::queryStatus(statPath_(), &status);
}

FileType LocalFileObject::getType() const {
    ops::Status status;
    if (!ops::queryStatus(statPath_(), &status)) {
        return FileType::IMAGINARY;
    }
    return status.isFolder ? FileType::FOLDER : FileType::FILE;
}

wxString LocalFileObject::getBaseName() const {
    return m_name->getBaseName();
}

wxString LocalFileObject::getURI() const {
    return m_name->getURI();
}

FileNamePtr LocalFileObject::getName() const {
    return m_name;
}

std::uint64_t LocalFileObject::getSize() const {
    ops::Status status;
    if (!ops::queryStatus(statPath_(), &status) || status.isFolder) {
        return 0;
    }
    return status.size;
}

std::int64_t LocalFileObject::getLastModifiedTime() const {
    ops::Status status;
    return ops::queryStatus(statPath_(), &status) ? status.modifiedSeconds : 0;
}

std::int64_t LocalFileObject::getLastModifiedTimeNs() const {
    ops::Status status;
    return ops::queryStatus(statPath_(), &status) ? status.modifiedNanos : 0;
}

bool LocalFileObject::setLastModifiedTime(std::int64_t t) {
    return setLastModifiedTimeNs(t * kNanosPerSecond);
}

bool LocalFileObject::setLastModifiedTimeNs(std::int64_t ns) {
    const FileType type = getType();
    if (type == FileType::FILE) {
        return ns != 0 ? ops::setModificationTime(m_localPath, ns) : ops::touch(m_localPath);
    }
    if (type == FileType::FOLDER && ns == 0) {
        // Creating and removing an entry is what makes the folder's time move.
        const FileObjectPtr temporary = resolveChild(
            wxString::Format("_%lld.tmp", static_cast<long long>(ops::currentTimeSeconds())));
        if (!temporary || !temporary->createFile()) {
            return false;
        }
        temporary->remove();
        return true;
    }
    return false;
}

FileStamp LocalFileObject::getStamp() const {
    return getStatus().stamp;
}

FileStatus LocalFileObject::getStatus() const {
    ops::Identity identity;
    FileStatus status;
    if (ops::queryIdentity(statPath_(), &identity)) {
        status.type = identity.isFolder ? FileType::FOLDER : FileType::FILE;
        status.stamp.device = identity.device;
        status.stamp.inode = identity.inode;
        status.stamp.size = identity.size;
        status.stamp.modifiedNs = identity.modifiedNanos;
    }
    return status;
}

bool LocalFileObject::isSymbolicLink() const {
    return ops::isSymbolicLink(m_localPath);
}

wxString LocalFileObject::getLinkTarget() const {
    wxString target;
    return ops::readLink(m_localPath, &target) ? target : wxString();
}

bool LocalFileObject::createLink(const wxString& target) {
    if (target.empty() || !ops::makeLink(kernel::toMB(target), m_localPath)) {
        VEXA_LOG_DEBUG("Unable to create the link '%s'", shownPath_());
        return false;
    }
    return true;
}

bool LocalFileObject::remove() {
    if (ops::isSymbolicLink(m_localPath)) {
        return ops::removeFile(m_localPath);  // the link, never what it points at
    }
    const FileType type = getType();
    if (type == FileType::IMAGINARY) {
        return true;
    }
    close();
    if (type == FileType::FILE) {
        return ops::removeFile(m_localPath);
    }
    return ops::removeTree(m_localPath);
}

FileObjectListPtr LocalFileObject::getChildren() const {
    FileObjectListPtr children = boost::make_shared<FileObjectList>();
    std::vector<wxString> names;
    if (getType() != FileType::FOLDER || !ops::listFolder(m_localPath, &names)) {
        return children;
    }
    for (const wxString& name : names) {
        children->push_back(m_fileSystem->resolveFile(childPath_(name)));
    }
    return children;
}

FileObjectPtr LocalFileObject::resolveFile(const wxString& relative, const NameScope&) {
    FileType type = getType();
    if (type == FileType::IMAGINARY) {
        createFolder();
        type = getType();
    }
    if (type == FileType::FOLDER) {
        return m_fileSystem->resolveFile(childPath_(relative));
    }
    if (type == FileType::FILE) {
        const FileObjectPtr parent = getParent();
        return parent ? parent->resolveFile(relative, NameScope::CHILD) : FileObjectPtr();
    }
    return FileObjectPtr();
}

FileObjectPtr LocalFileObject::resolveChildOfFolder(const wxString& relative) {
    return m_fileSystem->resolveFile(childPath_(relative));
}

FileObjectListPtr LocalFileObject::findFiles(const wxString& pattern) const {
    FileObjectListPtr found = boost::make_shared<FileObjectList>();
    std::vector<wxString> paths;
    LocalDirTraverser traverser(paths, pattern, kernel::fromMB(withTrailingSlash(m_localPath)));
    if (!traverser.traverse(m_localPath)) {
        return found;
    }
    // The walk joined each path below this folder, so it is already the
    // child path of its relative part.
    for (const wxString& path : paths) {
        found->push_back(m_fileSystem->resolveFile(path));
    }
    return found;
}

bool LocalFileObject::moveTo(const FileObjectPtr& destination) {
    if (!destination || !exists()) {
        return false;
    }
    const std::string target = localPathOf(destination->getName());
    if (target == m_localPath) {
        return true;
    }
    if (startsWith(target, withTrailingSlash(m_localPath)) ||
        startsWith(m_localPath, withTrailingSlash(target))) {
        // The fallback would remove the one while copying the other into it.
        VEXA_LOG_DEBUG("Cannot move '%s' to '%s', one contains the other", shownPath_(),
                       kernel::fromMB(target));
        return false;
    }
    if (ops::renameReplacing(m_localPath, target)) {
        return true;
    }
    destination->remove();
    try {
        destination->copyFrom(shared_from_this());
    } catch (const FileSystemException& error) {
        VEXA_LOG_DEBUG("Unable to move '%s': %s", shownPath_(), kernel::fromMB(error.what()));
        return false;
    }
    return remove();
}

FileContentPtr LocalFileObject::getContent() {
    return content_(true);
}

FileContentPtr LocalFileObject::getContentNoCreate() {
    return content_(false);
}

FileContentPtr LocalFileObject::content_(bool create) {
    const FileType type = getType();
    std::lock_guard<std::mutex> lock(m_contentMutex);
    if (type == FileType::FOLDER) {
        m_content.reset();
        throw FileSystemException("Cannot get content on a folder");
    }
    if (type == FileType::IMAGINARY) {
        m_content.reset();
        if (create) {
            createFile();
        }
    }
    return contentLocked_();
}

FileContentPtr LocalFileObject::getContentOfFile() {
    std::lock_guard<std::mutex> lock(m_contentMutex);
    return contentLocked_();
}

FileContentPtr LocalFileObject::contentLocked_() {
    FileContentPtr content = m_content.lock();
    if (!content) {
        content = boost::make_shared<LocalFileContent>(shared_from_this(), m_localPath);
        m_content = content;
    }
    return content;
}

wxString LocalFileObject::getScheme() const {
    return m_name->getScheme();
}

void LocalFileObject::close() {
    FileContentPtr content;
    {
        std::lock_guard<std::mutex> lock(m_contentMutex);
        content = m_content.lock();
    }
    if (content && content->isOpen()) {
        content->close();
    }
}

}  // namespace local
}  // namespace provider

wxString systemPathOf(const FileObjectPtr& object) {
    const provider::local::LocalFileObject* local =
        dynamic_cast<const provider::local::LocalFileObject*>(object.get());
    return local ? kernel::fromMB(local->getLocalPath()) : wxString();
}

}  // namespace vfs
}  // namespace vexa
