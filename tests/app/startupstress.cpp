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

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "mob/generator.h"
#include "mob/tmob.h"
#include "support/windowwatch.h"

namespace {

namespace fs = std::filesystem;
using Clock = kelvarin::test::TWindowWatch::Clock;
using kelvarin::test::TWindowWatch;

constexpr auto kStartLimit = std::chrono::seconds(60);
constexpr auto kCloseRepeat = std::chrono::seconds(1);

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
TStartResult StartOnce(TWindowWatch& closer, const fs::path& editor, const fs::path& zone,
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

  closer.Expect(pid);
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
    closer.HandleEvents();
    if (!mapped) mapped = closer.Mapped();
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

TRunTotals RunSeries(TWindowWatch& closer, const fs::path& editor, const fs::path& zone,
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

  TWindowWatch closer;
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
