// Clipboard and drag-and-drop: "&Paste" and "C&opy" of the Edit menu, and the drop targets'
// answers. A pasted picture is written as the clipboard working file (a 24-bit bitmap of our
// own making) and then loaded like any other picture file.

#include "mainwindow/clipboard_drop.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

#include "formats/file_io.h"
#include "formats/quadrel.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/picture_session.h"
#include "picture/bmp_encoder.h"
#include "state/prompter.h"

namespace dotcaster {
namespace {

// The encoded image types the data offers that Qt can read, the lossless ones that
// screenshots and editors offer first ahead of the rest.
QStringList ReadableImageTypes(const QMimeData& data) {
  const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
  QStringList offered;
  for (const QString& type : data.formats()) {
    if (readable.contains(type.toLatin1())) offered << type;
  }
  std::stable_partition(offered.begin(), offered.end(), [](const QString& type) {
    return type == QLatin1String("image/png") || type == QLatin1String("image/bmp");
  });
  return offered;
}

bool WithinLimits(QSize size, const Limits& limits) {
  return size.width() > 0 && size.height() > 0 &&
         picture::WithinLimits(size.width(), size.height(), limits);
}

// Decodes an encoded picture whose header gives a size within the limits.
Expected<QImage, Error> DecodeWithinLimits(const QByteArray& bytes, const QString& type,
                                           const Limits& limits) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  const QList<QByteArray> formats = QImageReader::imageFormatsForMimeType(type.toLatin1());
  QImageReader reader(&buffer, formats.isEmpty() ? QByteArray() : formats.first());
  const QSize size = reader.size();
  if (!size.isValid()) return ErrorCode::kNotAPicture;
  if (!WithinLimits(size, limits)) return ErrorCode::kPictureTooLarge;
  QImage image;
  if (!reader.read(&image)) return ErrorCode::kNotAPicture;
  return image;
}

// The picture the data offers: an encoded type when there is one (the only kind another
// program offers, and the only kind that can be measured before it is decoded), otherwise
// the decoded image this process itself put there.
Expected<QImage, Error> OfferedImage(const QMimeData& data, const Limits& limits) {
  const QStringList types = ReadableImageTypes(data);
  for (const QString& type : types) {
    auto image = DecodeWithinLimits(data.data(type), type, limits);
    if (image || image.error().code == ErrorCode::kPictureTooLarge) return image;
  }
  if (!types.isEmpty() || !data.hasImage()) return ErrorCode::kNotAPicture;
  QImage image = qvariant_cast<QImage>(data.imageData());
  if (image.isNull()) return ErrorCode::kNotAPicture;
  return image;
}

// 8-bit RGB over a white background.
picture::RgbImage OverWhite(QImage image) {
  image = std::move(image).convertToFormat(QImage::Format_ARGB32);
  picture::RgbImage rgb{image.width(), image.height(), {}};
  rgb.rgb.resize(static_cast<std::size_t>(rgb.width) * static_cast<std::size_t>(rgb.height) * 3);
  std::uint8_t* out = rgb.rgb.data();
  for (int y = 0; y < rgb.height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < rgb.width; ++x) {
      const int alpha = qAlpha(line[x]);
      for (int channel : {qRed(line[x]), qGreen(line[x]), qBlue(line[x])}) {
        *out++ = static_cast<std::uint8_t>((channel * alpha + 255 * (255 - alpha) + 127) / 255);
      }
    }
  }
  return rgb;
}

// The path of a local file URL with the platform's separators.
std::string LocalPath(const QUrl& url) {
#ifdef _WIN32
  return QDir::toNativeSeparators(url.toLocalFile()).toStdString();
#else
  // The name's bytes as the file system holds them, also where they are not UTF-8.
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
#endif
}

}  // namespace

bool OffersImage(const QMimeData* data) {
  return data && (data->hasImage() || !ReadableImageTypes(*data).isEmpty());
}

Expected<Bytes, Error> OfferedPictureAsBitmap(const QMimeData* data, const Limits& limits) {
  if (!data) return ErrorCode::kNotAPicture;
  auto image = OfferedImage(*data, limits);
  if (!image) return image.error();
  if (!WithinLimits(image->size(), limits)) return ErrorCode::kPictureTooLarge;
  return picture::EncodeBmp24(OverWhite(std::move(image).value()), limits);
}

std::vector<std::string> OfferedFiles(const QMimeData* data) {
  std::vector<std::string> files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    std::string path = LocalPath(url);
    if (!path.empty()) files.push_back(std::move(path));
  }
  return files;
}

void AnswerDragEnter(QDragEnterEvent* event) {
  const bool files =
      (event->possibleActions() & Qt::CopyAction) && !OfferedFiles(event->mimeData()).empty();
  event->setDropAction(files ? Qt::CopyAction : Qt::IgnoreAction);
  event->setAccepted(files);
}

void AnswerDrop(QDropEvent* event, MainController& controller) {
  const bool opened = controller.OpenDroppedFile(OfferedFiles(event->mimeData()));
  event->setDropAction(opened ? Qt::CopyAction : Qt::IgnoreAction);
  event->setAccepted(opened);
}

void MainController::PasteClipboard() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!OffersImage(clipboard->mimeData())) return;
  if (!ConfirmSaveChanges()) return;
  ResetPicture();
  bool written = false;
  {
    // Read only now: the clipboard may have changed hands while the prompt was open.
    const auto bitmap = OfferedPictureAsBitmap(clipboard->mimeData(), picture_->limits());
    written = bitmap && !WriteFileReplacing(state_.WorkClpFile, *bitmap);
  }
  if (written) {
    state_.CurFileName = state_.WorkClpFile;
    if (!LoadSourcePicture()) ResetPicture();
  } else {
    ShowError(kReadError);
  }
  UpdateConvControls();
  UpdateWindowState();
}

void MainController::CopyResult() {
  if (!state_.ImageLoaded) return;
  // The result working file holds the dots as they are saved, hand edits included.
  auto bitmap = ReadFileBytes(state_.WorkDspFile, picture_->limits());
  auto quadrel = bitmap ? ConvertQdlBmp(*bitmap) : Expected<Bytes, Error>(bitmap.error());
  auto dots = quadrel ? QuadrelDots(*quadrel) : Expected<DotImage, Error>(quadrel.error());
  if (!dots) {
    ShowError(kReadError);
    return;
  }
  QGuiApplication::clipboard()->setImage(DotsToImage(*dots));
}

}  // namespace dotcaster
