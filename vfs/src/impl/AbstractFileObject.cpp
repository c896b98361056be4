#include "vfs/src/impl/AbstractFileObject.h"

#include <cstdint>
#include <vector>

#include "logger/Log.h"
#include "vfs/src/impl/AbstractFileName.h"
#include "vfs/src/impl/FileContent.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileSystemException.h"

namespace vexa {
namespace vfs {
namespace provider {

namespace {

wxString slashedNativePath(const FileObjectPtr& object) {
    return AbstractFileName::normaliseSeparators(object->getName()->getNativePath());
}

// Gives a pool buffer back on every way out of copyStream().
class BufferGuard {
  public:
    explicit BufferGuard(char* buffer) : m_buffer(buffer) {}
    ~BufferGuard() { AbstractFileObject::ReleaseBuffer(m_buffer); }
    BufferGuard(const BufferGuard&) = delete;
    BufferGuard& operator=(const BufferGuard&) = delete;

  private:
    char* m_buffer;
};

// Sizes and counts for the copy filter; gathered only when there is one.
struct CopyPlan {
    std::vector<std::uint64_t> sizes;  // per entry; 0 for folders
    std::vector<bool> isFile;
    CopyProgress progress;
};

void planCopy(const FileObjectList& files, CopyPlan* plan) {
    for (const FileObjectPtr& file : files) {
        const bool isFile = file && file->getType() == FileType::FILE;
        const std::uint64_t size = isFile ? file->getSize() : 0;
        plan->isFile.push_back(isFile);
        plan->sizes.push_back(size);
        if (isFile) {
            ++plan->progress.filesTotal;
            plan->progress.bytesTotal += size;
        }
    }
}

void countDone(CopyPlan* plan, std::size_t index) {
    if (plan->isFile[index]) {
        ++plan->progress.filesDone;
        plan->progress.bytesDone += plan->sizes[index];
    }
}

bool isBelowAny(const wxString& path, const std::vector<wxString>& folderPrefixes) {
    for (const wxString& prefix : folderPrefixes) {
        if (path.StartsWith(prefix)) {
            return true;
        }
    }
    return false;
}

// Asks the filter about entry `index` (`source` at `sourcePath`): true when it is
// passed over, for itself or because a folder above it was; throws when the
// filter cancels the copy.
bool filterSkips(CopyFilter& filter, CopyPlan* plan, std::size_t index, const FileObjectPtr& source,
                 const wxString& sourcePath, std::vector<wxString>* skippedFolders) {
    if (isBelowAny(sourcePath, *skippedFolders)) {
        return true;
    }
    plan->progress.next = source;
    const CopyFilter::Decision decision = filter.beforeCopy(plan->progress);
    if (decision == CopyFilter::CANCEL) {
        throw FileSystemException(wxString::Format("Copy cancelled before \"%s\"", sourcePath));
    }
    if (decision == CopyFilter::SKIP && !plan->isFile[index]) {
        skippedFolders->push_back(sourcePath + wxT("/"));
    }
    return decision == CopyFilter::SKIP;
}

[[noreturn]] void throwCopyError(const FileObjectPtr& source, const FileObjectPtr& destination) {
    throw FileSystemException(wxString::Format("Error copying file. source:\"%s\" dest:\"%s\"",
                                               source->getName()->getNativePath(),
                                               destination->getName()->getNativePath()));
}

}  // namespace

AbstractFileObject::AbstractFileObject() {}

AbstractFileObject::~AbstractFileObject() {}

FileObjectPtr AbstractFileObject::resolveChild(const wxString& relative) {
    return resolveFile(relative, NameScope::CHILD);
}

void AbstractFileObject::copyFrom(const FileObjectPtr& source) {
    copyTree(source, CopyFilterPtr());
}

void AbstractFileObject::copyTree(const FileObjectPtr& source, const CopyFilterPtr& filter) {
    if (source && source->isSymbolicLink()) {
        // The link itself is the entry: its target is not this copy's to take.
        copyFiles(slashedNativePath(source) + wxT("/"), FileObjectList(1, source), filter);
        return;
    }
    const FileType type = source ? source->getType() : FileType::IMAGINARY;
    if (type == FileType::IMAGINARY) {
        throw FileSystemException("Cannot copy from an imaginary file");
    }
    wxString rootPath = source->getName()->getNativePath();
    if (!rootPath.EndsWith(wxT("/"))) {
        rootPath += wxT("/");
    }
    FileObjectList files;
    if (type == FileType::FILE) {
        files.push_back(source);
    } else {
        // Decided before anything is written: a folder never goes into a file,
        // and an empty source folder still gives an (empty) folder.
        if (getType() == FileType::FILE) {
            throw FileSystemException("Cannot copy a folder into a file");
        }
        createFolder();
        // An empty pattern lists every entry: dot-files are copied too.
        files = *source->findFiles(wxEmptyString);
    }
    copyFiles(rootPath, files, filter);
}

void AbstractFileObject::copyFiles(const wxString& sourceRoot, const FileObjectList& files,
                                   const CopyFilterPtr& filter) {
    const wxString root = AbstractFileName::normaliseSeparators(sourceRoot);
    CopyPlan plan;
    if (filter) {
        planCopy(files, &plan);
    }
    std::vector<wxString> skippedFolders;  // each with a trailing '/'
    wxString ensuredFolder;                // the last destination folder known to exist
    for (std::size_t i = 0; i < files.size(); ++i) {
        const FileObjectPtr& source = files[i];
        if (!source) {
            continue;
        }
        const wxString sourcePath = slashedNativePath(source);
        if (!filter || !filterSkips(*filter, &plan, i, source, sourcePath, &skippedFolders)) {
            copyEntry_(source, root, sourcePath, &ensuredFolder);
        }
        if (filter) {
            countDone(&plan, i);
        }
    }
    if (filter) {
        plan.progress.next.reset();
        filter->finished(plan.progress);
    }
}

FileObjectPtr AbstractFileObject::destinationOf_(const wxString& root, const wxString& sourcePath) {
    const wxString relative =
        sourcePath.length() > root.length() ? sourcePath.Mid(root.length()) : wxString();
    return relative.empty() ? FileObjectPtr(shared_from_this())
                            : resolveFile(relative, NameScope::DESCENDENT_OR_SELF);
}

void AbstractFileObject::copyEntry_(const FileObjectPtr& source, const wxString& root,
                                    const wxString& sourcePath, wxString* ensuredFolder) {
    if (source->isSymbolicLink()) {
        copyLink_(source, root, sourcePath);
        return;
    }
    const FileType sourceType = source->getType();
    if (sourceType == FileType::IMAGINARY) {
        // Removed since it was listed (by another process): nothing to
        // copy, and asking for its content would create it.
        return;
    }
    FileObjectPtr destination = destinationOf_(root, sourcePath);
    if (!destination) {
        throwCopyError(source, shared_from_this());
    }
    const FileType destinationType = destination->getType();
    if (sourceType != FileType::FILE) {
        if (destinationType == FileType::FILE) {
            throw FileSystemException("Cannot copy a folder into a file");
        }
        if (destinationType == FileType::IMAGINARY) {
            destination->createFolder();
        }
        return;
    }
    if (destinationType == FileType::FOLDER) {
        destination = destination->resolveChild(source->getBaseName());
        if (!destination) {
            throwCopyError(source, shared_from_this());
        }
    } else if (destinationType == FileType::IMAGINARY) {
        // Files come grouped by folder: check each folder once.
        const FileObjectPtr parent = destination->getParent();
        const wxString parentPath = parent ? slashedNativePath(parent) : wxString();
        if (parent && parentPath != *ensuredFolder) {
            if (!parent->exists()) {
                parent->createFolder();
            }
            *ensuredFolder = parentPath;
        }
    }
    // Copying a file onto itself would truncate it before reading.
    if (slashedNativePath(destination) != sourcePath) {
        destination->createFile();
        if (!copyContent(source->getContent(), destination->getContent())) {
            throwCopyError(source, destination);
        }
    }
}

void AbstractFileObject::copyLink_(const FileObjectPtr& source, const wxString& root,
                                   const wxString& sourcePath) {
    // A dangling link cannot be checked: copying it would hand the copy a
    // reference to something that may appear anywhere later.
    if (!source->exists()) {
        throw FileSystemException(wxString::Format("Cannot copy the dangling link \"%s\"",
                                                   source->getName()->getNativePath()));
    }
    FileObjectPtr destination = destinationOf_(root, sourcePath);
    if (destination && destination->getType() == FileType::FOLDER &&
        !destination->isSymbolicLink()) {
        destination = destination->resolveChild(source->getBaseName());
    }
    if (!destination || !destination->createLink(source->getLinkTarget())) {
        throwCopyError(source, destination ? destination : FileObjectPtr(shared_from_this()));
    }
}

bool AbstractFileObject::moveTo(const FileObjectPtr& destination) {
    if (!destination) {
        return false;
    }
    try {
        destination->copyFrom(shared_from_this());
    } catch (const FileSystemException&) {
        return false;
    }
    return remove();
}

bool AbstractFileObject::copyStream(wxInputStream* input, wxOutputStream* output) {
    char* buffer = GetBuffer();
    if (buffer == nullptr) {
        VEXA_LOG_ERROR("Unable to obtain copy buffer");
        return false;
    }
    BufferGuard guard(buffer);
    if (input == nullptr || output == nullptr) {
        VEXA_LOG_DEBUG("Unable to copy stream, source or destination was null");
        return false;
    }
    // A stream whose open failed must not be read or written at all.
    if (!input->IsOk() || !output->IsOk()) {
        return false;
    }
    // wxInputStream::Read() clears the whole requested size before reading,
    // so asking for 1 MiB to fetch a 100 KB file costs more than the copy.
    // When the stream knows its length, ask for no more than remains and stop
    // there; the same full 1 MiB blocks and final partial block are written.
    // Otherwise read 1 MiB at a time until a short read.
    const wxFileOffset length = input->GetLength();
    const wxFileOffset start = length != wxInvalidOffset ? input->TellI() : wxInvalidOffset;
    const bool sized = start != wxInvalidOffset && length >= start;
    std::uint64_t remaining = sized ? static_cast<std::uint64_t>(length - start) : 0;
    bool written = true;
    while (!sized || remaining > 0) {
        const std::size_t request = sized && remaining < COPY_BUFFER_SIZE
                                        ? static_cast<std::size_t>(remaining)
                                        : COPY_BUFFER_SIZE;
        input->Read(buffer, request);
        const std::size_t count = input->LastRead();
        if (count == 0) {
            break;
        }
        output->Write(buffer, count);
        if (output->LastWrite() != count) {
            written = false;
            break;
        }
        if (count < request) {
            break;  // a short read: the input has ended
        }
        remaining = remaining > count ? remaining - count : 0;
    }
    const wxStreamError inputState = input->GetLastError();
    const bool inputEnded = inputState == wxSTREAM_NO_ERROR || inputState == wxSTREAM_EOF;
    return written && inputEnded && output->GetLastError() == wxSTREAM_NO_ERROR;
}

bool AbstractFileObject::copyContent(const FileContentPtr& source,
                                     const FileContentPtr& destination) {
    if (!source || !destination) {
        return false;
    }
    InputStreamPtr input = source->getInputStream();
    if (!input) {
        return false;
    }
    OutputStreamPtr output = destination->getOutputStream();
    if (!output) {
        return false;
    }
    const bool copied = copyStream(input.get(), output.get());
    if (copied) {
        output.reset();  // closes the file before its time is set
        destination->close();
        destination->getFile()->setLastModifiedTimeNs(source->getFile()->getLastModifiedTimeNs());
    }
    return copied;
}

}  // namespace provider
}  // namespace vfs
}  // namespace vexa
