// Helpers shared by the file-system tests.
#ifndef VEXA_TESTS_VFS_VFSTESTSUPPORT_H
#define VEXA_TESTS_VFS_VFSTESTSUPPORT_H

#include <gtest/gtest.h>

#include <string>

#include "common/TestSupport.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystem.h"

namespace vexa {
namespace test {

// A fresh temporary folder opened as a local file system.
class VfsFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        m_root = vfs::openLocalFolder(vfs::createFileName(toWx(m_tmp.path())));
    }

    std::string path(const std::string& relative) const { return m_tmp.file(relative); }
    vfs::FileObjectPtr object(const std::string& relative) {
        return m_root->getFileSystem()->resolveFile(toWx(path(relative)));
    }

    TempDir m_tmp;
    vfs::FileObjectPtr m_root;
};

// True when some captured record has `level` and exactly `message`, and its
// function name contains `function`.
inline bool logged(const LogCapture& log, wxLogLevel level, const std::string& message,
                   const std::string& function = std::string()) {
    for (const CapturedLog& record : log.records()) {
        if (record.level == level && record.message == message &&
            record.function.find(function) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace test
}  // namespace vexa

#endif  // VEXA_TESTS_VFS_VFSTESTSUPPORT_H
