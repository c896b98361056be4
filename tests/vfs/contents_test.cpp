// File contents, their streams, and the pooled stream copy.
#include <gtest/gtest.h>
#include <wx/mstream.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "VfsTestSupport.h"
#include "vfs/src/impl/AbstractFileObject.h"
#include "vfs/src/impl/FileContent.h"
#include "vfs/src/impl/FileSystemException.h"

using vexa::test::LogCapture;
using vexa::test::logged;
using vexa::test::makeDirs;
using vexa::test::pathExists;
using vexa::test::readFile;
using vexa::test::toUtf8;
using vexa::test::VfsFixture;
using vexa::test::writeFile;
using namespace vexa::vfs;
using vexa::vfs::provider::AbstractFileObject;

namespace {

const std::size_t MiB = AbstractFileObject::COPY_BUFFER_SIZE;

std::string readAll(wxInputStream& in) {
    std::string text;
    char chunk[4096];
    while (in.Read(chunk, sizeof chunk).LastRead() > 0) {
        text.append(chunk, in.LastRead());
    }
    return text;
}

void writeAll(wxOutputStream& out, const std::string& text) {
    out.Write(text.data(), text.size());
}

// Records every write it gets; refuses everything after `limit` bytes.
class RecordingOutput : public wxOutputStream {
  public:
    explicit RecordingOutput(std::size_t limit = std::string::npos) : m_limit(limit) {}
    std::vector<std::size_t> writes;
    std::string data;

  protected:
    size_t OnSysWrite(const void* buffer, size_t size) override {
        writes.push_back(size);
        if (data.size() + size > m_limit) {
            m_lasterror = wxSTREAM_WRITE_ERROR;
            return 0;
        }
        data.append(static_cast<const char*>(buffer), size);
        return size;
    }

  private:
    std::size_t m_limit;
};

std::string pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

// Log target of one thread: notes when the pool says it is waiting.
class WaitRecorder : public wxLog {
  public:
    bool waitForMessages(std::size_t count) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(60),
                                  [&] { return m_times.size() >= count; });
    }
    std::vector<std::chrono::steady_clock::time_point> times() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_times;
    }

  protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&) override {
        if (level == wxLOG_Debug && msg == "********Waiting for Buffer**********") {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_times.push_back(std::chrono::steady_clock::now());
            m_changed.notify_all();
        }
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::chrono::steady_clock::time_point> m_times;
};

}  // namespace

TEST_F(VfsFixture, ReadersShutOutWritersAndWritersShutOutReaders) {
    writeFile(path("s.xml"), "before");
    const FileObjectPtr file = object("s.xml");
    const FileContentPtr content = file->getContent();
    EXPECT_EQ(file->getContent(), content);  // the same while alive
    EXPECT_EQ(content->getFile(), file);

    InputStreamPtr first = content->getInputStream();
    InputStreamPtr second = content->getInputStream();
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(content->isOpen());
    EXPECT_FALSE(content->getOutputStream());
    first.reset();
    EXPECT_FALSE(content->getOutputStream());  // one reader is still there
    EXPECT_EQ(readAll(*second), "before");
    second.reset();
    EXPECT_FALSE(content->isOpen());

    OutputStreamPtr out = content->getOutputStream();
    ASSERT_TRUE(out);
    EXPECT_FALSE(content->getInputStream());
    EXPECT_FALSE(content->getOutputStream());
    writeAll(*out, "after");
    out.reset();
    EXPECT_EQ(readFile(path("s.xml")), "after");  // truncated, written in place
    InputStreamPtr again = content->getInputStream();
    ASSERT_TRUE(again);
    EXPECT_EQ(readAll(*again), "after");
}

TEST_F(VfsFixture, HandedOutLocalPathBlocksStreamsUntilReleased) {
    writeFile(path("f"), "x");
    const FileObjectPtr file = object("f");
    const FileContentPtr content = file->getContent();
    EXPECT_EQ(toUtf8(content->getLocalPath()), path("f"));
    EXPECT_FALSE(content->getInputStream());
    EXPECT_FALSE(content->getOutputStream());
    content->releaseLocalPath();
    EXPECT_TRUE(content->getInputStream());

    content->getLocalPath();
    content->close();
    EXPECT_TRUE(content->getOutputStream());

    // The file object's close() and remove() release it as well.
    content->getLocalPath();
    file->close();
    EXPECT_FALSE(content->isOpen());
    content->getLocalPath();
    EXPECT_TRUE(file->remove());
    EXPECT_FALSE(content->isOpen());
}

TEST_F(VfsFixture, ContentOfMissingFileFolderAndVanishedFile) {
    const FileObjectPtr missing = object("new.dat");
    const FileContentPtr created = missing->getContent();
    EXPECT_TRUE(pathExists(path("new.dat")));
    EXPECT_EQ(created->getSize(), 0u);

    makeDirs(path("folder"));
    try {
        object("folder")->getContent();
        FAIL() << "no exception";
    } catch (const FileSystemException& error) {
        EXPECT_STREQ(error.what(), "Cannot get content on a folder");
    }

    writeFile(path("sized"), "12345");
    EXPECT_EQ(object("sized")->getContent()->getSize(), 5u);
    EXPECT_EQ(object("sized")->getSize(), 5u);
    EXPECT_EQ(object("folder")->getSize(), 0u);

    // The file goes away while its content is held.
    LogCapture log;
    unlink(path("new.dat").c_str());
    EXPECT_FALSE(created->getInputStream());
    EXPECT_FALSE(created->getOutputStream());
    EXPECT_TRUE(logged(log, wxLOG_Error, "Unable to open file for write: \n" + path("new.dat"),
                       "LocalFileContent::getOutputStream"));
    EXPECT_EQ(toUtf8(created->getLocalPath()), path("new.dat"));
    EXPECT_TRUE(logged(log, wxLOG_Debug, "filename '" + path("new.dat") + "' does not exist",
                       "LocalFileContent::getLocalPath"));
    EXPECT_EQ(created->getSize(), 0u);
}

TEST_F(VfsFixture, StreamThatCannotOpenReportsAWriteError) {
    writeFile(path("x"), "");
    const FileContentPtr content = object("x")->getContent();
    unlink(path("x").c_str());
    makeDirs(path("x"));  // a folder now stands where the file was
    OutputStreamPtr out = content->getOutputStream();
    ASSERT_TRUE(out);
    EXPECT_EQ(out->GetLastError(), wxSTREAM_WRITE_ERROR);
    EXPECT_FALSE(content->getInputStream());  // still counted as open
    out.reset();
    EXPECT_FALSE(content->isOpen());
}

TEST(CopyStream, BlockBoundaries) {
    struct Case {
        std::size_t size;
        std::vector<std::size_t> writes;
    };
    for (const Case& c : {Case{0, {}}, Case{MiB, {MiB}}, Case{MiB + 1, {MiB, 1}},
                          Case{3 * MiB - 1, {MiB, MiB, MiB - 1}}, Case{10, {10}}}) {
        SCOPED_TRACE(c.size);
        const std::string bytes = pattern(c.size);
        wxMemoryInputStream in(bytes.data(), bytes.size());
        RecordingOutput out;
        EXPECT_TRUE(AbstractFileObject::copyStream(&in, &out));
        EXPECT_EQ(out.writes, c.writes);
        EXPECT_TRUE(out.data == bytes);
    }
}

TEST(CopyStream, FailuresAreReported) {
    LogCapture log;
    RecordingOutput out;
    EXPECT_FALSE(AbstractFileObject::copyStream(nullptr, &out));
    EXPECT_TRUE(logged(log, wxLOG_Debug, "Unable to copy stream, source or destination was null",
                       "AbstractFileObject::copyStream"));
    wxMemoryInputStream in("abc", 3);
    EXPECT_FALSE(AbstractFileObject::copyStream(&in, nullptr));

    // An output that stops taking bytes half-way fails the copy, also when
    // the refusal comes in the last, partial block.
    const std::string bytes = pattern(2 * MiB + 10);
    wxMemoryInputStream full(bytes.data(), bytes.size());
    RecordingOutput shortOutput(MiB);
    EXPECT_FALSE(AbstractFileObject::copyStream(&full, &shortOutput));
    EXPECT_EQ(shortOutput.writes.size(), 2u);  // stops at the first refusal
    wxMemoryInputStream tail(bytes.data(), MiB + 10);
    RecordingOutput tailOutput(MiB + 5);
    EXPECT_FALSE(AbstractFileObject::copyStream(&tail, &tailOutput));
}

// Every buffer is taken: a copy polls, a second apart, until one is
// released, and pointers that are no buffer of the pool free nothing.
TEST(CopyBufferPool, ACopyWaitsUntilABufferIsFreeAndTheFreedOneIsReused) {
    LogCapture levels;  // enables debug records
    std::vector<char*> held;
    for (int i = 0; i < AbstractFileObject::COPY_BUFFER_COUNT; ++i) {
        held.push_back(AbstractFileObject::GetBuffer());
        ASSERT_NE(held.back(), nullptr);
    }
    char foreign[8];
    AbstractFileObject::ReleaseBuffer(foreign);
    AbstractFileObject::ReleaseBuffer(nullptr);

    WaitRecorder recorder;
    std::atomic<bool> done{false};
    bool result = false;
    RecordingOutput output;
    std::thread copier([&] {
        wxLog::SetThreadActiveTarget(&recorder);
        wxMemoryInputStream in("fifth", 5);
        result = AbstractFileObject::copyStream(&in, &output);
        wxLog::SetThreadActiveTarget(nullptr);
        done = true;
    });
    const bool waited = recorder.waitForMessages(2);
    EXPECT_FALSE(done);
    AbstractFileObject::ReleaseBuffer(held.back());
    copier.join();
    EXPECT_TRUE(waited);
    const auto times = recorder.times();
    if (times.size() >= 2) {
        EXPECT_GE(times[1] - times[0], std::chrono::milliseconds(900));
    }
    EXPECT_TRUE(result);
    EXPECT_EQ(output.data, "fifth");

    // Released, the first slot's buffer is the one handed out again.
    for (std::size_t i = 0; i + 1 < held.size(); ++i) {
        AbstractFileObject::ReleaseBuffer(held[i]);
    }
    char* again = AbstractFileObject::GetBuffer();
    EXPECT_EQ(again, held.front());
    AbstractFileObject::ReleaseBuffer(again);
}
