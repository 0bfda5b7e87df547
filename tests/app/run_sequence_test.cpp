#include "quorvex/report.h"

#include <gtest/gtest.h>

#include <string>

#include "gpu/gpu_test_machine.h"
#include "smbios/smbios_table_builder.h"
#include "support/console_capture.h"
#include "support/descriptor_builder.h"
#include "support/standin_test.h"

namespace quorvex {
namespace {

using testing::ConsoleCapture;
using testing::DescriptorBuilder;

// The banner as the user sees it, written out here rather than built from
// BannerLines, so that a changed letter fails this test.
constexpr const char* kBanner = R"(
  $$$$$$$\  $$$$$\  $$\      $$\ $$$$$$\  $$$$$$\   $$$$$\
  \_$$  _| $$  _$$\ $$$\    $$$ |$$  _$$\ $$  _$$\ $$  _$$\
    $$ |   $$ / $$ |$$$$\  $$$$ |$$ | $$ |$$ | $$ |$$ / $$ |
    $$ |   $$$$$$$ |$$\$$\$$ $$ |$$$$$$\ |$$$$$$  |$$ | $$ |
    $$ |   $$  _$$ |$$ \$$$  $$ |$$  _$$\ $$  _$$< $$ | $$ |
    $$ |   $$ | $$ |$$ |\$  /$$ |$$ | $$ |$$ | $$ |$$ | $$ |
    $$ |   $$ | $$ |$$ | \_/ $$ |$$$$$$  |$$ | $$ | $$$$$  |
    \__|   \__| \__|\__|     \__|\_______|\__| \__| \______|

                    Quorvex v1.0
              [ Direct Driver Access Mode ]

)";

// What an empty machine makes the two other phases print.
constexpr const char* kNvidiaPhase =
    "[TAMBRO] [NVIDIA] Initialise successfully!\n"
    "[TAMBRO] [NVIDIA] Reading UUIDs from driver registry...\n"
    "[TAMBRO] [NVIDIA] No NVIDIA GPUs found\n"
    "[TAMBRO] [NVIDIA] Cleanup successfully!\n\n";
constexpr const char* kSmbiosPhase =
    "[TAMBRO] [SMBIOS] Initialise successfully!\n"
    "[TAMBRO] [SMBIOS] Failed to get firmware table\n"
    "[TAMBRO] [SMBIOS] Cleanup successfully!\n\n";
constexpr const char* kEnd =
    "[TAMBRO] HWID collection completed!\n\n[TAMBRO] Press Enter to exit...";

std::string Report(const std::string& driveLines) {
  return kBanner + std::string(kNvidiaPhase) +
         "[TAMBRO] [DiskStorage] Initialise successfully!\n"
         "[TAMBRO] [DiskStorage] Reading serials...\n" +
         driveLines + "[TAMBRO] [DiskStorage] Cleanup successfully!\n\n" + kSmbiosPhase + kEnd;
}

class RunSequenceTest : public testing::StandinTest {
 protected:
  void Answer(int number, const DescriptorBuilder& descriptor) {
    machine().drives[number] = {false, descriptor.bytes(), descriptor.size()};
  }
};

TEST_F(RunSequenceTest, NoDriveAnswersGivesOnlyTheFramingOfTheDrivePhase) {
  ConsoleCapture console;
  EXPECT_EQ(RunReport(), 0);
  EXPECT_EQ(console.Output(), Report(""));
  EXPECT_EQ(calls().createFile.size(), 8u) << "drives 0 to 7 are each asked once";
}

TEST_F(RunSequenceTest, DrivesArePrintedUnderTheirOwnNumbersAndSkippedOnesLeaveGaps) {
  Answer(0, DescriptorBuilder().Serial("SER-0").Model("Model Zero").Firmware("F0"));
  machine().drives[1].requestFails = true;
  Answer(2, DescriptorBuilder().Model("Only Model"));         // serial unread: still printed
  Answer(3, DescriptorBuilder().Firmware("F3"));              // serial and model unread: left out
  Answer(4, DescriptorBuilder().Serial("   ").Model("N/A"));  // an empty serial is not "N/A"
  Answer(5, DescriptorBuilder().Serial("N/A").Model("N/A").Firmware("F5"));  // looks unread
  Answer(8, DescriptorBuilder().Serial("never asked").Model("M8"));
  ConsoleCapture console;
  RunReport();
  EXPECT_EQ(console.Output(), Report("[TAMBRO] [DiskStorage] [0] SerialNumber: SER-0\n"
                                     "[TAMBRO] [DiskStorage] [0] Model: Model Zero\n"
                                     "[TAMBRO] [DiskStorage] [0] Firmware: F0\n"
                                     "[TAMBRO] [DiskStorage] [2] SerialNumber: N/A\n"
                                     "[TAMBRO] [DiskStorage] [2] Model: Only Model\n"
                                     "[TAMBRO] [DiskStorage] [2] Firmware: N/A\n"
                                     "[TAMBRO] [DiskStorage] [4] SerialNumber: \n"
                                     "[TAMBRO] [DiskStorage] [4] Model: N/A\n"
                                     "[TAMBRO] [DiskStorage] [4] Firmware: N/A\n"));
  EXPECT_EQ(calls().createFile.size(), 8u);
}

TEST_F(RunSequenceTest, SwitchesTheConsoleToUtf8AndBackAndAsksOnceWhetherOutputIsOne) {
  ConsoleCapture console;
  RunReport();
  EXPECT_EQ(calls().setConsoleOutputCP, (std::vector<UINT>{65001u, 437u}));
  ASSERT_EQ(calls().getConsoleMode.size(), 1u);
  EXPECT_TRUE(calls().getConsoleMode[0].standardOutput);
  EXPECT_TRUE(calls().getConsoleMode[0].modeGiven);
}

// Texts from every source the report prints, each holding controls that a
// terminal would act on: a carriage return and a line feed that forge report
// lines, erase and clear sequences, a window title, a C1 control. Rows in
// the order the report prints them.
struct SystemText {
  std::string line;  // the report's own part of the line, up to the value
  std::string raw;
  std::string shown;  // what a console gets
};
const SystemText kSystemTexts[] = {
    {"[TAMBRO] [NVIDIA] [0, 0] UUID: ", "GPU-1\r[TAMBRO] [NVIDIA] [0, 0] UUID: GPU-2",
     "GPU-1␍[TAMBRO] [NVIDIA] [0, 0] UUID: GPU-2"},
    {"[TAMBRO] [NVIDIA] [0, 0] Name: ", "Card\x1b]0;Owned\a", "Card␛]0;Owned␇"},
    {"[TAMBRO] [NVIDIA] [0, 0] DeviceID: ", "PCI\\VEN_10DE&DEV_0001\\0\t",
     "PCI\\VEN_10DE&DEV_0001\\0␉"},
    {"[TAMBRO] [DiskStorage] [0] SerialNumber: ", "S1\x1b[2KS2", "S1␛[2KS2"},
    {"[TAMBRO] [DiskStorage] [0] Model: ", "M\n[TAMBRO] [DiskStorage] [7] SerialNumber: X",
     "M␊[TAMBRO] [DiskStorage] [7] SerialNumber: X"},
    {"[TAMBRO] [DiskStorage] [0] Firmware: ", "F\x7f\xc2\x9b!", "F␡\\x9B!"},
    {"[TAMBRO] [BIOS INFO] vendor: ", "V\x1b[2J", "V␛[2J"},
    {"[TAMBRO] [BIOS INFO] version: ", "é Ω 😀", "é Ω 😀"},
};

TEST_F(RunSequenceTest, OnAConsoleTheValuesShowTheirControlsAndNothingElseChanges) {
  const auto text = [](std::size_t row) { return kSystemTexts[row].raw; };
  standin::DisplayAdapter adapter;
  adapter.instanceId = text(2);
  adapter.deviceDesc = standin::TextValue(text(1));
  adapter.driverKey = std::string(testing::kClassRoot) + "0000";
  machine().registry.SetString(adapter.driverKey, "GPU UUID", text(0));
  machine().adapters.push_back(adapter);
  Answer(0, DescriptorBuilder().Serial(text(3)).Model(text(4)).Firmware(text(5)));
  const testing::SmbiosBytes bios =
      testing::StructureBuilder(0, 18).Put(4, 1).Put(5, 2).Text(text(6)).Text(text(7)).Build();
  machine().firmware.present = true;
  machine().firmware.bytes = testing::WithHeader(testing::Concat({bios, testing::EndOfTable()}));
  const standin::Machine built = machine();

  std::string outputs[2];
  for (const bool console : {false, true}) {
    machine() = built;
    machine().console = console;
    ConsoleCapture capture;
    RunReport();
    outputs[console ? 1 : 0] = capture.Output();
  }
  std::string expected = outputs[0];
  for (const SystemText& row : kSystemTexts) {
    const std::size_t at = expected.find(row.line + row.raw + "\n");
    ASSERT_NE(at, std::string::npos) << "redirected output lacks " << row.line;
    expected.replace(at, row.line.size() + row.raw.size(), row.line + row.shown);
  }
  EXPECT_EQ(outputs[1], expected);
}

TEST_F(RunSequenceTest, ReadsExactlyOneCharacterAfterThePrompt) {
  struct Case {
    const char* input;
    const char* unread;
  };
  for (const Case& c : {Case{"", ""}, Case{"\n", ""}, Case{"yes\n", "es\n"}}) {
    standin::ResetMachine();
    ConsoleCapture console(c.input);
    EXPECT_EQ(RunReport(), 0) << "input " << c.input;
    EXPECT_EQ(console.UnreadInput(), c.unread) << "input " << c.input;
    const std::string output = console.Output();
    EXPECT_EQ(output.substr(output.size() - 31), "[TAMBRO] Press Enter to exit...");
  }
}

}  // namespace
}  // namespace quorvex
