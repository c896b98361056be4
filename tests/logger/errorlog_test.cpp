#include <gtest/gtest.h>

#include <wx/log.h>

#include <string>
#include <thread>
#include <vector>

#include "kernel/Text.h"
#include "logger/ErrorLog.h"
#include "logger/Log.h"

namespace {

struct Record {
    wxLogLevel level;
    std::string message;
    std::string file;
    int line;
};

// Captures records with their line, which the shared capture drops.
class LineCapture : public wxLog {
  public:
    LineCapture()
        : m_previous(wxLog::SetActiveTarget(this)),
          m_level(wxLog::GetLogLevel()),
          m_verbose(wxLog::GetVerbose()) {
        wxLog::SetLogLevel(wxLOG_Max);
        wxLog::SetVerbose(true);
    }
    ~LineCapture() override {
        wxLog::SetActiveTarget(m_previous);
        wxLog::SetLogLevel(m_level);
        wxLog::SetVerbose(m_verbose);
    }
    std::vector<Record> records;

  protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override {
        records.push_back(
            Record{level, vexa::kernel::toMB(msg), info.filename ? info.filename : "", info.line});
    }

  private:
    wxLog* m_previous;
    wxLogLevel m_level;
    bool m_verbose;
};

TEST(ErrorLog, ForwardsLevelMessageFileAndLine) {
    LineCapture capture;
    errorlog::ErrorLog& log = errorlog::ErrorLog::getInstance();
    EXPECT_EQ(&log, &errorlog::ErrorLog::getInstance());
    log.log(0, "ProcessExePath = /opt/Caf\xC3\xA9/bin/rip", "src/SystemRepository", 42);
    log.log(1, "Unable to locate repository dir in %s", "src/SystemRepository", 57);
    log.log(2, "failed", "other", 3);
    ASSERT_EQ(capture.records.size(), 3u);
    EXPECT_EQ(capture.records[0].level, static_cast<wxLogLevel>(wxLOG_Info));
    EXPECT_EQ(capture.records[0].message, "ProcessExePath = /opt/Caf\xC3\xA9/bin/rip");
    EXPECT_EQ(capture.records[0].file, "src/SystemRepository");
    EXPECT_EQ(capture.records[0].line, 42);
    EXPECT_EQ(capture.records[1].level, static_cast<wxLogLevel>(wxLOG_Warning));
    // Taken literally, not as a format.
    EXPECT_EQ(capture.records[1].message, "Unable to locate repository dir in %s");
    EXPECT_EQ(capture.records[1].line, 57);
    EXPECT_EQ(capture.records[2].level, static_cast<wxLogLevel>(wxLOG_Error));

    // A host that did not ask for informational records sees none, from
    // the logger or the library's own diagnostics; warnings and errors stay.
    capture.records.clear();
    wxLog::SetVerbose(false);
    log.log(0, "vexaDir = /opt", "src/SystemRepository", 43);
    VEXA_LOG_DEBUG("debug %d", 1);
    VEXA_LOG_INFO("info %d", 2);
    log.log(1, "warned", "src/SystemRepository", 44);
    VEXA_LOG_WARNING("warning %d", 3);
    VEXA_LOG_ERROR("error %d", 4);
    std::vector<std::string> messages;
    for (const Record& record : capture.records) {
        messages.push_back(record.message);
    }
    EXPECT_EQ(messages, (std::vector<std::string>{"warned", "warning 3", "error 4"}));
}

TEST(ErrorLog, RecordsOfOtherThreadsKeepTheirFileName) {
    LineCapture capture;
    std::thread worker([] {
        // The name's storage is gone before the queued record is flushed.
        std::string file = "src/Worker";
        errorlog::ErrorLog::getInstance().log(0, "from a thread", file.c_str(), 9);
        file.assign(file.size(), '#');
    });
    worker.join();
    wxLog::FlushActive();
    ASSERT_EQ(capture.records.size(), 1u);
    EXPECT_EQ(capture.records[0].message, "from a thread");
    EXPECT_EQ(capture.records[0].file, "src/Worker");
    EXPECT_EQ(capture.records[0].line, 9);
}

TEST(ErrorLog, NullTextsAreRecordedAsEmpty) {
    LineCapture capture;
    errorlog::ErrorLog::getInstance().log(0, nullptr, nullptr, 0);
    ASSERT_EQ(capture.records.size(), 1u);
    EXPECT_EQ(capture.records[0].message, "");
    EXPECT_EQ(capture.records[0].file, "");
}

}  // namespace
