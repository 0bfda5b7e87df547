#include <gtest/gtest.h>

#include <string>

#include "gpu/gpu_test_machine.h"

namespace quorvex::testing {
namespace {

constexpr const char* kNone = "[TAMBRO] [NVIDIA] No NVIDIA GPUs found\n";
// Made-up ids: the marker after the bus prefix, and one standing elsewhere in the id.
constexpr const char* kFirstId = "PCI\\VEN_10DE&DEV_0E01&SUBSYS_00000000&REV_A1\\4&1A2B3C4D&0&0008";
constexpr const char* kOtherId = "PCI\\VEN_1002&DEV_0001&SUBSYS_00000000&REV_00\\4&5E6F&0&0010";
constexpr const char* kSecondId = "SWD\\REMOTE_VEN_10DE_GPU\\7&2B&0&1";

using NvidiaAdapters = GpuTest;

TEST_F(NvidiaAdapters, EmptySetPrintsNone) {
  EXPECT_EQ(Run(), std::string(kStart) + kNone);
  ASSERT_EQ(calls().classDevs.size(), 1u);
  const standin::ClassDevsCall& call = calls().classDevs[0];
  ASSERT_TRUE(call.classGuid);
  EXPECT_EQ(call.classGuid->Data1, 0x4D36E968u);
  EXPECT_EQ(call.classGuid->Data2, 0xE325u);
  EXPECT_EQ(call.classGuid->Data3, 0x11CEu);
  const std::uint8_t tail[8] = {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18};
  EXPECT_TRUE(std::equal(std::begin(tail), std::end(tail), call.classGuid->Data4));
  EXPECT_FALSE(call.enumerator);
  EXPECT_FALSE(call.parent);
  EXPECT_EQ(call.flags, 2u);
  EXPECT_EQ(calls().enumDeviceInfo, std::vector<DWORD>{0});
  EXPECT_EQ(resources().setsOpened, 1);
}

TEST_F(NvidiaAdapters, SetThatCannotBeMadeIsReportedAlone) {
  machine().classDevsFails = true;
  AddAdapter(kFirstId, "never listed");
  EXPECT_EQ(Run(), std::string(kStart) + "[TAMBRO] [NVIDIA] No display adapters found\n");
  EXPECT_TRUE(calls().enumDeviceInfo.empty());
  EXPECT_EQ(resources().setsOpened, 0);
}

TEST_F(NvidiaAdapters, OtherVendorsAndLowerCaseMarkerPrintNothing) {
  AddAdapter(kOtherId, "Other vendor");
  AddAdapter("PCI\\ven_10de&DEV_0E01\\0", "lower-case marker");
  machine().registry.SetString(std::string(kNvTweak) + "0", "GPU UUID", "must not be read");
  EXPECT_EQ(Run(), std::string(kStart) + kNone);
  EXPECT_EQ(calls().enumDeviceInfo, (std::vector<DWORD>{0, 1, 2}));
  EXPECT_TRUE(calls().openDevRegKey.empty());
  EXPECT_TRUE(calls().regOpenKey.empty());
  EXPECT_TRUE(calls().registryProperty.empty());
}

// Every source of each adapter holds one UUID; the other vendor between them
// neither prints nor moves the counter.
TEST_F(NvidiaAdapters, TwoNvidiaAdaptersAroundAnotherAreNumbered0And1) {
  const auto& first = AddAdapter(kFirstId, "First GPU", "0001");
  machine().registry.SetString(first.driverKey, "GpuUuid", "drv-0");
  machine().registry.SetString(first.deviceKey, "UUID", "dev-0");
  AddAdapter(kOtherId, "Other vendor", "0002");
  const auto& second = AddAdapter(kSecondId, "Second GPU", "0003");
  machine().registry.SetString(second.driverKey, "uuid", "drv-1");
  machine().registry.SetString(second.deviceKey, "Uuid", "dev-1");
  machine().registry.SetString(std::string(kNvTweak) + "0", "GPU UUID", "tweak-0");
  machine().registry.SetString(std::string(kNvTweak) + "1", "GPU UUID", "tweak-1");

  EXPECT_EQ(Run(), std::string(kStart) +
                       "[TAMBRO] [NVIDIA] [0, 0] UUID: drv-0\n"
                       "[TAMBRO] [NVIDIA] [0, 0] UUID: tweak-0\n"
                       "[TAMBRO] [NVIDIA] [0, 0] UUID: dev-0\n"
                       "[TAMBRO] [NVIDIA] [0, 0] Name: First GPU\n"
                       "[TAMBRO] [NVIDIA] [0, 0] DeviceID: " +
                       kFirstId +
                       "\n"
                       "[TAMBRO] [NVIDIA] [1, 0] UUID: drv-1\n"
                       "[TAMBRO] [NVIDIA] [1, 0] UUID: tweak-1\n"
                       "[TAMBRO] [NVIDIA] [1, 0] UUID: dev-1\n"
                       "[TAMBRO] [NVIDIA] [1, 0] Name: Second GPU\n"
                       "[TAMBRO] [NVIDIA] [1, 0] DeviceID: " +
                       kSecondId + "\n");
  ASSERT_EQ(calls().regOpenKey.size(), 2u);
  EXPECT_EQ(calls().regOpenKey[0].subKey, std::string(kNvTweak) + "0");
  EXPECT_EQ(calls().regOpenKey[1].subKey, std::string(kNvTweak) + "1");
  EXPECT_EQ(calls().enumDeviceInfo, (std::vector<DWORD>{0, 1, 2, 3}));
}

TEST_F(NvidiaAdapters, AdapterWithoutAnyUuidIsStillNamedAndCounted) {
  standin::DisplayAdapter& bare = AddAdapter(kFirstId, "Bare GPU");
  bare.driverKey.clear();  // neither key exists
  bare.deviceKey.clear();
  EXPECT_EQ(Run(), std::string(kStart) +
                       "[TAMBRO] [NVIDIA] [0, 0] Name: Bare GPU\n"
                       "[TAMBRO] [NVIDIA] [0, 0] DeviceID: " +
                       kFirstId + "\n");
  EXPECT_EQ(calls().openDevRegKey.size(), 2u);
}

// The id and its NUL must fit the 512-character buffer; a device whose id
// cannot be read is not counted.
TEST_F(NvidiaAdapters, UnreadableInstanceIdSkipsTheDevice) {
  AddAdapter(kFirstId, "failing");
  faults().instanceIdFails.insert(0);
  const std::string tooLong = "PCI\\VEN_10DE\\" + std::string(512 - 13, '9');
  const std::string longest = "PCI\\VEN_10DE\\" + std::string(511 - 13, '8');
  AddAdapter(tooLong, "too long");
  AddAdapter(longest, "longest");
  EXPECT_EQ(Run(), std::string(kStart) +
                       "[TAMBRO] [NVIDIA] [0, 0] Name: longest\n"
                       "[TAMBRO] [NVIDIA] [0, 0] DeviceID: " +
                       longest + "\n");
}

TEST_F(NvidiaAdapters, DescriptionFillsAtMostItsBuffer) {
  const std::string full(512, 'D');  // exactly the buffer, no NUL
  AddAdapter(kFirstId, "").deviceDesc = standin::BytesOf(full);
  AddAdapter(kFirstId, "").deviceDesc = standin::TextValue(full);  // 513 bytes: the call fails
  AddAdapter(kFirstId, "").deviceDesc.reset();
  EXPECT_EQ(Run(), std::string(kStart) + "[TAMBRO] [NVIDIA] [0, 0] Name: " + full +
                       "\n"
                       "[TAMBRO] [NVIDIA] [0, 0] DeviceID: " +
                       kFirstId +
                       "\n"
                       "[TAMBRO] [NVIDIA] [1, 0] Name: \n"
                       "[TAMBRO] [NVIDIA] [1, 0] DeviceID: " +
                       kFirstId +
                       "\n"
                       "[TAMBRO] [NVIDIA] [2, 0] Name: \n"
                       "[TAMBRO] [NVIDIA] [2, 0] DeviceID: " +
                       kFirstId + "\n");
}

TEST_F(NvidiaAdapters, PassesTheExactArgumentsToEveryCall) {
  AddAdapter(kOtherId, "Other");
  const auto& gpu = AddAdapter(kFirstId, "GPU");
  machine().registry.SetString(gpu.driverKey, "DriverDesc", "x");
  machine().registry.SetString(gpu.driverKey, "UUID", "u");
  machine().registry.SetString(std::string(kNvTweak) + "0", "GPU UUID", "t");
  Run();
  ASSERT_EQ(calls().instanceId.size(), 2u);
  for (const standin::InstanceIdCall& call : calls().instanceId) {
    EXPECT_EQ(call.bufferSize, 512u);
    EXPECT_FALSE(call.requiredSizeGiven);
    EXPECT_TRUE(call.bufferWasZero);
  }
  EXPECT_EQ(calls().instanceId[1].index, 1u);
  ASSERT_EQ(calls().registryProperty.size(), 1u);
  const standin::RegistryPropertyCall& desc = calls().registryProperty[0];
  EXPECT_EQ(desc.index, 1u);
  EXPECT_EQ(desc.property, 0u);
  EXPECT_FALSE(desc.typeGiven);
  EXPECT_EQ(desc.bufferSize, 512u);
  EXPECT_FALSE(desc.requiredSizeGiven);
  EXPECT_TRUE(desc.bufferWasZero);
  ASSERT_EQ(calls().openDevRegKey.size(), 2u);
  const DWORD keyTypes[] = {2, 1};  // driver key first, then device key
  for (std::size_t i = 0; i < 2; ++i) {
    const standin::OpenDevRegKeyCall& open = calls().openDevRegKey[i];
    EXPECT_EQ(open.index, 1u);
    EXPECT_EQ(open.scope, 1u);
    EXPECT_EQ(open.hwProfile, 0u);
    EXPECT_EQ(open.keyType, keyTypes[i]);
    EXPECT_EQ(open.access, 0x20019u);
  }
  ASSERT_EQ(calls().regOpenKey.size(), 1u);
  EXPECT_TRUE(calls().regOpenKey[0].fromLocalMachine);
  EXPECT_EQ(calls().regOpenKey[0].options, 0u);
  EXPECT_EQ(calls().regOpenKey[0].access, 0x20019u);
  ASSERT_EQ(calls().regQueryValue.size(), 1u);
  const standin::RegQueryValueCall& query = calls().regQueryValue[0];
  EXPECT_EQ(query.name, "GPU UUID");
  EXPECT_FALSE(query.reservedGiven);
  EXPECT_FALSE(query.typeGiven);
  EXPECT_EQ(query.dataSize, 256u);
  EXPECT_TRUE(query.dataWasZero);
  // Driver key: two values, then the end; device key: the end at once.
  ASSERT_EQ(calls().regEnumValue.size(), 4u);
  const DWORD indexes[] = {0, 1, 2, 0};
  for (std::size_t i = 0; i < 4; ++i) {
    const standin::RegEnumValueCall& call = calls().regEnumValue[i];
    EXPECT_EQ(call.index, indexes[i]);
    EXPECT_EQ(call.nameSize, 256u);
    EXPECT_EQ(call.dataSize, 1024u);
    EXPECT_FALSE(call.reservedGiven);
    EXPECT_TRUE(call.nameWasZero);
    EXPECT_TRUE(call.dataWasZero);
  }
  EXPECT_EQ(resources().keysOpened, 3);
  EXPECT_EQ(resources().setsClosed, 1);
}

}  // namespace
}  // namespace quorvex::testing
