// Test runner: wxWidgets must be initialised before its log, threads and
// conversions are used.
#include <gtest/gtest.h>
#include <wx/init.h>
#include <wx/log.h>

namespace {

// Keeps the code under test's diagnostics out of the output; tests that
// assert messages install their own capturing target.
class SilentLog : public wxLog {
  protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    wxInitializer initializer;
    if (!initializer.IsOk()) {
        return 2;
    }
    delete wxLog::SetActiveTarget(new SilentLog);
    return RUN_ALL_TESTS();
}
