// Between the device chooser, the saved choice and the form.
#include "app/DeviceChoice.h"

#include <vector>

#include "app/PanelForm.h"
#include "panel/DeviceChooser.h"
#include "panel/PanelWindow.h"

namespace qd40 {

DeviceChoice::DeviceChoice(PanelWindow& window, PortSetup& ports, PanelForm& form,
                           const SerialService& serial)
    : QObject(&window), m_window(window), m_ports(ports), m_form(form), m_serial(serial) {
  connect(&window, &PanelWindow::chooseDevice, this, &DeviceChoice::open);
}

void DeviceChoice::open(int number) {
  if (m_chooser != nullptr) {
    m_chooser->raise();
    m_chooser->activateWindow();
    return;
  }
  std::array<DeviceChooser::Port, 2> ports;
  for (const int port : {1, 2}) {
    ports[static_cast<std::size_t>(port - 1)] = {
        m_ports.config.choice(port), m_ports.config.candidates(port), m_serial.commPort() == port};
  }
  m_chooser = new DeviceChooser(ports, number, m_ports.saved.file(), &m_window);
  m_chooser->setAttribute(Qt::WA_DeleteOnClose);
  connect(m_chooser, &QDialog::accepted, this, [this] { apply(m_chooser->devices()); });
  // Window-modal without a nested event loop: the panel's timers and the port
  // go on while the operator chooses.
  m_chooser->open();
}

void DeviceChoice::apply(const std::array<std::string, 2>& devices) {
  std::vector<int> changed;
  QString unsaved;
  for (const int number : {1, 2}) {
    const std::string& device = devices[static_cast<std::size_t>(number - 1)];
    const std::string before = m_ports.config.choice(number).device;
    if (device == before) continue;
    m_ports.config.choose(number, device);
    if (const QString why = m_ports.saved.save(number, device); !why.isEmpty()) unsaved = why;
    if (m_ports.config.choice(number).device != before) changed.push_back(number);
  }
  // The new devices are put to use first, so that what is said of them is
  // already true when it is read.
  for (const int number : changed) m_form.deviceChosen(number);
  if (!unsaved.isEmpty()) {
    const std::string told =
        tr("The device choice could not be saved for the next start: %1 It is used until the "
           "panel is closed.")
            .arg(unsaved)
            .toStdString();
    m_window.writeError(told);
    m_window.noticeBox(told);
  }
}

}  // namespace qd40
