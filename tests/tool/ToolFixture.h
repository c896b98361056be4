// Shared set-up of the vexa-repo tests: runs the built tool as a separate
// process (under LC_ALL=C, optionally with its standard error on a
// pseudo-terminal or as a user without root), on a fresh copy of the bundled
// sample repository, and reads its readable output back into sections,
// values and table rows.
#ifndef VEXA_TESTS_TOOL_TOOLFIXTURE_H
#define VEXA_TESTS_TOOL_TOOLFIXTURE_H

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "common/TestSupport.h"

extern char** environ;

namespace vexa {
namespace test {

typedef nlohmann::ordered_json Json;

struct ToolRun {
    int status = -1;  // exit status; -1 when the tool did not exit normally
    std::string out;
    std::string err;
    double seconds = 0;
};

// How a program is started besides its arguments.
struct Launch {
    Launch(std::string in = std::string(), std::vector<std::string> extraEnv = {}, bool tty = false)
        : input(std::move(in)), env(std::move(extraEnv)), terminal(tty) {}
    std::string input;             // fed to its standard input
    std::vector<std::string> env;  // "NAME=value" entries added to the environment
    bool terminal = false;         // standard error on a pseudo-terminal (read into `err`)
    bool withoutRoot = false;      // as "nobody" when the tests run as root (dropRoot)
};

// The exit status of a child that was to run without root and could not.
const int kCannotDropRoot = 125;

// A running program: finish() reads its output to the end and waits for it.
struct Started {
    pid_t pid = -1;
    int out = -1;
    int err = -1;
    std::chrono::steady_clock::time_point start;
    std::string early;  // standard output read by awaitLine

    // Reads standard output up to its first line end (finish() still
    // returns it); "" when the program ends first or nothing comes within a
    // generous minute.
    std::string awaitLine() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (early.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd fd = {out, POLLIN, 0};
            if (::poll(&fd, 1, 1000) <= 0) {
                continue;
            }
            char c;
            if (::read(out, &c, 1) != 1) {
                return std::string();
            }
            early += c;
        }
        const std::size_t end = early.find('\n');
        return end == std::string::npos ? std::string() : early.substr(0, end);
    }

    ToolRun finish() {
        ToolRun run;
        run.out = early;
        pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
        std::string* sinks[2] = {&run.out, &run.err};
        int open = 2;
        while (open > 0) {
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
                break;
            }
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0) {
                    continue;
                }
                char buffer[4096];
                const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(got));
                } else if (got == 0 || errno != EINTR) {
                    // End of a pipe; a pseudo-terminal reports EIO once the tool is gone.
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }
};

// Starts `program` with `args`. The environment is this process's without
// LC_ALL, LANG and VEXA_INSTALL, plus LC_ALL=C and `launch.env`.
inline Started startProgram(const std::string& program, const std::vector<std::string>& args,
                            const Launch& launch) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("LC_ALL=", 0) != 0 && entry.rfind("LANG=", 0) != 0 &&
            entry.rfind("VEXA_INSTALL=", 0) != 0) {
            env.push_back(entry);
        }
    }
    env.push_back("LC_ALL=C");
    env.insert(env.end(), launch.env.begin(), launch.env.end());
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : env) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);

    int in[2], out[2], err[2];
    EXPECT_EQ(0, ::pipe2(in, O_CLOEXEC));
    EXPECT_EQ(0, ::pipe2(out, O_CLOEXEC));
    if (launch.terminal) {
        EXPECT_EQ(0, ::openpty(&err[0], &err[1], nullptr, nullptr, nullptr));
        ::fcntl(err[0], F_SETFD, FD_CLOEXEC);
        ::fcntl(err[1], F_SETFD, FD_CLOEXEC);
    } else {
        EXPECT_EQ(0, ::pipe2(err, O_CLOEXEC));
    }
    Started started;
    started.start = std::chrono::steady_clock::now();
    started.pid = ::fork();
    if (started.pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        if (launch.withoutRoot && !dropRoot()) {
            ::_exit(kCannotDropRoot);
        }
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (!launch.input.empty()) {
        (void)!::write(in[1], launch.input.data(), launch.input.size());
    }
    ::close(in[1]);
    started.out = out[0];
    started.err = err[0];
    return started;
}

// Runs `program` with `args` to its end (see startProgram).
inline ToolRun runProgram(const std::string& program, const std::vector<std::string>& args,
                          const Launch& launch = Launch()) {
    return startProgram(program, args, launch).finish();
}

inline std::string toolPath() {
    return VEXA_TOOL_PATH;
}

// The lines of `text`, without their line ends.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// `text` split at blanks and line ends.
inline std::vector<std::string> wordsOf(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

// The readable output's lines after the line `title` up to the next empty
// line.
inline std::vector<std::string> sectionLines(const std::string& text, const std::string& title) {
    std::vector<std::string> lines;
    bool inside = false;
    for (const std::string& line : linesOf(text)) {
        if (inside) {
            if (line.empty()) {
                break;
            }
            lines.push_back(line);
        } else if (line == title) {
            inside = true;
        }
    }
    return lines;
}

// A line split at runs of two or more blanks (cells never hold two blanks
// in a row; empty cells vanish).
inline std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> parts;
    std::size_t at = line.find_first_not_of(' ');
    while (at != std::string::npos && at < line.size()) {
        std::size_t end = line.find("  ", at);
        parts.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? end : line.find_first_not_of(' ', end);
    }
    return parts;
}

// The rows of a table section (the header line dropped), as cells.
inline std::vector<std::vector<std::string>> tableRows(const std::string& text,
                                                       const std::string& title) {
    std::vector<std::vector<std::string>> rows;
    const std::vector<std::string> lines = sectionLines(text, title);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        rows.push_back(cells(lines[i]));
    }
    return rows;
}

// "KEY  VALUE" lines of a section; a key without value maps to "".
inline std::map<std::string, std::string> sectionValues(const std::string& text,
                                                        const std::string& title) {
    std::map<std::string, std::string> values;
    for (const std::string& line : sectionLines(text, title)) {
        const std::vector<std::string> parts = cells(line);
        if (!parts.empty()) {
            values[parts[0]] = parts.size() > 1 ? parts[1] : std::string();
        }
    }
    return values;
}

// Cells of one row of expected values, without the empty ones.
inline std::vector<std::string> nonEmpty(const std::vector<std::string>& row) {
    std::vector<std::string> kept;
    for (const std::string& cell : row) {
        if (!cell.empty()) {
            kept.push_back(cell);
        }
    }
    return kept;
}

inline Json parseJson(const std::string& text) {
    try {
        return Json::parse(text);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "not JSON (" << e.what() << "):\n" << text;
        return Json();
    }
}

// A fresh copy of examples/db in a temporary folder; the tool runs on it
// through --repo.
class ToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy(std::string(VEXA_SOURCE_DIR) + "/examples/db", m_dir.path() + "/db",
                              std::filesystem::copy_options::recursive);
    }

    std::string repo() const { return m_dir.path(); }
    std::string db(const std::string& relative) const { return m_dir.path() + "/db/" + relative; }
    std::string printerDir(const std::string& printer) const { return db("Printers/" + printer); }

    ToolRun tool(std::vector<std::string> args, const Launch& launch = Launch()) {
        return startTool(std::move(args), launch).finish();
    }
    Started startTool(std::vector<std::string> args, const Launch& launch = Launch()) {
        args.insert(args.begin(), {"--repo", repo()});
        return startProgram(toolPath(), args, launch);
    }

    TempDir m_dir;
};

// Names from the sample repository.
const char* const kAurora = "Aurora 64";
const char* const kBorealis = "Borealis Épreuve 24";
const char* const kGlanz = "Glanz 260 [Fotopapier]";
const char* const kGlanzDir = "Printers/Aurora 64/Medias/Fotopapier/Glanz 260";
const char* const kFotoMode = "1440x1440 Foto";
const char* const kJapaneseMode = "写真 高画質";

}  // namespace test
}  // namespace vexa

#endif  // VEXA_TESTS_TOOL_TOOLFIXTURE_H
