#include "common/TestSupport.h"

#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "kernel/Text.h"

namespace vexa {
namespace test {

wxString toWx(const std::string& utf8) {
    return kernel::fromMB(utf8);
}

std::string toUtf8(const wxString& text) {
    return kernel::toMB(text);
}

bool dropRoot() {
    if (::geteuid() != 0) {
        return true;
    }
    const gid_t nobodyGroup = 65534;
    const uid_t nobody = 65534;
    return ::setgroups(0, nullptr) == 0 && ::setgid(nobodyGroup) == 0 && ::setuid(nobody) == 0 &&
           ::geteuid() != 0;
}

void chmodTree(const std::string& path, unsigned folderMode, unsigned fileMode) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) {
        return;
    }
    if (!S_ISDIR(st.st_mode)) {
        ::chmod(path.c_str(), fileMode);
        return;
    }
    // Opened up first, so that its entries can be reached while walking.
    ::chmod(path.c_str(), 0755);
    if (DIR* folder = ::opendir(path.c_str())) {
        while (const dirent* entry = ::readdir(folder)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                chmodTree(path + "/" + name, folderMode, fileMode);
            }
        }
        ::closedir(folder);
    }
    ::chmod(path.c_str(), folderMode);
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vexa-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_path = buffer.data();
}

TempDir::~TempDir() {
    removeTree(m_path);
}

std::string TempDir::file(const std::string& relative) const {
    return m_path + "/" + relative;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool pathExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

void makeDirs(const std::string& path) {
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored);
}

void removeTree(const std::string& path) {
    chmodTree(path, 0700, 0600);  // tests may have made it read-only
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> treePaths(const std::string& root) {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.path().filename() != ".lock") {
            paths.push_back(std::filesystem::relative(entry.path(), root).string());
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::map<std::string, std::string> treeFiles(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && entry.path().filename() != ".lock") {
            files[std::filesystem::relative(entry.path(), root).string()] =
                readFile(entry.path().string());
        }
    }
    return files;
}

LogCapture::LogCapture()
    : m_previous(wxLog::SetActiveTarget(this)),
      m_previousLevel(wxLog::GetLogLevel()),
      m_previousVerbose(wxLog::GetVerbose()) {
    wxLog::SetLogLevel(wxLOG_Max);
    wxLog::SetVerbose(true);
}

LogCapture::~LogCapture() {
    wxLog::SetActiveTarget(m_previous);
    wxLog::SetLogLevel(m_previousLevel);
    wxLog::SetVerbose(m_previousVerbose);
}

void LogCapture::DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) {
    CapturedLog record;
    record.level = level;
    record.message = kernel::toMB(msg);
    record.file = info.filename ? info.filename : "";
    record.function = info.func ? info.func : "";
    record.line = info.line;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.push_back(record);
}

std::vector<CapturedLog> LogCapture::records() const {
    // Records of other threads wait in wxLog's queue until flushed.
    wxLog::FlushActive();
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records;
}

bool LogCapture::contains(wxLogLevel level, const std::string& message) const {
    const std::vector<CapturedLog> all = records();
    return std::any_of(all.begin(), all.end(), [&](const CapturedLog& r) {
        return r.level == level && r.message == message;
    });
}

bool LogCapture::mentions(const std::string& fragment) const {
    const std::vector<CapturedLog> all = records();
    return std::any_of(all.begin(), all.end(), [&](const CapturedLog& r) {
        return r.message.find(fragment) != std::string::npos;
    });
}

void LogCapture::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.clear();
}

CommaLocale::CommaLocale() : m_available(false) {
    const char* current = std::setlocale(LC_ALL, nullptr);
    m_previous = current ? current : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            m_available = std::localeconv()->decimal_point[0] == ',';
            if (m_available) {
                return;
            }
        }
    }
    std::setlocale(LC_ALL, m_previous.c_str());
}

CommaLocale::~CommaLocale() {
    std::setlocale(LC_ALL, m_previous.c_str());
}

long long modifiedNs(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) {
        return 0;
    }
    return static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec;
}

bool setModifiedNs(const std::string& path, long long nanos) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = nanos / 1000000000LL;
    times[1].tv_nsec = nanos % 1000000000LL;
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace test
}  // namespace vexa
