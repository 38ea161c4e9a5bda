#include "setup/serial_devices.h"

#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace poolside {
namespace {

namespace fs = std::filesystem;

TEST(SerialDevices, ListsByIdNamesFirstThenUnnamedUsbThenBuiltInPortsWithAUart) {
  testing::TempDir dir;
  for (const char* f : {"dev/ttyUSB0", "dev/ttyUSB1", "dev/ttyUSB10", "dev/ttyUSB2", "dev/ttyACM0",
                        "dev/ttyS0", "dev/ttyS1", "dev/ttyS10", "dev/tty0", "dev/null"}) {
    fs::create_directories(fs::path(dir.File(f)).parent_path());
    dir.Write(f, "");
  }
  dir.MakeDir("dev/serial");
  dir.MakeDir("dev/serial/by-id");
  fs::create_symlink("../../ttyUSB1", dir.File("dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0"));
  fs::create_symlink("../../ttyACM0", dir.File("dev/serial/by-id/usb-Arduino-if00"));
  fs::create_symlink("../../gone", dir.File("dev/serial/by-id/usb-Broken-if00"));
  // ttyS0 and ttyS10 have a UART; ttyS1 is a placeholder (type 0).
  for (const auto& [name, type] : {std::pair{"ttyS0", "4\n"}, {"ttyS1", "0\n"}, {"ttyS10", "4"}}) {
    fs::create_directories(dir.File(std::string("sys/class/tty/") + name));
    dir.Write(std::string("sys/class/tty/") + name + "/type", type);
  }

  const auto list = ListSerialDevices(dir.File("dev"), dir.File("sys"));
  std::vector<std::string> paths;
  for (const auto& d : list) paths.push_back(d.path.substr(dir.Path().size()));
  EXPECT_EQ(paths, (std::vector<std::string>{
                       "/dev/serial/by-id/usb-Arduino-if00",
                       "/dev/serial/by-id/usb-Broken-if00",
                       "/dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0",
                       "/dev/ttyUSB0",
                       "/dev/ttyUSB2",  // by number: 2 before 10
                       "/dev/ttyUSB10",
                       "/dev/ttyS0",
                       "/dev/ttyS10",
                   }));
  // A by-id entry shows the device it stands for; a broken link only its name.
  EXPECT_EQ(list[2].label, list[2].path + " (/dev/ttyUSB1)");
  EXPECT_EQ(list[1].label, list[1].path);
  EXPECT_EQ(list[3].label, list[3].path);
}

TEST(SerialDevices, NoFoldersGiveAnEmptyList) {
  testing::TempDir dir;
  EXPECT_TRUE(ListSerialDevices(dir.File("nothing"), dir.File("nosys")).empty());
}

TEST(SerialDevices, PermissionNoteOnlyForADeviceThatRefusesTheUser) {
  testing::TempDir dir;
  dir.Write("open", "");
  EXPECT_EQ(DevicePermissionNote(dir.File("open"), "desk"), "");
  EXPECT_EQ(DevicePermissionNote(dir.File("absent"), "desk"), "");
  EXPECT_EQ(DevicePermissionNote("", "desk"), "");
  if (::geteuid() == 0) GTEST_SKIP() << "root may open every file";
  dir.Write("closed", "");
  fs::permissions(dir.File("closed"), fs::perms::none);
  const std::string note = DevicePermissionNote(dir.File("closed"), "desk");
  EXPECT_NE(note.find("sudo adduser desk dialout"), std::string::npos) << note;
  EXPECT_NE(note.find(dir.File("closed")), std::string::npos) << note;
}

}  // namespace
}  // namespace poolside
