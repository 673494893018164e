// Builds the device chooser and keeps its list of ports current.
#include "panel/DeviceChooser.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <chrono>

#include "config/NetworkPort.h"
#include "protocol/LogText.h"

namespace qd40 {

namespace {

// The system makes a new adapter's nodes and links one after another; the
// list is made once they have settled.
constexpr std::chrono::milliseconds kSettleTime{250};
const QSize kStartSize(820, 500);

enum Column { kName, kNode, kDescription, kMaker, kSerialNumber, kColumns };

QString fromBytes(const std::string& bytes) {
  return QFile::decodeName(QByteArray::fromStdString(bytes));
}

}  // namespace

DeviceChooser::DeviceChooser(const std::array<Port, 2>& ports, int focus, const QString& savedFile,
                             QWidget* parent)
    : QDialog(parent), m_focus(focus == 2 ? 2 : 1) {
  setObjectName("DeviceChooser");
  setWindowTitle(tr("Choose device"));
  build(ports, savedFile);
  m_settle.setSingleShot(true);
  m_settle.setInterval(kSettleTime);
  connect(&m_settle, &QTimer::timeout, this, &DeviceChooser::refresh);
  connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle,
          qOverload<>(&QTimer::start));
  watchFolders({"/dev", "/dev/serial", "/dev/serial/by-id"});
  refresh();
  resize(kStartSize);
}

void DeviceChooser::build(const std::array<Port, 2>& ports, const QString& savedFile) {
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(
      tr("Serial ports on this machine. The list follows adapters as they are plugged in and "
         "out."),
      this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  m_list = new QTreeWidget(this);
  m_list->setObjectName("Ports");
  m_list->setAccessibleName(tr("Serial ports on this machine"));
  m_list->setColumnCount(kColumns);
  m_list->setHeaderLabels(
      {tr("Device"), tr("Node"), tr("Description"), tr("Maker"), tr("Serial number")});
  m_list->setRootIsDecorated(false);
  m_list->setUniformRowHeights(true);
  m_list->header()->setStretchLastSection(true);
  layout->addWidget(m_list, 1);
  intro->setBuddy(m_list);

  m_empty =
      new QLabel(tr("No serial ports found. Plug in an adapter, or type a device below."), this);
  m_empty->setObjectName("NoPorts");
  layout->addWidget(m_empty);

  auto* useRow = new QHBoxLayout;
  useRow->addStretch();
  for (const int number : {1, 2}) {
    QPushButton* use = new QPushButton(tr("Use for COM%1").arg(number), this);
    use->setObjectName(QStringLiteral("UseForCom%1").arg(number));
    use->setAutoDefault(false);
    use->setEnabled(false);
    connect(use, &QPushButton::clicked, this, [this, number] { useSelected(number); });
    useRow->addWidget(use);
    m_useButtons[number - 1] = use;
  }
  layout->addLayout(useRow);
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
    for (QPushButton* use : m_useButtons) use->setEnabled(!m_list->selectedItems().isEmpty());
  });
  connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { useSelected(m_focus); });

  auto* form = new QFormLayout;
  for (const int number : {1, 2}) {
    const Port& port = ports[static_cast<std::size_t>(number - 1)];
    m_shownDevices[number - 1] = port.current.device;
    auto* field = new QLineEdit(fromBytes(port.current.device), this);
    field->setObjectName(QStringLiteral("Com%1Device").arg(number));
    // An empty field forgets the saved choice: it says what it then means.
    const PortCandidates unsaved{port.candidates.commandLine, port.candidates.environment, ""};
    m_emptyMeans[number - 1] = resolvePort(number, unsaved);
    m_inUse[number - 1] = port.inUse;
    const QString fallback = QString::fromStdString(printablePath(m_emptyMeans[number - 1].device));
    field->setPlaceholderText(m_emptyMeans[number - 1].source == PortSource::Default
                                  ? tr("Empty: the default device, %1").arg(fallback)
                                  : tr("Empty: %1, named outside the panel").arg(fallback));
    field->setMinimumWidth(420);
    m_fields[number - 1] = field;
    auto* note = new QLabel(noteFor(number, port), this);
    note->setWordWrap(true);
    auto* column = new QVBoxLayout;
    column->addWidget(field);
    column->addWidget(note);
    form->addRow(port.inUse ? tr("COM%1 (in use):").arg(number) : tr("COM%1:").arg(number), column);
    qobject_cast<QLabel*>(form->labelForField(column))->setBuddy(field);
  }
  layout->addLayout(form);

  auto* hint = new QLabel(tr("Type a device path, a pseudo-terminal such as /dev/pts/3 too, or a "
                             "device server as socket://HOST:PORT or rfc2217://HOST:PORT. An "
                             "empty field forgets the saved choice."),
                          this);
  hint->setWordWrap(true);
  layout->addWidget(hint);
  m_problem = new QLabel(this);
  m_problem->setObjectName("Problem");
  m_problem->setWordWrap(true);
  m_problem->setTextFormat(Qt::PlainText);
  m_problem->setStyleSheet("color: #b00000");
  m_problem->hide();
  layout->addWidget(m_problem);
  auto* saved = new QLabel(tr("The choice is saved in %1 and used at every start; --com1 and "
                              "--com2 on the command line and QD40_COM1 and QD40_COM2 in the "
                              "environment take precedence over it.")
                               .arg(savedFile),
                           this);
  saved->setWordWrap(true);
  saved->setTextFormat(Qt::PlainText);
  layout->addWidget(saved);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &DeviceChooser::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &DeviceChooser::reject);
  layout->addWidget(buttons);
  m_fields[m_focus - 1]->setFocus();
}

QString DeviceChooser::noteFor(int number, const Port& port) const {
  if (!port.candidates.commandLine.empty()) {
    return tr("Named with --com%1 at this start. A device chosen here is used now and saved, but "
              "--com%1 takes precedence at the next start.")
        .arg(number);
  }
  if (!port.candidates.environment.empty()) {
    return tr("Named by QD40_COM%1. A device chosen here is used now and saved, but QD40_COM%1 "
              "takes precedence at the next start while it is set.")
        .arg(number);
  }
  if (port.current.source == PortSource::Saved) return tr("The saved choice.");
  return tr("The default device.");
}

void DeviceChooser::useSelected(int number) {
  const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
  if (selected.isEmpty()) return;
  m_fields[number - 1]->setText(selected.first()->text(kName));
  m_fields[number - 1]->setFocus();
}

void DeviceChooser::watchFolders(const QStringList& folders) {
  if (!m_watcher.directories().isEmpty()) m_watcher.removePaths(m_watcher.directories());
  m_folders = folders;
  rewatch();
}

void DeviceChooser::rewatch() {
  // A folder that went away (by-id goes with the last adapter) is no longer
  // watched; one that came back is watched again.
  for (const QString& folder : m_folders) {
    if (!m_watcher.directories().contains(folder) && QFileInfo(folder).isDir()) {
      m_watcher.addPath(folder);
    }
  }
}

void DeviceChooser::refresh() {
  rewatch();
  const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
  const QString keep = selected.isEmpty() ? QString() : selected.first()->text(kName);
  m_list->clear();
  for (const SerialPortEntry& port : listSerialPorts()) {
    auto* item = new QTreeWidgetItem(m_list);
    item->setText(kName, fromBytes(port.name));
    item->setText(kNode, fromBytes(port.node));
    item->setText(kDescription, QString::fromStdString(port.description));
    item->setText(kMaker, QString::fromStdString(port.manufacturer));
    item->setText(kSerialNumber, QString::fromStdString(port.serialNumber));
    if (item->text(kName) == keep) item->setSelected(true);
  }
  for (int column = 0; column < kColumns - 1; ++column) m_list->resizeColumnToContents(column);
  m_empty->setVisible(m_list->topLevelItemCount() == 0);
  emit listed();
}

QString DeviceChooser::problemWith(int number, const QString& text) {
  if (text.isEmpty() || (!isNetworkName(text.toStdString()) && text.startsWith('/'))) return {};
  if (isNetworkName(text.toStdString())) {
    if (parseNetworkAddress(text.toStdString())) return {};
    return tr("COM%1: %2 is not a device server address. Write socket://HOST:PORT or "
              "rfc2217://HOST:PORT with a port from 1 to 65535, as in "
              "rfc2217://192.0.2.10:4001.")
        .arg(number)
        .arg(text);
  }
  return tr("COM%1: %2 is neither a device path nor a device server address. Type a path that "
            "starts with /, such as /dev/ttyUSB0, or socket://HOST:PORT or rfc2217://HOST:PORT.")
      .arg(number)
      .arg(text);
}

std::array<std::string, 2> DeviceChooser::devices() const {
  std::array<std::string, 2> chosen;
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    const QString text = m_fields[i]->text().trimmed();
    chosen[i] = text == fromBytes(m_shownDevices[i]) ? m_shownDevices[i]
                                                     : QFile::encodeName(text).toStdString();
  }
  return chosen;
}

void DeviceChooser::accept() {
  for (const int number : {1, 2}) {
    const QString why = problemWith(number, m_fields[number - 1]->text().trimmed());
    if (why.isEmpty()) continue;
    m_problem->setText(why);
    m_problem->show();
    m_fields[number - 1]->setFocus();
    return;
  }
  // The default device may be a console, a modem or a power supply's line:
  // the port in use opens on it only when the operator says so.
  for (const int number : {1, 2}) {
    const std::size_t index = static_cast<std::size_t>(number - 1);
    const PortChoice& fallback = m_emptyMeans[index];
    if (!m_inUse[index] || !m_fields[index]->text().trimmed().isEmpty() ||
        fallback.source != PortSource::Default || fallback.device == m_shownDevices[index]) {
      continue;
    }
    if (!confirmFallback(number, fallback)) {
      m_fields[index]->setFocus();
      return;
    }
  }
  QDialog::accept();
}

bool DeviceChooser::confirmFallback(int number, const PortChoice& fallback) {
  QMessageBox ask(QMessageBox::Question, windowTitle(),
                  tr("The COM%1 field is empty, so COM%1, the port in use, would open the "
                     "default device %2, which nobody named. Another device, such as a console, "
                     "a modem or a power supply, may be attached there. Open %2 for COM%1?")
                      .arg(number)
                      .arg(QString::fromStdString(printablePath(fallback.device))),
                  QMessageBox::NoButton, this);
  ask.setTextFormat(Qt::PlainText);
  QPushButton* open =
      ask.addButton(tr("Open %1").arg(QString::fromStdString(printablePath(fallback.device))),
                    QMessageBox::AcceptRole);
  open->setObjectName("OpenDefault");
  QPushButton* back = ask.addButton(tr("Keep choosing"), QMessageBox::RejectRole);
  back->setObjectName("KeepChoosing");
  ask.setDefaultButton(back);
  ask.exec();
  return ask.clickedButton() == open;
}

}  // namespace qd40
