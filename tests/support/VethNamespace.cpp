#include "VethNamespace.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>

namespace qd40::test {

namespace {
std::atomic<int> g_made{0};
}  // namespace

VethNamespace::VethNamespace() {
  if (::geteuid() != 0) {
    m_failure = "making a network namespace needs root";
    return;
  }
  const int pid = static_cast<int>(::getpid());
  const int serial = g_made++;
  const std::string tag = std::to_string(pid) + "-" + std::to_string(serial);
  m_name = "qd40-" + tag;
  // Interface names hold at most 15 characters.
  m_hostEnd = ("q" + std::to_string(pid % 1000000) + "h" + std::to_string(serial % 100));
  m_innerEnd = ("q" + std::to_string(pid % 1000000) + "n" + std::to_string(serial % 100));
  // One /30 of 198.18.0.0/15 for each process and namespace.
  const int block = ((pid * 4 + serial) % 32768) * 4;
  const std::string net =
      "198." + std::to_string(18 + block / 65536) + "." + std::to_string(block / 256 % 256) + ".";
  const std::string host = net + std::to_string(block % 256 + 1);
  m_inside = net + std::to_string(block % 256 + 2);
  if (!run({"ip", "netns", "add", m_name})) {
    m_failure = "ip netns add " + m_name + " failed";
    return;
  }
  m_made = true;
  if (!run({"ip", "link", "add", m_hostEnd, "type", "veth", "peer", "name", m_innerEnd, "netns",
            m_name}) ||
      !run({"ip", "addr", "add", host + "/30", "dev", m_hostEnd}) ||
      !run({"ip", "link", "set", m_hostEnd, "up"}) ||
      !run({"ip", "-n", m_name, "addr", "add", m_inside + "/30", "dev", m_innerEnd}) ||
      !run({"ip", "-n", m_name, "link", "set", m_innerEnd, "up"}) ||
      !run({"ip", "-n", m_name, "link", "set", "lo", "up"})) {
    m_failure = "the veth pair into " + m_name + " could not be made";
  }
}

VethNamespace::~VethNamespace() {
  // Removing the namespace removes its end of the pair, and the pair with it.
  if (m_made) run({"ip", "netns", "delete", m_name});
}

std::vector<std::string> VethNamespace::enter() const {
  return {"ip", "netns", "exec", m_name};
}

bool VethNamespace::setLink(bool up) {
  // Both ends: the namespace's end alone stops traffic only once the kernel
  // has noticed the carrier go, which a loaded machine may take seconds to
  // do; our own end down stops it at once.
  const char* state = up ? "up" : "down";
  return run({"ip", "link", "set", m_hostEnd, state}) &&
         run({"ip", "-n", m_name, "link", "set", m_innerEnd, state});
}

bool VethNamespace::run(const std::vector<std::string>& args) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace qd40::test
