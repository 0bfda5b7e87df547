// Console, device and firmware-table calls answered from the stand-in machine.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "platform/system_names.h"
#include "platform/win32.h"
#include "standin/model/machine.h"
#include "standin/win32/handles.h"
#include "standin/win32/observer.h"

using quorvex::kPhysicalDrivePath;
using quorvex::kRawSmbiosProvider;
using quorvex::standin::Bytes;
using quorvex::standin::Drive;
using quorvex::standin::Machine;
using quorvex::standin::TheMachine;
namespace observe = quorvex::standin::observe;

namespace {

// Even, so never one of the drive handles.
constexpr std::uintptr_t kStandardOutput = 0x7000;

// Handles for open drives are small odd numbers, never NULL or INVALID_HANDLE_VALUE.
HANDLE NewFileHandle(Machine& machine, int drive) {
  thread_local std::uintptr_t next = 0x1001;
  HANDLE handle = reinterpret_cast<HANDLE>(next);
  next += 2;
  machine.open.files[handle] = drive;
  observe::Opened(observe::Object::kFile);
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
  observe::SetConsoleOutputCP(wCodePageID);
  TheMachine().consoleOutputCodePage = wCodePageID;
  return TRUE;
}

UINT GetConsoleOutputCP() { return TheMachine().consoleOutputCodePage; }

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
  observe::GetConsoleMode(standardOutput, lpMode);
  if (!standardOutput || !machine.console || lpMode == nullptr) return FALSE;
  *lpMode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
  return TRUE;
}

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
  Machine& machine = TheMachine();
  const std::string path = lpFileName ? lpFileName : "";
  observe::CreateFileA(lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes,
                       dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile);
  const std::optional<int> number = DriveNumberOf(path);
  if (!number || machine.drives.count(*number) == 0 || dwCreationDisposition != OPEN_EXISTING) {
    return INVALID_HANDLE_VALUE;
  }
  return NewFileHandle(machine, *number);
}

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                     LPOVERLAPPED lpOverlapped) {
  observe::DeviceIoControl(dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer, nOutBufferSize,
                           lpBytesReturned, lpOverlapped);
  const Drive* drive = DriveOf(hDevice);
  // Without an overlapped structure the count must be given (the call would
  // otherwise fault on Windows); the driver answers only the standard
  // device-property query.
  const auto* query = static_cast<const STORAGE_PROPERTY_QUERY*>(lpInBuffer);
  const bool standardQuery = dwIoControlCode == IOCTL_STORAGE_QUERY_PROPERTY && query != nullptr &&
                             nInBufferSize >= sizeof(STORAGE_PROPERTY_QUERY) &&
                             query->PropertyId == StorageDeviceProperty &&
                             query->QueryType == PropertyStandardQuery;
  if (drive == nullptr || drive->requestFails || !standardQuery || lpBytesReturned == nullptr) {
    return FALSE;
  }
  const std::size_t copied = std::min<std::size_t>(drive->response.size(), nOutBufferSize);
  if (copied > 0) std::memcpy(lpOutBuffer, drive->response.data(), copied);
  *lpBytesReturned = drive->returned;
  return TRUE;
}

BOOL CloseHandle(HANDLE hObject) {
  return quorvex::standin::Release(TheMachine().open.files, hObject, observe::Object::kFile)
             ? TRUE
             : FALSE;
}

// Windows answers a buffer that is too small with the size it needs and
// leaves the buffer alone; the stand-in does the same.
UINT GetSystemFirmwareTable(DWORD FirmwareTableProviderSignature, DWORD FirmwareTableID,
                            PVOID pFirmwareTableBuffer, DWORD BufferSize) {
  observe::GetSystemFirmwareTable(FirmwareTableProviderSignature, FirmwareTableID,
                                  pFirmwareTableBuffer, BufferSize);
  const quorvex::standin::FirmwareTable& table = TheMachine().firmware;
  if (FirmwareTableProviderSignature != kRawSmbiosProvider || FirmwareTableID != 0 ||
      !table.present) {
    return 0;
  }
  if (pFirmwareTableBuffer == nullptr || BufferSize == 0) {
    return static_cast<UINT>(table.bytes.size());
  }
  if (table.fetchFails) return 0;
  const Bytes* changed = observe::FirmwareAtFetch();
  const Bytes& now = changed ? *changed : table.bytes;
  if (now.size() > BufferSize) return static_cast<UINT>(now.size());
  if (!now.empty()) std::memcpy(pFirmwareTableBuffer, now.data(), now.size());
  return static_cast<UINT>(now.size());
}
