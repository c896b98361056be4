#include <gtest/gtest.h>

#include <wx/log.h>

#include <string>
#include <thread>
#include <vector>

#include "common/TestSupport.h"
#include "logger/ErrorLog.h"
#include "logger/Log.h"

namespace {

TEST(ErrorLog, ForwardsLevelMessageFileAndLine) {
    vexa::test::LogCapture capture;
    errorlog::ErrorLog& log = errorlog::ErrorLog::getInstance();
    EXPECT_EQ(&log, &errorlog::ErrorLog::getInstance());
    log.log(0, "ProcessExePath = /opt/Caf\xC3\xA9/bin/rip", "src/SystemRepository", 42);
    log.log(1, "Unable to locate repository dir in %s", "src/SystemRepository", 57);
    log.log(2, "failed", "other", 3);
    log.log(0, nullptr, nullptr, 0);
    const std::vector<vexa::test::CapturedLog> records = capture.records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].level, static_cast<wxLogLevel>(wxLOG_Info));
    EXPECT_EQ(records[0].message, "ProcessExePath = /opt/Caf\xC3\xA9/bin/rip");
    EXPECT_EQ(records[0].file, "src/SystemRepository");
    EXPECT_EQ(records[0].line, 42);
    EXPECT_EQ(records[1].level, static_cast<wxLogLevel>(wxLOG_Warning));
    // Taken literally, not as a format.
    EXPECT_EQ(records[1].message, "Unable to locate repository dir in %s");
    EXPECT_EQ(records[1].line, 57);
    EXPECT_EQ(records[2].level, static_cast<wxLogLevel>(wxLOG_Error));
    // Null texts are recorded as empty.
    EXPECT_EQ(records[3].message, "");
    EXPECT_EQ(records[3].file, "");

    // A host that did not ask for informational records sees none, from
    // the logger or the library's own diagnostics; warnings and errors stay.
    capture.clear();
    wxLog::SetVerbose(false);
    log.log(0, "vexaDir = /opt", "src/SystemRepository", 43);
    VEXA_LOG_DEBUG("debug %d", 1);
    VEXA_LOG_INFO("info %d", 2);
    log.log(1, "warned", "src/SystemRepository", 44);
    VEXA_LOG_WARNING("warning %d", 3);
    VEXA_LOG_ERROR("error %d", 4);
    std::vector<std::string> messages;
    for (const vexa::test::CapturedLog& record : capture.records()) {
        messages.push_back(record.message);
    }
    EXPECT_EQ(messages, (std::vector<std::string>{"warned", "warning 3", "error 4"}));
}

TEST(ErrorLog, RecordsOfOtherThreadsKeepTheirFileName) {
    vexa::test::LogCapture capture;
    std::thread worker([] {
        // The name's storage is gone before the queued record is flushed.
        std::string file = "src/Worker";
        errorlog::ErrorLog::getInstance().log(0, "from a thread", file.c_str(), 9);
        file.assign(file.size(), '#');
    });
    worker.join();
    const std::vector<vexa::test::CapturedLog> records = capture.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message, "from a thread");
    EXPECT_EQ(records[0].file, "src/Worker");
    EXPECT_EQ(records[0].line, 9);
}

}  // namespace
