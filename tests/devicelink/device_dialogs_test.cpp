#include "devicelink/device_dialogs.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

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

TEST_F(DeviceDialogs, RunReturnsTheChoiceOrNothing) {
  QTimer::singleShot(0, [] {
    auto* d = qobject_cast<DeviceFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    d->list()->setCurrentRow(0);
    OkButton(*d)->click();
  });
  EXPECT_EQ(RunDeviceFileDialog(nullptr, Request(false)), "B:\\graphics\\cat.qdl");

  QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
  EXPECT_EQ(RunDeviceFileDialog(nullptr, Request(true)), std::nullopt);
}

TEST_F(DeviceDialogs, DisconnectionSetupReportsTheNewSetting) {
  QTimer::singleShot(0, [] {
    auto* d = qobject_cast<DisconnectionSetupDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->refuse());
    d->checkBox()->setChecked(true);
    OkButton(*d)->click();
  });
  EXPECT_EQ(RunDisconnectionSetupDialog(nullptr, false), true);

  QTimer::singleShot(0, [] {
    auto* d = qobject_cast<DisconnectionSetupDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    d->checkBox()->setChecked(false);
    d->reject();
  });
  EXPECT_EQ(RunDisconnectionSetupDialog(nullptr, true), std::nullopt);
}

}  // namespace
}  // namespace dotcaster
