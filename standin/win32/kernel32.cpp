// Console, device and firmware-table calls answered from the stand-in machine.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "platform/standin/machine.h"
#include "platform/standin/win32_api.h"
#include "platform/system_names.h"

using quorvex::kPhysicalDrivePath;
using quorvex::kRawSmbiosProvider;
using quorvex::standin::Bytes;
using quorvex::standin::Drive;
using quorvex::standin::Machine;
using quorvex::standin::TheMachine;

namespace {

// Even, so never one of the drive handles.
constexpr std::uintptr_t kStandardOutput = 0x7000;

bool AllZero(const void* buffer, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  return buffer == nullptr ||
         std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0; });
}

// Handles for open drives are small odd numbers, never NULL or INVALID_HANDLE_VALUE.
HANDLE NewFileHandle(Machine& machine, int drive) {
  static std::uintptr_t next = 0x1001;
  HANDLE handle = reinterpret_cast<HANDLE>(next);
  next += 2;
  machine.open.files[handle] = drive;
  return handle;
}

// The drive number of a \\.\PhysicalDriveN path: decimal digits with an
// optional minus and no leading zeros, as Windows names the devices.
std::optional<int> DriveNumberOf(std::string_view path) {
  if (path.size() <= kPhysicalDrivePath.size() ||
      path.substr(0, kPhysicalDrivePath.size()) != kPhysicalDrivePath) {
    return std::nullopt;
  }
  const std::string digits(path.substr(kPhysicalDrivePath.size()));
  std::size_t used = 0;
  try {
    const int number = std::stoi(digits, &used);
    if (used != digits.size() || std::to_string(number) != digits) return std::nullopt;
    return number;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

const Drive* DriveOf(HANDLE handle) {
  const auto open = TheMachine().open.files.find(handle);
  if (open == TheMachine().open.files.end()) return nullptr;
  const auto drive = TheMachine().drives.find(open->second);
  return drive == TheMachine().drives.end() ? nullptr : &drive->second;
}

}  // namespace

BOOL SetConsoleOutputCP(UINT wCodePageID) {
  TheMachine().calls.setConsoleOutputCP.push_back(wCodePageID);
  return TRUE;
}

// Only standard output is a handle of the machine's; the other two standard
// handles stand for nothing here.
HANDLE GetStdHandle(DWORD nStdHandle) {
  return nStdHandle == STD_OUTPUT_HANDLE ? reinterpret_cast<HANDLE>(kStandardOutput)
                                         : INVALID_HANDLE_VALUE;
}

// Windows fails the call on a handle that is not a console, such as a file,
// a pipe or NUL, and answers a console with its mode.
BOOL GetConsoleMode(HANDLE hConsoleHandle, LPDWORD lpMode) {
  Machine& machine = TheMachine();
  const bool standardOutput = hConsoleHandle == reinterpret_cast<HANDLE>(kStandardOutput);
  machine.calls.getConsoleMode.push_back({standardOutput, lpMode != nullptr});
  if (!standardOutput || !machine.console || lpMode == nullptr) return FALSE;
  *lpMode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
  return TRUE;
}

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
  Machine& machine = TheMachine();
  const std::string path = lpFileName ? lpFileName : "";
  machine.calls.createFile.push_back({path, dwDesiredAccess, dwShareMode,
                                      lpSecurityAttributes != nullptr, dwCreationDisposition,
                                      dwFlagsAndAttributes, hTemplateFile != nullptr});
  const std::optional<int> number = DriveNumberOf(path);
  if (!number || machine.drives.count(*number) == 0 || dwCreationDisposition != OPEN_EXISTING) {
    return INVALID_HANDLE_VALUE;
  }
  ++machine.resources.filesOpened;
  return NewFileHandle(machine, *number);
}

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                     LPOVERLAPPED lpOverlapped) {
  Machine& machine = TheMachine();
  const auto* in = static_cast<const std::uint8_t*>(lpInBuffer);
  machine.calls.deviceIoControl.push_back(
      {dwIoControlCode, in ? Bytes(in, in + nInBufferSize) : Bytes{}, nInBufferSize, nOutBufferSize,
       lpBytesReturned != nullptr, lpOverlapped != nullptr, AllZero(lpOutBuffer, nOutBufferSize),
       lpBytesReturned && *lpBytesReturned == 0});
  const Drive* drive = DriveOf(hDevice);
  // Without an overlapped structure the count must be given (the call would
  // otherwise fault on Windows); the driver answers only the standard
  // device-property query.
  const bool standardQuery = dwIoControlCode == IOCTL_STORAGE_QUERY_PROPERTY &&
                             nInBufferSize >= sizeof(STORAGE_PROPERTY_QUERY) && AllZero(in, 8);
  if (drive == nullptr || drive->requestFails || !standardQuery || lpBytesReturned == nullptr) {
    return FALSE;
  }
  const std::size_t copied = std::min<std::size_t>(drive->response.size(), nOutBufferSize);
  if (copied > 0) std::memcpy(lpOutBuffer, drive->response.data(), copied);
  *lpBytesReturned = drive->returned;
  return TRUE;
}

BOOL CloseHandle(HANDLE hObject) {
  Machine& machine = TheMachine();
  return quorvex::standin::Release(machine, machine.open.files, hObject,
                                   machine.resources.filesClosed)
             ? TRUE
             : FALSE;
}

// Windows answers a buffer that is too small with the size it needs and
// leaves the buffer alone; the stand-in does the same.
UINT GetSystemFirmwareTable(DWORD FirmwareTableProviderSignature, DWORD FirmwareTableID,
                            PVOID pFirmwareTableBuffer, DWORD BufferSize) {
  Machine& machine = TheMachine();
  machine.calls.firmware.push_back({FirmwareTableProviderSignature, FirmwareTableID,
                                    pFirmwareTableBuffer != nullptr, BufferSize,
                                    AllZero(pFirmwareTableBuffer, BufferSize)});
  const quorvex::standin::FirmwareTable& table = machine.firmware;
  if (FirmwareTableProviderSignature != kRawSmbiosProvider || FirmwareTableID != 0 ||
      !table.present) {
    return 0;
  }
  if (pFirmwareTableBuffer == nullptr || BufferSize == 0) {
    return static_cast<UINT>(table.bytes.size());
  }
  if (table.fetchFails) return 0;
  const Bytes& now = table.atFetch ? *table.atFetch : table.bytes;
  if (now.size() > BufferSize) return static_cast<UINT>(now.size());
  if (!now.empty()) std::memcpy(pFirmwareTableBuffer, now.data(), now.size());
  return static_cast<UINT>(now.size());
}
