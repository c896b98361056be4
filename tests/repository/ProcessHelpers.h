// fork()-based helpers for tests that need a second process. Fork before
// taking any lock: a child inherits the parent's open files.
#ifndef VEXA_TESTS_REPOSITORY_PROCESSHELPERS_H
#define VEXA_TESTS_REPOSITORY_PROCESSHELPERS_H

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>

namespace vexa {
namespace test {

// A forked child running `body`, with a pipe each way for one-byte signals.
// The child's exit status is what `body` returns.
class Child {
  public:
    explicit Child(const std::function<int(Child&)>& body) {
        if (::pipe(m_toChild) != 0 || ::pipe(m_toParent) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(m_toChild[1]);
            ::close(m_toParent[0]);
            m_inChild = true;
            const int status = body(*this);
            ::_exit(status);
        }
        ::close(m_toChild[0]);
        ::close(m_toParent[1]);
    }
    ~Child() {
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
        ::close(m_inChild ? m_toChild[0] : m_toChild[1]);
        ::close(m_inChild ? m_toParent[1] : m_toParent[0]);
    }
    bool started() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }

    // Sends one byte to the other side.
    void signal(char c = '!') {
        const int fd = m_inChild ? m_toParent[1] : m_toChild[1];
        (void)!::write(fd, &c, 1);
    }
    // Waits for one byte from the other side; 0 when the pipe closed.
    char await() {
        const int fd = m_inChild ? m_toChild[0] : m_toParent[0];
        char c = 0;
        return ::read(fd, &c, 1) == 1 ? c : 0;
    }
    // The child's exit status, or -1 when it did not exit normally.
    int wait() {
        int status = 0;
        if (::waitpid(m_pid, &status, 0) != m_pid) {
            return -1;
        }
        m_reaped = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void kill() {
        ::kill(m_pid, SIGKILL);
        wait();
    }

  private:
    pid_t m_pid = -1;
    bool m_inChild = false;
    bool m_reaped = false;
    int m_toChild[2] = {-1, -1};
    int m_toParent[2] = {-1, -1};
};

inline double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace test
}  // namespace vexa

#endif  // VEXA_TESTS_REPOSITORY_PROCESSHELPERS_H
