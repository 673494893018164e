#pragma once
// Opens the device chooser over the panel's window and carries out what the
// operator chose there: the ports stand for the new devices at once, the
// choice is saved for the next start, and a new device for the port in use
// goes to the form's handler, which selects it by the port selection's rules.
#include <QObject>
#include <QPointer>
#include <array>
#include <string>

#include "app/PortSetup.h"
#include "panel/DeviceChooser.h"

namespace qd40 {

class PanelForm;
class PanelWindow;
class SerialService;

class DeviceChoice final : public QObject {
  Q_OBJECT

 public:
  DeviceChoice(PanelWindow& window, PortSetup& ports, PanelForm& form, const SerialService& serial);

  // Opens the chooser about COM<number>, or raises the one already open.
  void open(int number);
  // Carries out a choice of devices for COM1 and COM2; a device the same as
  // the one its port stands for changes nothing.
  void apply(const std::array<std::string, 2>& devices);
  // The chooser while it is open.
  DeviceChooser* chooser() const { return m_chooser; }

 private:
  PanelWindow& m_window;
  PortSetup& m_ports;
  PanelForm& m_form;
  const SerialService& m_serial;
  QPointer<DeviceChooser> m_chooser;
};

}  // namespace qd40
