#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "connection/qm6080fp_commandline.h"
#include "connection/qm6080fp_displaycheck.h"

// The program's options, read apart from the toolkit's, before any window.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void chooseDisplay_data();
    void chooseDisplay();
    void waylandSocket();
};

void TestCommandLine::read_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected"); // start, descriptor, cards, trace, flags; or the error

    const QString see = QStringLiteral(" (see qm7240fp --help)");
    const auto row = [](const char *name, const QStringList &args, const QString &expected) {
        QTest::newRow(name) << args << expected;
    };
    row("nothing: ask", {}, "ask");
    row("demo", {"--demo"}, "demo");
    row("auto find with the toolkit's style", {"-style", "fusion", "--auto-find"}, "auto");
    row("address, card 1 by default", {"--address", " VXI0::2::INSTR "},
        "address VXI0::2::INSTR 1");
    row("address and card, = spellings", {"--address=TCPIP::h::INSTR", "--card=3"},
        "address TCPIP::h::INSTR 3");
    row("trace", {"--trace", "/tmp/t.jsonl", "--demo"}, "demo trace=/tmp/t.jsonl");
    row("setup with an address", {"--setup=rig.setup", "--address", "VXI0::2"},
        "address VXI0::2 1 setup=rig.setup");
    row("setup without its file", {"--demo", "--setup"}, "qm7240fp: --setup needs a value" + see);
    row("toolkit options, one dash or two", {"-platform", "vnc", "--display=:1", "-reverse"},
        "ask platform=vnc display");
    row("help and version", {"--version", "--help"}, "ask help version");
    row("unknown option", {"--dmeo"}, "qm7240fp: unknown option --dmeo" + see);
    row("stray argument", {"VXI0::2"}, "qm7240fp: unexpected argument \"VXI0::2\"" + see);
    row("missing value", {"--address"}, "qm7240fp: --address needs a value" + see);
    row("empty address", {"--address", " "},
        "qm7240fp: --address needs a VISA resource descriptor" + see);
    row("two starts", {"--demo", "--address", "VXI0::2"},
        "qm7240fp: --demo, --auto-find and --address exclude each other" + see);
    row("card without an address", {"--auto-find", "--card", "2"},
        "qm7240fp: --card goes with --address" + see);
    row("card out of range", {"--address", "VXI0::2", "--card", "9"},
        "qm7240fp: card number \"9\" is not from 1 to 8" + see);
    row("card 0", {"--address", "VXI0::2", "--card", "0"},
        "qm7240fp: card number \"0\" is not from 1 to 8" + see);
    row("demo and auto find", {"--demo", "--auto-find"},
        "qm7240fp: --demo, --auto-find and --address exclude each other" + see);
    row("card not a number", {"--address", "VXI0::2", "--card", "1,x"},
        "qm7240fp: card number \"x\" is not from 1 to 8" + see);
    row("several cards for a one-card dialog", {"--address", "VXI0::2", "--card", "1,3"},
        "qm7240fp: --card takes one card number for this card" + see);
    row("flag of the toolkit with a value", {"-reverse=1"},
        "qm7240fp: -reverse takes no value" + see);
    row("toolkit option without its value", {"-platform"},
        "qm7240fp: -platform needs a value" + see);
}

void TestCommandLine::read()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);

    const qm6080fp_commandLine_t line =
        qm6080fp_readCommandLine(QStringList{"qm7240fp"} + args, 1, 8);
    QString got = line.error;
    if (got.isEmpty()) {
        const char *starts[] = {"ask", "demo", "auto", "address"};
        QStringList parts{QLatin1String(starts[line.start])};
        if (line.start == qm6080fp_commandLine_t::address) {
            QStringList cards;
            for (int card : line.cards)
                cards << QString::number(card);
            parts << line.descriptor << cards.join(',');
        }
        if (!line.traceFile.isEmpty())
            parts << "trace=" + line.traceFile;
        if (!line.setupFile.isEmpty())
            parts << "setup=" + line.setupFile;
        if (!line.platform.isEmpty())
            parts << "platform=" + line.platform;
        if (line.displayGiven)
            parts << "display";
        if (line.help)
            parts << "help";
        if (line.version)
            parts << "version";
        got = parts.join(' ');
    } else {
        QCOMPARE(line.start, qm6080fp_commandLine_t::askUser);
    }
    QCOMPARE(got, expected);

    // Several cards where the dialog takes them.
    if (args == QStringList{"--address", "VXI0::2", "--card", "1,3"})
        QCOMPARE(qm6080fp_readCommandLine(QStringList{"qm7240fp"} + args, 8, 8).cards,
                 (QList<int>{1, 3}));
}

void TestCommandLine::chooseDisplay_data()
{
    QTest::addColumn<QStringList>("args");
    // DISPLAY, WAYLAND_DISPLAY ("~" for one whose socket is gone, "(wayland-0)"
    // for none set and $XDG_RUNTIME_DIR/wayland-0 there), QT_QPA_PLATFORM
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<bool>("waylandPlugin");
    QTest::addColumn<QString>("expected"); // "toolkit", "wayland", or the start of the error

    const QString none = QStringLiteral("qm7240fp: no display to show the panel on (");
    const auto row = [](const char *name, const QStringList &args, const QStringList &environment,
                        bool plugin, const QString &expected) {
        QTest::newRow(name) << args << environment << plugin << expected;
    };
    row("X11", {}, {":0", "", ""}, true, "toolkit");
    row("X11 beside Wayland: as always", {}, {":0", "wayland-0", ""}, true, "toolkit");
    row("only Wayland", {}, {"", "wayland-0", ""}, true, "wayland");
    row("only Wayland, without its plugin", {}, {"", "wayland-0", ""}, false,
        "qm7240fp: the panel would run on Wayland, but the toolkit's Wayland platform plugin is "
        "not installed; install the package " +
            QLatin1String(QT_VERSION_MAJOR >= 6 ? "qt6-wayland" : "qtwayland5"));
    row("Wayland socket gone", {}, {"", "~", ""}, true, none + "WAYLAND_DISPLAY names");
    row("nothing at all", {}, {"", "", ""}, true,
        none + "neither DISPLAY nor WAYLAND_DISPLAY is set)");
    row("-platform xcb without DISPLAY", {"-platform", "xcb"}, {"", "wayland-0", ""}, true,
        none + "the X11 platform needs DISPLAY");
    row("QT_QPA_PLATFORM=xcb without DISPLAY", {}, {"", "", "xcb"}, true,
        none + "the X11 platform needs DISPLAY");
    row("-display names the X display", {"-platform", "xcb", "-display", ":3"}, {"", "", ""}, true,
        "toolkit");
    row("-platform wayland with its socket", {"-platform", "wayland"}, {":0", "wayland-0", ""},
        true, "toolkit");
    row("-platform wayland, socket gone", {"-platform", "wayland"}, {":0", "~", ""}, true,
        none + "WAYLAND_DISPLAY names");
    row("-platform wayland, WAYLAND_DISPLAY unset: wayland-0", {"-platform", "wayland"},
        {"", "(wayland-0)", ""}, true, "toolkit");
    row("-platform wayland, WAYLAND_DISPLAY unset, no wayland-0", {"-platform", "wayland"},
        {"", "", ""}, true, none + "WAYLAND_DISPLAY is not set");
    row("nothing chosen: wayland-0 alone is no session", {}, {"", "(wayland-0)", ""}, true,
        none + "neither DISPLAY nor WAYLAND_DISPLAY is set");
    row("the command line over QT_QPA_PLATFORM", {"-platform", "offscreen"}, {"", "", "xcb"}, true,
        "toolkit");
    for (const char *headless : {"offscreen", "minimal", "vnc:size=800x600", "linuxfb", "eglfs"})
        QTest::newRow(headless) << QStringList{"-platform", headless} << QStringList{"", "", ""}
                                << true << "toolkit";
    row("a list: Wayland gone, then X11", {}, {":0", "~", "wayland;xcb"}, true, "toolkit");
    row("a plugin the panel does not know, no display", {"-platform", "foo"}, {"", "", ""}, true,
        none + "neither DISPLAY");
}

void TestCommandLine::chooseDisplay()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, environment);
    QFETCH(bool, waylandPlugin);
    QFETCH(QString, expected);

    const qm6080fp_commandLine_t line =
        qm6080fp_readCommandLine(QStringList{"qm7240fp"} + args, 1, 8);
    qm6080fp_session_t session;
    session.platformOption = line.platform;
    session.displayOption = line.displayGiven;
    session.display = environment[0];
    session.waylandDisplay = environment[1] == QLatin1String("~") ? QStringLiteral("wayland-9")
                             : environment[1].startsWith(QLatin1Char('(')) ? QString()
                                                                           : environment[1];
    session.waylandLive = environment[1] == QLatin1String("wayland-0");
    session.waylandDefaultLive = environment[1] == QLatin1String("(wayland-0)");
    session.platformVariable = environment[2];
    session.waylandPlugin = waylandPlugin;

    const qm6080fp_display_t display = qm6080fp_chooseDisplay(QStringLiteral("qm7240fp"), session);
    if (expected == QLatin1String("toolkit") || expected == QLatin1String("wayland")) {
        QCOMPARE(display.error, QString());
        QCOMPARE(display.platform, expected == QLatin1String("wayland") ? expected : QString());
        return;
    }
    QVERIFY2(display.error.startsWith(expected), qPrintable(display.error));
    QVERIFY(!display.error.contains(QLatin1Char('\n')));
    if (expected.contains(QLatin1String("no display")))
        QVERIFY(display.error.endsWith(QLatin1String(
            "; run it in a desktop session, over ssh -X, or serve the window with -platform vnc "
            "to a VNC viewer")));
}

// WAYLAND_DISPLAY counts only when it names a socket, under XDG_RUNTIME_DIR
// unless it is a path; WAYLAND_SOCKET hands over a connection whatever it
// names; unset, the Wayland library's wayland-0 counts for -platform wayland.
void TestCommandLine::waylandSocket()
{
    // The environment as it was, and the socket closed, however the test ends.
    const QStringList names{"XDG_RUNTIME_DIR", "WAYLAND_DISPLAY", "WAYLAND_SOCKET"};
    QList<QByteArray> saved;
    QList<bool> wasSet;
    for (const QString &name : names) {
        wasSet << qEnvironmentVariableIsSet(qPrintable(name));
        saved << qgetenv(qPrintable(name));
    }
    int fd = -1;
    const auto restore = qScopeGuard([&] {
        if (fd >= 0)
            ::close(fd);
        for (int i = 0; i < names.size(); ++i) {
            if (wasSet[i])
                qputenv(qPrintable(names[i]), saved[i]);
            else
                qunsetenv(qPrintable(names[i]));
        }
    });

    QTemporaryDir runtime;
    const auto bindSocket = [&fd](const QByteArray &path) {
        fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
        return fd >= 0 && bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    };
    const QByteArray socketPath = QFile::encodeName(runtime.filePath(QStringLiteral("wayland-7")));
    QVERIFY(bindSocket(socketPath));
    QFile plain(runtime.filePath(QStringLiteral("not-a-socket")));
    QVERIFY(plain.open(QIODevice::WriteOnly));

    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    qunsetenv("WAYLAND_SOCKET");
    const auto live = [](const QByteArray &waylandDisplay) {
        qputenv("WAYLAND_DISPLAY", waylandDisplay);
        return qm6080fp_readSession(qm6080fp_commandLine_t()).waylandLive;
    };
    QVERIFY(live("wayland-7"));
    QVERIFY(live(socketPath));
    QVERIFY(!live("wayland-8"));
    QVERIFY(!live("not-a-socket"));
    qputenv("WAYLAND_SOCKET", "5");
    QVERIFY(live("wayland-8"));
    qunsetenv("WAYLAND_SOCKET");
    qunsetenv("XDG_RUNTIME_DIR");
    QVERIFY(!live("wayland-7"));

    // WAYLAND_DISPLAY unset: the default socket, wayland-0, if it is one.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    qunsetenv("WAYLAND_DISPLAY");
    const auto defaultLive = [] {
        return qm6080fp_readSession(qm6080fp_commandLine_t()).waylandDefaultLive;
    };
    QVERIFY(!defaultLive());
    QVERIFY(QFile::rename(runtime.filePath(QStringLiteral("not-a-socket")),
                          runtime.filePath(QStringLiteral("wayland-0"))));
    QVERIFY(!defaultLive());
    QVERIFY(QFile::remove(runtime.filePath(QStringLiteral("wayland-0"))));
    ::close(fd);
    fd = -1;
    QVERIFY(bindSocket(QFile::encodeName(runtime.filePath(QStringLiteral("wayland-0")))));
    QVERIFY(defaultLive());
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
