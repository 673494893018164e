// qd40-screenshots: pictures of the real panel at its three heights for the
// README, taken the way an operator uncovers them: the compact window, Alt+K,
// then a double-click on the logo. A status read to the projector on COM1
// fills the monitor first. Then the device chooser, about COM1. Run it through scripts/screenshots,
// which starts the simulated projectors and a virtual display.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <functional>

#include "Waits.h"
#include "app/Application.h"

namespace {

using std::chrono::milliseconds;

// Long enough for a status reply from the simulator on a loaded machine.
constexpr milliseconds kReplyTimeout{3000};
// The reply window of a status read, closed before the next read is sent.
constexpr milliseconds kReplyWindow{600};
constexpr milliseconds kSettle{200};

using qd40::test::waitUntil;

class Photographer {
 public:
  explicit Photographer(QString outDir) : m_outDir(std::move(outDir)) {}

  bool run() {
    m_panel.start();
    QWidget& window = m_panel.window();
    if (!QTest::qWaitForWindowExposed(&window)) return fail("the window never showed");
    QTest::qWait(static_cast<int>(kSettle.count()));
    if (!m_panel.serial().isOpen()) return fail("COM1 is not open; is the simulator running?");
    if (!shoot(5350)) return false;

    QTest::keyClick(&window, Qt::Key_K, Qt::AltModifier);
    if (!readStatus() || !shoot(7200)) return false;

    QTest::mouseDClick(m_panel.window().control("Image1"), Qt::LeftButton);
    QTest::qWait(static_cast<int>(kReplyWindow.count()));
    return readStatus() && shoot(9100) && shootChooser();
  }

 private:
  bool fail(const QString& why) {
    std::fprintf(stderr, "qd40-screenshots: %s\n", qPrintable(why));
    return false;
  }

  // Sends "STATUS" and waits for its decoded answer in the status line.
  bool readStatus() {
    auto* status = qobject_cast<QLabel*>(m_panel.window().control("Label22"));
    QTest::mouseClick(m_panel.window().control("Command44"), Qt::LeftButton);
    if (!waitUntil([status] { return !status->text().trimmed().isEmpty(); }, kReplyTimeout)) {
      return fail("no answer to STATUS from the projector on COM1");
    }
    return true;
  }

  bool shoot(int twips) {
    if (m_panel.window().height() != twips) {
      return fail(
          QString("the window is %1 twips high, not %2").arg(m_panel.window().height()).arg(twips));
    }
    QApplication::processEvents();
    const QString file = QDir(m_outDir).filePath(QString("first-look-%1.png").arg(twips));
    if (!m_panel.window().grab().save(file, "PNG")) return fail("cannot write " + file);
    std::printf("%s\n", qPrintable(file));
    return true;
  }

  bool shootChooser() {
    m_panel.deviceChoice().open(1);
    QDialog* chooser = m_panel.deviceChoice().chooser();
    if (chooser == nullptr || !QTest::qWaitForWindowExposed(chooser)) {
      return fail("the device chooser never showed");
    }
    QTest::qWait(static_cast<int>(kSettle.count()));
    const QString file = QDir(m_outDir).filePath("chooser.png");
    if (!chooser->grab().save(file, "PNG")) return fail("cannot write " + file);
    std::printf("%s\n", qPrintable(file));
    chooser->reject();
    return true;
  }

  QString m_outDir;
  qd40::Panel m_panel{qd40::loadPortSetup({})};
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: qd40-screenshots OUTDIR (with COM1 on a projector)\n");
    return 2;
  }
  int qtArgc = 1;
  qd40::PanelApplication app(qtArgc, argv);
  if (!QDir().mkpath(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "qd40-screenshots: cannot make %s\n", argv[1]);
    return 1;
  }
  // A message box would mean the port failed; it must not wait for a click.
  QTimer watchdog;
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      std::fprintf(stderr, "qd40-screenshots: %s\n", qPrintable(box->text()));
      QApplication::exit(1);
      box->reject();
    }
  });
  watchdog.start(100);
  Photographer photographer(QString::fromLocal8Bit(argv[1]));
  return photographer.run() ? 0 : 1;
}
