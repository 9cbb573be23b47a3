// The real program on a virtual X display, driven with real key and mouse
// events through xdotool. Every wait has a deadline; nothing relies on a
// pause being long enough.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace jotanor::e2e {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Generous: the machine may be shared by several builds.
constexpr auto kPatience = 40s;

struct Run {
    int status = -1;  // exit code, or -1 when killed or timed out
    std::string out;  // standard output and error together
};

// Runs a command to its end (or kills it at the deadline).
Run run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout = kPatience,
        const std::vector<std::string>& env = {});

// Waits until `ready` holds; false at the deadline.
bool waitUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout = kPatience);

// What the harness needs from the machine; empty when all is there.
std::string missingTools();

// A desktop of its own: an Xvfb server on a free display and a session bus
// (or, where no bus daemon is installed, none at all), both ended with it.
// Programs started on it see only these, never the caller's session, so no
// bus is launched behind the test's back and nothing outlives the test.
class Display {
public:
    explicit Display(int width = 1280, int height = 1024);
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    bool ok() const { return number_ >= 0; }
    // Starts openbox on this display, ended with it; false when openbox,
    // xprop or xwininfo is not installed, or it did not come up.
    bool startWindowManager();
    std::string name() const { return ":" + std::to_string(number_); }
    // The environment a program on this desktop gets.
    std::vector<std::string> environment() const;

    // xdotool on this display.
    Run xdotool(const std::vector<std::string>& args) const;

    // The visible windows whose title matches the regular expression.
    std::vector<std::string> windows(const std::string& titleRegex) const;
    // Waits for such a window and gives it the keyboard focus.
    std::optional<std::string> waitForWindow(const std::string& titleRegex,
                                             std::chrono::milliseconds timeout = kPatience) const;
    bool waitUntilGone(const std::string& titleRegex, std::chrono::milliseconds timeout = kPatience) const;
    void focus(const std::string& window) const;
    std::string title(const std::string& window) const;

    // Keys as xdotool names them ("Escape", "F2", "ctrl+a"), to the focused window.
    void key(const std::vector<std::string>& keys) const;
    void type(const std::string& text) const;

    // Left edge, top edge, width and height.
    struct Geometry {
        int x, y, width, height;
    };
    std::optional<Geometry> geometry(const std::string& window) const;
    // The same for the window's outer frame.
    std::optional<Geometry> frame(const std::string& window) const;

    // The text of a message box, copied with Ctrl+C as a user can.
    std::string messageText(const std::string& box) const;

private:
    pid_t server_ = -1;
    int number_ = -1;
    pid_t bus_ = -1;
    pid_t windowManager_ = -1;
    std::string busAddress_ = "disabled:";
};

// The program, started in a folder of its own with "today" fixed.
class Program {
public:
    struct Options {
        std::string today = "2026-12-06 10:00:00";
        // Put in front of the program, for instance strace or capsh.
        std::vector<std::string> wrapper;
        // After the program's name, as a launcher passes them.
        std::vector<std::string> arguments;
        // Extra environment, "NAME=value".
        std::vector<std::string> environment;
    };

    Program(const Display& display, const std::filesystem::path& folder, Options options);
    Program(const Display& display, const std::filesystem::path& folder) : Program(display, folder, Options{}) {}
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Waits for the end; the exit code, or nothing at the deadline.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout = kPatience);
    bool running();
    pid_t pid() const { return pid_; }
    // What the program wrote to its standard output and error.
    std::string log() const;

private:
    pid_t pid_ = -1;
    std::optional<int> exit_;
    std::filesystem::path log_;
};

// The running program's main window title starts with this.
inline constexpr const char* kMainTitle = "^Jotanor versie 2\\.0 \\*\\*\\*  ";

}  // namespace jotanor::e2e
