// The fastest program that could print the report: it makes every platform
// call quorvex.exe makes, in the same order and with the same buffers, but
// keeps nothing of the answers and writes a fixed text in one go. The tool's
// time against this one is what its own work (reading the answers,
// formatting, one flushed write per line) costs on top of the calls no
// report can do without.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/system_names.h"
#include "platform/win32.h"

namespace {

using quorvex::kCurrentHardwareProfile;

// The tool's buffer sizes.
constexpr DWORD kNameChars = 256;
constexpr DWORD kDataBytes = 1024;
constexpr DWORD kNvTweakBytes = 256;
constexpr DWORD kIdChars = 512;
constexpr DWORD kDescriptionBytes = 512;
constexpr DWORD kDescriptorBytes = 4096;

void ScanKey(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD keyType) {
  HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, kCurrentHardwareProfile,
                                    keyType, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return;
  for (DWORD index = 0;; ++index) {
    std::array<char, kNameChars> name{};
    std::array<BYTE, kDataBytes> data{};
    DWORD nameSize = kNameChars;
    DWORD dataSize = kDataBytes;
    DWORD type = REG_NONE;
    const LONG result =
        ::RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) break;
  }
  ::RegCloseKey(key);
}

void ReadNvTweak(int gpu) {
  const std::string path = std::string(quorvex::kNvTweakDevicesPath) + std::to_string(gpu);
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  std::array<BYTE, kNvTweakBytes> data{};
  DWORD dataSize = kNvTweakBytes;
  ::RegQueryValueExA(key, quorvex::kNvTweakValueName.data(), nullptr, nullptr, data.data(),
                     &dataSize);
  ::RegCloseKey(key);
}

void Adapters() {
  HDEVINFO set =
      ::SetupDiGetClassDevsA(&quorvex::kDisplayClassGuid, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  int gpu = 0;
  for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    std::array<char, kIdChars> id{};
    if (!::SetupDiGetDeviceInstanceIdA(set, &device, id.data(), kIdChars, nullptr)) continue;
    if (!quorvex::IsNvidiaInstanceId(id.data())) continue;
    ScanKey(set, device, DIREG_DRV);
    ReadNvTweak(gpu);
    ScanKey(set, device, DIREG_DEV);
    std::array<BYTE, kDescriptionBytes> description{};
    ::SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_DEVICEDESC, nullptr, description.data(),
                                        kDescriptionBytes, nullptr);
    ++gpu;
  }
  ::SetupDiDestroyDeviceInfoList(set);
}

void Drives() {
  for (int drive = 0; drive < 8; ++drive) {
    const std::string path = std::string(quorvex::kPhysicalDrivePath) + std::to_string(drive);
    HANDLE device = ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) continue;
    STORAGE_PROPERTY_QUERY query{};
    std::array<BYTE, kDescriptorBytes> descriptor{};
    DWORD returned = 0;
    ::DeviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query),
                      descriptor.data(), kDescriptorBytes, &returned, nullptr);
    ::CloseHandle(device);
  }
}

void Smbios() {
  const UINT size = ::GetSystemFirmwareTable(quorvex::kRawSmbiosProvider, 0, nullptr, 0);
  if (size == 0) return;
  std::string table(size, '\0');
  ::GetSystemFirmwareTable(quorvex::kRawSmbiosProvider, 0, table.data(), size);
}

// The report's own lines around the values: what any run prints at least.
constexpr std::string_view kFixedText =
    "\n                    Quorvex v1.0\n"
    "              [ Direct Driver Access Mode ]\n\n"
    "[TAMBRO] [NVIDIA] Initialise successfully!\n"
    "[TAMBRO] [NVIDIA] Reading UUIDs from driver registry...\n"
    "[TAMBRO] [NVIDIA] Cleanup successfully!\n\n"
    "[TAMBRO] [DiskStorage] Initialise successfully!\n"
    "[TAMBRO] [DiskStorage] Reading serials...\n"
    "[TAMBRO] [DiskStorage] Cleanup successfully!\n\n"
    "[TAMBRO] [SMBIOS] Initialise successfully!\n"
    "[TAMBRO] [SMBIOS] Cleanup successfully!\n\n"
    "[TAMBRO] HWID collection completed!\n\n"
    "[TAMBRO] Press Enter to exit...";

}  // namespace

int main() {
  // Buffered as the tool's output is, so that a character device gets one write.
  std::setvbuf(stdout, nullptr, _IOFBF, 8192);
  const UINT found = ::GetConsoleOutputCP();
  ::SetConsoleOutputCP(CP_UTF8);
  DWORD mode = 0;
  ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode);
  Adapters();
  Drives();
  Smbios();
  std::fwrite(kFixedText.data(), 1, kFixedText.size(), stdout);
  std::fflush(stdout);
  std::getchar();
  if (found != 0 && found != CP_UTF8) ::SetConsoleOutputCP(found);
  return 0;
}
