#pragma once
// A folder of its own for one test or one benchmark run, made under $TMPDIR
// (else /tmp) with a name no other run has, and removed with everything in
// it when the object goes.
#include <QString>
#include <string>

namespace qd40::test {

class TempFolder final {
 public:
  // Throws std::runtime_error when no folder can be made.
  explicit TempFolder(const std::string& tag = "test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return m_path; }
  // The path of `name` inside the folder.
  std::string file(const std::string& name) const { return m_path + "/" + name; }
  QString filePath(const QString& name) const {
    return QString::fromStdString(m_path) + "/" + name;
  }

 private:
  std::string m_path;
};

}  // namespace qd40::test
