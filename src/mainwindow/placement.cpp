#include "mainwindow/placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <charconv>
#include <vector>

#include "devicelink/settings.h"

namespace dotcaster {
namespace {

bool IsFixedSize(const QWidget& window) {
  return window.minimumSize() == window.maximumSize();
}

// The frame's extra width and height around the client area (zero before the window has
// been shown on most platforms).
QSize FrameExtra(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  const QRect client = window.geometry();
  return {frame.width() - client.width(), frame.height() - client.height()};
}

}  // namespace

std::string PlacementToText(const WindowPlacement& p) {
  return std::to_string(p.show_cmd) + "," + std::to_string(p.bottom) + "," +
         std::to_string(p.left) + "," + std::to_string(p.right) + "," + std::to_string(p.top);
}

std::optional<WindowPlacement> TextToPlacement(std::string_view text) {
  std::vector<std::int32_t> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::string_view field = text.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (ec != std::errc() || end != field.data() + field.size() || field.empty())
      return std::nullopt;
    fields.push_back(value);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (fields.size() != 5) return std::nullopt;
  WindowPlacement p;
  p.show_cmd = fields[0];
  p.bottom = fields[1];
  p.left = fields[2];
  p.right = fields[3];
  p.top = fields[4];
  return p;
}

WindowPlacement GetWindowPlacement(const QWidget& window) {
  WindowPlacement p;
  p.show_cmd = window.isMinimized() ? 2 : window.isMaximized() ? 3 : 1;
  QRect rect = window.frameGeometry();
  if (window.isMinimized() || window.isMaximized()) {
    const QSize extra = FrameExtra(window);
    const QRect normal = window.normalGeometry();
    const int dx = window.geometry().x() - window.frameGeometry().x();
    const int dy = window.geometry().y() - window.frameGeometry().y();
    rect = QRect(normal.x() - dx, normal.y() - dy, normal.width() + extra.width(),
                 normal.height() + extra.height());
  }
  p.left = rect.x();
  p.top = rect.y();
  p.right = rect.x() + rect.width();
  p.bottom = rect.y() + rect.height();
  return p;
}

void SaveWindowPlacement(const QWidget& window, std::string_view section) {
  SaveSetting(section, kPlacementKey, PlacementToText(GetWindowPlacement(window)));
}

void CentreWindow(QWidget& window) {
  QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  const QSize size = window.frameGeometry().size();
  window.move(area.x() + area.width() / 2 - size.width() / 2,
              area.y() + area.height() / 2 - size.height() / 2);
}

bool RestoreWindowPlacement(QWidget& window, std::string_view section) {
  const std::string text = GetSetting(section, kPlacementKey, "");
  if (text.empty()) {
    CentreWindow(window);
    return false;
  }
  // Only text this program wrote is expected here; anything else is treated as nothing
  // stored.
  const std::optional<WindowPlacement> p = TextToPlacement(text);
  if (!p) {
    CentreWindow(window);
    return false;
  }
  if (IsFixedSize(window)) {
    window.move(p->left, p->top);
    return false;
  }
  const QSize extra = FrameExtra(window);
  const int width = p->right - p->left - extra.width();
  const int height = p->bottom - p->top - extra.height();
  if (width <= 0 || height <= 0) {
    CentreWindow(window);
    return false;
  }
  window.move(p->left, p->top);
  window.resize(width, height);
  window.setWindowState(p->show_cmd == 3 ? Qt::WindowMaximized : Qt::WindowNoState);
  return true;
}

}  // namespace dotcaster
