// The program measured as its user sees it: started fresh under an X server with a window manager, clicked
// through XTEST, and timed until the screen stops changing (XDamage on the root window). Nothing is loaded into
// the program; what is measured is what a person waits for, drawing and the window manager included.
//
//   dispatch-outside --program build/bin/VarnelDispatchDuzudu --data-root /tmp/big [--runs 3] [action ...]
//
// Actions: start (exec to the start menu's settled picture), board, save (Save Changes/Exit on the board back to
// the start menu), change (the same with one slip's priority changed first, so that the save writes and flushes
// the slip file), create, customers, history, finalize. Each run starts the program afresh. Positions are
// the controls' places in their windows at the program's own window sizes.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <signal.h>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A place to click: the window (by the start of its title) and the control's centre inside it. No window: the
// Return key, to the window that has the focus (a message's OK).
struct Target
{
    const char *window;
    int x, y;
};
constexpr Target kReturn{nullptr, 0, 0};

struct Action
{
    const char *name;
    std::vector<Target> before;         // clicks made (and waited for) before the measured one
    std::optional<Target> click;        // none: the start itself is measured
    const char *expect;                 // the window whose picture is awaited
    std::vector<Target> oddBefore = {}; // the clicks before on every second run, when they differ
};

// Places measured on the program's own windows (the start menu 720x480, the board at 1024x768).
constexpr const char *kMenu = "Revozedi Vovaro Sub-routine Selection";
constexpr const char *kBoard = "Slip Action Screen";
constexpr const char *kCustomer = "Account Information for Customer No";
const Target kManage{kMenu, 78, 157};
// The board's third slip ticked, opened, given another priority (High, or Normal on every second run, so that each
// run changes it), accepted and the message that follows answered.
std::vector<Target> changedSlip(int priorityY)
{
    return {kManage,
            Target{kBoard, 254, 183},
            Target{kBoard, 119, 204},
            Target{kBoard, 825, 278},
            Target{kBoard, 686, priorityY},
            Target{kBoard, 818, 478},
            kReturn};
}
const std::vector<Action> &actions()
{
    static const std::vector<Action> list = {
        {"start", {}, std::nullopt, kMenu},
        {"create", {}, Target{kMenu, 77, 135}, kCustomer}, // a slip starts from its customer
        {"board", {}, kManage, kBoard},
        {"finalize", {}, Target{kMenu, 98, 179}, "Completed Service Slips"},
        {"customers", {}, Target{kMenu, 90, 263}, kCustomer},
        {"history", {}, Target{kMenu, 78, 351}, "Account Service and Billing History"},
        {"save", {kManage}, Target{kBoard, 119, 120}, kMenu}, // Save Changes/Exit
        {"change", changedSlip(285), Target{kBoard, 119, 120}, kMenu, changedSlip(271)},
    };
    return list;
}

class Desktop
{
public:
    Desktop()
    {
        m_display = XOpenDisplay(nullptr);
        if (!m_display)
            fail("no X display (set DISPLAY; the README's script starts Xvfb with a window manager)");
        int error = 0;
        if (!XDamageQueryExtension(m_display, &m_damageEvent, &error))
            fail("the X server has no DAMAGE extension");
        int testEvent = 0, testError = 0, major = 0, minor = 0;
        if (!XTestQueryExtension(m_display, &testEvent, &testError, &major, &minor))
            fail("the X server has no XTEST extension");
        // Windows come and go while the tree is walked: one gone meanwhile is simply not there.
        XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
        m_root = DefaultRootWindow(m_display);
        m_damage = XDamageCreate(m_display, m_root, XDamageReportRawRectangles);
        XSelectInput(m_display, m_root, SubstructureNotifyMask);
        XSync(m_display, False);
    }
    ~Desktop()
    {
        XDamageDestroy(m_display, m_damage);
        XCloseDisplay(m_display);
    }

    [[noreturn]] static void fail(const std::string &why)
    {
        std::fprintf(stderr, "dispatch-outside: %s\n", why.c_str());
        std::exit(2);
    }

    // The top-level window whose title starts with `title`, mapped; none when there is none.
    std::optional<Window> find(const char *title) { return findUnder(m_root, title); }

    // Waits for a mapped window titled so, then for the screen to stay still for `quietMs`. Returns the moment
    // of the last change that counts (a text caret's blink, a few pixels wide, does not count).
    std::optional<Clock::time_point> settle(const char *title, Clock::time_point since, int quietMs, int limitMs)
    {
        Clock::time_point last = since;
        bool seen = false;
        const auto deadline = since + std::chrono::milliseconds(limitMs);
        for (;;) {
            drain(last);
            if (!seen && find(title))
                seen = true;
            const auto now = Clock::now();
            if (seen && msSince(last, now) >= quietMs)
                return last;
            if (now > deadline)
                return std::nullopt;
            waitForEvents(10);
        }
    }

    void click(Window window, int x, int y)
    {
        int rx = 0, ry = 0;
        Window child = 0;
        XTranslateCoordinates(m_display, window, m_root, x, y, &rx, &ry, &child);
        XTestFakeMotionEvent(m_display, -1, rx, ry, CurrentTime);
        XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
        XFlush(m_display);
    }
    Clock::time_point pressReturn()
    {
        const KeyCode key = XKeysymToKeycode(m_display, XK_Return);
        XTestFakeKeyEvent(m_display, key, True, CurrentTime);
        XTestFakeKeyEvent(m_display, key, False, CurrentTime);
        XFlush(m_display);
        return Clock::now();
    }
    Clock::time_point release()
    {
        XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
        XFlush(m_display);
        return Clock::now();
    }

private:
    std::optional<Window> findUnder(Window parent, const char *title)
    {
        Window rootReturn = 0, parentReturn = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, parent, &rootReturn, &parentReturn, &children, &count))
            return std::nullopt;
        std::optional<Window> found;
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(m_display, children[i], &attributes) || attributes.map_state != IsViewable)
                continue;
            XTextProperty name;
            if (XGetWMName(m_display, children[i], &name) && name.value) {
                const bool match =
                    std::strncmp(reinterpret_cast<const char *>(name.value), title, std::strlen(title)) == 0;
                XFree(name.value);
                if (match) {
                    found = children[i];
                    break;
                }
            }
            found = findUnder(children[i], title); // the window manager's frame holds the program's window
        }
        if (children)
            XFree(children);
        return found;
    }

    void drain(Clock::time_point &last)
    {
        while (XPending(m_display)) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == m_damageEvent + XDamageNotify) {
                const auto *damage = reinterpret_cast<XDamageNotifyEvent *>(&event);
                if (m_trace)
                    std::fprintf(stderr, "damage %dx%d+%d+%d\n", damage->area.width, damage->area.height,
                                 damage->area.x, damage->area.y);
                if (damage->area.width > 3) // a caret blinking is 1-2 pixels wide
                    last = Clock::now();
            } else if (event.type == MapNotify || event.type == UnmapNotify || event.type == ConfigureNotify) {
                last = Clock::now();
            }
        }
    }

    void waitForEvents(int ms)
    {
        const int fd = ConnectionNumber(m_display);
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval timeout{0, ms * 1000};
        select(fd + 1, &set, nullptr, nullptr, &timeout);
    }

    bool m_trace = std::getenv("OUTSIDE_TRACE") != nullptr; // each change seen, on stderr
    Display *m_display = nullptr;
    Window m_root = 0;
    Damage m_damage = 0;
    int m_damageEvent = 0;
};

pid_t launch(const std::string &program, const std::string &dataRoot)
{
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        execl(program.c_str(), program.c_str(), "--data-root", dataRoot.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    return pid;
}

void stop(pid_t pid)
{
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

constexpr int kQuietMs = 400;
constexpr int kLimitMs = 30000;

// One fresh run of one action: its time in ms, or none when a window never came.
std::optional<double> measure(Desktop &screen, const Action &action, const std::string &program,
                              const std::string &dataRoot, int run)
{
    const auto started = Clock::now();
    const pid_t pid = launch(program, dataRoot);
    const auto menu = screen.settle(kMenu, started, kQuietMs, kLimitMs);
    std::optional<double> result;
    if (menu && !action.click) {
        result = msSince(started, *menu);
    } else if (menu) {
        bool ready = true;
        auto press = [&screen](const Target &target) -> std::optional<Clock::time_point> {
            if (!target.window)
                return screen.pressReturn();
            const auto window = screen.find(target.window);
            if (!window)
                return std::nullopt;
            screen.click(*window, target.x, target.y);
            return screen.release();
        };
        for (const Target &before : run % 2 && !action.oddBefore.empty() ? action.oddBefore : action.before) {
            const auto clicked = press(before);
            ready = ready && clicked && screen.settle(kBoard, *clicked, kQuietMs, kLimitMs);
        }
        if (ready) {
            if (const auto clicked = press(*action.click))
                if (const auto settled = screen.settle(action.expect, *clicked, kQuietMs, kLimitMs))
                    result = msSince(*clicked, *settled);
        }
    }
    stop(pid);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    std::string program = "build/bin/VarnelDispatchDuzudu";
    std::string dataRoot;
    int runs = 3;
    std::vector<std::string> wanted;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--program" && i + 1 < argc)
            program = argv[++i];
        else if (arg == "--data-root" && i + 1 < argc)
            dataRoot = argv[++i];
        else if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            wanted.push_back(arg);
    }
    if (dataRoot.empty())
        Desktop::fail("--data-root DIR is needed (make one with dispatch-data generate)");
    Desktop screen;
    std::printf("%-10s %s\n", "action", "ms from the click to the settled picture, each a fresh start");
    int failed = 0;
    for (const Action &action : actions()) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), action.name) == wanted.end())
            continue;
        std::printf("%-10s", action.name);
        for (int run = 0; run < runs; ++run) {
            const auto ms = measure(screen, action, program, dataRoot, run);
            if (ms) {
                std::printf(" %8.1f", *ms);
            } else {
                std::printf(" %8s", "none");
                ++failed;
            }
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    return failed ? 1 : 0;
}
