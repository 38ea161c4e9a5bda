// Serial devices on Windows: the COM ports the system names, a port that is
// not there, and one that another program holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/port_failure.h"
#include "platform/port_router.h"

namespace poolside {
namespace {

TEST(WindowsPorts, TheDevicesPresentAreComPortsInNumberOrder) {
  const std::vector<std::string> present = SerialDevicesPresent();
  int last = 0;
  for (const std::string& name : present) {
    ASSERT_EQ(name.rfind("COM", 0), 0u) << name;
    const int number = std::stoi(name.substr(3));
    EXPECT_GT(number, last) << name;
    last = number;
  }
}

TEST(WindowsPorts, PortNIsComNUnlessMapped) {
  EXPECT_EQ(PortRouter::DefaultDevice(1), "COM1");
  EXPECT_EQ(PortRouter::DefaultDevice(12), "COM12");
}

TEST(WindowsPorts, AMissingPortListsThePortsAndAHeldOneNamesTheOtherProgram) {
  EXPECT_EQ(ClassifyPortFault("COM250", false), PortFault::Missing);
  EXPECT_EQ(ClassifyPortFault("\\\\.\\COM250", false), PortFault::Missing);
  EXPECT_EQ(ClassifyPortFault("COM250", true), PortFault::PermissionDenied);
  const std::string missing = PortOpenFailureText("COM250", "COM250", false, "");
  EXPECT_EQ(missing.rfind("ポート COM250 を開けません: 装置 COM250 が見つかりません。", 0), 0u)
      << missing;
  EXPECT_NE(missing.find("いまあるシリアル装置"), std::string::npos) << missing;
  const std::string held = PortOpenFailureText("COM3", "COM3", true, "Access is denied.");
  EXPECT_NE(held.find("ほかのプログラム"), std::string::npos) << held;
  EXPECT_EQ(held.find("dialout"), std::string::npos) << held;
}

}  // namespace
}  // namespace poolside
