#pragma once

// One dotcaster per user: the first instance listens on a local socket named after the
// user (and after DOTCASTER_CONFIG_DIR when that is set, so tests never meet a real
// instance); a later one connects, asks it to come to the front, and ends.

#include <string>
#include <string_view>

class QWidget;

namespace dotcaster {

// Asks the running instance whose main window's title starts with title (case-sensitive)
// to come to the front, restored when minimised. True when an instance is running (whether
// or not its window matched); false when none is (nothing happens then).
bool ActivatePrevInstance(std::string_view title);

// Start-up's first step: true when another instance was found and asked to come forward
// (ActivatePrevInstance("Dotcaster")); the caller ends without showing a window.
bool HandOverToRunningInstance();

// Makes window the one that a later instance brings to the front: listens until the window
// is destroyed. Returns false when the socket cannot be set up (the program runs on,
// without the single-instance rule).
bool StartInstanceServer(QWidget* window);

// The socket name used for this user.
std::string InstanceServerName();

}  // namespace dotcaster
