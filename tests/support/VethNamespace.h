#pragma once
// A network namespace of its own joined to this one by a veth pair, made
// with ip(8) for one test or benchmark and removed with it, so that a link
// can be taken down under a live connection without touching the machine's
// own network. Its names and addresses (in 198.18.0.0/15, the range kept for
// benchmarks) are taken from the process number. Needs root.
#include <string>
#include <vector>

namespace qd40::test {

class VethNamespace final {
 public:
  VethNamespace();
  ~VethNamespace();
  VethNamespace(const VethNamespace&) = delete;
  VethNamespace& operator=(const VethNamespace&) = delete;

  // Empty when the namespace stands; else why it could not be made.
  const std::string& failure() const { return m_failure; }
  // The address of the namespace's end of the pair.
  const std::string& address() const { return m_inside; }
  // The command that runs a program inside: prefix its arguments with this.
  std::vector<std::string> enter() const;
  // Takes the link down or up again: packets sent over it then vanish
  // without a word, as on a pulled cable.
  bool setLink(bool up);

 private:
  bool run(const std::vector<std::string>& args);

  std::string m_name;
  std::string m_hostEnd;
  std::string m_innerEnd;
  std::string m_inside;
  std::string m_failure;
  bool m_made = false;
};

}  // namespace qd40::test
