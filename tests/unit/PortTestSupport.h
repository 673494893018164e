#pragma once
// Real pseudo-terminals, links, holders and another user for the port
// diagnostics tests: each made by the test and undone when it ends.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "PtyPair.h"
#include "doctor/PortDiagnostics.h"
#include "wording/PortMessages.h"

namespace qd40::test {

namespace fs = std::filesystem;

inline constexpr uid_t kNobody = 65534;
inline constexpr gid_t kNoGroup = 65534;
inline const std::string kLockDir = "/var/lock/";

// The slave end of a fresh pseudo-terminal, whose master the test keeps.
struct Terminal {
  PtyPair pair;
  const std::string path = pair.slavePath();
  // Closes the master end, as the program that made the terminal would.
  void hangUp() { pair.hangUp(); }
};

// A link the test removes again.
struct Link {
  Link(const std::string& target, std::string at) : path(std::move(at)) {
    fs::remove(path);
    fs::create_symlink(target, path);
  }
  ~Link() { fs::remove(path); }
  std::string path;
};

// A child process that waits to be killed, holding `device` open if given:
// the live holder a lock names.
struct Sleeper {
  explicit Sleeper(const std::string& device = "") {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid = fork();
    if (pid == 0) {
      if (!device.empty()) open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      [[maybe_unused]] const ssize_t told = write(ready[1], "x", 1);
      pause();
      _exit(0);
    }
    char byte = 0;
    [[maybe_unused]] const ssize_t heard = read(ready[0], &byte, 1);
    close(ready[0]);
    close(ready[1]);
  }
  ~Sleeper() {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  pid_t pid = -1;
};

inline pid_t deadPid() {
  const pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

inline std::string comm(pid_t pid) {
  std::string name;
  std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), name);
  return name;
}

inline std::string describe(const std::string& device) {
  return describeOpenFailure({1, device, "QD40_COM1"},
                             diagnoseOpenFailure(device, "Qt's words", "/tmp"));
}

// Runs `work` in a child process as the unprivileged user 'nobody' and
// returns what it printed. Empty optional when this process cannot do that.
inline std::optional<std::string> asNobody(const std::function<std::string()>& work) {
  if (geteuid() != 0) return std::nullopt;
  int out[2];
  if (pipe(out) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child == 0) {
    close(out[0]);
    if (setgroups(0, nullptr) != 0 || setgid(kNoGroup) != 0 || setuid(kNobody) != 0) _exit(2);
    const std::string said = work();
    [[maybe_unused]] const ssize_t n = write(out[1], said.data(), said.size());
    _exit(0);
  }
  close(out[1]);
  std::string said;
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, n);
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return said;
}

#define SKIP_UNLESS_ROOT() \
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make lock files, nodes and another user"

}  // namespace qd40::test
