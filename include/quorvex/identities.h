// One record of a machine's identities: every value the report prints, as
// the collectors read it, in the report's order. quorvex.exe prints it as
// text line by line; the tools and programs that bind to hardware take it
// whole. A value is the system's bytes, UTF-8 or not, exactly as delivered:
// nothing is converted, trimmed or replaced.
//
// Part of the Quorvex library (find_package(quorvex CONFIG)): quorvex::quorvex.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quorvex/failure.h"

namespace quorvex {

struct Identities {
  // An NVIDIA display adapter, in the order the device installer lists them.
  struct Adapter {
    std::int32_t index = 0;  // the GPU counter: its place among the NVIDIA adapters
    std::vector<std::string>
        uuids;             // its driver key's, NVTweak key's and device key's, in that order
    std::string name;      // the device description
    std::string deviceId;  // the device instance ID
  };
  struct Nvidia {
    bool adaptersListed = false;  // false: the display adapters could not be listed
    std::vector<Adapter> adapters;
  };
  // A physical drive 0 to 7 that answered; std::nullopt for a text it did
  // not give (the report's "N/A").
  struct Drive {
    std::int32_t number = 0;
    std::optional<std::string> serialNumber;
    std::optional<std::string> model;
    std::optional<std::string> firmware;
  };
  // One field of an SMBIOS structure; std::nullopt where the table holds no
  // text (the report's "is null").
  struct Field {
    std::string name;  // the report's label in camelCase: "vendor", "uuid", "assetTagNumber"
    std::optional<std::string> value;
  };
  // A structure the report decodes, in table order.
  struct Structure {
    std::string kind;  // "bios", "system", "baseboard", "chassis", "processor" or "memoryDevice"
    // Of its kind (StructureShapeOf), in the report's order; a shorter structure has fewer.
    std::vector<Field> fields;
  };
  struct Smbios {
    bool fetchFailed = true;  // the firmware table could not be read: nothing below is
    std::uint32_t tableSize = 0;
    std::vector<Structure> structures;
    bool endOfTable = false;  // the walk met the end-of-table structure
  };

  Nvidia nvidia;
  std::vector<Drive> drives;
  Smbios smbios;
};

// A field that a structure of some kind has: `always`, or only from a
// formatted length on, since older firmware writes the shorter structures
// of the standard's earlier versions.
struct StructureField {
  std::string_view name;
  bool always;
};

inline constexpr std::size_t kMostStructureFields = 6;

// What a structure of one kind holds: its fields, in the report's order.
struct StructureShape {
  std::string_view kind;
  std::size_t fieldCount;
  StructureField fields[kMostStructureFields];
};

// Every kind the report decodes, in the order of their SMBIOS types (0, 1,
// 2, 3, 4, 17), as the decoders name them.
extern const std::array<StructureShape, 6> kStructureShapes;

// The shape of `kind`, or nullptr for a kind the report does not decode.
const StructureShape* StructureShapeOf(std::string_view kind);

#if defined(_WIN32)
// This machine's identities, asked as quorvex.exe asks: the display adapters
// and their registry keys, one storage query per drive 0 to 7 and the raw
// SMBIOS table, all for reading only and with the caller's rights. Takes
// tens of milliseconds, starts no process and prints nothing. Two threads
// may each call it at once.
//
// The device and registry texts come from the A functions, so they are in
// the calling process's ANSI code page: UTF-8 when its manifest sets the
// UTF-8 activeCodePage (Windows 10 1903 and later), as quorvex.exe,
// quorvex-capture.exe and examples/consumer do; else the system's code page,
// where a letter outside it arrives as '?'. Drive and SMBIOS texts are the
// bytes the drive and the firmware hold, whatever the code page.
Identities ReadThisMachine();
#else
// The identities of the machine captured in `folder` (what
// quorvex-capture.exe FOLDER wrote), as the report replays them, texts as
// the capture holds them (the registry's as UTF-8). On a folder that cannot
// be read, or a file in it that is not what its name says, says which and
// why and leaves `identities` as it was. Two threads may each call it at
// once: each replays from a stand-in machine of its own.
std::optional<Failure> ReadCaptureFolder(const std::filesystem::path& folder,
                                         Identities& identities);
#endif

// The identities document of `identities` (quorvex-identities, version 2;
// docs/quorvex-identities.schema.json) into `document`: one line and its
// line end, the machine keys last, as quorvex-capture.exe --json prints it,
// and ReadIdentitiesDocument reads it back into the same record. A record
// that no document gives back as it is, is refused, `document` left as it
// was, with the pointer to where in the document it would be wrong: a
// structure of a kind the report does not decode, a field that is not one
// of its kind's (StructureShapeOf), given twice, or an always-there one
// missing; a drive numbered outside 0 to 7, an adapter's negative index;
// a table that could not be fetched, yet holds a size, structures or its
// end. The records the collectors and the reader make are always written.
std::optional<Failure> IdentitiesDocument(const Identities& identities, std::string& document);

}  // namespace quorvex
