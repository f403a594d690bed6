#pragma once

// Dotcaster's own pictures for the toolbar and the window, drawn in code so that they scale
// and need no image files at run time.

#include <QIcon>

namespace dotcaster {

enum class ToolIcon { kOpenPc, kSavePc, kOpenDevice, kSaveDevice, kConvertSize };

QIcon MakeToolIcon(ToolIcon which);

// The application icon: a little wrist device whose screen shows a dotted picture.
QIcon MakeAppIcon();

}  // namespace dotcaster
