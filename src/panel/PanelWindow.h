#pragma once
// The real window: built once from the layout table, it implements the
// toolkit seam for the form. Its controls' events are bound to the form's
// handlers by the application; it holds no panel logic of its own.
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <map>
#include <vector>

#include "panel/FramedCaptions.h"
#include "toolkit/Toolkit.h"

namespace qd40 {

class PanelWindow final : public QWidget, public Window {
  Q_OBJECT

 public:
  explicit PanelWindow(QWidget* parent = nullptr);

  // Window seam.
  void setCaption(Control control, const std::string& text) override;
  std::string caption(Control control) const override;
  void appendCaption(Control control, std::string_view added) override;
  std::uint64_t captionWrites(Control control) const override;
  void setVisible(Control control, bool visible) override;
  bool isVisible(Control control) const override;
  void setMarked(Control option, bool marked) override;
  int height() const override { return m_outerHeight; }
  void setHeight(int twips) override;
  int width() const override;
  void move(double left, double top) override;
  ScreenSize screenSize() const override;
  // The port's boxes offer "Choose device…", which opens the device chooser
  // once the box is gone and the handler that showed it has finished.
  void messageBox(const std::string& text) override;
  void showPortProblem(const std::string& text) override;
  void closePortProblem() override;
  void writeError(const std::string& text) override;
  void close() override;

  // The captions the window was built with took their known fits (see
  // KnownFits.h); this measures them with the fonts of this machine and
  // corrects any that fit otherwise. Called once the window is up.
  void measureKnownFits();

  // The widget built for a control of the layout, by name or by role.
  QWidget* control(std::string_view name) const;
  QWidget* widget(Control control) const;

  // The window-level key notification: every key press meant for this window
  // or one of its controls, seen once, before the focused control gets it.
  void previewKeyPress(int key, Qt::KeyboardModifiers modifiers);

  // A modal box about anything but the port, with one OK button.
  void noticeBox(const std::string& text);
  // The same box without holding the panel: what happened while the
  // operator works (the session log stopped) is said beside the work.
  void noticeAside(const std::string& text);

  // The port the marks name: the one in use, or the one just chosen while its
  // selection is still being reported.
  int markedPort() const;

  static QString messageTitle();

 signals:
  void keyDown(int key, Qt::KeyboardModifiers modifiers);
  // The operator asked for the device chooser, about COM<number>: from a port
  // box or from the menu of the "COM" button.
  void chooseDevice(int number);

 private:
  void build();
  // A box that shows beside the panel and leaves it the keyboard.
  QMessageBox* boxAside(const char* name);
  void addDeviceMenu();
  QPushButton* addChooserButton(QMessageBox& box);
  void showLabelText(QLabel* label, const QString& text);

  QHash<QString, QWidget*> m_controls;
  std::map<Control, std::uint64_t> m_captionWrites;
  int m_outerHeight;
  // Label captions go up at most once a frame.
  FramedCaptions* m_labelCaptions;
  QPointer<QMessageBox> m_portBox;
  // The captions shown in their known fits, not yet measured.
  std::vector<QPointer<QWidget>> m_unmeasured;
};

}  // namespace qd40
