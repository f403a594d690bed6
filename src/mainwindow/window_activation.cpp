#include "mainwindow/window_activation.h"

#include <QApplication>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#ifdef DOTCASTER_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace dotcaster {
namespace {

#ifdef DOTCASTER_HAVE_XCB
xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

void SendToRoot(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                xcb_atom_t type, std::uint32_t mask, const void* data, std::size_t size) {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = size == 20 ? 8 : 32;
  event.window = window;
  event.type = type;
  std::memcpy(event.data.data8, data, size);
  xcb_send_event(connection, 0, root, mask, reinterpret_cast<const char*>(&event));
}

// The time of the user's action that made the second start, as its launcher wrote it into
// the startup id ("..._TIME<number>"); 0 (the current time) when there is none.
std::uint32_t StartupTime(const std::string& startup_id) {
  static const QRegularExpression time(QStringLiteral("_TIME([0-9]+)$"));
  const QRegularExpressionMatch match = time.match(QString::fromStdString(startup_id));
  return match.hasMatch() ? match.captured(1).toUInt() : 0;
}

// Asks the window manager to activate the window on the user's behalf (source 2), which a
// manager that prevents focus stealing grants where it would refuse an application's own
// request, and ends the launcher's startup feedback for the start that handed over (it never
// shows a window that would end it).
void ActivateOnX11(QWidget& window, const std::string& startup_id) {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return;
  xcb_connection_t* connection = x11->connection();
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  if (!screen) return;
  const auto id = static_cast<xcb_window_t>(window.winId());
  const std::uint32_t active[5] = {2, StartupTime(startup_id), 0, 0, 0};
  SendToRoot(connection, screen->root, id, Atom(connection, "_NET_ACTIVE_WINDOW"),
             XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY, active,
             sizeof active);
  if (!startup_id.empty()) {
    // The "remove" message of the startup notification protocol, in pieces of 20 bytes
    // (the first with its own type), ending with its NUL.
    QByteArray text = "remove: ID=\"";
    for (char c : startup_id) {
      if (c == '"' || c == '\\') text += '\\';
      text += c;
    }
    text += '"';
    text += '\0';
    const xcb_atom_t begin = Atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = Atom(connection, "_NET_STARTUP_INFO");
    for (qsizetype at = 0; at < text.size(); at += 20) {
      char piece[20] = {};
      std::memcpy(piece, text.constData() + at,
                  static_cast<std::size_t>(std::min<qsizetype>(20, text.size() - at)));
      SendToRoot(connection, screen->root, id, at == 0 ? begin : more,
                 XCB_EVENT_MASK_PROPERTY_CHANGE, piece, sizeof piece);
    }
  }
  xcb_flush(connection);
}
#endif

}  // namespace

void BringWindowForward(QWidget& window, const std::string& activation_token,
                        const std::string& startup_id) {
  if (window.isVisible()) {
    if (window.isMinimized()) window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
  }
  // A modal dialog (over the window, or before it during start-up) is what the user must
  // see and answer.
  QWidget* front = QApplication::activeModalWidget();
  if (!front || !front->isVisible()) front = &window;
  if (!front->isVisible()) return;
  front->raise();

  const QString platform = QGuiApplication::platformName();
  const std::string& token = activation_token.empty() ? startup_id : activation_token;
  const bool wayland = platform.startsWith(QLatin1String("wayland"));
  // Qt 6.4 has no call that hands a window an activation token; its Wayland plugin takes
  // one from XDG_ACTIVATION_TOKEN when it activates a window. The variable goes again at
  // once, so that no program started later inherits a used token.
  if (wayland && !token.empty()) qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(token));
  front->activateWindow();
  if (wayland) qunsetenv("XDG_ACTIVATION_TOKEN");
#ifdef DOTCASTER_HAVE_XCB
  if (platform == QLatin1String("xcb")) ActivateOnX11(*front, startup_id);
#else
  (void)startup_id;
#endif
}

}  // namespace dotcaster
