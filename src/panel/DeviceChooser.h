#pragma once
// The device chooser: the machine's serial ports with what the system knows of
// each, kept up to date as adapters are plugged in and out, and one field each
// for the device COM1 and COM2 stand for, where a path (a pseudo-terminal too)
// or a socket:// or rfc2217:// address can be typed. It only collects the
// choice; the application saves it and puts it to use.
#include <QDialog>
#include <QFileSystemWatcher>
#include <QTimer>
#include <array>
#include <string>

#include "config/PortConfig.h"
#include "line/SerialPortList.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace qd40 {

class DeviceChooser final : public QDialog {
  Q_OBJECT

 public:
  struct Port {
    PortChoice current;
    PortCandidates candidates;  // tells whether a setting takes precedence at the next start
    bool inUse = false;
  };

  // `focus` is the port the chooser is opened about; `savedFile` is where the
  // choice is kept.
  DeviceChooser(const std::array<Port, 2>& ports, int focus, const QString& savedFile,
                QWidget* parent = nullptr);

  // The devices the two fields name. A field left as it was shown keeps the
  // bytes of its device, which need not be UTF-8.
  std::array<std::string, 2> devices() const;

  // The folders whose changes mean an adapter came or went: /dev and
  // /dev/serial/by-id unless a test gives others.
  void watchFolders(const QStringList& folders);
  // Lists the ports again, keeping the selected one selected.
  void refresh();

 signals:
  // The list was made again.
  void listed();

 private:
  // Why the text cannot name a port, or an empty string when it can: a path
  // from the root, or a well-formed socket:// or rfc2217:// address.
  static QString problemWith(int number, const QString& text);
  void build(const std::array<Port, 2>& ports, const QString& savedFile);
  QString noteFor(int number, const Port& port) const;
  // Whether the operator agrees to open `device`, which an emptied field of
  // the port in use falls back to, though nobody named it.
  bool confirmFallback(int number, const PortChoice& fallback);
  void useSelected(int number);
  void rewatch();
  void accept() override;

  std::array<QLineEdit*, 2> m_fields{};
  std::array<std::string, 2> m_shownDevices;
  // What an empty field stands for, and whether its port is in use.
  std::array<PortChoice, 2> m_emptyMeans;
  std::array<bool, 2> m_inUse{};
  int m_focus;
  QTreeWidget* m_list = nullptr;
  QLabel* m_empty = nullptr;
  QLabel* m_problem = nullptr;
  std::array<QPushButton*, 2> m_useButtons{};
  QStringList m_folders;
  QFileSystemWatcher m_watcher;
  QTimer m_settle;
};

}  // namespace qd40
