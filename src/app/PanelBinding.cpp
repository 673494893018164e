#include "app/PanelBinding.h"

#include <QAbstractButton>
#include <array>

#include "app/Form1.h"
#include "panel/PanelWidgets.h"
#include "panel/PanelWindow.h"
#include "protocol/Catalogue.h"

namespace qd40 {

namespace {

// Qt's modifier flags in the form's notation: Shift 1, Ctrl 2, Alt 4.
int formShift(Qt::KeyboardModifiers modifiers) {
  int shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= Form1::kShiftMask;
  if (modifiers & Qt::ControlModifier) shift |= Form1::kCtrlMask;
  if (modifiers & Qt::AltModifier) shift |= Form1::kAltMask;
  return shift;
}

struct Click {
  std::string_view control;
  void (Form1::*handler)();
};

constexpr std::array kClicks = {
    Click{"Command16", &Form1::Command16_Click}, Click{"Command33", &Form1::Command33_Click},
    Click{"Command34", &Form1::Command34_Click}, Click{"Command95", &Form1::Command95_Click},
    Click{"Command96", &Form1::Command96_Click}, Click{"Option1", &Form1::Option1_Click},
    Click{"Option2", &Form1::Option2_Click},     Click{"Option9", &Form1::Option9_Click},
    Click{"Option10", &Form1::Option10_Click},
};

}  // namespace

void bindPanel(PanelWindow& window, Form1& form) {
  for (const ActionRow& row : kCatalogue) {
    if (!row.held()) {
      auto* button = qobject_cast<QAbstractButton*>(window.control(row.control));
      QObject::connect(button, &QAbstractButton::clicked, &window,
                       [&form, &row] { form.commandClick(row); });
      continue;
    }
    auto* button = qobject_cast<HoldButton*>(window.control(row.control));
    QObject::connect(button, &HoldButton::mouseDown, &window,
                     [&form, &row] { form.holdMouseDown(row); });
    QObject::connect(button, &HoldButton::mouseUp, &window,
                     [&form, &row] { form.holdMouseUp(row); });
  }
  for (const Click& click : kClicks) {
    auto* button = qobject_cast<QAbstractButton*>(window.control(click.control));
    QObject::connect(button, &QAbstractButton::clicked, &window,
                     [&form, &click] { (form.*click.handler)(); });
  }
  QObject::connect(qobject_cast<PictureLabel*>(window.control("Image1")),
                   &PictureLabel::doubleClicked, &window, [&form] { form.Image1_DblClick(); });
  QObject::connect(&window, &PanelWindow::keyDown, &window,
                   [&form](int key, Qt::KeyboardModifiers modifiers) {
                     form.Form_KeyDown(key, formShift(modifiers));
                   });
}

}  // namespace qd40
