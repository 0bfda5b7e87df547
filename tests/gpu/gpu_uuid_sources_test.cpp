#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gpu/gpu_test_machine.h"

namespace quorvex::testing {
namespace {

constexpr const char* kId = "PCI\\VEN_10DE&DEV_0E01&SUBSYS_00000000&REV_A1\\4&77&0&0008";

std::string Line(const std::string& uuid) {
  return "[TAMBRO] [NVIDIA] [0, 0] UUID: " + uuid + "\n";
}
std::string Tail() {
  return std::string("[TAMBRO] [NVIDIA] [0, 0] Name: GPU\n[TAMBRO] [NVIDIA] [0, 0] DeviceID: ") +
         kId + "\n";
}

class UuidSources : public GpuTest {
 protected:
  UuidSources() {
    const standin::DisplayAdapter& gpu = AddAdapter(kId, "GPU");
    driverKey_ = gpu.driverKey;
    deviceKey_ = gpu.deviceKey;
  }
  void Driver(const std::string& name, DWORD type, standin::Bytes data) {
    machine().registry.Set(driverKey_, name, type, std::move(data));
  }
  void Device(const std::string& name, DWORD type, standin::Bytes data) {
    machine().registry.Set(deviceKey_, name, type, std::move(data));
  }
  void Tweak(DWORD type, standin::Bytes data) {
    machine().registry.Set(std::string(kNvTweak) + "0", "GPU UUID", type, std::move(data));
  }
  std::string driverKey_, deviceKey_;
};

TEST_F(UuidSources, SameUuidInAllThreePlacesPrintsThreeLinesInSourceOrder) {
  Device("UUID", REG_SZ, standin::TextValue("same"));
  Driver("UUID", REG_SZ, standin::TextValue("same"));
  Tweak(REG_SZ, standin::TextValue("same"));
  EXPECT_EQ(Run(), kStart + Line("same") + Line("same") + Line("same") + Tail());
}

TEST_F(UuidSources, DriverKeyValuesPrintInEnumerationOrder) {
  Driver("b-UUID", REG_SZ, standin::TextValue("first"));
  Driver("DriverDesc", REG_SZ, standin::TextValue("not a uuid"));
  Driver("a-uuid", REG_EXPAND_SZ, standin::TextValue("%ProgramData%\\second"));
  Device("a-uuid", REG_SZ, standin::TextValue("lower case: not read here"));
  Device("Expand-UUID", REG_EXPAND_SZ, standin::TextValue("not read here"));
  EXPECT_EQ(Run(), kStart + Line("first") + Line("%ProgramData%\\second") + Tail());
}

// A value that does not fit the buffers is passed over, so the UUID values
// after it still print; 1024 data bytes and 255 name characters still fit.
TEST_F(UuidSources, ValueTooLargeForTheBuffersIsSkippedNotTheRest) {
  standin::Bytes big(1025, 0x41);
  standin::Bytes fits(1024, 0x42);
  Driver("UUID-Table", REG_BINARY, big);
  Driver(std::string(251, 'n') + "-UUID", REG_SZ, standin::TextValue("name 256"));
  Driver(std::string(250, 'm') + "-UUID", REG_SZ, standin::TextValue("name 255"));
  Driver("UUID-Fits", REG_BINARY, fits);
  Driver("Uuid", REG_SZ, standin::TextValue("after"));
  Device("Blob", REG_BINARY, big);
  Device("UUID", REG_SZ, standin::TextValue("device after"));
  EXPECT_EQ(Run(), kStart + Line("name 255") + Line("42424242-4242-4242-4242-424242424242") +
                       Line("after") + Line("device after") + Tail());
  EXPECT_EQ(calls().regEnumValue.size(), 6u + 3u);  // every index, then the end of each key
}

// Any other failure still ends the pass; the sources after it are read all the same.
TEST_F(UuidSources, OtherEnumerationErrorEndsOnlyThatPass) {
  Driver("UUID", REG_SZ, standin::TextValue("before"));
  Driver("Broken", REG_SZ, standin::TextValue(""));
  faults().enumValueFails[{driverKey_, 1}] = ERROR_ACCESS_DENIED;
  Driver("Gpu-Uuid", REG_SZ, standin::TextValue("hidden"));
  Tweak(REG_SZ, standin::TextValue("tweak"));
  Device("UUID", REG_SZ, standin::TextValue("device"));
  EXPECT_EQ(Run(), kStart + Line("before") + Line("tweak") + Line("device") + Tail());
}

TEST_F(UuidSources, NvTweakValueIsTextWhateverItsType) {
  Tweak(REG_BINARY, standin::Bytes{'R', 'A', 'W', 0, 'j', 'u', 'n', 'k'});
  EXPECT_EQ(Run(), kStart + Line("RAW") + Tail());
}

TEST_F(UuidSources, NvTweakValueFillsAtMostItsBuffer) {
  Tweak(REG_SZ, standin::BytesOf(std::string(256, 'T')));  // no NUL, exactly the buffer
  EXPECT_EQ(Run(), kStart + Line(std::string(256, 'T')) + Tail());
}

TEST_F(UuidSources, NvTweakValueTooLargePrintsNothing) {
  Tweak(REG_SZ, standin::TextValue(std::string(256, 'T')));  // 257 bytes
  EXPECT_EQ(Run(), kStart + Tail());
  EXPECT_EQ(resources().keysOpened, 1 + 2);
}

TEST_F(UuidSources, NvTweakKeyWithoutTheValuePrintsNothing) {
  machine().registry.SetString(std::string(kNvTweak) + "0", "GPU UUID 2", "other name");
  EXPECT_EQ(Run(), kStart + Tail());
  EXPECT_EQ(resources().keysOpened, 1 + 2);
}

TEST_F(UuidSources, NvTweakKeyOfAnotherNumberIsNotRead) {
  machine().registry.SetString(std::string(kNvTweak) + "1", "GPU UUID", "second GPU's");
  machine().registry.SetString(std::string(kNvTweak) + "00", "GPU UUID", "leading zero");
  EXPECT_EQ(Run(), kStart + Tail());
}

}  // namespace
}  // namespace quorvex::testing
