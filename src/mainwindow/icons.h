#pragma once

// Dotcaster's own pictures for the toolbar and the window, drawn in code at whatever size
// a screen asks for (sharp at every scale, with no image files at run time). Where the
// desktop's icon theme has a standard icon for the command ("document-open",
// "document-save", and "dotcaster" for the window once installed), that one is used.

#include <QIcon>

namespace dotcaster {

enum class ToolIcon { kOpenPc, kSavePc, kOpenDevice, kSaveDevice, kConvertSize };

QIcon MakeToolIcon(ToolIcon which);

// The application icon: a little wrist device whose screen shows a dotted picture.
QIcon MakeAppIcon();

}  // namespace dotcaster
