// startup-stress: starts the editor many times in a row on a generated zone; each
// start waits for the main window to be mapped, closes it as a window manager
// would (a WM_DELETE_WINDOW message) and counts it as a death unless the editor
// then ends by itself with exit code 0.
//
//   startup-stress EDITOR STARTS [--bridge on|off|both] [--hold-ms MS]
//
// The editor is copied into a fresh folder with the zone, so every start runs as
// a user's copy does: the first start writes Kelvarin.ini beside the executable,
// every later one reads it and replaces it (opening the zone stores its folder,
// closing the window stores the mass-change options, shut-down writes it again).
// With the bridge on, the desktop accessibility bridge is forced on
// (QT_LINUX_ACCESSIBILITY_ALWAYS_ON) and the accessibility bus is started through
// the session bus first, so the bridge really connects; without a session bus the
// tool refuses to run rather than pass without the bridge.
// Exit code: 0 no deaths, 1 deaths, 2 bad command line or set-up.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "mob/generator.h"
#include "mob/tmob.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kStartLimit = std::chrono::seconds(60);
constexpr auto kCloseRepeat = std::chrono::seconds(1);

struct XcbDeleter {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using Connection = std::unique_ptr<xcb_connection_t, XcbDeleter>;

// The X side: sees top-level windows being mapped and asks them to close.
class TWindowCloser {
 public:
  bool Connect() {
    m_conn.reset(xcb_connect(nullptr, nullptr));
    if (xcb_connection_has_error(m_conn.get())) return false;
    // Without a window manager, top-level windows are mapped as children of the root.
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_conn.get())).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_conn.get(), root, XCB_CW_EVENT_MASK, &mask);
    m_protocols = Atom("WM_PROTOCOLS");
    m_deleteWindow = Atom("WM_DELETE_WINDOW");
    m_pidAtom = Atom("_NET_WM_PID");
    xcb_flush(m_conn.get());
    return true;
  }

  int Fd() const { return xcb_get_file_descriptor(m_conn.get()); }
  bool Broken() const { return xcb_connection_has_error(m_conn.get()) != 0; }

  // Handles the queued events; true when a window of `pid` that speaks
  // WM_DELETE_WINDOW has been mapped (it is the one Close() closes).
  bool WindowMapped(pid_t pid) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_conn.get())) {
      if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
        const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
        if (!map->override_redirect && PidOf(map->window) == pid && SpeaksDelete(map->window)) {
          m_window = map->window;
          m_windowPid = pid;
        }
      }
      std::free(event);
    }
    return m_window != XCB_WINDOW_NONE && m_windowPid == pid;
  }

  // Asks the mapped window to close, as a window manager's close box does.
  bool Close() {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = m_window;
    message.type = m_protocols;
    message.data.data32[0] = m_deleteWindow;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_conn.get(), 0, m_window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    return xcb_flush(m_conn.get()) > 0;
  }

 private:
  xcb_atom_t Atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(
        m_conn.get(), xcb_intern_atom(m_conn.get(), 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
  }

  pid_t PidOf(xcb_window_t window) {
    auto* reply = xcb_get_property_reply(
        m_conn.get(),
        xcb_get_property(m_conn.get(), 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    pid_t pid = -1;
    if (reply && xcb_get_property_value_length(reply) == 4)
      pid = static_cast<pid_t>(*static_cast<uint32_t*>(xcb_get_property_value(reply)));
    std::free(reply);
    return pid;
  }

  bool SpeaksDelete(xcb_window_t window) {
    auto* reply = xcb_get_property_reply(
        m_conn.get(),
        xcb_get_property(m_conn.get(), 0, window, m_protocols, XCB_ATOM_ATOM, 0, 32), nullptr);
    bool found = false;
    if (reply) {
      const auto* atoms = static_cast<xcb_atom_t*>(xcb_get_property_value(reply));
      const int count = xcb_get_property_value_length(reply) / 4;
      for (int i = 0; i < count; ++i) found = found || atoms[i] == m_deleteWindow;
    }
    std::free(reply);
    return found;
  }

  Connection m_conn;
  xcb_atom_t m_protocols = 0, m_deleteWindow = 0, m_pidAtom = 0;
  xcb_window_t m_window = XCB_WINDOW_NONE;
  pid_t m_windowPid = -1;
};

struct TStartResult {
  bool died = false;
  std::string what;  // exit code, signal or time-out
  std::string stderrText;
  double seconds = 0;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// One start of the editor: spawn, wait for the window, close it, wait for the end.
TStartResult StartOnce(TWindowCloser& closer, const fs::path& editor, const fs::path& zone,
                       bool bridge, std::chrono::milliseconds hold,
                       const fs::path& stderrFile) {
  TStartResult result;
  const auto begin = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int err = ::open(stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (err >= 0) ::dup2(err, STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) ::dup2(null, STDOUT_FILENO);
    if (bridge)
      ::setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    else
      ::unsetenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::execl(editor.c_str(), editor.c_str(), zone.c_str(), static_cast<char*>(nullptr));
    std::perror("exec");
    ::_exit(127);
  }

  bool closeSent = false;
  std::optional<Clock::time_point> mapped;
  Clock::time_point lastClose;
  int status = 0;
  bool ended = false;
  while (Clock::now() - begin < kStartLimit) {
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
      break;
    }
    if (!mapped && closer.WindowMapped(pid)) mapped = Clock::now();
    // A close that comes while a load or save holds the window is refused; the
    // request is repeated, as a user would click the close box again.
    const auto now = Clock::now();
    if (mapped && now - *mapped >= hold && (!closeSent || now - lastClose >= kCloseRepeat)) {
      closeSent = closer.Close();
      lastClose = now;
    }
    pollfd p{closer.Fd(), POLLIN, 0};
    ::poll(&p, 1, 5);
  }
  if (!ended) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    result.died = true;
    result.what = closeSent ? "did not end after its window was closed" : "showed no window";
  } else if (WIFSIGNALED(status)) {
    result.died = true;
    result.what = std::string("killed by signal ") + strsignal(WTERMSIG(status));
  } else if (WEXITSTATUS(status) != 0) {
    result.died = true;
    result.what = "exit code " + std::to_string(WEXITSTATUS(status));
  } else if (!closeSent) {
    result.died = true;
    result.what = "ended before its window was shown";
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - begin).count();
  if (result.died) result.stderrText = ReadFile(stderrFile);
  return result;
}

struct TRunTotals {
  int starts = 0;
  int deaths = 0;
  double seconds = 0;
};

TRunTotals RunSeries(TWindowCloser& closer, const fs::path& editor, const fs::path& zone,
                     int starts, bool bridge, std::chrono::milliseconds hold,
                     const fs::path& stderrFile) {
  TRunTotals totals;
  const char* label = bridge ? "bridge on" : "bridge off";
  for (int i = 0; i < starts; ++i) {
    const TStartResult r = StartOnce(closer, editor, zone, bridge, hold, stderrFile);
    ++totals.starts;
    totals.seconds += r.seconds;
    if (r.died) {
      ++totals.deaths;
      std::printf("%s, start %d: %s\n%s\n", label, i + 1, r.what.c_str(), r.stderrText.c_str());
      std::fflush(stdout);
    }
    if (closer.Broken()) {
      std::printf("the stress tool lost its own X connection\n");
      ++totals.deaths;
      break;
    }
  }
  std::printf("%s: %d starts, %d deaths, %.2f s per start\n", label, totals.starts, totals.deaths,
              totals.starts ? totals.seconds / totals.starts : 0.0);
  std::fflush(stdout);
  return totals;
}

// The accessibility bus is started on demand through the session bus (as a
// desktop session does when a screen reader asks for it); the editor's bridge only
// connects when one is running. False when there is no session bus or no bus
// launcher to start.
bool StartAccessibilityBus() {
  if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) return false;
  return std::system("dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus "
                     "org.a11y.Bus.GetAddress >/dev/null 2>&1") == 0;
}

struct TOptions {
  fs::path editor;
  int starts = 0;
  bool withBridge = true, withoutBridge = true;
  std::chrono::milliseconds hold{0};
};

std::optional<TOptions> ParseOptions(int argc, char** argv) {
  if (argc < 3 || argc % 2 == 0) return std::nullopt;
  TOptions o;
  o.editor = fs::absolute(argv[1]);
  o.starts = std::atoi(argv[2]);
  if (o.starts <= 0) return std::nullopt;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string name = argv[i], value = argv[i + 1];
    if (name == "--bridge" && (value == "on" || value == "off" || value == "both")) {
      o.withBridge = value != "off";
      o.withoutBridge = value != "on";
    } else if (name == "--hold-ms" && std::atoi(value.c_str()) >= 0) {
      o.hold = std::chrono::milliseconds(std::atoi(value.c_str()));
    } else {
      return std::nullopt;
    }
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<TOptions> options = ParseOptions(argc, argv);
  if (!options) {
    std::fprintf(stderr,
                 "usage: %s EDITOR STARTS [--bridge on|off|both] [--hold-ms MS]\n"
                 "  STARTS starts per bridge setting (both by default); --hold-ms keeps each\n"
                 "  window open that long after it is mapped before closing it\n",
                 argv[0]);
    return 2;
  }
  if (options->withBridge && !StartAccessibilityBus()) {
    std::fprintf(stderr,
                 "no accessibility bus could be started: run under a session bus "
                 "(dbus-run-session) with at-spi2-core installed\n");
    return 2;
  }

  // A fresh folder with a copy of the executable (the settings file lies beside it).
  char pattern[] = "/tmp/kelvarin-startup-stress-XXXXXX";
  if (!::mkdtemp(pattern)) {
    std::perror("mkdtemp");
    return 2;
  }
  const fs::path folder = pattern;
  const fs::path editor = folder / options->editor.filename();
  const fs::path zone = folder / "zone.mob";
  std::error_code ec;
  fs::copy_file(options->editor, editor, ec);
  if (ec) {
    std::fprintf(stderr, "cannot copy the editor: %s\n", ec.message().c_str());
    fs::remove_all(folder);
    return 2;
  }
  // The editor's read-me and licence, when they lie beside it.
  for (const char* extra : {"Readme.txt", "License.txt"})
    fs::copy_file(options->editor.parent_path() / extra, folder / extra, ec);
  {
    kelvarin::TMob mob;
    kelvarin::GenerateZone(mob, {.records = 2000, .seed = 7});
    if (!mob.SaveFile(zone.string())) {
      std::fprintf(stderr, "cannot write the zone %s\n", zone.c_str());
      fs::remove_all(folder);
      return 2;
    }
  }

  TWindowCloser closer;
  if (!closer.Connect()) {
    std::fprintf(stderr, "cannot open the display\n");
    fs::remove_all(folder);
    return 2;
  }

  const fs::path stderrFile = folder / "stderr.txt";
  int deaths = 0;
  for (const bool bridge : {false, true}) {
    if (bridge ? !options->withBridge : !options->withoutBridge) continue;
    deaths += RunSeries(closer, editor, zone, options->starts, bridge, options->hold, stderrFile)
                  .deaths;
  }
  // Opening the zone stores its folder in the settings: a run whose windows were
  // closed before the zone was opened would prove little.
  const bool zoneOpened = ReadFile(folder / "Kelvarin.ini").find("WorkPath=" + folder.string() + "/") !=
                          std::string::npos;
  if (!zoneOpened) std::printf("the editor never opened the zone (no WorkPath in Kelvarin.ini)\n");
  fs::remove_all(folder);
  if (!zoneOpened) return 2;
  return deaths == 0 ? 0 : 1;
}
