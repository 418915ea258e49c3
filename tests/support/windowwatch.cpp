#include "support/windowwatch.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kelvarin::test {

bool TWindowWatch::Connect() {
  m_conn.reset(xcb_connect(nullptr, nullptr));
  if (xcb_connection_has_error(m_conn.get())) return false;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_conn.get())).data->root;
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(m_conn.get(), root, XCB_CW_EVENT_MASK, &mask);
  m_protocols = Atom("WM_PROTOCOLS");
  m_deleteWindow = Atom("WM_DELETE_WINDOW");
  m_pidAtom = Atom("_NET_WM_PID");
  xcb_flush(m_conn.get());
  return true;
}

int TWindowWatch::Fd() const { return xcb_get_file_descriptor(m_conn.get()); }

bool TWindowWatch::Broken() const { return xcb_connection_has_error(m_conn.get()) != 0; }

void TWindowWatch::Expect(pid_t pid) {
  m_pid = pid;
  m_window = XCB_WINDOW_NONE;
  m_mapped.reset();
}

void TWindowWatch::HandleEvents(const TOtherEvent& other) {
  while (xcb_generic_event_t* event = xcb_poll_for_event(m_conn.get())) {
    const auto now = Clock::now();
    if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
      const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
      if (m_pid > 0 && !map->override_redirect && PidOf(map->window) == m_pid && SpeaksDelete(map->window)) {
        m_window = map->window;
        if (!m_mapped) m_mapped = now;
      }
    } else if (other) {
      other(*event, now);
    }
    std::free(event);
  }
}

bool TWindowWatch::Close() {
  if (m_window == XCB_WINDOW_NONE) return false;
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = m_window;
  message.type = m_protocols;
  message.data.data32[0] = m_deleteWindow;
  message.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(m_conn.get(), 0, m_window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
  return xcb_flush(m_conn.get()) > 0;
}

xcb_atom_t TWindowWatch::Atom(const char* name) {
  auto* reply =
      xcb_intern_atom_reply(m_conn.get(), xcb_intern_atom(m_conn.get(), 0, std::strlen(name), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

pid_t TWindowWatch::PidOf(xcb_window_t window) {
  auto* reply = xcb_get_property_reply(
      m_conn.get(), xcb_get_property(m_conn.get(), 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
  pid_t pid = -1;
  if (reply && xcb_get_property_value_length(reply) == 4)
    pid = static_cast<pid_t>(*static_cast<std::uint32_t*>(xcb_get_property_value(reply)));
  std::free(reply);
  return pid;
}

bool TWindowWatch::SpeaksDelete(xcb_window_t window) {
  auto* reply = xcb_get_property_reply(
      m_conn.get(), xcb_get_property(m_conn.get(), 0, window, m_protocols, XCB_ATOM_ATOM, 0, 32), nullptr);
  bool found = false;
  if (reply) {
    const auto* atoms = static_cast<xcb_atom_t*>(xcb_get_property_value(reply));
    const int count = xcb_get_property_value_length(reply) / 4;
    for (int i = 0; i < count; ++i) found = found || atoms[i] == m_deleteWindow;
  }
  std::free(reply);
  return found;
}

}  // namespace kelvarin::test
