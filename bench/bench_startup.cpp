// The editor's start-up beside the least a Qt Widgets program can show
// (startup-floor: a main window with a tab widget and a tree view), in one run,
// in pairs whose order alternates:
//   - start-up: from the fork that execs the program to the first picture of its
//     main window on the screen. An outside observer sees both the same way: an
//     X client that asks the server (DAMAGE extension) to report the first drawing
//     into every top-level window as it is created; the first drawing into a window
//     of the started process ends the time. Qt gives its windows no background, so
//     mapping a window draws nothing: the first drawing is the program's own
//     first frame. The time the window is mapped is shown beside it.
//   - idle memory: the process's resident set (VmRSS) once it has used no CPU time
//     for half a second after its first picture.
// Each program then gets a window manager's close request and must end with exit
// code 0. The editor runs as a copy in a fresh folder, so its settings file is its
// own; one untimed start of each program comes first (the editor's writes the
// settings, as a user's first start does), so the timed ones read them.
//
//   build-release/bin/bench-startup [PAIRS]     (default 7; needs a display or Xvfb)
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/windowwatch.h"

namespace {

namespace fs = std::filesystem;
using Clock = kelvarin::test::TWindowWatch::Clock;

constexpr auto kShowLimit = std::chrono::seconds(60);
constexpr auto kIdleQuiet = std::chrono::milliseconds(500);
constexpr auto kIdleLimit = std::chrono::seconds(10);
constexpr auto kEndLimit = std::chrono::seconds(20);

double MsSince(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The observer: top-level windows as they are created, mapped and first drawn
// into, by the process that owns them, and the close request.
class TScreenWatch {
 public:
  bool Connect() {
    if (!m_windows.Connect()) return Fail("cannot open the display");
    xcb_connection_t* conn = m_windows.Connection();
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(conn, &xcb_damage_id);
    if (!damage || !damage->present) return Fail("the X server has no DAMAGE extension");
    m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
    std::free(xcb_damage_query_version_reply(
        conn, xcb_damage_query_version(conn, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION), nullptr));
    return true;
  }

  int Fd() const { return m_windows.Fd(); }

  // Starts watching for `pid`'s window.
  void Expect(pid_t pid) {
    m_pid = pid;
    m_windows.Expect(pid);
    m_drawn.reset();
  }
  std::optional<Clock::time_point> Mapped() const { return m_windows.Mapped(); }
  std::optional<Clock::time_point> Drawn() const { return m_drawn; }

  void HandleEvents() {
    m_windows.HandleEvents([&](const xcb_generic_event_t& event, Clock::time_point when) {
      xcb_connection_t* conn = m_windows.Connection();
      const int type = event.response_type & 0x7f;
      if (type == XCB_CREATE_NOTIFY) {
        // Watched from the start: nothing is drawn into a window before it is mapped.
        const auto& create = reinterpret_cast<const xcb_create_notify_event_t&>(event);
        xcb_damage_create(conn, xcb_generate_id(conn), create.window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_flush(conn);
      } else if (type == m_damageEvent) {
        const auto& damage = reinterpret_cast<const xcb_damage_notify_event_t&>(event);
        if (!m_drawn && m_windows.PidOf(damage.drawable) == m_pid) m_drawn = when;
      }
    });
  }

  // Asks the mapped window to close, as a window manager's close box does.
  void Close() { m_windows.Close(); }

 private:
  static bool Fail(const char* why) {
    std::fprintf(stderr, "bench-startup: %s\n", why);
    return false;
  }

  kelvarin::test::TWindowWatch m_windows;
  int m_damageEvent = -1;
  pid_t m_pid = -1;
  std::optional<Clock::time_point> m_drawn;
};

// The process's CPU time in clock ticks (user + system), from /proc.
long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The command name may hold blanks; the fields after it are counted from its ")".
  const auto close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) {
      stime = std::stol(field);
      break;
    }
  }
  return utime + stime;
}

// CPU time of all the process's threads so far, in ms (/proc schedstat, in ns):
// on a busy machine it moves far less than the wall clock.
double CpuMs(pid_t pid) {
  double ns = 0;
  std::error_code ec;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    std::ifstream in(task.path() / "schedstat");
    double onCpu = 0;
    if (in >> onCpu) ns += onCpu;
  }
  return ns / 1e6;
}

// VmRSS in KiB.
long ResidentKiB(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

struct TStart {
  bool ok = false;
  std::string problem;
  double mappedMs = 0;
  double drawnMs = 0;
  double cpuMs = 0;  // CPU time until the first picture
  double residentMB = 0;
};

// Waits up to `limit` for `done`, handling X events meanwhile; false when the
// process ended (its status is in `status`) or the time ran out.
template <typename Done>
bool WaitFor(TScreenWatch& watch, pid_t pid, int& status, bool& ended, std::chrono::milliseconds limit,
             Done done) {
  const auto begin = Clock::now();
  while (Clock::now() - begin < limit) {
    watch.HandleEvents();
    if (done()) return true;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
      return false;
    }
    pollfd p{watch.Fd(), POLLIN, 0};
    ::poll(&p, 1, 1);
  }
  return false;
}

TStart StartOnce(TScreenWatch& watch, const fs::path& program) {
  TStart result;
  const auto begin = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
    }
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  watch.Expect(pid);
  int status = 0;
  bool ended = false;
  const bool drawn = WaitFor(watch, pid, status, ended, kShowLimit, [&] { return watch.Drawn() && watch.Mapped(); });
  if (drawn) {
    result.cpuMs = CpuMs(pid);
    result.drawnMs = MsSince(begin, *watch.Drawn());
    result.mappedMs = MsSince(begin, *watch.Mapped());
    // Idle: no CPU time used for a while.
    long ticks = CpuTicks(pid);
    auto quietSince = Clock::now();
    WaitFor(watch, pid, status, ended, std::chrono::duration_cast<std::chrono::milliseconds>(kIdleLimit), [&] {
      const long now = CpuTicks(pid);
      if (now != ticks) {
        ticks = now;
        quietSince = Clock::now();
      }
      return Clock::now() - quietSince >= kIdleQuiet;
    });
    if (!ended) result.residentMB = ResidentKiB(pid) / 1024.0;
  }
  if (!ended) {
    watch.Close();
    WaitFor(watch, pid, status, ended, std::chrono::duration_cast<std::chrono::milliseconds>(kEndLimit),
            [] { return false; });
  }
  if (!ended) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    result.problem = drawn ? "did not end after its window was closed" : "showed no window";
  } else if (!drawn) {
    result.problem = "ended before its window was drawn";
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    result.problem = "did not end with exit code 0";
  }
  result.ok = result.problem.empty();
  return result;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

struct TSeries {
  std::string name;
  fs::path program;
  std::vector<double> mapped, drawn, cpu, resident;
};

}  // namespace

int main(int argc, char** argv) {
  const int pairs = argc > 1 ? std::atoi(argv[1]) : 7;
  if (pairs <= 0) {
    std::fprintf(stderr, "usage: %s [PAIRS]\n", argv[0]);
    return 2;
  }
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
  char pattern[] = "/tmp/kelvarin-bench-startup-XXXXXX";
  if (!::mkdtemp(pattern)) {
    std::perror("mkdtemp");
    return 2;
  }
  const fs::path folder = pattern;
  std::error_code ec;
  fs::copy_file(bin / "kelvarin", folder / "kelvarin", ec);
  if (ec) {
    std::fprintf(stderr, "cannot copy the editor from %s: %s\n", bin.c_str(), ec.message().c_str());
    fs::remove_all(folder);
    return 2;
  }

  TScreenWatch watch;
  if (!watch.Connect()) {
    fs::remove_all(folder);
    return 2;
  }
  TSeries floor{"startup-floor", bin / "startup-floor", {}, {}, {}, {}};
  TSeries editor{"kelvarin", folder / "kelvarin", {}, {}, {}, {}};
  int failures = 0;
  const auto run = [&](TSeries& series, bool counted) {
    const TStart start = StartOnce(watch, series.program);
    if (!start.ok) {
      std::printf("  %s: %s\n", series.name.c_str(), start.problem.c_str());
      ++failures;
      return;
    }
    if (!counted) return;
    series.mapped.push_back(start.mappedMs);
    series.drawn.push_back(start.drawnMs);
    series.cpu.push_back(start.cpuMs);
    series.resident.push_back(start.residentMB);
  };
  run(floor, false);
  run(editor, false);
  for (int i = 0; i < pairs; ++i) {
    // Each goes first in every other pair: neither always meets the other's leftovers.
    TSeries& first = i % 2 ? editor : floor;
    TSeries& second = i % 2 ? floor : editor;
    run(first, true);
    run(second, true);
  }
  fs::remove_all(folder);
  if (floor.drawn.empty() || editor.drawn.empty()) {
    std::printf("no start could be measured\n");
    return 1;
  }

  std::printf("start-up, %d pairs: exec to the main window's first picture, wall clock and CPU time (all\n"
              "threads); the window's mapping; idle resident memory\n",
              int(std::min(floor.drawn.size(), editor.drawn.size())));
  std::printf("  %-16s %9s %9s %9s %9s %9s %9s\n", "", "wall min", "median", "CPU min", "median", "mapped",
              "VmRSS MB");
  for (const TSeries* s : {&floor, &editor})
    std::printf("  %-16s %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f\n", s->name.c_str(), Min(s->drawn), Median(s->drawn),
                Min(s->cpu), Median(s->cpu), Median(s->mapped), Median(s->resident));
  std::printf("  %-16s %8.2fx %8.2fx %8.2fx %8.2fx %9s %8.2fx\n", "kelvarin / floor", Min(editor.drawn) / Min(floor.drawn),
              Median(editor.drawn) / Median(floor.drawn), Min(editor.cpu) / Min(floor.cpu),
              Median(editor.cpu) / Median(floor.cpu), "", Median(editor.resident) / Median(floor.resident));
  std::printf("  aims: start-up 1.5x, idle memory 2x\n");
  return failures == 0 ? 0 : 1;
}
