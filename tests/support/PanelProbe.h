#pragma once
// What the widget tests look up in the panel's window beyond its controls:
// the boxes it keeps open beside it, found by name in Qt's object tree.
#include <QMessageBox>
#include <QWidget>

namespace qd40::test {

// The open port box, if any.
inline QMessageBox* portProblemBox(const QWidget& window) {
  return window.findChild<QMessageBox*>("PortProblem", Qt::FindDirectChildrenOnly);
}

}  // namespace qd40::test
