// The accessible tree of the window: frames as named groups, lines left out.
#include "panel/PanelAccessibility.h"

#include <QAccessibleWidget>
#include <QWidget>
#include <algorithm>

#include "panel/AccessibleNames.h"
#include "panel/Layout.h"
#include "panel/PanelWindow.h"

namespace qd40 {

namespace {

bool isDecorative(const QObject* object) {
  const ControlSpec* entry = findControl(object->objectName().toStdString());
  return entry != nullptr && entry->kind == Kind::Line;
}

// The window, whose children are its controls without the lines that only
// draw the outline of the arrow cluster.
class FormAccessible final : public QAccessibleWidget {
 public:
  explicit FormAccessible(QWidget* form) : QAccessibleWidget(form, QAccessible::Window) {}

  int childCount() const override { return static_cast<int>(children().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QWidget*> kids = children();
    return index >= 0 && index < kids.size() ? QAccessible::queryAccessibleInterface(kids[index])
                                             : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child != nullptr ? static_cast<int>(children().indexOf(child->object())) : -1;
  }

 private:
  QList<QWidget*> children() const {
    QList<QWidget*> kids;
    for (QObject* object : widget()->children()) {
      auto* kid = qobject_cast<QWidget*>(object);
      if (kid != nullptr && !kid->isWindow() && !isDecorative(kid)) kids.push_back(kid);
    }
    return kids;
  }
};

QAccessibleInterface* panelAccessible(const QString& className, QObject* object) {
  if (qobject_cast<PanelWindow*>(object) != nullptr) {
    return new FormAccessible(static_cast<QWidget*>(object));
  }
  if (className != QLatin1String("QFrame")) return nullptr;
  const std::string name = object->objectName().toStdString();
  const bool group = std::any_of(kFrameNames.begin(), kFrameNames.end(),
                                 [&](const FrameName& frame) { return frame.frame == name; });
  return group ? new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Grouping)
               : nullptr;
}

}  // namespace

void installPanelAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(panelAccessible);
    return true;
  }();
  (void)installed;
}

}  // namespace qd40
