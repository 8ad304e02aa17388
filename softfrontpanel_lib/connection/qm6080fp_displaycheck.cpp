#include "connection/qm6080fp_displaycheck.h"

#include <QDir>
#include <QLibraryInfo>
#include <QStringList>
#include <QtGlobal>

#include <sys/stat.h>

#include "connection/qm6080fp_commandline.h"

namespace {

#if QT_VERSION_MAJOR >= 6
const char waylandPluginPackage[] = "qt6-wayland";
#else
const char waylandPluginPackage[] = "qtwayland5";
#endif

QString variable(const char *name)
{
    return qEnvironmentVariable(name);
}

bool isSocket(const QString &path)
{
    struct stat info = {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0 &&
           S_ISSOCK(info.st_mode);
}

// The folders the toolkit loads its platform plugins from.
QStringList platformPluginFolders()
{
    QStringList folders;
    const QString own = variable("QT_QPA_PLATFORM_PLUGIN_PATH");
    if (!own.isEmpty())
        folders << own;
    for (const QString &path :
         variable("QT_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << path + QStringLiteral("/platforms");
#if QT_VERSION_MAJOR >= 6
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
#else
    folders << QLibraryInfo::location(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
#endif
    return folders;
}

bool hasWaylandPlugin()
{
    for (const QString &folder : platformPluginFolders())
        if (!QDir(folder).entryList({QStringLiteral("libqwayland-*.so")}, QDir::Files).isEmpty())
            return true;
    return false;
}

QString noDisplay(const QString &program, const QString &why)
{
    return QStringLiteral("%1: no display to show the panel on (%2); run it in a desktop "
                          "session, over ssh -X, or serve the window with -platform vnc to a VNC "
                          "viewer")
        .arg(program, why);
}

QString noWaylandPlugin(const QString &program)
{
    return QStringLiteral("%1: the panel would run on Wayland, but the toolkit's Wayland "
                          "platform plugin is not installed; install the package %2")
        .arg(program, QLatin1String(waylandPluginPackage));
}

// Why the session's Wayland display cannot be used; empty when it can. When
// Wayland was asked for, an unset WAYLAND_DISPLAY means wayland-0, as the
// Wayland library takes it.
QString waylandMissing(const qm6080fp_session_t &session, bool asked)
{
    if (session.waylandLive ||
        (asked && session.waylandDisplay.isEmpty() && session.waylandDefaultLive))
        return QString();
    if (session.waylandDisplay.isEmpty())
        return QStringLiteral("WAYLAND_DISPLAY is not set");
    return QStringLiteral("WAYLAND_DISPLAY names %1, which is no socket")
        .arg(session.waylandSocketPath.isEmpty() ? session.waylandDisplay
                                                 : session.waylandSocketPath);
}

} // namespace

qm6080fp_session_t qm6080fp_readSession(const qm6080fp_commandLine_t &commandLine)
{
    qm6080fp_session_t session;
    session.platformOption = commandLine.platform;
    session.displayOption = commandLine.displayGiven;
    session.platformVariable = variable("QT_QPA_PLATFORM");
    session.display = variable("DISPLAY");
    session.waylandDisplay = variable("WAYLAND_DISPLAY");
    // A name is looked for in XDG_RUNTIME_DIR, as the Wayland library does.
    const QString runtime = variable("XDG_RUNTIME_DIR");
    if (!session.waylandDisplay.isEmpty()) {
        if (QDir::isAbsolutePath(session.waylandDisplay))
            session.waylandSocketPath = session.waylandDisplay;
        else if (!runtime.isEmpty())
            session.waylandSocketPath = runtime + QLatin1Char('/') + session.waylandDisplay;
    } else if (!runtime.isEmpty()) {
        session.waylandDefaultLive = isSocket(runtime + QStringLiteral("/wayland-0"));
    }
    session.waylandLive =
        !variable("WAYLAND_SOCKET").isEmpty() || isSocket(session.waylandSocketPath);
    // Only a live Wayland display can need the plugin: no folder is listed otherwise.
    session.waylandPlugin =
        (session.waylandLive || session.waylandDefaultLive) && hasWaylandPlugin();
    return session;
}

qm6080fp_display_t qm6080fp_chooseDisplay(const QString &program, const qm6080fp_session_t &session)
{
    // Platforms that draw into a framebuffer, a remote viewer or nowhere.
    static const QStringList withoutDisplayServer{
        QStringLiteral("offscreen"),   QStringLiteral("minimal"), QStringLiteral("vnc"),
        QStringLiteral("linuxfb"),     QStringLiteral("eglfs"),   QStringLiteral("minimalegl"),
        QStringLiteral("vkkhrdisplay")};
    const bool x11 = session.displayOption || !session.display.isEmpty();
    const QString whyNoWayland = waylandMissing(session, false);
    const QString whyNone = session.waylandDisplay.isEmpty()
                                ? QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set")
                                : whyNoWayland;
    qm6080fp_display_t display;

    const QString chosen =
        !session.platformOption.isEmpty() ? session.platformOption : session.platformVariable;
    if (!chosen.trimmed().isEmpty()) {
        // A list of platforms to try in turn, each with its options after ":".
        QString why;
        for (const QString &entry : chosen.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString name = entry.section(QLatin1Char(':'), 0, 0).trimmed().toLower();
            if (withoutDisplayServer.contains(name))
                return display;
            if (name == QLatin1String("xcb")) {
                if (x11)
                    return display;
                why = QStringLiteral("the X11 platform needs DISPLAY, which is not set");
            } else if (name.startsWith(QLatin1String("wayland"))) {
                why = waylandMissing(session, true);
                if (why.isEmpty()) {
                    if (!session.waylandPlugin)
                        display.error = noWaylandPlugin(program);
                    return display;
                }
            } else {
                // A plugin the toolkit alone knows: it needs a display of some kind.
                if (x11 || whyNoWayland.isEmpty())
                    return display;
                why = whyNone;
            }
        }
        display.error = noDisplay(program, why);
        return display;
    }

    // Nothing chosen: X11 as always where there is one, else the Wayland
    // session, which Qt 5 would not try by itself.
    if (x11)
        return display;
    if (!whyNoWayland.isEmpty())
        display.error = noDisplay(program, whyNone);
    else if (!session.waylandPlugin)
        display.error = noWaylandPlugin(program);
    else
        display.platform = QStringLiteral("wayland");
    return display;
}
