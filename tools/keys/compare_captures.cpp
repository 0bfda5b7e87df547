#include "keys/compare_captures.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <map>
#include <utility>

#include "capture_format.h"
#include "keys/keys_diff.h"
#include "keys/keys_report.h"
#include "quorvex/documents.h"
#include "report/json_text.h"
#include "tool_output.h"

#if defined(_WIN32)
#include <cstring>

#include "platform/scoped_win32.h"
#include "platform/win32.h"
#else
#include <sys/stat.h>
#endif

namespace quorvex::keys {
namespace {

namespace fs = std::filesystem;

// What tells one file from another whatever the path that names it: a
// second spelling, a link, a path through another folder. The volume, and
// the file's 128-bit id on it (a POSIX system's inode in its low bytes).
using FileIdentity = std::pair<std::uint64_t, std::array<std::uint8_t, 16>>;

std::optional<FileIdentity> IdentityOf(const fs::path& path) {
  FileIdentity identity{};
#if defined(_WIN32)
  // Opened for no access at all, which a folder allows too with backup semantics.
  const ScopedFile file(::CreateFileW(path.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.IsValid()) return std::nullopt;
  // ReFS, a Dev Drive's file system, has 128-bit file ids, of which the
  // 64-bit index is not unique; FAT and older systems answer only the index.
  FILE_ID_INFO id{};
  if (::GetFileInformationByHandleEx(file.Get(), FileIdInfo, &id, sizeof id) != FALSE) {
    identity.first = id.VolumeSerialNumber;
    static_assert(sizeof id.FileId.Identifier == 16, "FILE_ID_128 is 16 bytes");
    std::memcpy(identity.second.data(), id.FileId.Identifier, 16);
    return identity;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (::GetFileInformationByHandle(file.Get(), &information) == FALSE) return std::nullopt;
  identity.first = information.dwVolumeSerialNumber;
  const std::uint64_t index =
      (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
#else
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  identity.first = static_cast<std::uint64_t>(status.st_dev);
  const auto index = static_cast<std::uint64_t>(status.st_ino);
#endif
  for (std::size_t i = 0; i < 8; ++i)
    identity.second[i] = static_cast<std::uint8_t>(index >> (8 * i));
  return identity;
}

// --from's LIST: a capture a line, UTF-8, CR LF or LF, empty lines skipped.
std::optional<std::string> ReadList(const std::string& list, std::vector<std::string>& names) {
  std::ifstream file;
  std::istream* in = &std::cin;
  if (list != "-") {
    const std::optional<fs::path> path = PathOf(list);
    std::error_code error;
    if (!path) return list + ": not a UTF-8 name";
    if (fs::is_directory(*path, error)) return list + ": a folder, not a list of captures";
    file.open(*path, std::ios::binary);
    if (!file) return list + ": cannot be read";
    in = &file;
  }
  // A pipe may be the list, so its size is not known before: the limit is
  // kept while reading, and a device that never ends is stopped by it.
  std::string text;
  std::array<char, 1 << 16> chunk{};
  while (*in) {
    in->read(chunk.data(), chunk.size());
    text.append(chunk.data(), static_cast<std::size_t>(in->gcount()));
    if (text.size() > capture_format::kMaxCaptureFileBytes) {
      return list + ": larger than the 64 MiB a list may hold";
    }
  }
  if (in->bad()) return list + ": cannot be read";
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) names.emplace_back(line);
    start = end + 1;
  }
  return std::nullopt;
}

// Reads every capture named, each file once however often it is named;
// false, with the message given, when one cannot be read.
bool LoadCaptures(const std::vector<std::string>& names, const CaptureSources& sources,
                  std::vector<CaptureKeys>& captures) {
  std::map<FileIdentity, std::size_t> read;  // each file's capture
  for (const std::string& name : names) {
    const std::optional<fs::path> path = PathOf(name);
    const std::optional<FileIdentity> identity = path ? IdentityOf(*path) : std::nullopt;
    if (identity) {
      const auto [first, added] = read.try_emplace(*identity, captures.size());
      if (!added) {
        tools::Complain(sources.tool, "note: " + name + " is " + captures[first->second].name +
                                          " again; it is read once");
        continue;
      }
    }
    CaptureKeys& capture = captures.emplace_back();
    capture.name = name;
    if (const auto problem = LoadCaptureKeys(name, sources, capture.keys)) {
      tools::Complain(sources.tool, *problem);
      return false;
    }
  }
  return true;
}

bool LoadThisMachine(const CaptureSources& sources, CaptureKeys& capture) {
  capture.name = kThisMachine;
  return LoadThisMachineKeys(sources, capture.keys);
}

}  // namespace

std::optional<fs::path> PathOf(const std::string& name) {
  if (!IsValidUtf8(name)) return std::nullopt;
  return fs::u8path(name);
}

std::optional<std::string> LoadCaptureKeys(const std::string& name, const CaptureSources& sources,
                                           std::vector<MachineKey>& keys) {
  const std::optional<fs::path> path = PathOf(name);
  if (!path) return name + ": not a UTF-8 name";
  std::error_code error;
  if (fs::is_directory(*path, error)) return sources.folder(*path, keys);
  Identities identities;
  if (auto failure = ReadIdentitiesFile(*path, identities)) {
    failure->path = name;  // as the user named it
    return FailureMessage(*failure);
  }
  // The record goes as soon as its keys are out: a fleet costs its keys.
  keys = MachineKeys(identities);
  return std::nullopt;
}

bool LoadThisMachineKeys(const CaptureSources& sources, std::vector<MachineKey>& keys) {
  if (const auto problem = sources.thisMachine(keys)) {
    tools::Complain(sources.tool, std::string(kThisMachine) + ": " + *problem);
    return false;
  }
  return true;
}

bool NamedCaptures(const tools::ToolArguments& arguments, const CaptureSources& sources,
                   std::vector<std::string>& names) {
  names = arguments.operands;
  if (!arguments.from) return true;
  if (const auto problem = ReadList(*arguments.from, names)) {
    tools::Complain(sources.tool, *problem);
    return false;
  }
  if (names.empty()) {
    tools::Complain(sources.tool, *arguments.from + ": names no capture");
    return false;
  }
  return true;
}

int RunKeys(const tools::ToolArguments& arguments, const CaptureSources& sources) {
  std::vector<std::string> names;
  if (!NamedCaptures(arguments, sources, names)) return kTrouble;
  std::vector<CaptureKeys> captures;
  if (names.empty()) {
    if (!LoadThisMachine(sources, captures.emplace_back())) return kTrouble;
  } else if (!LoadCaptures(names, sources, captures)) {
    return kTrouble;
  }
  if (arguments.json) {
    WriteKeysJson(captures, std::cout);
  } else {
    WriteKeysText(captures, sources.outputIsConsole(), std::cout);
  }
  return tools::FinishStandardOutput(sources.tool, 0);
}

int RunDiff(const tools::ToolArguments& arguments, const CaptureSources& sources) {
  std::vector<CaptureKeys> sides;
  if (!LoadCaptures(arguments.operands, sources, sides)) return kTrouble;
  if (arguments.operands.size() == 1) {
    if (!LoadThisMachine(sources, sides.emplace_back())) return kTrouble;
  } else if (sides.size() == 1) {
    sides.push_back(sides.front());  // the same file named twice: read once, compared with itself
    sides.back().name = arguments.operands.back();
  }
  const KeyDiff diff = DiffKeys(sides[0].keys, sides[1].keys);
  if (arguments.json) {
    WriteDiffJson(diff, sides[0].name, sides[1].name, std::cout);
  } else {
    WriteDiffText(diff, sources.outputIsConsole(), std::cout);
  }
  return tools::FinishStandardOutput(sources.tool, diff.changes.empty() ? 0 : 1);
}

}  // namespace quorvex::keys
