#pragma once

// Retouching the result in an outside bitmap editor (EditResultImage): the result bitmap is
// copied to "$$hhnnss.bmp" in the system's temporary folder, the editor is started on the
// copy, and the window waits, disabled but still painting, until the editor process ends.
// A copy saved at the output size and still 1 bit per pixel then becomes the result; the
// copy is deleted in every case.
//
// Which editor: on Windows the system's own ("mspaint"), then the shell's "Open" of the
// copy. Elsewhere the program named by DOTCASTER_BITMAP_EDITOR, else the one stored under
// "BitmapEditor" in the settings, else the first of kolourpaint, pinta and gimp that is
// installed; then the desktop's opener (xdg-open). Programs are started with an argument
// list, never through a shell, so no path needs quoting.
//
// The wait runs the event loop (the process's end is a signal), so the window repaints and
// the process uses no processor time meanwhile; the window refuses to close while it is
// disabled. A program that hands the file to another process and returns at once ends the
// wait at once: its copy is then unsaved and is deleted.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/dot_image.h"
#include "state/app_state.h"
#include "state/error.h"
#include "state/expected.h"

class QTime;

namespace dotcaster {

class QDLmain;

inline constexpr const char* kCannotRunEditorMessage = "Cannot run Bitmap Editor.";
inline constexpr const char* kEditedCopyRefusedMessage =
    "Cannot modify due to change in Bitmap size or color.";
inline constexpr const char* kBitmapEditorVariable = "DOTCASTER_BITMAP_EDITOR";

// "$$hhnnss.bmp" for the time of day (hours 00 to 23).
std::string EditorCopyName(const QTime& time);

// A program and its arguments.
struct EditorCommand {
  QString program;
  QStringList arguments;
};

// The editor commands for the copy at copy_path, in the order they are tried. On Windows
// the shell's "Open" comes after them and is not a command.
std::vector<EditorCommand> EditorCommands(const QString& copy_path);

// The dots of an edited copy, if it is taken back: its 16-bit width (offset 18), height
// (offset 22) and bits per pixel (offset 28) must be width, height and 1 (else kBadSize).
// The copy is then read whatever 1-bit layout the editor wrote (info header of any size,
// either palette order, rows either way up), a pixel darker than middle grey being a black
// dot; a copy the bitmap reader refuses gives the reader's error.
Expected<DotImage, Error> EditedCopyDots(std::span<const std::uint8_t> copy, int width, int height);

// The editing cycle. Does nothing without a picture. A copy taken back replaces
// WorkDspFile (as the program's own bitmap) and the result view, and sets Modified and
// ResultEdited. Messages: "Cannot run Bitmap Editor." when no editor starts (or the copy
// cannot be made), "Cannot modify due to change in Bitmap size or color." for a copy saved
// at another size or depth (or unreadable), "Write error!" when WorkDspFile cannot be
// replaced; the result is then unchanged.
void EditResultImage(QDLmain& window, AppState& state);

}  // namespace dotcaster
