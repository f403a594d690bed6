// A stand-in bitmap editor on the window's copy of the result (palette black first), its
// path appended to the file EDITOR_STUB_LOG. EDITOR_STUB_MODE: flip (toggles the top-left
// dot, saves in place), v5 (the same with a 124-byte info header, palette white first),
// rgb24 (saves at 24 bits), shorter (one row shorter), none (no save), slow (waits for the
// file EDITOR_STUB_GO, no save), handoff (starts another process that waits for
// EDITOR_STUB_GO and flips the copy, or ends once the copy is gone, and exits at once).

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QtEndian>
#include <chrono>
#include <fstream>
#include <thread>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const QString path = QString::fromLocal8Bit(argv[1]);
  const QByteArray mode = qgetenv("EDITOR_STUB_MODE");
  if (mode != "late")
    std::ofstream(qgetenv("EDITOR_STUB_LOG").toStdString(), std::ios::app) << argv[1] << '\n';
  if (mode == "handoff") {
    qputenv("EDITOR_STUB_MODE", "late");
    return QProcess::startDetached(QString::fromLocal8Bit(argv[0]), {path}) ? 0 : 1;
  }
  for (int i = 0; (mode == "slow" || mode == "late") && i < 1000; ++i) {
    if (QFile::exists(qEnvironmentVariable("EDITOR_STUB_GO"))) break;
    if (mode == "late" && !QFile::exists(path)) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  QImage image(path, "BMP");
  if (mode == "slow" || mode == "none" || image.isNull()) return 0;
  if (mode == "rgb24") image = image.convertToFormat(QImage::Format_RGB32);
  if (mode == "shorter") image = image.copy(0, 0, image.width(), image.height() - 1);
  if (mode == "flip" || mode == "v5" || mode == "late")
    image.setPixel(0, 0, image.pixelIndex(0, 0) ^ 1);
  // Qt reads a 1-bit bitmap with the palette white first; the program's layout has black first.
  if (mode != "v5" && image.depth() == 1) {
    image.invertPixels();
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  }
  QByteArray file;
  QBuffer buffer(&file);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "BMP")) return 1;
  if (mode == "v5") {  // the 40-byte info header widened to 124 bytes, the new fields zero
    file.insert(54, QByteArray(84, 0));
    qToLittleEndian<quint32>(quint32(file.size()), file.data() + 2);
    qToLittleEndian<quint32>(qFromLittleEndian<quint32>(file.data() + 10) + 84, file.data() + 10);
    qToLittleEndian<quint32>(124, file.data() + 14);
  }
  QFile out(path);
  return out.open(QIODevice::WriteOnly) && out.write(file) == file.size() ? 0 : 1;
}
