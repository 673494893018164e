// The texts the program adds come out in the operator's language; the
// panel's own captions stay as they are in every language.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <memory>

#include "PtyPair.h"
#include "app/Application.h"
#include "config/Translations.h"
#include "wording/NetworkMessages.h"
#include "wording/PortMessages.h"

namespace qd40::test {
namespace {

const QLocale kJapanese(QLocale::Japanese, QLocale::Japan);

TEST(Translation, PortMessagesInJapaneseKeepNamesCommandsAndNumbers) {
  const PortIdentity usb{1, "/dev/ttyUSB0", ""};
  Diagnosis stale;
  stale.failure = OpenFailure::StaleLock;
  stale.lockPath = "/run/lock/LCK..ttyUSB0";
  stale.holder.pid = 4242;
  {
    const Translations japanese(kJapanese);
    const std::pair<std::string, std::string> cases[] = {
        {describeLostPort(usb, LineState::Removed, "/dev/ttyUSB0"),
         "COM1 (/dev/ttyUSB0): デバイスが取り外されました (/dev/ttyUSB0 がなくなりました)。"
         "接続し直してください。次のコマンドでポートを開き直します。"},
        // Sentences after a 。 follow without a blank.
        {describeConnectionLost({2, "socket://192.0.2.10:4001", ""},
                                {NetworkProtocol::Raw, "192.0.2.10", 4001}, "x"),
         "COM2 (socket://192.0.2.10:4001): 192.0.2.10 のポート 4001 との接続が切れました (x)。"
         "パネルは接続を試み続けます。"},
        // A command to type stays as it is.
        {describeOpenFailure(usb, stale),
         "COM1 (/dev/ttyUSB0): /run/lock/LCK..ttyUSB0 でロックされています。このロックファイルは"
         "すでに終了したプロセス 4242 が残したものです。'sudo rm /run/lock/LCK..ttyUSB0' で"
         "ロックファイルを削除してから、もう一度ポートを選択してください。"},
        // qd40ctl's wording: run again, and no promise to keep connecting.
        {describeOpenFailure({1, "/dev/ttyUSB0", "", PortUser::Command}, stale),
         "/dev/ttyUSB0: /run/lock/LCK..ttyUSB0 でロックされています。このロックファイルは"
         "すでに終了したプロセス 4242 が残したものです。'sudo rm /run/lock/LCK..ttyUSB0' で"
         "ロックファイルを削除してから、もう一度実行してください。"},
        {describeConnectionLost({2, "socket://192.0.2.10:4001", "", PortUser::Command},
                                {NetworkProtocol::Raw, "192.0.2.10", 4001}, "x"),
         "socket://192.0.2.10:4001: 192.0.2.10 のポート 4001 との接続が切れました (x)。"},
    };
    for (const auto& [message, japanese] : cases) EXPECT_EQ(message, japanese);
  }
  EXPECT_EQ(describeLostPort(usb, LineState::Removed, "/dev/ttyUSB0"),
            "COM1 (/dev/ttyUSB0): the device was removed (/dev/ttyUSB0 is gone). Plug it in "
            "again; the next command opens the port again.")
      << "English again once the translation is gone";
}

TEST(Translation, JapaneseBoxAndChooserLeaveThePanelsCaptionsAsTheyAre) {
  const std::string gone = "/dev/qd40-test-gone-" + std::to_string(getpid());
  qunsetenv("QD40_COM1");
  ASSERT_EQ(SavedPorts().save(1, gone), "");
  const Translations japanese(kJapanese);
  std::string box;
  QString button;
  QTimer answerer;
  QObject::connect(&answerer, &QTimer::timeout, [&] {
    auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (shown == nullptr || !box.empty()) return;
    box = shown->text().toStdString();
    auto* choose = shown->findChild<QAbstractButton*>("ChooseDevice");
    button = choose->text();
    choose->click();
  });
  answerer.start(20);
  auto panel = std::make_unique<Panel>(loadPortSetup({}));
  panel->start();
  ASSERT_TRUE(waitUntil([&] { return panel->deviceChoice().chooser() != nullptr; },
                        std::chrono::milliseconds(5000)));

  EXPECT_EQ(box.rfind("COM1 (" + gone +
                          "): デバイスがありません。「デバイスを選択…」(「COM」ボタンの"
                          "メニューにもあります) で、プロジェクターをつないだデバイスを"
                          "選んでください。このコンピューターのシリアルデバイス: ",
                      0),
            0u)
      << box;
  EXPECT_EQ(button.toStdString(), "デバイスを選択…");
  EXPECT_EQ(panel->deviceChoice().chooser()->windowTitle().toStdString(), "デバイスの選択");
  PanelWindow& window = panel->window();
  EXPECT_EQ(window.windowTitle().toStdString(), "ORVEN   QD40   CONTROL   Ver.1.40");
  for (const auto& [control, caption] :
       {std::pair{"Command33", "COM"}, std::pair{"Command17", "ON"}, std::pair{"Label1", "POWER"},
        std::pair{"Label4", "SOUND MUTE"}}) {
    QWidget* widget = window.control(control);
    const auto* button = qobject_cast<QAbstractButton*>(widget);
    const auto* label = qobject_cast<QLabel*>(widget);
    EXPECT_EQ((button != nullptr ? button->text() : label->text()).toStdString(), caption)
        << control;
  }
  panel.reset();
  EXPECT_EQ(SavedPorts().save(1, ""), "");
}

}  // namespace
}  // namespace qd40::test
