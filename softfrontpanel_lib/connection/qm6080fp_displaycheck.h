#ifndef QM6080FP_DISPLAYCHECK_H
#define QM6080FP_DISPLAYCHECK_H

#include <QString>

struct qm6080fp_commandLine_t;

// What the desktop session offers the toolkit, read before it starts: the
// platform chosen for it, and the displays there are.
struct qm6080fp_session_t
{
    QString platformOption;     // -platform on the command line
    bool displayOption = false; // -display on the command line
    QString platformVariable;   // QT_QPA_PLATFORM
    QString display;            // DISPLAY
    QString waylandDisplay;     // WAYLAND_DISPLAY
    // WAYLAND_DISPLAY names a socket that exists, or WAYLAND_SOCKET hands over a connection.
    bool waylandLive = false;
    QString waylandSocketPath; // where WAYLAND_DISPLAY points
    // WAYLAND_DISPLAY is not set and $XDG_RUNTIME_DIR/wayland-0, the socket the
    // Wayland library connects to then, exists: what -platform wayland meets.
    bool waylandDefaultLive = false;
    // The toolkit's Wayland platform plugin is installed; looked for only when
    // a Wayland display is live.
    bool waylandPlugin = false;
};

// Where the panel will be shown, or why it cannot be.
struct qm6080fp_display_t
{
    // "wayland" when the panel must ask for Wayland itself: the session
    // offers only Wayland, which Qt 5 would not try. Empty: the toolkit's
    // own choice stands.
    QString platform;
    QString error; // not empty: nothing to show the panel on, said in this one line
};

// Reads the environment, the Wayland socket and the toolkit's plugin folders.
qm6080fp_session_t qm6080fp_readSession(const qm6080fp_commandLine_t &commandLine);

// The platform the command line or QT_QPA_PLATFORM chose is the toolkit's,
// provided what it needs is there: X11 needs DISPLAY (or -display), Wayland a
// live socket; offscreen, minimal, vnc, linuxfb and eglfs need no display
// server. Without a choice, X11 when DISPLAY is set, else Wayland when its
// socket is there. `program` begins the line.
qm6080fp_display_t qm6080fp_chooseDisplay(const QString &program,
                                          const qm6080fp_session_t &session);

#endif
