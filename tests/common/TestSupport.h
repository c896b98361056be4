// Shared helpers for the test suites.
#ifndef VEXA_TESTS_TESTSUPPORT_H
#define VEXA_TESTS_TESTSUPPORT_H

#include <wx/log.h>
#include <wx/string.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace vexa {
namespace test {

// A fresh folder under the system's temporary folder, removed with all its
// content when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // path() + "/" + relative
    std::string file(const std::string& relative) const;

  private:
    std::string m_path;
};

// Text between the tests' UTF-8 literals and the library's wxString, the
// same lossless conversion the library uses (bytes that are not UTF-8 too).
wxString toWx(const std::string& utf8);
std::string toUtf8(const wxString& text);

// Writes `bytes` to `path`, creating or truncating it.
void writeFile(const std::string& path, const std::string& bytes);
// The whole content of `path`; empty when it cannot be read.
std::string readFile(const std::string& path);
bool pathExists(const std::string& path);
void makeDirs(const std::string& path);
// Removes `path` with all it holds, read-only folders too; links are not
// followed.
void removeTree(const std::string& path);
// Every entry below `root` (folders and links too) by relative path, sorted,
// lock files left out.
std::vector<std::string> treePaths(const std::string& root);
// Every file below `root` (relative path -> content), lock files left out.
std::map<std::string, std::string> treeFiles(const std::string& root);
// Modification time of `path` in nanoseconds; 0 when it does not exist.
long long modifiedNs(const std::string& path);
// Sets the modification time of `path` to `nanos`; false when it cannot.
bool setModifiedNs(const std::string& path, long long nanos);

// For a forked child: runs the rest of the process as the user "nobody"
// when it runs as root, so that file permissions apply to it. True when
// the process now runs without root (also when it never had it).
bool dropRoot();
// Sets every folder below and at `path` to mode `folderMode` and every
// other entry to `fileMode` (e.g. 0555 and 0444 for a tree nobody may
// write).
void chmodTree(const std::string& path, unsigned folderMode, unsigned fileMode);

// A captured log record.
struct CapturedLog {
    wxLogLevel level;
    std::string message;  // UTF-8
    std::string file;
    std::string function;
    int line;
};

// Installs itself as the active wxLog target (verbose, debug level) for its
// lifetime and records every message; restores the previous target after.
class LogCapture : public wxLog {
  public:
    LogCapture();
    ~LogCapture() override;
    std::vector<CapturedLog> records() const;
    bool contains(wxLogLevel level, const std::string& message) const;
    // True when a record's message contains `fragment`.
    bool mentions(const std::string& fragment) const;
    void clear();

  protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;

  private:
    mutable std::mutex m_mutex;
    std::vector<CapturedLog> m_records;
    wxLog* m_previous;
    wxLogLevel m_previousLevel;
    bool m_previousVerbose;
};

// Switches LC_ALL (and C++ global locale's numeric facet is untouched) to a
// locale with a decimal comma for its lifetime, if the machine has one;
// available() tells whether it did.
class CommaLocale {
  public:
    CommaLocale();
    ~CommaLocale();
    bool available() const { return m_available; }

  private:
    std::string m_previous;
    bool m_available;
};

}  // namespace test
}  // namespace vexa

#endif  // VEXA_TESTS_TESTSUPPORT_H
