#pragma once

// The window's side of the clipboard and of drag-and-drop: which data objects offer a picture
// or a file list, how an offered picture becomes the bitmap "&Paste" loads, and the answers to
// a drag and a drop. The commands themselves are MainController's (PasteClipboard,
// CopyResult, OpenDroppedFile).

#include <string>
#include <vector>

#include "formats/bytes.h"
#include "state/error.h"
#include "state/expected.h"
#include "state/limits.h"

class QDragEnterEvent;
class QDropEvent;
class QMimeData;

namespace dotcaster {

class MainController;

// Whether the data offers a picture: a decoded image, or an encoded one of any type Qt has a
// reader for (image/png, image/bmp, image/jpeg, ...). Null data offers nothing.
bool OffersImage(const QMimeData* data);

// The picture the data offers, as the bytes of a 24-bit Windows bitmap; transparent parts
// become white. An encoded picture is measured from its header first and is decoded only when
// it is within the limits: one beyond them fails with kPictureTooLarge before its pixels are
// allocated, one that cannot be read (or measured) with kNotAPicture.
Expected<Bytes, Error> OfferedPictureAsBitmap(const QMimeData* data, const Limits& limits);

// The local files of the data's file list (text/uri-list) in its order, as paths with the
// platform's separators. Remote URLs are left out; no file list gives none.
std::vector<std::string> OfferedFiles(const QMimeData* data);

// The drag-over answer of every drop target: the copy action while the data offers a local
// file (of any type: names are examined only on the drop), refused otherwise.
void AnswerDragEnter(QDragEnterEvent* event);

// The drop handler of every drop target: OpenDroppedFile with the offered files. The drop is
// accepted with the copy action when a file was opened, and refused otherwise.
void AnswerDrop(QDropEvent* event, MainController& controller);

}  // namespace dotcaster
