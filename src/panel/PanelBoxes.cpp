// The window's boxes: the modal ones, the ones beside the panel, the port's
// box with its way to the device chooser, and the lines on the standard
// error.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

#include "panel/MessageText.h"
#include "panel/PanelWindow.h"
#include "protocol/LocaleText.h"
#include "protocol/LogText.h"

namespace qd40 {

QString PanelWindow::messageTitle() {
  return QStringLiteral("QD40 Control");
}

void PanelWindow::addDeviceMenu() {
  // The menu adds a way to the chooser without a control of its own, so the
  // panel's layout stays as it is.
  QWidget* com = widget(Control::PortButton);
  auto* menu = new QMenu(com);
  menu->addAction(tr("Choose device…"), this, [this] { emit chooseDevice(markedPort()); });
  com->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(com, &QWidget::customContextMenuRequested, menu,
          [com, menu](const QPoint& at) { menu->popup(com->mapToGlobal(at)); });
}

int PanelWindow::markedPort() const {
  const auto* com2 = qobject_cast<QAbstractButton*>(widget(Control::Com2));
  return com2 != nullptr && com2->isChecked() ? 2 : 1;
}

QPushButton* PanelWindow::addChooserButton(QMessageBox& box) {
  QPushButton* choose = box.addButton(tr("Choose device…"), QMessageBox::ActionRole);
  choose->setObjectName("ChooseDevice");
  // With a second button the box no longer takes OK for Escape and for a
  // close, and would refuse both.
  box.setEscapeButton(box.button(QMessageBox::Ok));
  return choose;
}

void PanelWindow::messageBox(const std::string& text) {
  QMessageBox box(QMessageBox::Warning, messageTitle(), boxText(text), QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  const QPushButton* choose = addChooserButton(box);
  // The port the box is about is the one marked while it is open.
  const int number = markedPort();
  box.exec();
  if (box.clickedButton() == choose) {
    QMetaObject::invokeMethod(
        this, [this, number] { emit chooseDevice(number); }, Qt::QueuedConnection);
  }
}

void PanelWindow::noticeBox(const std::string& text) {
  QMessageBox box(QMessageBox::Warning, messageTitle(), boxText(text), QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

QMessageBox* PanelWindow::boxAside(const char* name) {
  auto* box =
      new QMessageBox(QMessageBox::Warning, messageTitle(), QString(), QMessageBox::Ok, this);
  box->setObjectName(name);
  box->setTextFormat(Qt::PlainText);
  box->setWindowModality(Qt::NonModal);
  box->setAttribute(Qt::WA_DeleteOnClose);
  // The panel keeps the keyboard; a held button keeps repeating.
  box->setAttribute(Qt::WA_ShowWithoutActivating);
  return box;
}

void PanelWindow::noticeAside(const std::string& text) {
  QMessageBox* box = boxAside("Notice");
  box->setText(boxText(text));
  box->show();
}

void PanelWindow::showPortProblem(const std::string& text) {
  if (m_portBox == nullptr) {
    m_portBox = boxAside("PortProblem");
    connect(addChooserButton(*m_portBox), &QPushButton::clicked, this,
            [this] { emit chooseDevice(markedPort()); });
  }
  m_portBox->setText(boxText(text));
  m_portBox->show();
}

void PanelWindow::closePortProblem() {
  if (m_portBox != nullptr) m_portBox->close();
}

void PanelWindow::writeError(const std::string& text) {
  // Escaped first, so that the conversion sees only what is meant to show.
  std::fprintf(stderr, "qd40-control: %s\n", forTerminal(printablePath(text)).c_str());
}

void PanelWindow::close() {
  QWidget::close();
  QCoreApplication::quit();
}

}  // namespace qd40
