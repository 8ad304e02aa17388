// Start-up time and memory of the panel against a bare toolkit program.
//
// Both run in a private Xvfb. The time runs from starting the process until
// the X server maps its main window (the first question of the panel is
// answered "Run In Demo Mode" the moment it is mapped); the memory is the
// process's peak resident size once that window is up. Each program runs
// ten times, alternating, and the medians are printed:
//
//   startup panel_ms=A bare_qt_ms=B ratio=R panel_rss_mb=M bare_rss_mb=N
//
//   bench_startup [panel [bare]]   (defaults: the programs of this build)
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

const char firstQuestionTitle[] = "Vorilan 7240 SFP: Select Function Card";
const char panelTitle[] = "Vorilan 7240 Soft Front Panel";
const char bareTitle[] = "bench_startup bare window";
const int runs = 10;
const int timeoutMs = 60000;
// The window is mapped before its first paint; the peak memory is read a
// moment later so that both programs have drawn their window once.
const int settleMs = 300;

[[noreturn]] void die(const std::string &what)
{
    std::fprintf(stderr, "bench_startup: %s\n", what.c_str());
    std::exit(1);
}

struct XServer
{
    pid_t pid = -1;
    std::string display;

    void start()
    {
        int fds[2];
        if (pipe(fds) != 0)
            die("pipe");
        const std::string fd = std::to_string(fds[1]);
        std::vector<std::string> args{"Xvfb",         "-displayfd", fd,    "-screen", "0",
                                      "1280x1024x24", "-nolisten",  "tcp", "-noreset"};
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            std::vector<char *> argv;
            for (std::string &a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execvp("Xvfb", argv.data());
            _exit(127);
        }
        close(fds[1]);
        char buf[32] = {};
        size_t got = 0;
        while (got < sizeof buf - 1) {
            const ssize_t n = read(fds[0], buf + got, sizeof buf - 1 - got);
            if (n <= 0)
                break;
            got += size_t(n);
            if (std::memchr(buf, '\n', got))
                break;
        }
        close(fds[0]);
        if (got == 0)
            die("Xvfb did not start (is the xvfb package installed?)");
        display = ":" + std::string(buf, std::strcspn(buf, "\n"));
    }

    ~XServer()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

class Watcher
{
public:
    explicit Watcher(const std::string &display)
    {
        c = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(c))
            die("cannot connect to " + display);
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        netWmName = atom("_NET_WM_NAME");
        tabCode = keycode(0xff09);
        returnCode = keycode(0xff0d);
        xcb_flush(c);
    }
    ~Watcher() { xcb_disconnect(c); }

    // Waits for a window with this title to be mapped; answers the panel's
    // first question on the way. Returns false on timeout or child exit.
    bool waitFor(const char *title, pid_t child)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline) {
            while (xcb_generic_event_t *ev = xcb_poll_for_event(c)) {
                const bool mapped = (ev->response_type & 0x7f) == XCB_MAP_NOTIFY;
                const xcb_window_t w =
                    mapped ? reinterpret_cast<xcb_map_notify_event_t *>(ev)->window : 0;
                std::free(ev);
                if (!mapped)
                    continue;
                const std::string name = windowName(w);
                if (name == title)
                    return true;
                if (name == firstQuestionTitle)
                    answerDemo(w);
            }
            if (xcb_connection_has_error(c))
                die("lost the X server");
            int status = 0;
            if (waitpid(child, &status, WNOHANG) == child)
                return false;
            pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
            ::poll(&pfd, 1, 20);
        }
        return false;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }

    xcb_keycode_t keycode(uint32_t keysym)
    {
        const xcb_setup_t *setup = xcb_get_setup(c);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t *r = xcb_get_keyboard_mapping_reply(
            c, xcb_get_keyboard_mapping(c, setup->min_keycode, uint8_t(count)), nullptr);
        if (!r)
            die("no keyboard mapping");
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(r);
        xcb_keycode_t code = 0;
        for (int i = 0; i < count * r->keysyms_per_keycode && !code; ++i)
            if (syms[i] == keysym)
                code = xcb_keycode_t(setup->min_keycode + i / r->keysyms_per_keycode);
        std::free(r);
        if (!code)
            die("no key for a keysym");
        return code;
    }

    std::string windowName(xcb_window_t w)
    {
        for (xcb_atom_t prop : {netWmName, xcb_atom_t(XCB_ATOM_WM_NAME)}) {
            xcb_get_property_reply_t *r = xcb_get_property_reply(
                c, xcb_get_property(c, 0, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
            if (r) {
                std::string name(static_cast<const char *>(xcb_get_property_value(r)),
                                 size_t(xcb_get_property_value_length(r)));
                std::free(r);
                if (!name.empty())
                    return name;
            }
        }
        return {};
    }

    void sendKey(xcb_window_t w, xcb_keycode_t code)
    {
        for (uint8_t type : {uint8_t(XCB_KEY_PRESS), uint8_t(XCB_KEY_RELEASE)}) {
            xcb_key_press_event_t ev{};
            ev.response_type = type;
            ev.detail = code;
            ev.time = XCB_CURRENT_TIME;
            ev.root = root;
            ev.event = w;
            ev.child = XCB_NONE;
            ev.same_screen = 1;
            xcb_send_event(c, 1, w,
                           type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS
                                                 : XCB_EVENT_MASK_KEY_RELEASE,
                           reinterpret_cast<const char *>(&ev));
        }
    }

    // Focus starts on "Auto Find"; "Run In Demo Mode" is the next button.
    void answerDemo(xcb_window_t w)
    {
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, w, XCB_CURRENT_TIME);
        sendKey(w, tabCode);
        sendKey(w, returnCode);
        xcb_flush(c);
    }

    xcb_connection_t *c = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t netWmName = 0;
    xcb_keycode_t tabCode = 0;
    xcb_keycode_t returnCode = 0;
};

double peakRssMb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return 0.0;
}

struct Sample
{
    double ms;
    double rssMb;
};

Sample runOnce(const std::string &program, const char *title, const std::string &display,
               const std::string &scratch)
{
    Watcher watcher(display);
    std::vector<std::string> env{"DISPLAY=" + display,
                                 "QT_QPA_PLATFORM=xcb",
                                 "HOME=" + scratch,
                                 "XDG_RUNTIME_DIR=" + scratch,
                                 "ALLUSERSPROFILE=" + scratch,
                                 "VISA_SIM_FILE=",
                                 "VISA_SIM_JOURNAL=",
                                 "LANG=C.UTF-8"};
    if (const char *path = std::getenv("PATH"))
        env.push_back(std::string("PATH=") + path);
    for (const char *keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char *value = std::getenv(keep))
            env.push_back(std::string(keep) + "=" + value);
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string arg0 = program;
    char *argv[] = {arg0.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    pid_t pid = -1;
    const auto start = Clock::now();
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data()) != 0)
        die("cannot start " + program);
    posix_spawn_file_actions_destroy(&actions);
    const bool shown = watcher.waitFor(title, pid);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!shown) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        die(program + " did not show \"" + title + "\"");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    const double rss = peakRssMb(pid);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return {ms, rss};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string panel = argc > 1 ? argv[1] : BENCH_STARTUP_PANEL;
    const std::string bare = argc > 2 ? argv[2] : BENCH_STARTUP_BARE;

    char scratchTemplate[] = "/tmp/bench_startup.XXXXXX";
    const char *scratchDir = mkdtemp(scratchTemplate);
    if (!scratchDir)
        die("cannot make a scratch folder");
    chmod(scratchDir, 0700);
    const std::string scratch = scratchDir;

    XServer x;
    x.start();

    // One unmeasured run each fills the page cache and the font cache.
    runOnce(panel, panelTitle, x.display, scratch);
    runOnce(bare, bareTitle, x.display, scratch);

    std::vector<double> panelMs, bareMs, panelMb, bareMb;
    for (int i = 0; i < runs; ++i) {
        const Sample p = runOnce(panel, panelTitle, x.display, scratch);
        const Sample b = runOnce(bare, bareTitle, x.display, scratch);
        panelMs.push_back(p.ms);
        panelMb.push_back(p.rssMb);
        bareMs.push_back(b.ms);
        bareMb.push_back(b.rssMb);
    }
    std::string cleanup = "rm -rf '" + scratch + "'";
    if (std::system(cleanup.c_str()) != 0)
        std::fprintf(stderr, "bench_startup: could not remove %s\n", scratch.c_str());

    const double a = median(panelMs), b = median(bareMs);
    std::printf("startup panel_ms=%.1f bare_qt_ms=%.1f ratio=%.2f panel_rss_mb=%.1f "
                "bare_rss_mb=%.1f\n",
                a, b, a / b, median(panelMb), median(bareMb));
    return 0;
}
