// A stand-in bitmap editor, started on the window's copy of the result (a bitmap of the
// program's own layout). EDITOR_STUB_MODE says what it does:
//   flip     toggles the top-left dot and saves in place
//   v5       the same, saved with a 124-byte info header and the palette white first
//   rgb24    saves the picture at 24 bits per pixel
//   shorter  saves it 1 bit per pixel, one row shorter
//   none     exits without saving
//   handoff  starts another process on the copy and exits at once; that one waits for the
//            file EDITOR_STUB_GO and then flips the copy, or ends when the copy is gone
//   slow     waits for the file EDITOR_STUB_GO and exits without saving
// The path the window gave is appended to the file EDITOR_STUB_LOG.

#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const char* env_mode = std::getenv("EDITOR_STUB_MODE");
  const std::string path = argv[1], mode = env_mode ? env_mode : "";
  if (mode != "late") std::ofstream(std::getenv("EDITOR_STUB_LOG"), std::ios::app) << path << '\n';
  if (mode == "handoff") {
    qputenv("EDITOR_STUB_MODE", "late");
    const QStringList arguments{QString::fromLocal8Bit(argv[1])};
    return QProcess::startDetached(QString::fromLocal8Bit(argv[0]), arguments) ? 0 : 1;
  }
  for (int i = 0; (mode == "slow" || mode == "late") && i < 1000; ++i) {
    if (std::filesystem::exists(std::getenv("EDITOR_STUB_GO"))) break;
    if (mode == "late" && !std::filesystem::exists(path)) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::ifstream in(path, std::ios::binary);
  if (mode == "slow" || mode == "none" || !in) return 0;
  const std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(in)), {});
  const int w = b[18] | b[19] << 8, h = b[22] | b[23] << 8, row = (w + 31) / 32 * 4;
  std::vector<std::vector<bool>> black(h, std::vector<bool>(w));  // top row first
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      black[y][x] = !(b[62 + (h - 1 - y) * row + x / 8] & (0x80 >> (x % 8)));
  }
  if (mode == "shorter") black.pop_back();
  if (mode == "flip" || mode == "v5" || mode == "late") black[0][0] = !black[0][0];

  // Written again: 24 or 1 bits per pixel; a 124-byte info header comes with the palette
  // white first.
  const int bits = mode == "rgb24" ? 24 : 1, info = mode == "v5" ? 124 : 40;
  const int height = static_cast<int>(black.size()), out_row = (w * bits + 31) / 32 * 4;
  const int offset = 14 + info + (bits == 1 ? 8 : 0);
  std::vector<std::uint8_t> f(static_cast<std::size_t>(offset + out_row * height));
  auto put = [&](int at, std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i)
      f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(0, 'B' | 'M' << 8, 2), put(2, static_cast<std::uint32_t>(f.size()), 4), put(10, offset, 4);
  put(14, info, 4), put(18, w, 4), put(22, height, 4), put(26, 1, 2), put(28, bits, 2);
  if (bits == 1) put(14 + info + (info == 124 ? 0 : 4), 0xFFFFFF, 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < w; ++x) {
      const int at = offset + (height - 1 - y) * out_row;
      if (bits == 24) std::fill_n(f.begin() + at + 3 * x, 3, black[y][x] ? 0 : 255);
      if (bits == 1 && black[y][x] == (info == 124)) f[at + x / 8] |= 0x80 >> (x % 8);
    }
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
  return 0;
}
