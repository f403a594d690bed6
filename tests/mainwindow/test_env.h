#pragma once

// What every window test needs: a fresh shared state, an installation of the link software
// in a temporary folder (settings redirected there too), scripted answers to every
// question, and pictures written at test time.

#include <QImage>
#include <QStringList>
#include <QTest>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scripted_prompter.h"
#include "state/app_state.h"
#include "temp_dir.h"

namespace dotcaster {
class QDLmain;
}

namespace dotcaster::testing {

enum class Install { kFull, kNoUserData, kNone };

class WindowEnv {
 public:
  // install_name: the installation's folder inside the test folder.
  explicit WindowEnv(Install install = Install::kFull, const std::string& install_name = "link");
  ~WindowEnv();

  // A new main window, started with `args` as its command line. Null when start-up ended
  // the program (no installation).
  std::unique_ptr<QDLmain> Start(const std::vector<std::string>& args = {});

  std::string File(const std::string& name) const { return dir.File(name); }

  TempDir dir;
  ScriptedPrompter prompter;
  const std::string install_dir;
  std::string user_data;  // empty without an installation
};

// A colour photo with gradients and a fine check pattern.
QImage TestPhoto(int width, int height);
// A Quadrel file with a diagonal pattern.
std::vector<std::uint8_t> QdlBytes(int width, int height);
// Writes a picture of the kind the name's ending says (.qdl, .gif, .bmp at 24 bits, else
// JPEG) and its start varies: a "mono" bitmap is 1 bit per pixel, a "top" one is stored
// top-down, an "os2" one has the OS/2 header; a "profile" JPEG holds a 40,000-byte APP2
// segment before its frame. GIFs and OS/2 bitmaps are written by netpbm.
std::string WritePicture(const std::string& path, int width, int height);

// The bitmap dotcast (the build's own, named by $DOTCAST) converts the picture at path to
// with the options given, as the window writes its result; empty when dotcast fails.
std::vector<std::uint8_t> DotcastBitmap(const std::string& path, const QStringList& options);

bool Exists(const std::string& path);

// A table of rows with a `name` as the data of a Qt Test function; the function itself takes
// its row with Row(table).
template <class T, std::size_t N>
void AddRows(const T (&rows)[N]) {
  QTest::addColumn<int>("row");
  for (std::size_t i = 0; i < N; ++i)
    QTest::newRow(rows[i].name) << int(i);
}
template <class T, std::size_t N>
const T& Row(const T (&rows)[N]) {
  return rows[*static_cast<int*>(QTest::qData("row", qMetaTypeId<int>()))];
}

}  // namespace dotcaster::testing
