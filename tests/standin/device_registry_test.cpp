// The stand-in answers as Windows documents for the arguments the collector
// passes, including the failures it must survive.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/win32.h"
#include "standin/model/machine.h"
#include "support/standin_test.h"

namespace quorvex::testing {
namespace {

constexpr GUID kDisplay = {
    0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr const char* kKey = "SOFTWARE\\Made Up\\Key";

class StandinRegistry : public StandinTest {
 protected:
  StandinRegistry() {
    machine().registry.SetString(kKey, "Name", "12345");  // 6 data bytes with the NUL
    EXPECT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key_), ERROR_SUCCESS);
  }
  void TearDown() override {
    EXPECT_EQ(::RegCloseKey(key_), ERROR_SUCCESS);
    StandinTest::TearDown();
  }
  HKEY key_ = nullptr;
};

TEST_F(StandinRegistry, EnumValueNeedsRoomForTheNameAndItsNul) {
  std::array<char, 8> name{};
  std::array<BYTE, 8> data{};
  DWORD nameSize = 4;  // "Name" without room for its NUL
  DWORD dataSize = 8;
  EXPECT_EQ(
      ::RegEnumValueA(key_, 0, name.data(), &nameSize, nullptr, nullptr, data.data(), &dataSize),
      ERROR_MORE_DATA);
  nameSize = 5;
  DWORD type = 0;
  EXPECT_EQ(
      ::RegEnumValueA(key_, 0, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize),
      ERROR_SUCCESS);
  EXPECT_EQ(nameSize, 4u);  // the count written back leaves the NUL out
  EXPECT_EQ(std::string(name.data()), "Name");
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(dataSize, 6u);
  nameSize = 5;
  EXPECT_EQ(::RegEnumValueA(key_, 1, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
}

TEST_F(StandinRegistry, DataThatDoesNotFitReportsItsSizeAndIsNotWritten) {
  std::array<char, 8> name{};
  std::array<BYTE, 8> data{};
  DWORD nameSize = 8;
  DWORD dataSize = 5;
  EXPECT_EQ(
      ::RegEnumValueA(key_, 0, name.data(), &nameSize, nullptr, nullptr, data.data(), &dataSize),
      ERROR_MORE_DATA);
  EXPECT_EQ(dataSize, 6u);
  EXPECT_EQ(data[0], 0);
  dataSize = 5;
  EXPECT_EQ(::RegQueryValueExA(key_, "NAME", nullptr, nullptr, data.data(), &dataSize),
            ERROR_MORE_DATA);
  EXPECT_EQ(dataSize, 6u);
  EXPECT_EQ(data[0], 0);
  dataSize = 6;
  EXPECT_EQ(::RegQueryValueExA(key_, "NAME", nullptr, nullptr, data.data(), &dataSize),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.data())), "12345");
  EXPECT_EQ(::RegQueryValueExA(key_, "Other", nullptr, nullptr, data.data(), &dataSize),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(StandinRegistry, OpensParentsOfWrittenKeysOnlyAndClearsTheResultOnFailure) {
  HKEY parent = nullptr;
  EXPECT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\MADE UP", 0, KEY_READ, &parent),
            ERROR_SUCCESS);
  EXPECT_EQ(::RegCloseKey(parent), ERROR_SUCCESS);
  HKEY missing = key_;
  EXPECT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Made", 0, KEY_READ, &missing),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(::RegCloseKey(parent), ERROR_INVALID_HANDLE);  // closed already
  EXPECT_EQ(resources().badReleases, 1);
  resources().badReleases = 0;  // counted as it should be; the fixture checks the rest
}

class StandinSetupApi : public StandinTest {
 protected:
  StandinSetupApi() {
    standin::DisplayAdapter adapter;
    adapter.instanceId = "PCI\\VEN_FFFF\\1";  // 14 characters
    adapter.deviceDesc = standin::TextValue("Made-up adapter");
    adapter.deviceKey = "SYSTEM\\Dev";
    machine().adapters.push_back(adapter);
    set_ = ::SetupDiGetClassDevsA(&kDisplay, nullptr, nullptr, DIGCF_PRESENT);
    device_.cbSize = sizeof(device_);
    EXPECT_TRUE(::SetupDiEnumDeviceInfo(set_, 0, &device_));
  }
  void TearDown() override {
    EXPECT_TRUE(::SetupDiDestroyDeviceInfoList(set_));
    StandinTest::TearDown();
  }
  HDEVINFO set_;
  SP_DEVINFO_DATA device_{};
};

TEST_F(StandinSetupApi, InstanceIdMustFitWithItsNul) {
  std::array<char, 16> id{};
  DWORD required = 0;
  EXPECT_FALSE(::SetupDiGetDeviceInstanceIdA(set_, &device_, id.data(), 14, &required));
  EXPECT_EQ(required, 15u);
  EXPECT_EQ(id[0], 0);
  EXPECT_TRUE(::SetupDiGetDeviceInstanceIdA(set_, &device_, id.data(), 15, nullptr));
  EXPECT_EQ(std::string(id.data()), "PCI\\VEN_FFFF\\1");
}

TEST_F(StandinSetupApi, DeviceDataMustComeFromThisSetWithItsSize) {
  SP_DEVINFO_DATA unsized{};
  EXPECT_FALSE(::SetupDiEnumDeviceInfo(set_, 0, &unsized));
  EXPECT_FALSE(::SetupDiEnumDeviceInfo(set_, 1, &device_));  // past the last device
  HDEVINFO other = ::SetupDiGetClassDevsA(&kDisplay, nullptr, nullptr, DIGCF_PRESENT);
  std::array<char, 16> id{};
  EXPECT_FALSE(::SetupDiGetDeviceInstanceIdA(other, &device_, id.data(), 16, nullptr));
  EXPECT_TRUE(::SetupDiDestroyDeviceInfoList(other));
}

TEST_F(StandinSetupApi, OpensOnlyKeysThatExist) {
  const HKEY failed = reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
  EXPECT_EQ(::SetupDiOpenDevRegKey(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ),
            failed);  // named but never written
  machine().registry.Key("SYSTEM\\Dev");
  const HKEY key = ::SetupDiOpenDevRegKey(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  EXPECT_NE(key, failed);
  EXPECT_EQ(::RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(::SetupDiOpenDevRegKey(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ),
            failed);  // no driver key
}

TEST_F(StandinSetupApi, DescriptionLargerThanTheBufferWritesNothing) {
  std::array<BYTE, 32> desc{};
  DWORD required = 0;
  EXPECT_FALSE(::SetupDiGetDeviceRegistryPropertyA(set_, &device_, SPDRP_DEVICEDESC, nullptr,
                                                   desc.data(), 15, &required));
  EXPECT_EQ(required, 16u);
  EXPECT_EQ(desc[0], 0);
  EXPECT_TRUE(::SetupDiGetDeviceRegistryPropertyA(set_, &device_, SPDRP_DEVICEDESC, nullptr,
                                                  desc.data(), 16, nullptr));
}

}  // namespace
}  // namespace quorvex::testing
