#include "printer/InnerLocks.h"

#include <boost/make_shared.hpp>
#include <cerrno>

#include "kernel/Failure.h"
#include "printer/FolderSettingsStore.h"
#include "printer/PrinterKeys.h"
#include "repos/LegacyMediaName.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileType.h"

namespace vexa {
namespace repos {
namespace impl {

namespace {

const wxChar* const kModesFolderName = wxT("Modes");

// The sub-folders of `folder` that can be repository folders: real folders,
// not links, not our temporary entries.
std::vector<vfs::FileObjectPtr> subFolders(const vfs::FileObjectPtr& folder) {
    std::vector<vfs::FileObjectPtr> found;
    if (!isFolder(folder) || folder->isSymbolicLink()) {
        return found;
    }
    const vfs::FileObjectListPtr children = folder->getChildren();
    for (const vfs::FileObjectPtr& child : *children) {
        if (!child->isSymbolicLink() && !vfs::isTemporaryName(child->getBaseName()) &&
            child->getType() == vfs::FileType::FOLDER) {
            found.push_back(child);
        }
    }
    return found;
}

// The child `name` of `folder` when it is a real folder; never creates it.
vfs::FileObjectPtr existingSubFolder(const vfs::FileObjectPtr& folder, const wxString& name) {
    if (!isFolder(folder) || folder->isSymbolicLink()) {
        return vfs::FileObjectPtr();
    }
    const vfs::FileObjectPtr child = folder->resolveChild(name);
    return child && !child->isSymbolicLink() && isFolder(child) ? child : vfs::FileObjectPtr();
}

wxString quoted(const wxString& name) {
    return wxT("'") + name + wxT("'");
}

// Checks one folder's lock: taken and given back at once.
bool checkOne(const InnerFolder& inner) {
    FolderHold hold(inner.folder, inner.label);
    return hold.held();
}

bool removeOne(const InnerFolder& inner, bool withModes) {
    FolderHold hold(inner.folder, inner.label);
    if (!hold.held()) {
        return false;
    }
    // Readers of other processes see an invalid object should this stop
    // half-way.
    inner.folder->resolveChild(printer::keys::kInvalidMarker)->createFile();
    if (withModes) {
        for (const InnerFolder& mode : modeFoldersOf(inner.folder, inner.label)) {
            if (!removeOne(mode, false)) {
                return false;
            }
        }
    }
    if (!removeContents(inner.folder)) {
        return false;
    }
    hold.release();
    return removeObject(inner.folder);
}

}  // namespace

FolderHold::FolderHold(const vfs::FileObjectPtr& folder, const wxString& label)
    : m_mutex(folderMutex(folder)) {
    m_writeLocker = boost::make_shared<WriteLocker>(m_mutex);
    if (!m_writeLocker->held()) {
        m_writeLocker.reset();
        const kernel::Failure why = kernel::lastFailure();
        kernel::recordFailure(why.code, label + wxT(": ") + why.message);
        return;
    }
    m_fileLocker = boost::make_shared<WriteFileLocker>(FileLock::create(folder));
    if (m_fileLocker->holdsLock()) {
        return;
    }
    m_fileLocker.reset();
    m_writeLocker.reset();
    const kernel::Failure why = kernel::lastFailure();
    if (why.code == kernel::FailureCode::LOCKED) {
        kernel::recordFailure(
            kernel::FailureCode::LOCKED,
            wxString::Format(wxT("%s is in use by another process (lock '%s')"), label, why.path),
            why.path);
    } else if (why) {
        kernel::recordFailure(why.code, label + wxT(": ") + why.message, why.path);
    } else {
        kernel::recordFailure(kernel::FailureCode::IO_ERROR,
                              wxString::Format(wxT("%s cannot be locked"), label));
    }
}

FolderHold::~FolderHold() {
    release();
}

void FolderHold::release() {
    m_fileLocker.reset();
    m_writeLocker.reset();
}

std::vector<InnerFolder> mediaFoldersOf(const vfs::FileObjectPtr& printer,
                                        const wxString& printerLabel) {
    std::vector<InnerFolder> medias;
    const vfs::FileObjectPtr mediasFolder =
        existingSubFolder(printer, printer::keys::kMediasFolder);
    for (const vfs::FileObjectPtr& group : subFolders(mediasFolder)) {
        const wxString groupName = group->getBaseName();
        for (const vfs::FileObjectPtr& media : subFolders(group)) {
            const wxString legacy = printer::joinLegacyMediaName(media->getBaseName(), groupName);
            medias.push_back(InnerFolder{
                media, wxString::Format(wxT("media %s of %s"), quoted(legacy), printerLabel)});
        }
    }
    return medias;
}

std::vector<InnerFolder> modeFoldersOf(const vfs::FileObjectPtr& media,
                                       const wxString& mediaLabel) {
    std::vector<InnerFolder> modes;
    for (const vfs::FileObjectPtr& mode : subFolders(existingSubFolder(media, kModesFolderName))) {
        modes.push_back(InnerFolder{
            mode, wxString::Format(wxT("mode %s of %s"), quoted(mode->getBaseName()), mediaLabel)});
    }
    return modes;
}

bool checkInnerFolders(const vfs::FileObjectPtr& folder, bool isPrinter, const wxString& label) {
    if (!isPrinter) {
        for (const InnerFolder& mode : modeFoldersOf(folder, label)) {
            if (!checkOne(mode)) {
                return false;
            }
        }
        return true;
    }
    for (const InnerFolder& media : mediaFoldersOf(folder, label)) {
        // The media stays held while its modes are checked: lock order.
        FolderHold hold(media.folder, media.label);
        if (!hold.held()) {
            return false;
        }
        for (const InnerFolder& mode : modeFoldersOf(media.folder, media.label)) {
            if (!checkOne(mode)) {
                return false;
            }
        }
    }
    return true;
}

bool removeInnerFolders(const vfs::FileObjectPtr& folder, bool isPrinter, const wxString& label) {
    if (!isPrinter) {
        for (const InnerFolder& mode : modeFoldersOf(folder, label)) {
            if (!removeOne(mode, false)) {
                return false;
            }
        }
        return true;
    }
    for (const InnerFolder& media : mediaFoldersOf(folder, label)) {
        if (!removeOne(media, true)) {
            return false;
        }
    }
    return true;
}

bool removeContents(const vfs::FileObjectPtr& folder) {
    if (!folder || folder->isSymbolicLink()) {
        return true;
    }
    const vfs::FileObjectListPtr children = folder->getChildren();
    for (const vfs::FileObjectPtr& child : *children) {
        if (!child->getBaseName().IsSameAs(printer::keys::kLockFile, false) &&
            !removeObject(child)) {
            return false;
        }
    }
    return true;
}

bool removeObject(const vfs::FileObjectPtr& object) {
    if (!object) {
        return true;
    }
    errno = 0;
    if (object->remove() && !object->isSymbolicLink() && !object->exists()) {
        return true;
    }
    const int error = errno != 0 ? errno : EIO;
    kernel::recordOsFailure(error, wxT("cannot remove"), object->getName()->getNativePath());
    return false;
}

wxString printerLabel(const wxString& printer) {
    return wxT("printer ") + quoted(printer);
}

wxString mediaLabel(const wxString& group, const wxString& media, const wxString& printer) {
    return wxString::Format(wxT("media %s of %s"),
                            quoted(printer::joinLegacyMediaName(media, group)),
                            printerLabel(printer));
}

}  // namespace impl
}  // namespace repos
}  // namespace vexa
