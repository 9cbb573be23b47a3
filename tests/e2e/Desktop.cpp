#include "e2e/Desktop.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#ifndef JOTANOR_EXE
#error "JOTANOR_EXE names the program under test"
#endif
#ifndef E2E_CLIPBOARD
#error "E2E_CLIPBOARD names the clipboard reader"
#endif

namespace jotanor::e2e {
namespace {

std::vector<char*> cStrings(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

void putEnv(const std::vector<std::string>& env) {
    for (const auto& e : env) {
        const auto eq = e.find('=');
        if (eq == std::string::npos)
            ::unsetenv(e.c_str());
        else
            ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
}

// Ends a process group started by the harness, and reaps its leader.
void endGroup(pid_t pid, std::chrono::milliseconds grace) {
    if (pid <= 0) return;
    ::kill(-pid, SIGTERM);
    const auto deadline = Clock::now() + grace;
    int status = 0;
    while (Clock::now() < deadline) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            ::kill(-pid, SIGKILL);  // whatever the leader left behind
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, &status, 0);
}

std::string faketimeLibrary() {
    for (const char* dir : {"/usr/lib/x86_64-linux-gnu/faketime", "/usr/lib/aarch64-linux-gnu/faketime",
                            "/usr/lib/faketime", "/usr/local/lib/faketime"}) {
        // The multi-threaded variant: Qt reads the clock from more than one thread.
        for (const char* lib : {"libfaketimeMT.so.1", "libfaketime.so.1"}) {
            std::filesystem::path p = std::filesystem::path(dir) / lib;
            if (std::filesystem::exists(p)) return p.string();
        }
    }
    return {};
}

bool onPath(const std::string& tool) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && ::access((std::filesystem::path(dir) / tool).c_str(), X_OK) == 0) return true;
    return false;
}

// Starts `argv` in a process group of its own, with standard output and
// error to /dev/null and `env` added to its environment.
pid_t startQuiet(std::vector<std::string> argv, const std::vector<std::string>& env) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        putEnv(env);
        auto cargs = cStrings(argv);
        ::execvp(cargs[0], cargs.data());
        ::_exit(127);
    }
    return pid;
}

// Starts `argv` in a process group of its own, with standard output and
// error to /dev/null; it writes one line to descriptor 3, which is returned.
pid_t startReporting(std::vector<std::string> argv, std::string& line) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return -1;
    }
    if (pid == 0) {
        ::setpgid(0, 0);
        ::dup2(fds[1], 3);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        auto cargs = cStrings(argv);
        ::execvp(cargs[0], cargs.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string text;
    const auto deadline = Clock::now() + kPatience;
    while (text.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char c[256];
        const ssize_t got = ::read(fds[0], c, sizeof c);
        if (got <= 0) break;
        text.append(c, static_cast<std::size_t>(got));
    }
    ::close(fds[0]);
    const auto end = text.find('\n');
    line = end == std::string::npos ? std::string() : text.substr(0, end);
    return pid;
}

}  // namespace

Run run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
        const std::vector<std::string>& env) {
    Run result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return result;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return result;
    }
    if (pid == 0) {
        ::setpgid(0, 0);
        ::dup2(fds[1], 1);
        ::dup2(fds[1], 2);
        putEnv(env);
        std::vector<std::string> args = argv;
        auto cargs = cStrings(args);
        ::execvp(cargs[0], cargs.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    const auto deadline = Clock::now() + timeout;
    char buffer[4096];
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= 0ms) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        result.out.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fds[0]);
    if (timedOut) {
        endGroup(pid, 0ms);
        return result;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool waitUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (ready()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(25ms);
    }
}

std::string missingTools() {
    std::string missing;
    for (const char* tool : {"Xvfb", "xdotool"})
        if (!onPath(tool)) missing += std::string(tool) + " ";
    if (faketimeLibrary().empty()) missing += "libfaketime ";
    return missing;
}

Display::Display(int width, int height) {
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::string line;
    server_ = startReporting({"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"},
                             line);
    if (server_ < 0 || line.empty()) return;
    number_ = std::atoi(line.c_str());
    if (onPath("dbus-daemon")) {
        bus_ = startReporting({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=3"}, line);
        if (bus_ > 0 && !line.empty()) busAddress_ = line;
    }
}

Display::~Display() {
    endGroup(windowManager_, 5s);
    endGroup(bus_, 5s);
    endGroup(server_, 5s);
}

bool Display::startWindowManager() {
    if (!onPath("openbox") || !onPath("xprop") || !onPath("xwininfo") || windowManager_ > 0) return false;
    windowManager_ = startQuiet({"openbox", "--sm-disable"}, environment());
    // Ready once it announces itself on the root window.
    return windowManager_ > 0 && waitUntil([&] {
               return run({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, 10s, environment()).out.find("window id") !=
                      std::string::npos;
           });
}

std::vector<std::string> Display::environment() const {
    return {"DISPLAY=" + name(), "QT_QPA_PLATFORM=xcb", "DBUS_SESSION_BUS_ADDRESS=" + busAddress_,
            "XAUTHORITY"};
}

Run Display::xdotool(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv, 20s, {"DISPLAY=" + name()});
}

std::vector<std::string> Display::windows(const std::string& titleRegex) const {
    std::vector<std::string> ids;
    std::stringstream out(xdotool({"search", "--onlyvisible", "--name", titleRegex}).out);
    std::string line;
    while (std::getline(out, line))
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) ids.push_back(line);
    return ids;
}

std::optional<std::string> Display::waitForWindow(const std::string& titleRegex,
                                                  std::chrono::milliseconds timeout) const {
    std::vector<std::string> found;
    if (!waitUntil([&] { return !(found = windows(titleRegex)).empty(); }, timeout)) return std::nullopt;
    focus(found.back());
    return found.back();
}

bool Display::waitUntilGone(const std::string& titleRegex, std::chrono::milliseconds timeout) const {
    return waitUntil([&] { return windows(titleRegex).empty(); }, timeout);
}

void Display::focus(const std::string& window) const {
    // The harness hands the focus over, as a click into the window would;
    // without a window manager nobody else does.
    xdotool({"windowfocus", "--sync", window});
}

std::string Display::title(const std::string& window) const {
    std::string t = xdotool({"getwindowname", window}).out;
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
    return t;
}

void Display::key(const std::vector<std::string>& keys) const {
    std::vector<std::string> args{"key", "--delay", "40"};
    args.insert(args.end(), keys.begin(), keys.end());
    xdotool(args);
}

void Display::type(const std::string& text) const { xdotool({"type", "--delay", "30", text}); }

namespace {

// A geometry from a tool's output of "key<separator>value" lines, the keys
// naming the left edge, the top edge, the width and the height.
std::optional<Display::Geometry> geometryFrom(const Run& r, char separator, const std::array<std::string, 4>& keys) {
    if (r.status != 0) return std::nullopt;
    Display::Geometry g{};
    int* const fields[] = {&g.x, &g.y, &g.width, &g.height};
    int seen = 0;
    std::stringstream out(r.out);
    std::string line;
    while (std::getline(out, line)) {
        const auto at = line.find(separator);
        if (at == std::string::npos) continue;
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (line.compare(0, at, keys[i]) == 0) *fields[i] = std::atoi(line.c_str() + at + 1), ++seen;
    }
    if (seen != 4) return std::nullopt;
    return g;
}

}  // namespace

std::optional<Display::Geometry> Display::geometry(const std::string& window) const {
    return geometryFrom(xdotool({"getwindowgeometry", "--shell", window}), '=', {"X", "Y", "WIDTH", "HEIGHT"});
}

std::optional<Display::Geometry> Display::frame(const std::string& window) const {
    // Without a window manager the frame is the window itself.
    if (windowManager_ <= 0) return geometry(window);
    // The inside on the screen; xdotool's own figures shift under a window manager.
    const auto inside = geometryFrom(run({"xwininfo", "-id", window}, 10s, environment()), ':',
                                     {"  Absolute upper-left X", "  Absolute upper-left Y", "  Width", "  Height"});
    if (!inside) return std::nullopt;
    const Geometry& g = *inside;
    // The borders a window manager put around it: left, right, top, bottom.
    const std::string out = run({"xprop", "-id", window, "_NET_FRAME_EXTENTS"}, 10s, environment()).out;
    int left = 0, right = 0, top = 0, bottom = 0;
    const auto eq = out.find(" = ");
    if (eq != std::string::npos) std::sscanf(out.c_str() + eq + 3, "%d, %d, %d, %d", &left, &right, &top, &bottom);
    return Geometry{g.x - left, g.y - top, g.width + left + right, g.height + top + bottom};
}

std::string Display::messageText(const std::string& box) const {
    std::string text;
    waitUntil(
        [&] {
            focus(box);
            key({"ctrl+c"});
            text = run({E2E_CLIPBOARD}, 15s, environment()).out;
            return text.find("---") != std::string::npos;
        },
        20s);
    return text;
}

Program::Program(const Display& display, const std::filesystem::path& folder, Options options) {
    log_ = folder.parent_path() / (folder.filename().string() + ".log");
    std::vector<std::string> argv = options.wrapper;
    argv.push_back(JOTANOR_EXE);
    argv.insert(argv.end(), options.arguments.begin(), options.arguments.end());
    const std::string preload = faketimeLibrary();
    // A sanitizer build wants its runtime first; the clock library comes before it.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") +
                                    "verify_asan_link_order=0";
    const pid_t pid = ::fork();
    if (pid < 0) return;
    if (pid == 0) {
        ::setpgid(0, 0);
        if (::chdir(folder.c_str()) != 0) ::_exit(126);
        const int out = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(out, 2);
        putEnv(display.environment());
        putEnv({"LD_PRELOAD=" + preload,
                // "@": the clock starts at that moment and runs on; timers keep the real monotonic clock.
                "FAKETIME=@" + options.today, "FAKETIME_DONT_FAKE_MONOTONIC=1", "ASAN_OPTIONS=" + asanOptions});
        putEnv(options.environment);
        auto cargs = cStrings(argv);
        ::execvp(cargs[0], cargs.data());
        ::_exit(127);
    }
    pid_ = pid;
}

Program::~Program() {
    if (!exit_) endGroup(pid_, 3s);
}

std::optional<int> Program::waitForExit(std::chrono::milliseconds timeout) {
    waitUntil([this] { return !running(); }, timeout);
    return exit_;
}

bool Program::running() {
    if (exit_ || pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
    exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

std::string Program::log() const {
    std::ifstream in(log_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace jotanor::e2e
