// Running a piece of a test in a forked child: to drop root's privileges where
// permissions matter, to limit memory, to survive a hang or a kill. Tests run as
// root, so a permission is only ever refused to an unprivileged child.
#pragma once

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace kelvarin::test {

struct ChildEnd {
  bool exited = false;  // ended by exit, with `code`
  int code = -1;
  int signal = 0;       // ended by this signal
};

inline constexpr uid_t kNobody = 65534;

// Runs `body` in a forked child; its result is the child's exit code. A child
// still running after `seconds` is ended by SIGALRM.
inline ChildEnd RunInChild(const std::function<int()>& body, unsigned seconds = 60) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(seconds);
    int code = 98;
    try {
      code = body();
    } catch (...) {
    }
    ::_exit(code);
  }
  ChildEnd end;
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return end;
  if (WIFEXITED(status)) {
    end.exited = true;
    end.code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    end.signal = WTERMSIG(status);
  }
  return end;
}

// In a child: becomes the unprivileged user nobody; false when it cannot.
inline bool BecomeNobody() {
  return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 &&
         ::geteuid() == kNobody;
}

// Runs a program in a child with its standard output sent to `stdoutPath` and
// its standard error to `stderrPath`, and its address space limited to
// `memoryLimit` bytes when that is not 0.
inline ChildEnd RunProgram(const std::vector<std::string>& argv, const std::string& stdoutPath,
                           const std::string& stderrPath, rlim_t memoryLimit = 0, unsigned seconds = 120) {
  return RunInChild(
      [&] {
        if (memoryLimit != 0) {
          const rlimit limit{memoryLimit, memoryLimit};
          if (::setrlimit(RLIMIT_AS, &limit) != 0) return 97;
        }
        if (!std::freopen(stdoutPath.c_str(), "w", stdout) || !std::freopen(stderrPath.c_str(), "w", stderr))
          return 96;
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        return 127;
      },
      seconds);
}

}  // namespace kelvarin::test
