#include "replay/capture_registry.h"

#include <gtest/gtest.h>

#include <string>

#include "quorvex/collectors.h"
#include "replay/capture_folder.h"
#include "support/console_capture.h"
#include "support/standin_test.h"
#include "support/temp_folder.h"
#include "tools/replay/utf16_file.h"

namespace quorvex::replay {
namespace {

using quorvex::testing::TempFolder;
using quorvex::testing::Utf16File;

constexpr const char* kHeader = "Windows Registry Editor Version 5.00\n\n";
constexpr const char* kEnum = "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\";
constexpr const char* kClass =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
    "{4d36e968-e325-11ce-bfc1-08002be10318}\\";
constexpr const char* kDisplayGuid = "\"ClassGUID\"=\"{4d36e968-e325-11ce-bfc1-08002be10318}\"\n";

// Made-up adapters: an NVIDIA one with all three sources, a monitor (another
// class), keys two and four levels deep, and a second NVIDIA adapter.
const std::string kCapture =
    std::string(kHeader) + kEnum + "PCI\\VEN_10DE&DEV_0E01\\4&AA&0&0008]\n" + kDisplayGuid +
    "\"DeviceDesc\"=\"Pr\xC3\xBC\x66karte \xCE\xA9\"\n"
    "\"Driver\"=\"{4d36e968-e325-11ce-bfc1-08002be10318}\\\\0100\"\n" +
    kEnum +
    "PCI\\VEN_10DE&DEV_0E01\\4&AA&0&0008\\Device Parameters]\n"
    "\"DeviceUuid\"=hex:00,11,22,33,44,55,66,77,88,99,aa,bb,cc,dd,ee,ff\n" +
    kEnum +
    "DISPLAY\\MON0001\\1&2&3]\n"
    "\"ClassGUID\"=\"{4d36e96e-e325-11ce-bfc1-08002be10318}\"\n" +
    kEnum + "PCI\\VEN_10DE&DEV_0E02]\n" + kDisplayGuid + kEnum + "PCI\\VEN_10DE&DEV_0E03\\1\\2]\n" +
    kDisplayGuid + kEnum +
    "SWD\\VEN_10DE_REMOTE\\7]\n"
    "\"CLASSGUID\"=\"{4D36E968-E325-11CE-BFC1-08002BE10318}\"\n" +
    kClass +
    "0100]\n"
    "\"BigTable\"=hex:00\n"  // widened past the data buffer by Capture()
    "\"GpuUuid\"=\"GPU-0AAA\"\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\NVIDIA Corporation\\Global\\NVTweak\\Devices\\1]\n"
    "\"GPU UUID\"=\"GPU-1BBB\"\n";

std::string BigHex() {
  std::string hex = "00";
  for (int i = 1; i < 1500; ++i) hex += ",00";
  return hex;
}

std::string Capture() {
  std::string text = kCapture;
  const std::string marker = "\"BigTable\"=hex:";
  const std::size_t at = text.find(marker) + marker.size();
  text.replace(at, text.find('\n', at) - at, BigHex());
  return text;
}

using CaptureRegistry = quorvex::testing::StandinTest;

TEST_F(CaptureRegistry, DisplayAdaptersAreTheDisplayClassKeysThreeLevelsBelowEnum) {
  TempFolder folder;
  folder.WriteBytes("registry.reg", Utf16File(Capture()));
  ASSERT_EQ(LoadCaptureFolder(folder.path(), machine()), std::nullopt);
  ASSERT_EQ(machine().adapters.size(), 2u);
  const standin::DisplayAdapter& first = machine().adapters[0];
  EXPECT_EQ(first.instanceId, "PCI\\VEN_10DE&DEV_0E01\\4&AA&0&0008");
  EXPECT_EQ(first.deviceDesc, standin::TextValue("Pr\xC3\xBC\x66karte \xCE\xA9"));
  EXPECT_EQ(
      first.driverKey,
      "SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}\\0100");
  EXPECT_EQ(first.deviceKey,
            "SYSTEM\\CurrentControlSet\\Enum\\" + first.instanceId + "\\Device Parameters");
  const standin::DisplayAdapter& second = machine().adapters[1];
  EXPECT_EQ(second.instanceId, "SWD\\VEN_10DE_REMOTE\\7");
  EXPECT_FALSE(second.deviceDesc);
  EXPECT_TRUE(second.driverKey.empty());
  EXPECT_FALSE(machine().classDevsFails);
}

// The whole NVIDIA phase from a capture, the large value skipped, the UTF-16
// description printed as UTF-8.
TEST_F(CaptureRegistry, ReplaysTheNvidiaPhase) {
  TempFolder folder;
  folder.WriteBytes("registry.reg", Utf16File(Capture()));
  ASSERT_EQ(LoadCaptureFolder(folder.path(), machine()), std::nullopt);
  quorvex::testing::ConsoleCapture console;
  CollectNvidiaGpus();
  EXPECT_EQ(console.Output(),
            "[TAMBRO] [NVIDIA] Reading UUIDs from driver registry...\n"
            "[TAMBRO] [NVIDIA] [0, 0] UUID: GPU-0AAA\n"
            "[TAMBRO] [NVIDIA] [0, 0] UUID: 00112233-4455-6677-8899-AABBCCDDEEFF\n"
            "[TAMBRO] [NVIDIA] [0, 0] Name: Pr\xC3\xBC\x66karte \xCE\xA9\n"
            "[TAMBRO] [NVIDIA] [0, 0] DeviceID: PCI\\VEN_10DE&DEV_0E01\\4&AA&0&0008\n"
            "[TAMBRO] [NVIDIA] [1, 0] UUID: GPU-1BBB\n"
            "[TAMBRO] [NVIDIA] [1, 0] Name: \n"
            "[TAMBRO] [NVIDIA] [1, 0] DeviceID: SWD\\VEN_10DE_REMOTE\\7\n");
}

TEST_F(CaptureRegistry, SetupApiFailsFileMakesTheSetFail) {
  TempFolder folder;
  folder.Write("setupapi.fails", "");
  ASSERT_EQ(LoadCaptureFolder(folder.path(), machine()), std::nullopt);
  EXPECT_TRUE(machine().classDevsFails);
  EXPECT_TRUE(machine().adapters.empty());
}

TEST_F(CaptureRegistry, MalformedFileIsRefusedNamingFileAndLine) {
  TempFolder folder;
  folder.WriteBytes("registry.reg",
                    Utf16File(std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\A]\n\"x\"=y\n"));
  const std::optional<Failure> problem = LoadCaptureFolder(folder.path(), machine());
  ASSERT_TRUE(problem);
  EXPECT_NE(FailureMessage(*problem).find("registry.reg: line 4: "), std::string::npos)
      << FailureMessage(*problem);
}

}  // namespace
}  // namespace quorvex::replay
