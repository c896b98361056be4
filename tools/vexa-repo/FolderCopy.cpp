#include "FolderCopy.h"

#include <unistd.h>

#include <boost/make_shared.hpp>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "Access.h"
#include "Command.h"
#include "ToolText.h"
#include "vfs/src/impl/CopyFilter.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystemException.h"

namespace vexa {
namespace tool {
namespace {

// Skips what a repository copy leaves out and draws the progress.
class ProgressFilter : public vfs::CopyFilter {
  public:
    ProgressFilter(const vfs::FileObjectPtr& source, const std::string& what, bool draw)
        : m_sourcePath(source->getName()->getNativePath()), m_what(what), m_draw(draw) {}

    Decision beforeCopy(const vfs::CopyProgress& progress) override {
        draw(progress, false);
        const wxString name = progress.next ? progress.next->getBaseName() : wxString();
        // Lock files belong to the folder they lock; the source's own
        // marker would stand for the source, not for the copy.
        if (name.IsSameAs(wxT(".lock"), false) || vfs::isTemporaryName(name)) {
            return SKIP;
        }
        if (name == wxT(".invalid") && progress.next->getParent() &&
            progress.next->getParent()->getName()->getNativePath() == m_sourcePath) {
            return SKIP;
        }
        return COPY;
    }

    void finished(const vfs::CopyProgress& progress) override { draw(progress, true); }

    // Ends a bar left half-drawn by a failed copy, so the message that
    // follows starts on a line of its own.
    void abandon() {
        if (m_drawn) {
            std::cerr << '\n';
        }
    }

  private:
    void draw(const vfs::CopyProgress& progress, bool last) {
        if (!m_draw) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!last && m_drawn && now - m_lastDraw < std::chrono::milliseconds(100)) {
            return;
        }
        m_lastDraw = now;
        m_drawn = true;
        const double total = progress.bytesTotal > 0 ? double(progress.bytesTotal) : 1.0;
        const double share = progress.bytesTotal > 0 ? progress.bytesDone / total
                                                     : (progress.filesTotal > 0 ? 1.0 : 0.0);
        const int width = 24;
        const int filled = static_cast<int>(share * width + 0.5);
        char line[256];
        std::snprintf(line, sizeof line, "\r%s [%s%s] %3d%%  %zu/%zu files, %.1f/%.1f MiB",
                      m_what.c_str(), std::string(filled, '#').c_str(),
                      std::string(width - filled, '-').c_str(), static_cast<int>(share * 100),
                      progress.filesDone, progress.filesTotal, progress.bytesDone / 1048576.0,
                      progress.bytesTotal / 1048576.0);
        std::cerr << line;
        if (last) {
            std::cerr << '\n';
        }
        std::cerr.flush();
    }

    wxString m_sourcePath;
    std::string m_what;
    bool m_draw;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_lastDraw;
};

}  // namespace

void copyRepositoryFolder(const vfs::FileObjectPtr& source, const vfs::FileObjectPtr& destination,
                          const std::string& what) {
    if (!isFolder(source) || !destination || destination->exists()) {
        throw ToolError(kFailure, "cannot copy " + what + ": the destination exists");
    }
    const auto undo = [&](const std::string& reason) {
        destination->remove();
        return ToolError(kFailure, "cannot copy " + what + ": " + reason);
    };
    if (!destination->createFolder() || !isFolder(destination)) {
        throw undo("cannot make '" + nativePath(destination) + "'");
    }
    const vfs::FileObjectPtr marker = destination->resolveChild(wxT(".invalid"));
    if (!marker || !marker->createFile()) {
        throw undo("cannot mark '" + nativePath(destination) + "' as incomplete");
    }
    // Lockable from the moment it exists, as every repository folder.
    destination->resolveChild(wxT(".lock"))->createFile();
    const boost::shared_ptr<ProgressFilter> filter =
        boost::make_shared<ProgressFilter>(source, "Copying", ::isatty(STDERR_FILENO) == 1);
    try {
        destination->copyTree(source, filter);
    } catch (const vfs::FileSystemException& e) {
        filter->abandon();
        throw undo(e.what());
    }
    if (!marker->remove()) {
        throw undo("cannot remove the marker '" + nativePath(marker) + "'");
    }
}

}  // namespace tool
}  // namespace vexa
