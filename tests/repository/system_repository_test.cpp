// The repository search starts from the running executable, so each case
// copies this test program into a made-up installation and runs it there as
// a probe (the disabled test below), which writes what it found to a file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <list>
#include <string>

#include "common/TestSupport.h"
#include "kernel/Text.h"
#include "repos/SystemRepository.h"

using vexa::repos::SystemRepository;

namespace {

// The list in name order: the system's listing order is its own.
std::string printers() {
    std::list<wxString> names = SystemRepository::getPrintersList();
    names.sort();
    std::string text;
    for (const wxString& name : names) {
        text += (text.empty() ? "" : ",") + vexa::kernel::toMB(name);
    }
    return "printers: " + text + "\n";
}

std::string logLines(const vexa::test::LogCapture& log) {
    std::string text;
    for (const vexa::test::CapturedLog& record : log.records()) {
        text += "log " + std::to_string(record.level) + ": " + record.message + "\n";
    }
    return text;
}

}  // namespace

TEST(SystemRepositoryProbe, DISABLED_Report) {
    const char* out = std::getenv("VEXA_PROBE_OUT");
    ASSERT_NE(out, nullptr);
    std::string report;
    if (const char* folder = std::getenv("VEXA_PROBE_SET")) {
        report += "set: " +
                  std::to_string(SystemRepository::setRepositoryDir(vexa::kernel::fromMB(folder))) +
                  "\n";
    }
    {
        vexa::test::LogCapture log;
        report += printers();
        report += logLines(log);
    }
    report += "where: " + vexa::kernel::toMB(SystemRepository::describeLocation()) + "\n";
    if (const char* later = std::getenv("VEXA_PROBE_MAKE")) {
        vexa::test::makeDirs(later);
        report += "after making " + std::string(later) + "\n" + printers();
    }
    if (std::getenv("VEXA_PROBE_RESET")) {
        vexa::test::LogCapture log;
        SystemRepository::Reset();
        report += "after reset\n" + printers();
        report += logLines(log);
    }
    vexa::test::writeFile(out, report);
}

namespace {

std::string quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

class SystemRepositoryTest : public ::testing::Test {
  protected:
    // Installs a copy of this program as X/B/probe and runs it with `env`.
    std::string runProbe(const std::string& env) {
        const std::string bin = dir.path() + "/Über/X/B";
        vexa::test::makeDirs(bin);
        const std::string probe = bin + "/probe";
        vexa::test::writeFile(probe, vexa::test::readFile("/proc/self/exe"));
        ::chmod(probe.c_str(), 0755);
        const std::string out = dir.path() + "/report.txt";
        const std::string command =
            "env -u VEXA_INSTALL VEXA_PROBE_OUT=" + quote(out) + " " + env + " " + quote(probe) +
            " --gtest_also_run_disabled_tests"
            " --gtest_filter=SystemRepositoryProbe.DISABLED_Report >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return vexa::test::readFile(out);
    }
    std::string x() const { return dir.path() + "/Über/X"; }
    vexa::test::TempDir dir;
};

bool has(const std::string& report, const std::string& line) {
    return report.find(line + "\n") != std::string::npos;
}

}  // namespace

// The search looks beside the program's folder, one level above it, then
// in VEXA_INSTALL: each place wins over the later ones, and with none of
// them there is no repository.
TEST_F(SystemRepositoryTest, SearchesBesideTheProgramThenAboveItThenTheInstallVariable) {
    const std::string info = "log " + std::to_string(wxLOG_Info) + ": ";
    const std::string install = "VEXA_INSTALL=" + quote(dir.path() + "/Elsewhere");
    vexa::test::makeDirs(dir.path() + "/Elsewhere/db/Printers/P2");
    const std::string missing = runProbe("");
    EXPECT_TRUE(has(missing, "printers: ")) << missing;
    EXPECT_TRUE(
        has(missing, "log " + std::to_string(wxLOG_Error) + ": Error locating system repository"))
        << missing;
    const std::string named = runProbe(install);
    EXPECT_TRUE(has(named, "printers: P2")) << named;
    EXPECT_EQ(named.find("Error locating"), std::string::npos) << named;

    vexa::test::makeDirs(dir.path() + "/Über/db/Printers/P1");
    const std::string above = runProbe(install);
    EXPECT_TRUE(has(above, "printers: P1")) << above;
    EXPECT_TRUE(has(above, "log " + std::to_string(wxLOG_Warning) +
                               ": Unable to locate repository dir in " + x()))
        << above;
    EXPECT_TRUE(has(above, info + "vexaDir = " + dir.path() + "/Über")) << above;

    vexa::test::makeDirs(x() + "/db/Printers/Aurora 64");
    vexa::test::makeDirs(x() + "/db/Printers/Épreuve 東京");
    vexa::test::writeFile(x() + "/db/Printers/not-a-printer.txt", "");
    const std::string beside = runProbe(install);
    EXPECT_TRUE(has(beside, "printers: Aurora 64,Épreuve 東京")) << beside;
    EXPECT_TRUE(has(beside, info + "ProcessExePath = " + x() + "/B/probe")) << beside;
    EXPECT_TRUE(has(beside, info + "vexaDir = " + x())) << beside;
    EXPECT_EQ(beside.find("Unable to locate"), std::string::npos) << beside;
}

// A folder the host names wins over every place the search would look, and
// naming a folder that holds no repository changes nothing and makes
// nothing.
TEST_F(SystemRepositoryTest, TheHostsFolderWinsOverTheSearch) {
    vexa::test::makeDirs(x() + "/db/Printers/Beside");
    vexa::test::makeDirs(dir.path() + "/Env/db/Printers/FromEnv");
    vexa::test::makeDirs(dir.path() + "/Host/db/Printers/FromHost");
    const std::string env = "VEXA_INSTALL=" + quote(dir.path() + "/Env") + " ";
    for (const std::string& named : {dir.path() + "/Host", dir.path() + "/Host/db/"}) {
        const std::string report = runProbe(env + "VEXA_PROBE_SET=" + quote(named));
        EXPECT_TRUE(has(report, "set: 1")) << report;
        EXPECT_TRUE(has(report, "printers: FromHost")) << report;
        EXPECT_TRUE(has(report, "where: " + dir.path() + "/Host/db (set by the host)")) << report;
        EXPECT_EQ(report.find("ProcessExePath"), std::string::npos) << report;
    }
    const std::string refused =
        runProbe(env + "VEXA_PROBE_SET=" + quote(dir.path() + "/Nowhere/deeper"));
    EXPECT_TRUE(has(refused, "set: 0")) << refused;
    EXPECT_TRUE(has(refused, "printers: Beside")) << refused;
    EXPECT_NE(refused.find("where: " + x() + "/db (beside the program"), std::string::npos)
        << refused;
    EXPECT_FALSE(vexa::test::pathExists(dir.path() + "/Nowhere"));
}

TEST_F(SystemRepositoryTest, NoticesPrintersMadeLaterAndSearchesAgainAfterReset) {
    vexa::test::makeDirs(x() + "/db");
    const std::string report =
        runProbe("VEXA_PROBE_MAKE=" + quote(x() + "/db/Printers/Late") + " VEXA_PROBE_RESET=1");
    EXPECT_EQ(report.find("printers: \n"), 0u) << report;
    EXPECT_TRUE(has(report, "after making " + x() + "/db/Printers/Late\nprinters: Late")) << report;
    // The search and its log lines happen again after Reset().
    const std::string afterReset = report.substr(report.find("after reset"));
    EXPECT_TRUE(has(afterReset, "printers: Late")) << report;
    EXPECT_NE(afterReset.find("ProcessExePath = "), std::string::npos) << report;
}
