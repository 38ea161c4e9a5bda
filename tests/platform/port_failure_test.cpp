// What the operator reads when a serial device cannot be used: permission
// denied names the dialout group and the command; a missing device says to
// check the cable and the adapter and lists the serial devices present.
#include "platform/port_failure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::TempDir;

TEST(PortFailure, PermissionDeniedNamesTheGroupAndTheCommandAndKeepsPortAndDevice) {
  TempDir tmp;
  const std::string text =
      PortFaultAdvice(PortFault::PermissionDenied, "/dev/ttyUSB0", "Permission denied", {});
  EXPECT_NE(text.find("dialout グループ"), std::string::npos) << text;
  EXPECT_NE(text.find("\rsudo usermod -aG dialout $USER"), std::string::npos) << text;
  EXPECT_EQ(text.find("Permission denied"), std::string::npos) << text;
  // A device the user may open, refused all the same: another program has
  // it, and the group is not the remedy.
  tmp.Write("ttyUSB0", "");
  const std::string held = PortOpenFailureText("COM1 (" + tmp.File("ttyUSB0") + ")",
                                               tmp.File("ttyUSB0"), true, "Permission denied");
  EXPECT_EQ(held.rfind("ポート COM1 (" + tmp.File("ttyUSB0") + ") を開けません: ", 0), 0u) << held;
  EXPECT_NE(held.find("ほかのプログラム"), std::string::npos) << held;
  EXPECT_EQ(held.find("dialout"), std::string::npos) << held;
}

// The program that holds a port is named from its lock file.
TEST(PortFailure, TheHolderOfAPortIsNamedFromItsLockFile) {
  TempDir locks;
  locks.MakeDir("a");
  locks.MakeDir("b");
  locks.Write("b/LCK..ttyUSB0", "     4242\npoolside\ndesk-pc\n");
  locks.Write("b/LCK..pts_3", "31337\n");
  locks.Write("a/LCK..ttyS0", "not a pid\nx\n");
  const std::vector<std::string> dirs{locks.File("a"), locks.File("b")};
  EXPECT_EQ(PortHolderIn(dirs, "/dev/ttyUSB0"), "poolside, プロセス 4242");
  EXPECT_EQ(PortHolderIn(dirs, "/dev/pts/3"), "プログラム, プロセス 31337");
  EXPECT_EQ(PortHolderIn(dirs, "/dev/ttyS0"), "");
  EXPECT_EQ(PortHolderIn(dirs, "/dev/ttyACM0"), "");
  EXPECT_EQ(PortHolderIn({}, "/dev/ttyUSB0"), "");
}

TEST(PortFailure, AMissingDeviceSaysCheckTheCableAndListsTheDevicesPresent) {
  TempDir tmp;
  const std::string gone = tmp.File("no-such-device");
  EXPECT_EQ(ClassifyPortFault(gone, false), PortFault::Missing);
  const std::string text = PortFaultAdvice(PortFault::Missing, gone, "No such file or directory",
                                           {"/dev/ttyUSB1", "/dev/serial/by-id/usb-FTDI-if00"});
  EXPECT_NE(text.find("装置 " + gone + " が見つかりません"), std::string::npos) << text;
  EXPECT_NE(text.find("ケーブルと USB 変換器"), std::string::npos) << text;
  EXPECT_NE(text.find("いまあるシリアル装置: /dev/ttyUSB1 /dev/serial/by-id/usb-FTDI-if00"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("No such file"), std::string::npos) << text;
  EXPECT_NE(
      PortFaultAdvice(PortFault::Missing, gone, "", {}).find("いまあるシリアル装置: ありません"),
      std::string::npos);
  // A device lost while open is told the same way.
  const std::string lost = PortLostText("COM2 (" + gone + ")", gone, "Input/output error");
  EXPECT_EQ(lost.rfind("ポート COM2 (" + gone + ") が使えなくなりました: ", 0), 0u) << lost;
  EXPECT_NE(lost.find("ケーブル"), std::string::npos) << lost;
}

TEST(PortFailure, AnUnknownCauseKeepsTheSystemsWords) {
  TempDir tmp;
  tmp.Write("ttyS9", "");
  EXPECT_EQ(ClassifyPortFault(tmp.File("ttyS9"), false), PortFault::Other);
  const std::string text = PortOpenFailureText("COM3 (" + tmp.File("ttyS9") + ")",
                                               tmp.File("ttyS9"), false, "Invalid argument");
  EXPECT_NE(text.find("(Invalid argument)"), std::string::npos) << text;
  EXPECT_NE(text.find("ほかのプログラム"), std::string::npos) << text;
}

TEST(PortFailure, TheDevicesPresentAreAdaptersThenRealUartsThenStableNames) {
  TempDir root;
  root.MakeDir("dev");
  root.MakeDir("dev/serial");
  root.MakeDir("dev/serial/by-id");
  for (const char* name :
       {"ttyUSB1", "ttyUSB0", "ttyACM0", "ttyS0", "ttyS1", "ttyS", "tty0", "ttyAMA0"}) {
    root.Write(std::string("dev/") + name, "");
  }
  root.Write("dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "");
  // ttyS1 is an empty slot: the kernel says its UART type is 0.
  root.MakeDir("sys");
  root.MakeDir("sys/class");
  root.MakeDir("sys/class/tty");
  root.MakeDir("sys/class/tty/ttyS0");
  root.MakeDir("sys/class/tty/ttyS1");
  root.Write("sys/class/tty/ttyS0/type", "4\n");
  root.Write("sys/class/tty/ttyS1/type", "0\n");
  EXPECT_EQ(SerialDevicesPresent(root.Path()),
            (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyS0",
                                      "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"}));
  TempDir empty;
  EXPECT_TRUE(SerialDevicesPresent(empty.Path()).empty());
}

}  // namespace
}  // namespace poolside
