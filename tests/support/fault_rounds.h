// Kill, race and other-user tests: how many rounds to run, and a forked child that acts as
// another user.
//
// The normal run repeats each such test a few times; the "faults" label of CTest runs the same
// tests again with LINZORA_FAULT_ROUNDS set higher.
#pragma once

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

inline int FaultRounds(int normal = 4) {
  const char* v = std::getenv("LINZORA_FAULT_ROUNDS");
  const int n = v ? std::atoi(v) : 0;
  return n > 0 ? n : normal;
}

// The account that owns nothing.
inline constexpr uid_t kNobody = 65534;

// Runs body in a child process that has become kNobody (group kNobody too) and answers the
// child's exit code; -1 when it could not start or did not end normally. Only root can do this:
// callers skip when geteuid() is not 0.
inline int AsNobody(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(120);
    ::_exit(body());
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
