// The set-up dialog: what is typed and chosen reaches the files of a first
// start; a listed device is taken by its path, not its label.

#include "ui/setup_dialog.h"

#include <filesystem>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace poolside {
namespace {

namespace fs = std::filesystem;

void EnsureApp() {
  static int argc = 1;
  static char name[] = "test_setup";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
}

TEST(SetupDialog, ListsTheDevicesAndWritesTheChoice) {
  EnsureApp();
  testing::TempDir dir;
  dir.MakeDir("dev");
  dir.MakeDir("dev/serial");
  dir.MakeDir("dev/serial/by-id");
  dir.Write("dev/ttyUSB0", "");
  fs::create_symlink("../../ttyUSB0", dir.File("dev/serial/by-id/usb-FTDI-if00-port0"));
  SetupDialog dialog(dir.File("cfg"), nullptr, dir.File("dev"), dir.File("sys"));
  auto* folder = dialog.findChild<QLineEdit*>("txtFolder");
  auto* port = dialog.findChild<QComboBox*>("cboPort");
  auto* ok = dialog.findChild<QPushButton*>("cmdOK");
  ASSERT_TRUE(folder && port && ok);
  EXPECT_EQ(dialog.windowTitle(), "Poolside 初期設定");
  ASSERT_EQ(port->count(), 1);  // the by-id name stands for ttyUSB0
  EXPECT_EQ(port->itemText(0).toStdString(),
            dir.File("dev/serial/by-id/usb-FTDI-if00-port0") + " (/dev/ttyUSB0)");

  folder->setText(QString::fromStdString(dir.File("meet")));
  ok->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  ASSERT_TRUE(dialog.Written());
  EXPECT_EQ(dialog.Written()->coms.at(1), dir.File("dev/serial/by-id/usb-FTDI-if00-port0"));
  EXPECT_TRUE(dir.Exists("meet/lap"));
  EXPECT_NE(dir.Read("cfg/poolside.conf")
                .find("com 1=" + dir.File("dev/serial/by-id/usb-FTDI-if00-port0")),
            std::string::npos);

  // A typed device (the simulator's pseudo-terminal) is taken as typed.
  SetupDialog again(dir.File("cfg"), nullptr, dir.File("dev"), dir.File("sys"));
  again.findChild<QLineEdit*>("txtFolder")->setText(QString::fromStdString(dir.File("meet")));
  again.findChild<QComboBox*>("cboPort")->setEditText(" /dev/pts/9 ");
  again.findChild<QPushButton*>("cmdOK")->click();
  ASSERT_TRUE(again.Written());
  EXPECT_EQ(again.Written()->coms.at(1), "/dev/pts/9");
}

}  // namespace
}  // namespace poolside
