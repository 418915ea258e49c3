// An X client that plays the window manager's part for tools that start the
// editor: it sees the top-level windows a process maps (by their _NET_WM_PID) and
// asks the one that speaks WM_DELETE_WINDOW to close, as a close box does.
// Without a window manager, top-level windows are children of the root, so one
// watch on the root sees them all.
#pragma once

#include <sys/types.h>
#include <xcb/xcb.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace kelvarin::test {

class TWindowWatch {
 public:
  using Clock = std::chrono::steady_clock;
  // Gets every event the watch does not handle itself, and when it came.
  using TOtherEvent = std::function<void(const xcb_generic_event_t& event, Clock::time_point when)>;

  // False when the display cannot be opened.
  bool Connect();
  xcb_connection_t* Connection() const { return m_conn.get(); }
  int Fd() const;
  bool Broken() const;

  // Watches for a window of `pid` from now on.
  void Expect(pid_t pid);
  // Handles the queued events; those of other kinds than a map go to `other`.
  void HandleEvents(const TOtherEvent& other = nullptr);
  // When the expected process's window was first mapped.
  std::optional<Clock::time_point> Mapped() const { return m_mapped; }
  // Asks that window to close; false when none is mapped or the request was not sent.
  bool Close();

  // The process that owns `window`; -1 when it does not say.
  pid_t PidOf(xcb_window_t window);

 private:
  struct TDisconnect {
    void operator()(xcb_connection_t* conn) const { xcb_disconnect(conn); }
  };

  xcb_atom_t Atom(const char* name);
  bool SpeaksDelete(xcb_window_t window);

  std::unique_ptr<xcb_connection_t, TDisconnect> m_conn;
  xcb_atom_t m_protocols = XCB_ATOM_NONE, m_deleteWindow = XCB_ATOM_NONE, m_pidAtom = XCB_ATOM_NONE;
  pid_t m_pid = -1;
  xcb_window_t m_window = XCB_WINDOW_NONE;
  std::optional<Clock::time_point> m_mapped;
};

}  // namespace kelvarin::test
