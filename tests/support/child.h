// A test's work in a second, real process (fork), for what only another process can show:
// locks between instances, and permissions that root would pass over.
#pragma once

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

class ChildProcess {
  public:
    // With asOrdinaryUser, a child of root first becomes the unprivileged user "nobody".
    explicit ChildProcess(const std::function<int()>& work, bool asOrdinaryUser = false) {
        pid_ = ::fork();
        if (pid_ != 0)
            return;
        int code = 127;
        try {
            if (asOrdinaryUser && ::geteuid() == 0 &&
                (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(126);
            code = work();
        } catch (...) {
        }
        ::_exit(code); // no destructors: the temporary folder belongs to the parent
    }
    ~ChildProcess() { wait(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Ends the child at once, as a crash would, and waits for it.
    void kill() {
        if (pid_ > 0)
            ::kill(pid_, SIGKILL);
        wait();
    }

    // The child's exit code; -1 when it did not exit normally.
    int wait() {
        if (pid_ > 0) {
            int status = 0;
            ::waitpid(pid_, &status, 0);
            code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            pid_ = 0;
        }
        return code_;
    }

  private:
    pid_t pid_ = -1;
    int code_ = -1;
};

} // namespace testsupport
