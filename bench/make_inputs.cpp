// Writes the synthetic machines that the scaling benchmark replays, so that
// the inputs grow in one dimension at a time and nothing else changes:
//
//   make_inputs smbios KIB FOLDER       FOLDER/smbios.bin: identity structures,
//                                       then processors and memory devices until
//                                       the structure data reaches KIB KiB
//                                       (0: the identity structures alone)
//   make_inputs registry N FOLDER       FOLDER/registry.reg: one NVIDIA adapter
//                                       whose driver key holds N values, with
//                                       one UUID in its device key and one
//                                       under NVTweak
//   make_inputs wine-registry N FILE    the same adapter for `wine reg import`,
//                                       on a driver key Wine's own adapter does not use
//   make_inputs fleet N FOLDER          N capture folders, FOLDER/machine-NNNNN,
//                                       of made-up desktops, eight machine keys each
//   make_inputs fleet-large N FOLDER    the same, each with 256 KiB more of BIOS
//                                       text: more bytes, not one key more
//   make_inputs keys N FOLDER           FOLDER/smbios.bin with N machine keys:
//                                       the identity structures' five, then
//                                       memory devices (N of at least 5)
//
// Every name and text is made up. The files are written by the capture tool's
// own writers: the firmware table as its capture writer files it, the
// registry as its regedit writer exports it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "capture/capture_writer.h"
#include "capture/reg_export.h"
#include "capture_format.h"
#include "platform/system_names.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- SMBIOS ---------------------------------------------------------------

class Table {
 public:
  // One structure: `formatted` holds the formatted area after the 4-byte
  // header; `strings` is the string-set, in string-number order.
  void Add(std::uint8_t type, const Bytes& formatted, const std::vector<std::string>& strings) {
    data_.push_back(type);
    data_.push_back(static_cast<std::uint8_t>(formatted.size() + 4));
    data_.push_back(static_cast<std::uint8_t>(handle_ & 0xFF));
    data_.push_back(static_cast<std::uint8_t>(handle_ >> 8));
    ++handle_;
    data_.insert(data_.end(), formatted.begin(), formatted.end());
    for (const std::string& text : strings) {
      data_.insert(data_.end(), text.begin(), text.end());
      data_.push_back(0);
    }
    if (strings.empty()) data_.push_back(0);
    data_.push_back(0);
  }
  std::size_t size() const { return data_.size(); }

  Bytes WithHeader() const {
    const auto length = static_cast<std::uint32_t>(data_.size());
    // Sized first and copied into: GCC 12 at -O3 takes an insert at the end
    // of the 8-byte header for a write past it.
    Bytes out(8 + data_.size());
    out[1] = 3;
    for (std::size_t i = 0; i < 4; ++i) out[4 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    std::copy(data_.begin(), data_.end(), out.begin() + 8);
    return out;
  }

 private:
  Bytes data_;
  std::uint16_t handle_ = 0;
};

// A formatted area of `size` bytes after the header, with the listed
// offsets (counted from the structure's first byte, as the standard counts
// them) set to the given bytes and everything else zero.
Bytes Formatted(std::size_t size, std::initializer_list<std::pair<std::size_t, std::uint8_t>> set) {
  Bytes area(size - 4, 0);
  for (const auto& [offset, value] : set) area.at(offset - 4) = value;
  return area;
}

std::string Numbered(const char* pattern, unsigned number) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, number);
  return text;
}

void AddIdentity(Table& table) {
  table.Add(0, Formatted(24, {{4, 1}, {5, 2}, {8, 3}, {9, 0x3F}, {20, 0xFF}, {21, 0xFF}}),
            {"Larkspur Firmware Works", "LFW 4.12.7", "06/21/2023"});
  Bytes system = Formatted(27, {{4, 1}, {5, 2}, {6, 3}, {7, 4}, {24, 6}, {25, 5}, {26, 6}});
  for (std::size_t i = 0; i < 16; ++i) system[8 - 4 + i] = static_cast<std::uint8_t>(0x11 * i + 3);
  table.Add(1, system,
            {"Okapi Systems", "Okapi Tower 9", "Rev C", "OKS-0048-7711", "OK9-SKU-2", "Okapi 9"});
  table.Add(2, Formatted(15, {{4, 1}, {5, 2}, {6, 3}, {7, 4}, {8, 5}, {9, 1}, {10, 6}, {13, 10}}),
            {"Okapi Systems", "OB-Z790", "1.03", "OBZ-55102938", "Board Asset", "Slot A"});
  table.Add(
      3,
      Formatted(
          22, {{4, 1}, {5, 3}, {6, 2}, {7, 3}, {8, 4}, {9, 3}, {10, 3}, {11, 3}, {12, 3}, {21, 5}}),
      {"Okapi Systems", "Rev 2", "OKC-88121", "Chassis Asset 7", "OKC-SKU"});
  // The physical memory array, a type the report passes over.
  table.Add(16, Formatted(23, {{4, 3}, {5, 3}, {6, 3}, {13, 0x40}}), {});
}

void AddProcessor(Table& table, unsigned n) {
  table.Add(4,
            Formatted(48, {{4, 1},
                           {5, 3},
                           {6, 0xC6},
                           {7, 2},
                           {16, 3},
                           {17, 0x8A},
                           {20, 0x40},
                           {21, 0x1F},
                           {22, 0x80},
                           {23, 0x0C},
                           {24, 0x41},
                           {25, 0x3F},
                           {32, 4},
                           {33, 5},
                           {34, 6},
                           {35, 8},
                           {36, 8},
                           {37, 16},
                           {38, 0xFC}}),
            {Numbered("CPU%u", n), "Tessellate Silicon", "Tessellate T9-7800 @ 3.40GHz",
             Numbered("TS-%08X", 0x5A000000u + n), Numbered("CPU Asset %u", n),
             Numbered("T9-7800-%04u", n)});
}

void AddMemoryDevice(Table& table, unsigned n) {
  table.Add(17,
            Formatted(40, {{8, 64},
                           {10, 64},
                           {12, 0x00},
                           {13, 0x40},
                           {14, 9},
                           {16, 1},
                           {17, 2},
                           {18, 0x1A},
                           {21, 0x80},
                           {22, 0x0C},
                           {23, 3},
                           {24, 4},
                           {25, 5},
                           {26, 6},
                           {27, 2},
                           {32, 0x80},
                           {33, 0x0C}}),
            {Numbered("DIMM_%u", n), Numbered("BANK %u", n / 2), "Quillon Memory",
             Numbered("QM%08X", 0x7C100000u + n), Numbered("Mem Asset %u", n), "QM5-32G-4800"});
}

// The identity lines the report prints for the identity structures: BIOS 3,
// system 5, baseboard 4, chassis 4.
constexpr unsigned kIdentityLines = 16;

// `lines`: how many identity lines the report prints for the table.
Bytes MakeSmbios(std::size_t kib, unsigned& lines) {
  Table table;
  AddIdentity(table);
  lines = kIdentityLines;
  const std::size_t endBytes = 6;  // the type 127 structure with its two NULs
  for (unsigned n = 0; table.size() + endBytes < kib * 1024; ++n) {
    if (n % 2 == 0) {
      AddProcessor(table, n / 2);
      lines += 6;
    } else {
      AddMemoryDevice(table, n / 2);
      lines += 4;
    }
  }
  table.Add(127, {}, {});
  return table.WithHeader();
}

// The identity structures carry the system's UUID and serial number, the
// baseboard's serial number and the chassis' serial and asset tag numbers.
constexpr unsigned kIdentityKeys = 5;

Bytes MakeKeys(unsigned keys) {
  Table table;
  AddIdentity(table);
  for (unsigned n = kIdentityKeys; n < keys; ++n) AddMemoryDevice(table, n);
  table.Add(127, {}, {});
  return table.WithHeader();
}

// ---- fleet ----------------------------------------------------------------

// Keys per machine: the drive's serial number, the system's UUID and serial
// number, the baseboard's serial number, the chassis' serial number and asset
// tag number, two memory devices' serial numbers.
constexpr unsigned kFleetKeys = 8;
constexpr std::size_t kLargeBiosText = 256 * 1024;

// Machine m of a fleet. Like a real one, it shares some values with the
// others: every 50th was cloned with machine 0's UUID, every 20th has no
// system serial number, all have the same filler on the baseboard.
std::vector<quorvex::capture::CaptureFile> FleetMachine(unsigned m, bool large) {
  Table table;
  table.Add(0, Formatted(24, {{4, 1}, {5, 2}, {8, 3}}),
            {large ? std::string(kLargeBiosText, 'L') : "Larkspur Firmware Works", "LFW 4.12.7",
             "06/21/2023"});
  Bytes system = Formatted(27, {{4, 1}, {5, 2}, {7, 3}});
  const unsigned cloned = m % 50 == 0 ? 0 : m;
  for (std::size_t i = 0; i < 16; ++i) {
    system[8 - 4 + i] = static_cast<std::uint8_t>((cloned * 2654435761u) >> (i % 4 * 8)) ^
                        static_cast<std::uint8_t>(i * 17);
  }
  table.Add(1, system,
            {"Okapi Systems", "Okapi Tower 9",
             m % 20 == 0 ? "To Be Filled By O.E.M." : Numbered("OKS-%06u", m)});
  table.Add(2, Formatted(15, {{4, 1}, {7, 2}}), {"Okapi Systems", "Default string"});
  table.Add(3, Formatted(10, {{4, 1}, {7, 2}, {8, 3}}),
            {"Okapi Systems", Numbered("OKC-%06u", m), Numbered("INV-%05u", m)});
  AddMemoryDevice(table, 2 * m);
  AddMemoryDevice(table, 2 * m + 1);
  table.Add(127, {}, {});
  quorvex::SmbiosFetchResult fetched{quorvex::SmbiosFetchResult::Outcome::kFetched,
                                     table.WithHeader()};
  std::vector<quorvex::capture::CaptureFile> files = quorvex::capture::FirmwareFiles(fetched);

  // A descriptor with the serial number, model and firmware at their offsets.
  quorvex::StorageQueryResult drive;
  drive.outcome = quorvex::StorageQueryResult::Outcome::kAnswered;
  const std::string texts[] = {"Okapi NVMe 2TB", "3B2QGXA7", Numbered("OKD-%06u-0042", m)};
  std::uint32_t at = 64;
  for (std::size_t field = 0; field < 3; ++field) {
    for (std::size_t b = 0; b < 4; ++b) {
      drive.response[16 + 4 * field + b] = static_cast<std::uint8_t>(at >> (8 * b));
    }
    std::copy(texts[field].begin(), texts[field].end(), drive.response.begin() + at);
    at += static_cast<std::uint32_t>(texts[field].size() + 1);
  }
  drive.returned = at;
  for (auto& file : quorvex::capture::DriveFiles(0, drive)) files.push_back(std::move(file));
  return files;
}

// ---- registry -------------------------------------------------------------

using quorvex::capture::RegExportKey;
using quorvex::capture::RegExportValue;
using quorvex::capture::Utf16FromUtf8;
using quorvex::capture::Utf16TextData;

RegExportValue Text(const std::string& name, const std::string& text, std::uint32_t type = REG_SZ) {
  return {Utf16FromUtf8(name), type, Utf16TextData(Utf16FromUtf8(text))};
}

// Value i of the driver key. Two in five have a name that marks them as a
// UUID value (text and 16-byte binary), one more carries the lower-case
// marker on an expandable string; the rest are the settings a driver key
// holds beside them.
RegExportValue DriverValue(unsigned i) {
  const std::string index = Numbered("%04u", i);
  switch (i % 5) {
    case 0:
      return Text("GpuUuid" + index, Numbered("GPU-6e3f%04x-91b2-4c7d-a5e0-3b8d2f1c", i) + index);
    case 1: {
      Bytes uuid(16);
      for (std::size_t b = 0; b < 16; ++b) uuid[b] = static_cast<std::uint8_t>(i * 7 + b * 13);
      return {Utf16FromUtf8("DeviceUUID" + index), REG_BINARY, uuid};
    }
    case 2: {
      const std::uint32_t setting = i * 2654435761u;
      Bytes data(4);
      for (std::size_t b = 0; b < 4; ++b) data[b] = static_cast<std::uint8_t>(setting >> (8 * b));
      return {Utf16FromUtf8("PowerSetting" + index), REG_DWORD, data};
    }
    case 3:
      return Text("DriverDesc" + index, "Tessellate display driver component " + index);
    default:
      return Text("uuidCachePath" + index, "%SystemRoot%\\System32\\DriverStore\\cache" + index,
                  REG_EXPAND_SZ);
  }
}

// `lines`: how many UUID lines the report prints for the adapter.
Bytes MakeRegistry(unsigned values, const char* driverIndex, unsigned& lines) {
  const std::string instance =
      std::string(quorvex::kEnumKeyRoot) + "PCI\\VEN_10DE&DEV_0001&SUBSYS_00000000&REV_A1\\0000";
  const std::string display = quorvex::GuidText(quorvex::kDisplayClassGuid);
  const std::string driver = display + "\\" + driverIndex;
  std::vector<RegExportKey> keys;
  keys.push_back(
      {Utf16FromUtf8(instance),
       {Text("ClassGUID", display), Text("DeviceDesc", "Tessellate Vantage 4090 (benchmark)"),
        Text("Driver", driver)}});
  // The other two places an adapter's UUID is read from, one value each, so
  // that a run goes through every source whatever the driver key holds.
  keys.push_back({Utf16FromUtf8(instance + "\\" + std::string(quorvex::kDeviceParametersKey)),
                  {{u"DeviceUUID", REG_BINARY,
                    Bytes{0x5b, 0x2e, 0x90, 0x17, 0xc4, 0x3a, 0x41, 0x8d, 0x9e, 0x06, 0x72, 0xb1,
                          0x3f, 0xd8, 0x24, 0x6a}}}});
  keys.push_back({Utf16FromUtf8(std::string(quorvex::kNvTweakDevicesPath) + "0"),
                  {Text(std::string(quorvex::kNvTweakValueName),
                        "GPU-a41c7e02-5d93-4b8f-b2e6-90c13f7d8a55")}});
  RegExportKey driverKey{Utf16FromUtf8(std::string(quorvex::kClassKeyRoot) + driver), {}};
  lines = 2;
  for (unsigned i = 0; i < values; ++i) {
    driverKey.values.push_back(DriverValue(i));
    if (i % 5 == 0 || i % 5 == 1 || i % 5 == 4) ++lines;
  }
  keys.push_back(std::move(driverKey));
  return quorvex::capture::WriteRegFile(keys);
}

bool Write(const std::string& file, const Bytes& bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

int Usage() {
  std::cerr << "usage: make_inputs smbios KIB FOLDER | registry N FOLDER | wine-registry N FILE\n"
               "       make_inputs fleet N FOLDER | fleet-large N FOLDER | keys N FOLDER\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Usage();
  const std::string what = argv[1];
  char* end = nullptr;
  const unsigned long count = std::strtoul(argv[2], &end, 10);
  if (end == argv[2] || *end != '\0' || count > 1000000) return Usage();
  const std::string target = argv[3];
  const auto units = static_cast<unsigned>(count);
  bool written = false;
  std::size_t bytes = 0;
  unsigned lines = 0;
  if (what == "smbios" || what == "keys") {
    if (what == "keys" && units < kIdentityKeys) return Usage();
    lines = units;
    quorvex::SmbiosFetchResult fetched{quorvex::SmbiosFetchResult::Outcome::kFetched,
                                       what == "keys" ? MakeKeys(units) : MakeSmbios(count, lines)};
    bytes = fetched.table.size() - quorvex::kSmbiosHeaderBytes;
    std::ostringstream listing;
    written = !quorvex::capture::WriteCaptureFiles(target, quorvex::capture::FirmwareFiles(fetched),
                                                   listing);
  } else if (what == "registry" || what == "wine-registry") {
    const bool forWine = what == "wine-registry";
    const Bytes file = MakeRegistry(units, forWine ? "0107" : "0000", lines);
    bytes = file.size();
    written = Write(forWine ? target : target + "/" + quorvex::capture_format::kRegistryFile, file);
  } else if (what == "fleet" || what == "fleet-large") {
    written = true;
    for (unsigned m = 0; m < units && written; ++m) {
      const auto files = FleetMachine(m, what == "fleet-large");
      for (const auto& file : files) bytes += file.bytes.size();
      const std::string folder = target + Numbered("/machine-%05u", m);
      std::ostringstream listing;
      written = !quorvex::capture::PrepareCaptureFolder(folder) &&
                !quorvex::capture::WriteCaptureFiles(folder, files, listing);
    }
    lines = units * kFleetKeys;
  } else {
    return Usage();
  }
  if (!written) {
    std::cerr << "make_inputs: cannot write " << target << "\n";
    return 1;
  }
  // For the caller's checks: the size of the table's structure data (or of
  // the registry file, or of all the fleet's files) and the identity or UUID
  // lines the report should print (the fleet's machine keys).
  std::cout << bytes << " " << lines << "\n";
  return 0;
}
