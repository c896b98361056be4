// File contents, their streams, and the pooled stream copy.
#include <gtest/gtest.h>
#include <wx/mstream.h>

#include <sys/stat.h>
#include <unistd.h>

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
using vexa::test::N;
using vexa::test::pathExists;
using vexa::test::readFile;
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

// Holds readers inside their first read until released; counts arrivals.
class Gate {
  public:
    void arrive() {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_arrived;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_passes > 0; });
        --m_passes;
    }
    bool waitForArrivals(int count) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(60),
                                  [&] { return m_arrived >= count; });
    }
    void let(int count) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_passes += count;
        m_changed.notify_all();
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_arrived = 0;
    int m_passes = 0;
};

// Gives its text in one read after passing the gate, then the end.
class GatedInput : public wxInputStream {
  public:
    GatedInput(Gate& gate, const std::string& text) : m_gate(gate), m_text(text) {}

  protected:
    size_t OnSysRead(void* buffer, size_t size) override {
        if (!m_passed) {
            m_gate.arrive();
            m_passed = true;
        }
        const std::size_t n = std::min(size, m_text.size() - m_offset);
        m_text.copy(static_cast<char*>(buffer), n, m_offset);
        m_offset += n;
        if (n == 0) {
            m_lasterror = wxSTREAM_EOF;
        }
        return n;
    }

  private:
    Gate& m_gate;
    std::string m_text;
    std::size_t m_offset = 0;
    bool m_passed = false;
};

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
    EXPECT_EQ(N(content->getLocalPath()), path("f"));
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
    EXPECT_EQ(N(created->getLocalPath()), path("new.dat"));
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

TEST(CopyBufferPool, BuffersAreReusedAndForeignPointersIgnored) {
    char* first = AbstractFileObject::GetBuffer();
    ASSERT_NE(first, nullptr);
    AbstractFileObject::ReleaseBuffer(first);
    char foreign[8];
    AbstractFileObject::ReleaseBuffer(foreign);
    AbstractFileObject::ReleaseBuffer(nullptr);
    // The freed slot is the first one tried again: same buffer.
    char* again = AbstractFileObject::GetBuffer();
    EXPECT_EQ(again, first);
    AbstractFileObject::ReleaseBuffer(again);
}

TEST(CopyBufferPool, FifthCopyWaitsUntilABufferIsFree) {
    LogCapture levels;  // enables debug records
    Gate gate;
    std::vector<std::thread> holders;
    std::vector<RecordingOutput> outputs(4);
    bool results[4] = {false, false, false, false};
    for (int i = 0; i < 4; ++i) {
        holders.emplace_back([&, i] {
            GatedInput in(gate, "holder " + std::to_string(i));
            results[i] = AbstractFileObject::copyStream(&in, &outputs[i]);
        });
    }
    // All four have a buffer and sit in their first read.
    EXPECT_TRUE(gate.waitForArrivals(4));

    WaitRecorder recorder;
    std::mutex doneMutex;
    bool fifthDone = false;
    bool fifthResult = false;
    RecordingOutput fifthOutput;
    std::thread fifth([&] {
        wxLog::SetThreadActiveTarget(&recorder);
        wxMemoryInputStream in("fifth", 5);
        const bool ok = AbstractFileObject::copyStream(&in, &fifthOutput);
        wxLog::SetThreadActiveTarget(nullptr);
        std::lock_guard<std::mutex> lock(doneMutex);
        fifthResult = ok;
        fifthDone = true;
    });

    // It polls: one message per try, a second apart.
    const bool waited = recorder.waitForMessages(2);
    {
        std::lock_guard<std::mutex> lock(doneMutex);
        EXPECT_FALSE(fifthDone);
    }
    gate.let(1);
    fifth.join();
    gate.let(3);
    for (std::thread& holder : holders) {
        holder.join();
    }
    EXPECT_TRUE(waited);
    const auto times = recorder.times();
    if (times.size() >= 2) {
        EXPECT_GE(times[1] - times[0], std::chrono::milliseconds(900));
    }
    EXPECT_TRUE(fifthResult);
    EXPECT_EQ(fifthOutput.data, "fifth");
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(results[i]);
        EXPECT_EQ(outputs[i].data, "holder " + std::to_string(i));
    }
}
