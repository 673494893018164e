#include "app/PanelBinding.h"

#include <QAbstractButton>
#include <array>

#include "app/PanelForm.h"
#include "panel/PanelWidgets.h"
#include "panel/PanelWindow.h"
#include "protocol/Catalogue.h"

namespace qd40 {

namespace {

KeyModifiers formModifiers(Qt::KeyboardModifiers modifiers) {
  return {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
          modifiers.testFlag(Qt::AltModifier)};
}

struct Click {
  Control control;
  void (PanelForm::*handler)();
};

constexpr std::array kClicks = {
    Click{Control::EndButton, &PanelForm::end},
    Click{Control::PortButton, &PanelForm::showPortSettings},
    Click{Control::ViewButton, &PanelForm::toggleDataView},
    Click{Control::SendButton, &PanelForm::sendTyped},
    Click{Control::ClearButton, &PanelForm::clearTyped},
    Click{Control::Com1, &PanelForm::selectCom1},
    Click{Control::Com2, &PanelForm::selectCom2},
    Click{Control::FastSpeed, &PanelForm::selectFastSpeed},
    Click{Control::SlowSpeed, &PanelForm::selectSlowSpeed},
};

}  // namespace

void bindPanel(PanelWindow& window, PanelForm& form) {
  for (const ActionRow& row : kCatalogue) {
    if (!row.held()) {
      auto* button = qobject_cast<QAbstractButton*>(window.control(row.control));
      QObject::connect(button, &QAbstractButton::clicked, &window,
                       [&form, &row] { form.clickAction(row); });
      continue;
    }
    auto* button = qobject_cast<HoldButton*>(window.control(row.control));
    QObject::connect(button, &HoldButton::mouseDown, &window,
                     [&form, &row] { form.pressHeld(row); });
    QObject::connect(button, &HoldButton::mouseUp, &window,
                     [&form, &row] { form.releaseHeld(row); });
  }
  for (const Click& click : kClicks) {
    auto* button = qobject_cast<QAbstractButton*>(window.widget(click.control));
    QObject::connect(button, &QAbstractButton::clicked, &window,
                     [&form, &click] { (form.*click.handler)(); });
  }
  QObject::connect(qobject_cast<PictureLabel*>(window.widget(Control::Logo)),
                   &PictureLabel::doubleClicked, &window, [&form] { form.logoDoubleClicked(); });
  QObject::connect(&window, &PanelWindow::keyDown, &window,
                   [&form](int key, Qt::KeyboardModifiers modifiers) {
                     form.keyDown(key, formModifiers(modifiers));
                   });
}

}  // namespace qd40
