// Any bytes as Linux's smbios_entry_point and DMI pair: the first byte says
// how many of the bytes after it are the entry point, the rest are DMI. A
// whole _SM3_ or _SM_ entry point is accepted and nothing else is; the table
// built is the header Windows would give that entry point, then DMI unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "replay/capture_firmware.h"

namespace {

using quorvex::standin::Bytes;

// Where each form keeps its length byte and its version, and the least length it may give.
struct Form {
  std::size_t lengthAt, majorAt;
  std::optional<std::size_t> revisionAt;
  std::uint8_t minimumLength;
};

bool Anchored(const Bytes& entry, std::string_view anchor) {
  return entry.size() >= anchor.size() &&
         std::equal(anchor.begin(), anchor.end(), entry.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::optional<Form> WholeEntryPoint(const Bytes& entry) {
  std::optional<Form> form;
  if (Anchored(entry, "_SM3_")) form = Form{6, 7, 9, 24};
  if (Anchored(entry, "_SM_")) form = Form{5, 6, std::nullopt, 30};
  if (!form || entry.size() <= form->lengthAt) return std::nullopt;
  const std::uint8_t length = entry[form->lengthAt];
  if (length < form->minimumLength || entry.size() < length) return std::nullopt;
  return form;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t entryBytes = std::min<std::size_t>(data[0], size - 1);
  // Exact-size copies, so that a read one past either file's end is caught.
  const Bytes entry(data + 1, data + 1 + entryBytes);
  const Bytes dmi(data + 1 + entryBytes, data + size);
  Bytes table;
  const auto problem = quorvex::replay::SmbiosTableFromSysfs(entry, dmi, table);
  const std::optional<Form> form = WholeEntryPoint(entry);
  if (problem.has_value() == form.has_value()) __builtin_trap();
  if (problem) {
    if (problem->empty()) __builtin_trap();
    return 0;
  }
  const std::uint8_t revision = form->revisionAt ? entry[*form->revisionAt] : 0;
  const Bytes header = {0,
                        entry[form->majorAt],
                        entry[form->majorAt + 1],
                        revision,
                        static_cast<std::uint8_t>(dmi.size()),
                        static_cast<std::uint8_t>(dmi.size() >> 8),
                        static_cast<std::uint8_t>(dmi.size() >> 16),
                        static_cast<std::uint8_t>(dmi.size() >> 24)};
  if (table.size() != header.size() + dmi.size()) __builtin_trap();
  if (!std::equal(header.begin(), header.end(), table.begin())) __builtin_trap();
  if (!std::equal(dmi.begin(), dmi.end(), table.begin() + 8)) __builtin_trap();
  return 0;
}
