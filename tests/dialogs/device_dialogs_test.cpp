#include "dialogs/device_dialogs.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "qt_app.h"

namespace dotcaster {
namespace {

DeviceFileDialogRequest Request(bool save) {
  DeviceFileDialogRequest r;
  r.save = save;
  r.fileType = "qdl";
  r.startFolder = "B:\\graphics\\";
  r.proposedName = save ? "Untitled" : "";
  r.entries = {"B:\\graphics\\cat.qdl", "B:\\graphics\\dog.qdl"};
  return r;
}

QPushButton* OkButton(QDialog& d) {
  return d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

class DeviceDialogs : public ::testing::Test {
 protected:
  void SetUp() override { testing::QtApp(); }
};

TEST_F(DeviceDialogs, SaveNameField) {
  DeviceFileDialog dialog(Request(true));
  EXPECT_EQ(dialog.Choice(), "B:\\graphics\\Untitled.qdl") << "the proposed name";
  struct Row {
    const char* typed;
    std::optional<std::string> choice;
  };
  const Row rows[] = {
      {"moon", "B:\\graphics\\moon.qdl"},
      {"MOON.QDL", "B:\\graphics\\MOON.QDL"},
      {"  star  ", "B:\\graphics\\star.qdl"},
      {"", std::nullopt},
      {"a\\b", std::nullopt},
      {"C:x", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    dialog.nameField()->setText(row.typed);
    EXPECT_EQ(dialog.Choice(), row.choice);
    EXPECT_EQ(OkButton(dialog)->isEnabled(), row.choice.has_value());
  }
  dialog.list()->setCurrentRow(0);
  EXPECT_EQ(dialog.nameField()->text(), "cat.qdl") << "choosing a file takes its name";
}

}  // namespace
}  // namespace dotcaster
