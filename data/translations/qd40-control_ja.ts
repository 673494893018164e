<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>HelpText</name>
    <message>
        <source>
Environment:
  QD40_COM1, QD40_COM2  the devices COM1 and COM2 stand for when --com1 or
                        --com2 is not given
  QD40_LOG              the session log file when --log is not given
</source>
        <translation>
環境変数:
  QD40_COM1, QD40_COM2  --com1、--com2 を指定しないときに COM1、COM2 が指す
                        デバイス
  QD40_LOG              --log を指定しないときのセッションログのファイル
</translation>
    </message>
    <message>
        <source>
Ports: COM1 and COM2 stand for the devices --com1 and --com2 name, else those
QD40_COM1 and QD40_COM2 name, else the devices chosen in the window with
&quot;Choose device…&quot; (on the menu of the &quot;COM&quot; button or on a port message),
else /dev/ttyS0 and /dev/ttyS1. The chosen devices are saved in
  %1
</source>
        <translation>
ポート: COM1 と COM2 は、--com1 と --com2 で指定したデバイスを指します。指定が
なければ QD40_COM1 と QD40_COM2 のデバイス、それもなければウィンドウの
「デバイスを選択…」(「COM」ボタンのメニューとポートのメッセージにあります) で
選んだデバイス、どれもなければ /dev/ttyS0 と /dev/ttyS1 です。選んだデバイスは
次のファイルに保存されます:
  %1
</translation>
    </message>
    <message>
        <source>
Exit status: 0 when the window is closed, 2 for a bad command line, 3 when
there is no display to open the window on.
</source>
        <translation>
終了ステータス: ウィンドウを閉じたときは 0、コマンドラインに誤りがあるときは 2、
ウィンドウを開くディスプレイがないときは 3 です。
</translation>
    </message>
    <message>
        <source>A control panel for a QD40 data projector on an RS-232C serial line.</source>
        <translation>RS-232C シリアル回線で接続した QD40 データプロジェクターの操作パネルです。</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>このヘルプを表示して終了します。</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>バージョンを表示して終了します。</translation>
    </message>
    <message>
        <source>Serial device (or socket://HOST:PORT, rfc2217://HOST:PORT) for COM1, over $QD40_COM1.</source>
        <translation>COM1 に使うシリアルデバイス (または socket://HOST:PORT、rfc2217://HOST:PORT)。$QD40_COM1 より優先します。</translation>
    </message>
    <message>
        <source>Serial device (or socket://HOST:PORT, rfc2217://HOST:PORT) for COM2, over $QD40_COM2.</source>
        <translation>COM2 に使うシリアルデバイス (または socket://HOST:PORT、rfc2217://HOST:PORT)。$QD40_COM2 より優先します。</translation>
    </message>
    <message>
        <source>Append a line for every event on the line to file, over $QD40_LOG.</source>
        <translation>回線上のできごとを 1 件ごとに 1 行ずつ file に追記します。$QD40_LOG より優先します。</translation>
    </message>
    <message>
        <source>Move the log to file.1, replacing an older one, when it reaches size: a number with K, M or G, from 64K; default 10M.</source>
        <translation>ログが size に達したら file.1 に移します (以前の file.1 は置き換えます)。size は K、M、G を付けた 64K 以上の数値で、既定値は 10M です。</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>想定していない引数 &apos;%1&apos; があります。</translation>
    </message>
    <message>
        <source>--%1 needs a device path.</source>
        <translation>--%1 にはデバイスのパスを指定してください。</translation>
    </message>
    <message>
        <source>--log needs a file name.</source>
        <translation>--log にはファイル名を指定してください。</translation>
    </message>
    <message>
        <source>--log-max takes a size from 64K up, such as 500K, 10M or 1G.</source>
        <translation>--log-max には 500K、10M、1G のように 64K 以上のサイズを指定してください。</translation>
    </message>
</context>
<context>
    <name>LogNotice</name>
    <message>
        <source>The session log %1 stopped: %2. The panel goes on; the log tries its file again every few seconds and, once it can write, says there what it missed.</source>
        <translation>セッションログ %1 が止まりました: %2。パネルはそのまま動きます。ログは数秒ごとにファイルへの書き込みを試み、書けるようになると、書けなかった分をファイルに記します。</translation>
    </message>
</context>
<context>
    <name>LogWords</name>
    <message>
        <source>The session log %1 is not opened: it belongs to the user %2, not to you or root, who could read and change what the panel writes into it. Remove it or choose another file.</source>
        <translation>セッションログ %1 は開きませんでした。このファイルの所有者はユーザー %2 で、あなたでも root でもありません。その所有者はパネルが書き込む内容を読むことも書き換えることもできます。ファイルを削除するか、別のファイルを指定してください。</translation>
    </message>
    <message>
        <source>with id %1</source>
        <translation>ID %1</translation>
    </message>
    <message>
        <source>a directory</source>
        <translation>ディレクトリ</translation>
    </message>
    <message>
        <source>a named pipe (FIFO)</source>
        <translation>名前付きパイプ (FIFO)</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>ソケット</translation>
    </message>
    <message>
        <source>a device</source>
        <translation>デバイス</translation>
    </message>
    <message>
        <source>The panel runs without a log.</source>
        <translation>パネルはログを取らずに動作します。</translation>
    </message>
    <message>
        <source>The session log %1 cannot be opened: %2.</source>
        <translation>セッションログ %1 を開けません (%2)。</translation>
    </message>
    <message>
        <source>The session log %1 is %2, not a file; the log is written only to a regular file.</source>
        <translation>セッションログ %1 はファイルではなく%2です。ログは通常のファイルにしか書き込みません。</translation>
    </message>
    <message>
        <source>The session log %1 is not opened: the symbolic link %2 belongs to the user %3, not to you or root, so the panel does not follow it. Remove the link or choose another file.</source>
        <translation>セッションログ %1 は開きませんでした。シンボリックリンク %2 の所有者はユーザー %3 で、あなたでも root でもないため、パネルはこのリンクをたどりません。リンクを削除するか、別のファイルを指定してください。</translation>
    </message>
    <message>
        <source>The session log %1 cannot be opened: its filesystem does not answer.</source>
        <translation>セッションログ %1 を開けません (ファイルシステムが応答しません)。</translation>
    </message>
</context>
<context>
    <name>NoDisplay</name>
    <message>
        <source>the window cannot be opened on QT_QPA_PLATFORM=%1. Unset QT_QPA_PLATFORM to use the desktop&apos;s display.</source>
        <translation>QT_QPA_PLATFORM=%1 ではウィンドウを開けません。デスクトップのディスプレイを使うには、QT_QPA_PLATFORM の設定を解除してください。</translation>
    </message>
    <message>
        <source>no display to open the window on: neither DISPLAY nor WAYLAND_DISPLAY is set. Start the panel in a desktop session, or set DISPLAY (X11) or WAYLAND_DISPLAY (Wayland).</source>
        <translation>ウィンドウを開くディスプレイがありません。DISPLAY も WAYLAND_DISPLAY も設定されていません。デスクトップのセッションでパネルを起動するか、DISPLAY (X11) または WAYLAND_DISPLAY (Wayland) を設定してください。</translation>
    </message>
    <message>
        <source>no display to open the window on: %1 cannot be reached. Check it, or start the panel in a desktop session.</source>
        <translation>ウィンドウを開くディスプレイがありません。%1 に接続できません。設定を確認するか、デスクトップのセッションでパネルを起動してください。</translation>
    </message>
</context>
<context>
    <name>PortMessages</name>
    <message>
        <source>%1 and %2 others</source>
        <translation>%1 ほか %2 件</translation>
    </message>
    <message>
        <source>Invalid line settings: %1</source>
        <translation>回線設定が正しくありません: %1</translation>
    </message>
    <message>
        <source>no answer within %1 s</source>
        <translation>%1 秒以内に応答がありません</translation>
    </message>
    <message>
        <source>the port is not open.</source>
        <translation>ポートが開いていません。</translation>
    </message>
    <message>
        <source>the device server closed it</source>
        <translation>デバイスサーバーが接続を閉じました</translation>
    </message>
    <message>
        <source>nothing was acknowledged for %1 s: the network or the device server is down</source>
        <translation>%1 秒間、送ったデータの受信確認がありません。ネットワークかデバイスサーバーが停止しています</translation>
    </message>
    <message>
        <source>%1 port %2</source>
        <translation>%1 のポート %2</translation>
    </message>
    <message>
        <source>The panel keeps trying to connect.</source>
        <translation>パネルは接続を試み続けます。</translation>
    </message>
    <message>
        <source>%1:// is not a kind of port the panel knows; it knows socket://HOST:PORT (the line&apos;s bytes as they are) and rfc2217://HOST:PORT (Telnet with the COM-PORT-OPTION).</source>
        <translation>%1:// はパネルが扱える種類のポートではありません。扱えるのは socket://HOST:PORT (回線のバイトをそのまま送受信) と rfc2217://HOST:PORT (COM-PORT-OPTION 付きの Telnet) です。</translation>
    </message>
    <message>
        <source>Set %1 to one of them, or to a serial device.</source>
        <translation>%1 にはこのどちらか、またはシリアルデバイスを設定してください。</translation>
    </message>
    <message>
        <source>not a device server address.</source>
        <translation>デバイスサーバーのアドレスではありません。</translation>
    </message>
    <message>
        <source>Set %1 to socket://HOST:PORT or rfc2217://HOST:PORT, for example %1=rfc2217://192.0.2.10:4001, or to a serial device.</source>
        <translation>%1 には socket://HOST:PORT か rfc2217://HOST:PORT (例: %1=rfc2217://192.0.2.10:4001)、またはシリアルデバイスを設定してください。</translation>
    </message>
    <message>
        <source>unknown host %1.</source>
        <translation>ホスト %1 が見つかりません。</translation>
    </message>
    <message>
        <source>Check the name in %1.</source>
        <translation>%1 の名前を確認してください。</translation>
    </message>
    <message>
        <source>the host name %1 could not be looked up (%2).</source>
        <translation>ホスト名 %1 を解決できませんでした (%2)。</translation>
    </message>
    <message>
        <source>%1 refused the connection on port %2: nothing listens there. Check that the device server runs and serves this port.</source>
        <translation>%1 がポート %2 への接続を拒否しました。このポートで待ち受けているプログラムがありません。デバイスサーバーが動作していて、このポートを提供していることを確認してください。</translation>
    </message>
    <message>
        <source>%1 cannot be reached (%2). Check the address and the network.</source>
        <translation>%1 に到達できません (%2)。アドレスとネットワークを確認してください。</translation>
    </message>
    <message>
        <source>no answer from %1 within %2 s. Check that the device server is on.</source>
        <translation>%2 秒以内に %1 から応答がありません。デバイスサーバーの電源が入っていることを確認してください。</translation>
    </message>
    <message>
        <source>cannot connect to %1 (%2).</source>
        <translation>%1 に接続できません (%2)。</translation>
    </message>
    <message>
        <source>still connecting to %1; the line was not sent.</source>
        <translation>%1 に接続中のため、この行は送信していません。</translation>
    </message>
    <message>
        <source>the connection to %1 was lost (%2).</source>
        <translation>%1 との接続が切れました (%2)。</translation>
    </message>
    <message>
        <source>still connecting to %1 after %2 s.</source>
        <translation>%2 秒たっても %1 に接続できていません。</translation>
    </message>
    <message>
        <source>%1 takes nothing in: over %2 KiB waited to be sent, so the connection was closed as stuck.</source>
        <translation>%1 がデータを受け取りません。送信待ちが %2 KiB を超えたため、停止したものとして接続を閉じました。</translation>
    </message>
    <message>
        <source>the device server says the port is in use by another client; it frees it when that connection times out or the server restarts.</source>
        <translation>デバイスサーバーによると、このポートは別のクライアントが使用中です。その接続がタイムアウトするか、サーバーが再起動すると解放されます。</translation>
    </message>
    <message>
        <source>no Telnet negotiation: is this a raw port? use %1 instead.</source>
        <translation>Telnet のネゴシエーションがありません。raw ポートではありませんか? その場合は %1 を使ってください。</translation>
    </message>
    <message>
        <source>the device server sends Telnet negotiation (IAC bytes, shown as ? in RXD): is this an RFC 2217 port? use %1 instead.</source>
        <translation>デバイスサーバーが Telnet のネゴシエーションを送ってきます (IAC バイト。RXD には ? と表示されます)。RFC 2217 のポートではありませんか? その場合は %1 を使ってください。</translation>
    </message>
    <message>
        <source>a socket:// port carries only the line&apos;s bytes</source>
        <translation>socket:// のポートは回線のバイトしか伝えません</translation>
    </message>
    <message>
        <source>it refused the COM-PORT-OPTION</source>
        <translation>COM-PORT-OPTION が拒否されました</translation>
    </message>
    <message>
        <source>the device server does not take speed changes (%1); set the speed on the server.</source>
        <translation>デバイスサーバーは速度の変更を受け付けません (%1)。速度はサーバー側で設定してください。</translation>
    </message>
    <message>
        <source>the device server did not end a Telnet subnegotiation where it should; %1 was dropped as no line data.</source>
        <translation>デバイスサーバーが Telnet のサブネゴシエーションを正しい位置で終えませんでした。%1 は回線のデータではないものとして破棄しました。</translation>
    </message>
    <message>
        <source>... (%1 bytes)</source>
        <translation>... (%1 バイト)</translation>
    </message>
    <message>
        <source>Dropped, not delivered: %1.</source>
        <translation>送信せずに破棄した行: %1。</translation>
    </message>
    <message>
        <source>Dropped, not confirmed as delivered: %1.</source>
        <translation>届いたことを確認できずに破棄した行: %1。</translation>
    </message>
    <message>
        <source>Choose the projector&apos;s device with &quot;Choose device…&quot; (also on the menu of the &quot;COM&quot; button).</source>
        <translation>「デバイスを選択…」(「COM」ボタンのメニューにもあります) で、プロジェクターをつないだデバイスを選んでください。</translation>
    </message>
    <message>
        <source>the line settings %1 were refused (%2).</source>
        <translation>回線設定 %1 が受け付けられませんでした (%2)。</translation>
    </message>
    <message>
        <source>the line could not be sent (%1).</source>
        <translation>行を送信できませんでした (%1)。</translation>
    </message>
    <message>
        <source>owner %1, group %2, mode %3</source>
        <translation>所有者 %1、グループ %2、モード %3</translation>
    </message>
    <message>
        <source>none found</source>
        <translation>見つかりません</translation>
    </message>
    <message>
        <source>You own it, so the kernel applies the owner&apos;s bits, which do not allow both reading and writing; joining a group would not help. Allow them with &apos;chmod u+rw %1&apos;, then choose the port again.</source>
        <translation>このデバイスの所有者はあなたなので、カーネルは所有者の権限を適用しますが、その権限では読み書きの両方ができません。グループに参加しても解決しません。&apos;chmod u+rw %1&apos; で読み書きを許可してから、もう一度ポートを選択してください。</translation>
    </message>
    <message>
        <source>Your session is in its group %1, so the kernel applies the group&apos;s bits, which do not allow both reading and writing; joining another group would not help. Allow them with &apos;sudo chmod g+rw %2&apos;, then choose the port again.</source>
        <translation>このセッションはデバイスのグループ %1 に属しているので、カーネルはグループの権限を適用しますが、その権限では読み書きの両方ができません。別のグループに参加しても解決しません。&apos;sudo chmod g+rw %2&apos; で読み書きを許可してから、もう一度ポートを選択してください。</translation>
    </message>
    <message>
        <source>Its mode gives no group both read and write access, so joining a group would not help.</source>
        <translation>このデバイスのモードでは、どのグループにも読み書きの両方が許可されていないため、グループに参加しても解決しません。</translation>
    </message>
    <message>
        <source>Your user is in the %1 group, but this session began before it joined: log out and log in again.</source>
        <translation>ユーザーは %1 グループに属していますが、このセッションは参加する前に始まったものです。いったんログアウトして、ログインし直してください。</translation>
    </message>
    <message>
        <source>Add your user to the %1 group with &apos;sudo usermod -aG %1 %2&apos;, then log out and log in again.</source>
        <translation>&apos;sudo usermod -aG %1 %2&apos; でユーザーを %1 グループに追加してから、いったんログアウトして、ログインし直してください。</translation>
    </message>
    <message>
        <source>locked by %1, which names no process: a program ended while taking the port.</source>
        <translation>%1 でロックされていますが、このロックファイルにはプロセスが記録されていません。ポートを確保している途中でプログラムが終了したためです。</translation>
    </message>
    <message>
        <source>locked by %1, left by process %2, which no longer runs (the number %2 now belongs to %3, which does not use the port).</source>
        <translation>%1 でロックされています。このロックファイルはすでに終了したプロセス %2 が残したものです (番号 %2 は現在 %3 が使っていますが、このポートは使用していません)。</translation>
    </message>
    <message>
        <source>locked by %1, left by process %2, which no longer runs.</source>
        <translation>%1 でロックされています。このロックファイルはすでに終了したプロセス %2 が残したものです。</translation>
    </message>
    <message>
        <source>refused as busy: a program of another user holds it in exclusive mode. Close it, then choose the port again.</source>
        <translation>使用中のため開けません。別のユーザーのプログラムが排他モードで使用しています。そのプログラムを終了してから、もう一度ポートを選択してください。</translation>
    </message>
    <message>
        <source>refused as busy: it was left in exclusive mode by a program that ended without closing it, so that only root can open it until the program that made the pseudo-terminal closes it.</source>
        <translation>使用中のため開けません。閉じずに終了したプログラムが排他モードのまま残したため、擬似端末を作成したプログラムが閉じるまでは root しか開けません。</translation>
    </message>
    <message>
        <source>Restart the program that provides the pseudo-terminal, or clear the mode as root: %1.</source>
        <translation>擬似端末を提供しているプログラムを再起動するか、root で次のようにモードを解除してください: %1。</translation>
    </message>
    <message>
        <source>refused as busy: a program of another user holds it in exclusive mode, or it was left in exclusive mode by a program that ended without closing it, so that only root can open it until the program that made the pseudo-terminal closes it.</source>
        <translation>使用中のため開けません。別のユーザーのプログラムが排他モードで使用しているか、閉じずに終了したプログラムが排他モードのまま残したため、擬似端末を作成したプログラムが閉じるまでは root しか開けない状態です。</translation>
    </message>
    <message>
        <source>In that case: Restart the program that provides the pseudo-terminal, or clear the mode as root: %1.</source>
        <translation>後者の場合は、擬似端末を提供しているプログラムを再起動するか、root で次のようにモードを解除してください: %1。</translation>
    </message>
    <message>
        <source>no such device.</source>
        <translation>デバイスがありません。</translation>
    </message>
    <message>
        <source>Set %1 to the projector&apos;s serial device, for example %1=/dev/ttyUSB0.</source>
        <translation>%1 にプロジェクターをつないだシリアルデバイスを設定してください (例: %1=/dev/ttyUSB0)。</translation>
    </message>
    <message>
        <source>Serial devices on this machine: %1.</source>
        <translation>このコンピューターのシリアルデバイス: %1。</translation>
    </message>
    <message>
        <source>not a serial device.</source>
        <translation>シリアルデバイスではありません。</translation>
    </message>
    <message>
        <source>Set %1 to the projector&apos;s serial device.</source>
        <translation>%1 にプロジェクターをつないだシリアルデバイスを設定してください。</translation>
    </message>
    <message>
        <source>permission denied (%1).</source>
        <translation>アクセス権がありません (%1)。</translation>
    </message>
    <message>
        <source>in use by a program of user %1; its lock file cannot be read (%2). Ask %1 to close it, then choose the port again.</source>
        <translation>ユーザー %1 のプログラムが使用中です。そのロックファイル (%2) は読み取れません。%1 にプログラムを終了してもらってから、もう一度ポートを選択してください。</translation>
    </message>
    <message>
        <source>in use by %1. Close it, then choose the port again.</source>
        <translation>%1 が使用中です。そのプログラムを終了してから、もう一度ポートを選択してください。</translation>
    </message>
    <message>
        <source>Remove it with &apos;%1&apos;, then choose the port again.</source>
        <translation>&apos;%1&apos; でロックファイルを削除してから、もう一度ポートを選択してください。</translation>
    </message>
    <message>
        <source>the device&apos;s path %1 is too long to name its lock file (%2 bytes, at most %3). Use a device node with a shorter path; a link is not enough, because links are followed to the device.</source>
        <translation>デバイスのパス %1 が長すぎて、ロックファイルの名前にできません (%2 バイト、上限は %3 バイト)。もっと短いパスのデバイスノードを使ってください。リンクはデバイスまでたどられるため、リンクでは解決しません。</translation>
    </message>
    <message>
        <source>the path is too long (%1 bytes).</source>
        <translation>パスが長すぎます (%1 バイト)。</translation>
    </message>
    <message>
        <source>Set %1 to a shorter path of the device.</source>
        <translation>%1 にはデバイスのもっと短いパスを設定してください。</translation>
    </message>
    <message>
        <source>the device&apos;s path %1 is not valid UTF-8, which the serial library cannot open. Give the device node a UTF-8 name.</source>
        <translation>デバイスのパス %1 は正しい UTF-8 ではないため、シリアルライブラリーで開けません。デバイスノードに UTF-8 の名前を付けてください。</translation>
    </message>
    <message>
        <source>cannot be opened (%1).</source>
        <translation>開けません (%1)。</translation>
    </message>
    <message>
        <source>the device was removed (%1 is gone). Plug it in again; the next command opens the port again.</source>
        <translation>デバイスが取り外されました (%1 がなくなりました)。接続し直してください。次のコマンドでポートを開き直します。</translation>
    </message>
    <message>
        <source>the device was removed (%1 is gone: the program that made the pseudo-terminal closed it). Start it again; the next command opens the port again.</source>
        <translation>デバイスがなくなりました (擬似端末を作成したプログラムが閉じたため、%1 がなくなりました)。そのプログラムを起動し直してください。次のコマンドでポートを開き直します。</translation>
    </message>
    <message>
        <source>the device was removed (%1 now stands for another device). Plug it in again; the next command opens the port again.</source>
        <translation>デバイスが取り外されました (%1 は現在別のデバイスを指しています)。接続し直してください。次のコマンドでポートを開き直します。</translation>
    </message>
    <message>
        <source>the device is present but hung up, so the line carries nothing more. Check the cable or adapter; the next command opens the port again.</source>
        <translation>デバイスはありますが、回線が切断 (ハングアップ) されたため、これ以上データを送受信できません。ケーブルやアダプターを確認してください。次のコマンドでポートを開き直します。</translation>
    </message>
    <message>
        <source>another program, of a user whose open files cannot be seen, reads this port; it may take the replies.</source>
        <translation>開いているファイルを確認できないユーザーの別のプログラムが、このポートを読み取っています。応答を横取りされるおそれがあります。</translation>
    </message>
    <message>
        <source>another program reads this port: %1; it may take the replies. Close it so that every reply reaches the panel.</source>
        <translation>別のプログラムがこのポートを読み取っています: %1。応答を横取りされるおそれがあります。すべての応答がパネルに届くよう、そのプログラムを終了してください。</translation>
    </message>
    <message>
        <source>other programs read this port: %1; they may take the replies. Close them so that every reply reaches the panel.</source>
        <translation>別のプログラムがこのポートを読み取っています: %1。応答を横取りされるおそれがあります。すべての応答がパネルに届くよう、それらのプログラムを終了してください。</translation>
    </message>
    <message>
        <source>a program</source>
        <translation>あるプログラム</translation>
    </message>
    <message>
        <source>%1 (process %2)</source>
        <translation>%1 (プロセス %2)</translation>
    </message>
    <message>
        <source>%1 (process %2 of user %3)</source>
        <translation>%1 (ユーザー %3 のプロセス %2)</translation>
    </message>
    <message>
        <source>You own it, so the kernel applies the owner&apos;s bits, which do not allow both reading and writing; joining a group would not help. Allow them with &apos;chmod u+rw %1&apos;, then run it again.</source>
        <translation>このデバイスの所有者はあなたなので、カーネルは所有者の権限を適用しますが、その権限では読み書きの両方ができません。グループに参加しても解決しません。&apos;chmod u+rw %1&apos; で読み書きを許可してから、もう一度実行してください。</translation>
    </message>
    <message>
        <source>Your session is in its group %1, so the kernel applies the group&apos;s bits, which do not allow both reading and writing; joining another group would not help. Allow them with &apos;sudo chmod g+rw %2&apos;, then run it again.</source>
        <translation>このセッションはデバイスのグループ %1 に属しているので、カーネルはグループの権限を適用しますが、その権限では読み書きの両方ができません。別のグループに参加しても解決しません。&apos;sudo chmod g+rw %2&apos; で読み書きを許可してから、もう一度実行してください。</translation>
    </message>
    <message>
        <source>refused as busy: a program of another user holds it in exclusive mode. Close it, then run it again.</source>
        <translation>使用中のため開けません。別のユーザーのプログラムが排他モードで使用しています。そのプログラムを終了してから、もう一度実行してください。</translation>
    </message>
    <message>
        <source>Name the projector&apos;s port with --port.</source>
        <translation>プロジェクターをつないだポートを --port で指定してください。</translation>
    </message>
    <message>
        <source>in use by a program of user %1; its lock file cannot be read (%2). Ask %1 to close it, then run it again.</source>
        <translation>ユーザー %1 のプログラムが使用中です。そのロックファイル (%2) は読み取れません。%1 にプログラムを終了してもらってから、もう一度実行してください。</translation>
    </message>
    <message>
        <source>in use by %1. Close it, then run it again.</source>
        <translation>%1 が使用中です。そのプログラムを終了してから、もう一度実行してください。</translation>
    </message>
    <message>
        <source>Remove it with &apos;%1&apos;, then run it again.</source>
        <translation>&apos;%1&apos; でロックファイルを削除してから、もう一度実行してください。</translation>
    </message>
    <message>
        <source>another program reads this port: %1; it may take the replies. Close it so that every reply reaches this command.</source>
        <translation>別のプログラムがこのポートを読み取っています: %1。応答を横取りされるおそれがあります。すべての応答がこのコマンドに届くよう、そのプログラムを終了してください。</translation>
    </message>
    <message>
        <source>other programs read this port: %1; they may take the replies. Close them so that every reply reaches this command.</source>
        <translation>別のプログラムがこのポートを読み取っています: %1。応答を横取りされるおそれがあります。すべての応答がこのコマンドに届くよう、それらのプログラムを終了してください。</translation>
    </message>
    <message>
        <source>Its mode is not the cause: it lies on a file system mounted with &apos;nodev&apos; at %1, where the kernel opens no device node. Use the device&apos;s node under /dev, or mount %1 without &apos;nodev&apos;.</source>
        <translation>原因はモードではありません。このデバイスは %1 に &apos;nodev&apos; でマウントされたファイルシステム上にあり、そこではカーネルはどのデバイスノードも開きません。/dev の下にあるデバイスのノードを使うか、%1 を &apos;nodev&apos; なしでマウントしてください。</translation>
    </message>
    <message>
        <source>An access control list on it decides who may read and write it, and it does not let this user; see &apos;getfacl %1&apos;.</source>
        <translation>このデバイスではアクセス制御リスト (ACL) が読み書きできる人を決めており、このユーザーには許可していません。'getfacl %1' で確認してください。</translation>
    </message>
    <message>
        <source>permission denied: the folder %1 on its path cannot be searched by this user (%2), so nothing in it can be reached. Use a path outside it, or ask the folder&apos;s owner to allow searching it.</source>
        <translation>アクセス権がありません。パスの途中のフォルダー %1 をこのユーザーは検索できない (%2) ため、その中には到達できません。このフォルダーの外のパスを使うか、フォルダーの所有者に検索を許可してもらってください。</translation>
    </message>
    <message>
        <source>The kernel refuses it even to root, and no cause can be seen here: a security module (AppArmor, SELinux) may refuse it; the system log may say which.</source>
        <translation>カーネルは root にも拒否しており、ここから原因は見えません。セキュリティモジュール (AppArmor、SELinux) が拒否している可能性があります。システムログに理由が記録されているかもしれません。</translation>
    </message>
    <message>
        <source>Its mode allows this user to read and write it, yet the kernel refuses, and no cause can be seen here: a security module (AppArmor, SELinux) may refuse it; the system log may say which.</source>
        <translation>モードではこのユーザーに読み書きが許可されていますが、カーネルが拒否しており、ここから原因は見えません。セキュリティモジュール (AppArmor、SELinux) が拒否している可能性があります。システムログに理由が記録されているかもしれません。</translation>
    </message>
    <message>
        <source>locked by %1, which records only process %2; whether process %2 uses the port cannot be checked, because its open files are hidden from this user. If the port should be free, ask an administrator to check the lock, then choose the port again.</source>
        <translation>%1 でロックされています。このロックファイルにはプロセス %2 しか記録されておらず、このユーザーにはその開いているファイルが見えないため、プロセス %2 がポートを使っているかどうかを確かめられません。ポートが空いているはずなら、管理者にロックを確認してもらってから、もう一度ポートを選択してください。</translation>
    </message>
    <message>
        <source>locked by %1, which records only process %2; whether process %2 uses the port cannot be checked, because its open files are hidden from this user. If the port should be free, ask an administrator to check the lock, then run it again.</source>
        <translation>%1 でロックされています。このロックファイルにはプロセス %2 しか記録されておらず、このユーザーにはその開いているファイルが見えないため、プロセス %2 がポートを使っているかどうかを確かめられません。ポートが空いているはずなら、管理者にロックを確認してもらってから、もう一度実行してください。</translation>
    </message>
</context>
<context>
    <name>qd40::DeviceChoice</name>
    <message>
        <source>The device choice could not be saved for the next start: %1 It is used until the panel is closed.</source>
        <translation>デバイスの選択を次回の起動用に保存できませんでした: %1 この選択はパネルを閉じるまで使われます。</translation>
    </message>
</context>
<context>
    <name>qd40::DeviceChooser</name>
    <message>
        <source>Choose device</source>
        <translation>デバイスの選択</translation>
    </message>
    <message>
        <source>Serial ports on this machine. The list follows adapters as they are plugged in and out.</source>
        <translation>このコンピューターのシリアルポートです。アダプターを抜き差しすると一覧も変わります。</translation>
    </message>
    <message>
        <source>Serial ports on this machine</source>
        <translation>このコンピューターのシリアルポート</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>デバイス</translation>
    </message>
    <message>
        <source>Node</source>
        <translation>ノード</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>説明</translation>
    </message>
    <message>
        <source>Maker</source>
        <translation>メーカー</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>シリアル番号</translation>
    </message>
    <message>
        <source>No serial ports found. Plug in an adapter, or type a device below.</source>
        <translation>シリアルポートが見つかりません。アダプターを接続するか、下の欄にデバイスを入力してください。</translation>
    </message>
    <message>
        <source>Use for COM%1</source>
        <translation>COM%1 に使用</translation>
    </message>
    <message>
        <source>COM%1 (in use):</source>
        <translation>COM%1 (使用中):</translation>
    </message>
    <message>
        <source>COM%1:</source>
        <translation>COM%1:</translation>
    </message>
    <message>
        <source>Type a device path, a pseudo-terminal such as /dev/pts/3 too, or a device server as socket://HOST:PORT or rfc2217://HOST:PORT. An empty field forgets the saved choice.</source>
        <translation>デバイスのパス (/dev/pts/3 のような擬似端末も可)、またはデバイスサーバーを socket://HOST:PORT か rfc2217://HOST:PORT の形で入力してください。欄を空にすると、保存した選択を消去します。</translation>
    </message>
    <message>
        <source>The choice is saved in %1 and used at every start; --com1 and --com2 on the command line and QD40_COM1 and QD40_COM2 in the environment take precedence over it.</source>
        <translation>選択は %1 に保存され、起動のたびに使われます。ただし、コマンドラインの --com1、--com2 と環境変数の QD40_COM1、QD40_COM2 のほうが優先します。</translation>
    </message>
    <message>
        <source>Named with --com%1 at this start. A device chosen here is used now and saved, but --com%1 takes precedence at the next start.</source>
        <translation>今回の起動では --com%1 で指定されています。ここで選んだデバイスはすぐに使用して保存しますが、次回の起動では --com%1 が優先します。</translation>
    </message>
    <message>
        <source>Named by QD40_COM%1. A device chosen here is used now and saved, but QD40_COM%1 takes precedence at the next start while it is set.</source>
        <translation>QD40_COM%1 で指定されています。ここで選んだデバイスはすぐに使用して保存しますが、QD40_COM%1 が設定されている間は、次回の起動でもそちらが優先します。</translation>
    </message>
    <message>
        <source>The saved choice.</source>
        <translation>保存した選択です。</translation>
    </message>
    <message>
        <source>The default device.</source>
        <translation>既定のデバイスです。</translation>
    </message>
    <message>
        <source>COM%1: %2 is not a device server address. Write socket://HOST:PORT or rfc2217://HOST:PORT with a port from 1 to 65535, as in rfc2217://192.0.2.10:4001.</source>
        <translation>COM%1: %2 はデバイスサーバーのアドレスではありません。rfc2217://192.0.2.10:4001 のように、socket://HOST:PORT か rfc2217://HOST:PORT の形で、1 から 65535 までのポートを付けて入力してください。</translation>
    </message>
    <message>
        <source>COM%1: %2 is neither a device path nor a device server address. Type a path that starts with /, such as /dev/ttyUSB0, or socket://HOST:PORT or rfc2217://HOST:PORT.</source>
        <translation>COM%1: %2 はデバイスのパスでもデバイスサーバーのアドレスでもありません。/dev/ttyUSB0 のように / で始まるパスか、socket://HOST:PORT または rfc2217://HOST:PORT を入力してください。</translation>
    </message>
    <message>
        <source>Empty: the default device, %1</source>
        <translation>空欄: 既定のデバイス %1</translation>
    </message>
    <message>
        <source>Empty: %1, named outside the panel</source>
        <translation>空欄: パネルの外で指定された %1</translation>
    </message>
    <message>
        <source>The COM%1 field is empty, so COM%1, the port in use, would open the default device %2, which nobody named. Another device, such as a console, a modem or a power supply, may be attached there. Open %2 for COM%1?</source>
        <translation>COM%1 の欄が空なので、使用中のポート COM%1 は、誰も指定していない既定のデバイス %2 を開くことになります。そこにはコンソール、モデム、電源装置など別の機器がつながっているかもしれません。COM%1 で %2 を開きますか?</translation>
    </message>
    <message>
        <source>Open %1</source>
        <translation>%1 を開く</translation>
    </message>
    <message>
        <source>Keep choosing</source>
        <translation>選択を続ける</translation>
    </message>
</context>
<context>
    <name>qd40::PanelWindow</name>
    <message>
        <source>Choose device…</source>
        <translation>デバイスを選択…</translation>
    </message>
</context>
<context>
    <name>qd40::SavedPorts</name>
    <message>
        <source>%1 is larger than %2 KiB, which no file of saved devices is, so it was not read; it is left as it is.</source>
        <translation>%1 は %2 KiB を超えており、保存したデバイスのファイルとしては大きすぎるため、読み込みませんでした。ファイルはそのままにしてあります。</translation>
    </message>
    <message>
        <source>%1 is not a settings file the panel can read (line %2 is no setting), so it was not used; it is left as it is.</source>
        <translation>%1 はパネルが読める設定ファイルではない (%2 行目が設定ではありません) ため、使いませんでした。ファイルはそのままにしてあります。</translation>
    </message>
    <message>
        <source>%1 cannot be read, so the devices saved in it are not used.</source>
        <translation>%1 を読み取れないため、保存されたデバイスは使われません。</translation>
    </message>
    <message>
        <source>%1 cannot be written (%2).</source>
        <translation>%1 に書き込めません (%2)。</translation>
    </message>
    <message>
        <source>the folder %1 cannot be made</source>
        <translation>フォルダー %1 を作成できません</translation>
    </message>
</context>
</TS>
