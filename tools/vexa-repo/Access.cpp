#include "Access.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <vector>

#include "ToolText.h"
#include "repos/LegacyMediaName.h"
#include "repos/Repository.h"
#include "repos/SystemRepository.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystemException.h"
#include "vfs/src/impl/FileType.h"

namespace vexa {
namespace tool {

using repos::printer::kUngroupedGroup;

namespace {

const char* const kSettingsFile = ".Settings.xml";

// The settings file of a repository folder: exit status 4 when it is
// missing (the library would create it empty) or not a file.
void requireSettings(const vfs::FileObjectPtr& folder, const std::string& label) {
    if (!isFile(existingChild(folder, kSettingsFile))) {
        throw ToolError(
            kFailure, label + " has no settings file " + kSettingsFile + " (see vexa-repo check)");
    }
}

}  // namespace

vfs::FileObjectPtr existingChild(const vfs::FileObjectPtr& folder, const std::string& child) {
    if (!isFolder(folder)) {
        return vfs::FileObjectPtr();
    }
    vfs::FileObjectPtr object = folder->resolveChild(W(child));
    return object && object->exists() ? object : vfs::FileObjectPtr();
}

bool isFolder(const vfs::FileObjectPtr& object) {
    return object && object->getType() == vfs::FileType::FOLDER;
}

bool isFile(const vfs::FileObjectPtr& object) {
    return object && object->getType() == vfs::FileType::FILE;
}

std::string nativePath(const vfs::FileObjectPtr& object) {
    return object ? U(object->getName()->getNativePath()) : std::string();
}

vfs::FileObjectPtr openRepository(const GlobalOptions& options) {
    static vfs::FileObjectPtr opened;  // one command, one repository
    if (opened) {
        return opened;
    }
    if (options.wait >= 0) {
        repos::FileLock::setWait(
            std::chrono::milliseconds(static_cast<long long>(options.wait * 1000 + 0.5)));
    }
    if (!options.repo.empty()) {
        // Paths are bytes here: no conversion that could follow the locale.
        std::error_code error;
        std::filesystem::path folder = std::filesystem::absolute(options.repo, error);
        std::string path = folder.lexically_normal().string();
        while (path.size() > 1 && path.back() == '/') {
            path.pop_back();
        }
        // Set explicitly, it wins over any "db" beside the program and over
        // VEXA_INSTALL; the folder holding "db" and "db" itself both do.
        repos::clearFailure();
        if (!repos::SystemRepository::setRepositoryDir(W(path))) {
            throwFailure("--repo '" + options.repo + "'");
        }
        repos::printer::PrinterCatalog::reset();
    }
    const vfs::FileObjectPtr db = repos::SystemRepository::getRepositoryDir();
    if (!isFolder(db)) {
        throw ToolError(kNotFound,
                        "no repository found: give --repo DIR or set VEXA_INSTALL to the folder "
                        "holding \"db\"");
    }
    if (options.verbose && !options.quiet) {
        std::cerr << "vexa-repo: repository "
                  << kernel::toMB(repos::SystemRepository::describeLocation()) << "\n";
    }
    opened = db;
    return db;
}

int exitStatusOf(repos::FailureCode code) {
    switch (code) {
        case repos::FailureCode::LOCKED:
            return kLocked;
        case repos::FailureCode::NOT_FOUND:
            return kNotFound;
        case repos::FailureCode::INVALID_NAME:
            return kUsage;
        default:
            return kFailure;
    }
}

void throwFailure(const std::string& prefix) {
    const repos::Failure& why = repos::lastFailure();
    if (!why) {
        throw ToolError(kFailure, prefix);
    }
    throw ToolError(exitStatusOf(why.code), prefix + ": " + U(why.message));
}

void checkExistingName(const std::string& kind, const std::string& name) {
    if (name.empty()) {
        throw ToolError(kUsage, "the " + kind + " name is empty");
    }
    if (name == "." || name == ".." || name.find('/') != std::string::npos) {
        throw ToolError(kUsage, "'" + name + "' is not a " + kind +
                                    " name: names are folder names, without '/' and not "
                                    "\".\" or \"..\"");
    }
}

void checkNewName(repos::NameKind kind, const std::string& name) {
    repos::clearFailure();
    if (!repos::checkName(kind, W(name))) {
        // The library's reason names the kind and the name.
        const repos::Failure& why = repos::lastFailure();
        throw ToolError(kUsage, why ? U(why.message) : "invalid name '" + name + "'");
    }
}

// ---- Locks -------------------------------------------------------------------

bool FolderLock::take_(const vfs::FileObjectPtr& folder) {
    repos::clearFailure();
    m_lock = repos::FileLock::create(folder);
    if (!m_lock) {
        return false;
    }
    m_writer.reset(new repos::WriteFileLocker(m_lock));
    if (m_writer->holdsLock()) {
        return true;
    }
    m_writer.reset();
    const repos::FailureCode code = repos::lastFailure().code;
    if (code != repos::FailureCode::PERMISSION_DENIED && code != repos::FailureCode::READ_ONLY) {
        return false;
    }
    // A user who may only read still keeps other processes' writers out.
    repos::clearFailure();
    m_reader.reset(new repos::ReadFileLocker(m_lock));
    return m_reader->holdsLock();
}

FolderLock::FolderLock(const vfs::FileObjectPtr& folder, const std::string& what) {
    if (!take_(folder)) {
        throwFailure(m_lock ? "cannot lock " + what : "cannot make the lock file of " + what);
    }
}

FolderLock::~FolderLock() = default;

bool FolderLock::tryLock(const vfs::FileObjectPtr& folder, std::unique_ptr<FolderLock>& lock) {
    std::unique_ptr<FolderLock> attempt(new FolderLock());
    if (!attempt->take_(folder)) {
        return false;
    }
    lock = std::move(attempt);
    return true;
}

std::string folderState(const vfs::FileObjectPtr& folder, std::unique_ptr<FolderLock>& lock) {
    if (existingChild(folder, ".invalid")) {
        return "half-made";
    }
    if (!isFile(existingChild(folder, kSettingsFile))) {
        return "no settings";
    }
    return FolderLock::tryLock(folder, lock) ? std::string() : "locked";
}

// ---- Printers ----------------------------------------------------------------

std::string PrinterAccess::label() const {
    return "printer '" + name + "'";
}

PrinterReaderPtr PrinterAccess::reader() const {
    repos::clearFailure();
    PrinterReaderPtr reader = repos::printer::PrinterReader::getReader(repository);
    if (!reader) {
        throwFailure("cannot read " + label());
    }
    return reader;
}

PrinterWriterPtr PrinterAccess::writer() const {
    repos::clearFailure();
    PrinterWriterPtr writer = repos::printer::PrinterWriter::getWriter(repository);
    if (!writer) {
        throwFailure("cannot write " + label());
    }
    return writer;
}

PrinterAccess openPrinter(const GlobalOptions& options, const std::string& name) {
    checkExistingName("printer", name);
    openRepository(options);
    PrinterAccess access;
    access.name = name;
    access.folder = existingChild(repos::SystemRepository::getPrintersFolder(), name);
    if (!isFolder(access.folder)) {
        throw ToolError(kNotFound, "no " + access.label());
    }
    requireSettings(access.folder, access.label());
    access.lock.reset(new FolderLock(access.folder, access.label()));
    repos::clearFailure();
    try {
        access.repository =
            repos::printer::PrinterRepository::createRepository(W(name), wxString());
    } catch (const vfs::FileSystemException& e) {
        throw ToolError(kFailure, "cannot open " + access.label() + ": " + e.what());
    }
    if (!access.repository) {
        throwFailure("cannot read " + access.label() + " (see vexa-repo check)");
    }
    return access;
}

// ---- Medias ------------------------------------------------------------------

std::string MediaName::legacy() const {
    return U(repos::printer::joinLegacyMediaName(W(media), W(group)));
}

vfs::FileObjectPtr mediaFolder(const vfs::FileObjectPtr& printerFolder, const MediaName& name) {
    return existingChild(existingChild(existingChild(printerFolder, "Medias"), name.group),
                         name.media);
}

namespace {

// Splits a legacy name and checks both parts as existing names; an empty
// group is left empty.
MediaName splitChecked(const std::string& argument) {
    wxString group;
    wxString media;
    repos::printer::splitLegacyMediaName(W(argument), group, media);
    MediaName name{U(group), U(media)};
    checkExistingName("media", name.media);
    if (!name.group.empty()) {
        checkExistingName("group", name.group);
    }
    return name;
}

// The groups of the printer folder holding a media folder `media`.
std::vector<std::string> groupsHolding(const vfs::FileObjectPtr& printerFolder,
                                       const std::string& media) {
    std::vector<std::string> groups;
    const vfs::FileObjectPtr medias = existingChild(printerFolder, "Medias");
    if (!isFolder(medias)) {
        return groups;
    }
    const vfs::FileObjectListPtr children = medias->getChildren();
    for (const vfs::FileObjectPtr& group : *children) {
        if (isFolder(group) && isFolder(existingChild(group, media))) {
            groups.push_back(U(group->getBaseName()));
        }
    }
    return groups;
}

}  // namespace

MediaName findMedia(const PrinterAccess& printer, const std::string& argument, bool hasGroup,
                    const std::string& group) {
    MediaName name;
    if (hasGroup) {
        checkExistingName("media", argument);
        name.media = argument;
        name.group = group.empty() ? U(kUngroupedGroup) : group;
        checkExistingName("group", name.group);
    } else {
        name = splitChecked(argument);
        if (name.group.empty()) {
            name.group = U(kUngroupedGroup);
            const bool bracketed = argument.find('[') != std::string::npos;
            if (!bracketed && !isFolder(mediaFolder(printer.folder, name))) {
                const std::vector<std::string> groups = groupsHolding(printer.folder, name.media);
                if (groups.size() == 1) {
                    name.group = groups.front();
                } else if (groups.size() > 1) {
                    std::string list;
                    for (const std::string& g : groups) {
                        list += (list.empty() ? "" : ", ") + g;
                    }
                    throw ToolError(kUsage, "media '" + name.media + "' of " + printer.label() +
                                                " is in several groups (" + list +
                                                "): write 'MEDIA [GROUP]' or use --group");
                }
            }
        }
    }
    if (!isFolder(mediaFolder(printer.folder, name))) {
        throw ToolError(kNotFound, printer.label() + " has no media '" + name.legacy() + "'");
    }
    return name;
}

MediaName existingMediaName(const std::string& argument, const std::string& defaultGroup) {
    MediaName name = splitChecked(argument);
    if (name.group.empty()) {
        name.group = defaultGroup.empty() ? U(kUngroupedGroup) : defaultGroup;
    }
    return name;
}

MediaName newMediaName(const std::string& argument, const std::string& defaultGroup) {
    MediaName name;
    if (argument.find_first_of("[]") == std::string::npos) {
        // Taken whole: the split would cut trailing blanks the rules refuse.
        name.media = argument;
    } else {
        wxString group;
        wxString media;
        repos::printer::splitLegacyMediaName(W(argument), group, media);
        name = MediaName{U(group), U(media)};
        // The split drops what follows the group ("a [b] [c]" would become
        // "a [b]"): a new media must be named as it will be listed.
        if (group.empty() || argument != name.media + " [" + name.group + "]") {
            throw ToolError(kUsage, "'" + argument +
                                        "' is not a media name: write 'MEDIA [GROUP]' with one "
                                        "group, or MEDIA alone");
        }
    }
    checkNewName(repos::NameKind::MEDIA, name.media);
    if (name.group.empty()) {
        name.group = defaultGroup.empty() ? U(kUngroupedGroup) : defaultGroup;
    }
    checkNewName(repos::NameKind::MEDIA_GROUP, name.group);
    return name;
}

std::string MediaAccess::label() const {
    return "media '" + name.legacy() + "' of printer '" + printer + "'";
}

MediaReaderPtr MediaAccess::reader() const {
    repos::clearFailure();
    MediaReaderPtr reader = repos::printer::MediaReader::getReader(repository);
    if (!reader) {
        throwFailure("cannot read " + label());
    }
    return reader;
}

MediaWriterPtr MediaAccess::writer() const {
    repos::clearFailure();
    MediaWriterPtr writer = repos::printer::MediaWriter::getWriter(repository);
    if (!writer) {
        throwFailure("cannot write " + label());
    }
    return writer;
}

MediaAccess openMedia(const PrinterAccess& printer, const PrinterReaderPtr& printerReader,
                      const MediaName& name) {
    MediaAccess access;
    access.printer = printer.name;
    access.name = name;
    access.folder = mediaFolder(printer.folder, name);
    if (!isFolder(access.folder)) {
        throw ToolError(kNotFound, printer.label() + " has no media '" + name.legacy() + "'");
    }
    requireSettings(access.folder, access.label());
    access.lock.reset(new FolderLock(access.folder, access.label()));
    repos::clearFailure();
    access.repository = printerReader->getMedia(W(name.group), W(name.media));
    if (!access.repository) {
        throwFailure("cannot read " + access.label() + " (see vexa-repo check)");
    }
    return access;
}

// ---- Modes -------------------------------------------------------------------

std::string ModeAccess::label() const {
    return "mode '" + name + "' of media '" + media.legacy() + "' of printer '" + printer + "'";
}

ModeReaderPtr ModeAccess::reader() const {
    repos::clearFailure();
    ModeReaderPtr reader = repos::printer::ModeReader::getReader(repository);
    if (!reader) {
        throwFailure("cannot read " + label());
    }
    return reader;
}

ModeWriterPtr ModeAccess::writer() const {
    repos::clearFailure();
    ModeWriterPtr writer = repos::printer::ModeWriter::getWriter(repository);
    if (!writer) {
        throwFailure("cannot write " + label());
    }
    return writer;
}

ModeAccess openMode(const MediaAccess& media, const MediaReaderPtr& mediaReader,
                    const std::string& name) {
    checkExistingName("mode", name);
    ModeAccess access;
    access.name = name;
    access.printer = media.printer;
    access.media = media.name;
    access.folder = existingChild(existingChild(media.folder, "Modes"), name);
    if (!isFolder(access.folder)) {
        throw ToolError(kNotFound, media.label() + " has no mode '" + name + "'");
    }
    requireSettings(access.folder, access.label());
    access.lock.reset(new FolderLock(access.folder, access.label()));
    repos::clearFailure();
    access.repository = mediaReader->getMode(W(name));
    if (!access.repository) {
        throwFailure("cannot read " + access.label() + " (see vexa-repo check)");
    }
    return access;
}

}  // namespace tool
}  // namespace vexa
