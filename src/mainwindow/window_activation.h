#pragma once

// Bringing a window to the front for real, as the user asked for it by starting Dotcaster
// again: a minimised window is restored, the window (or the dialog it is showing) is raised
// and activated, and the window system is given what it needs to allow that.

#include <string>

class QWidget;

namespace dotcaster {

// activation_token: a Wayland activation token from the start that asked (may be empty);
// startup_id: its X11 startup notification id (may be empty). Either lets a desktop that
// prevents focus stealing see the request as the user's own. A hidden window stays hidden.
void BringWindowForward(QWidget& window, const std::string& activation_token = {},
                        const std::string& startup_id = {});

}  // namespace dotcaster
