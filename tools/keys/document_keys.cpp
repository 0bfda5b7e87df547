#include "keys/document_keys.h"

#include <cstdint>
#include <nlohmann/json.hpp>

#include "capture_file.h"
#include "platform/hex_text.h"
#include "report/json_text.h"
#include "report/log_line.h"

namespace quorvex::keys {
namespace {

// Members in the order the document has them, so that an SMBIOS structure's
// keys come in the order its fields were written.
using Json = nlohmann::ordered_json;

// An identities document nests six levels deep. A file nested far deeper is none,
// and stopping at once keeps it from costing memory out of all proportion.
constexpr int kMaxDepth = 16;

// Why the document is refused; thrown from wherever it is found, caught once.
struct Refusal {
  std::string message;
};

[[noreturn]] void Refuse(const std::string& pointer, std::string_view what) {
  throw Refusal{(pointer.empty() ? "the document" : pointer) + ": " + std::string(what)};
}

const Json& ObjectAt(const Json& value, const std::string& pointer) {
  if (!value.is_object()) Refuse(pointer, "not an object");
  return value;
}

const Json& ArrayAt(const Json& value, const std::string& pointer) {
  if (!value.is_array()) Refuse(pointer, "not an array");
  return value;
}

const Json& Member(const Json& object, const std::string& pointer, const char* name) {
  const auto found = ObjectAt(object, pointer).find(name);
  if (found == object.end()) Refuse(pointer, std::string("no member \"") + name + "\"");
  return *found;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A value as the document writes one: a string, {"hex": ...} (two
// upper-case digits a byte), or null where a value may be missing.
KeyValue ValueAt(const Json& value, const std::string& pointer, bool nullable) {
  KeyValue read;
  if (nullable && value.is_null()) return read;
  read.present = true;
  if (value.is_string()) {
    read.bytes = value.get<std::string>();
    return read;
  }
  const auto hex = value.is_object() && value.size() == 1 ? value.find("hex") : value.end();
  if (hex == value.end() || !hex->is_string()) {
    Refuse(pointer,
           nullable ? "not a string, {\"hex\": ...} or null" : "not a string or {\"hex\": ...}");
  }
  const auto& digits = hex->get_ref<const std::string&>();
  if (digits.empty() || digits.size() % 2 != 0) Refuse(pointer, "hex is not whole bytes");
  read.hex = true;
  for (std::size_t at = 0; at < digits.size(); at += 2) {
    const int high = HexDigit(digits[at]);
    const int low = HexDigit(digits[at + 1]);
    if (high < 0 || low < 0) Refuse(pointer, "hex holds other than 0-9 and A-F");
    read.bytes += static_cast<char>(high * 16 + low);
  }
  return read;
}

void AddKey(const MachineKeyKind& kind, std::string pointer, KeyValue value,
            std::vector<MachineKey>& keys) {
  MachineKey key{&kind, std::move(pointer), std::move(value), KeyQuality::kAbsent};
  key.quality = JudgeKey(
      kind, key.value.present ? std::optional<std::string_view>(key.value.bytes) : std::nullopt);
  keys.push_back(std::move(key));
}

void ReadAdapters(const Json& document, std::vector<MachineKey>& keys) {
  const MachineKeyKind& kind = *MachineKeyAt("adapter", "uuids");
  const Json& adapters =
      ArrayAt(Member(Member(document, "", "nvidia"), "/nvidia", "adapters"), "/nvidia/adapters");
  for (std::size_t a = 0; a < adapters.size(); ++a) {
    const std::string at = "/nvidia/adapters/" + std::to_string(a);
    const Json& uuids = ArrayAt(Member(adapters[a], at, "uuids"), at + "/uuids");
    for (std::size_t u = 0; u < uuids.size(); ++u) {
      std::string pointer = at + "/uuids/" + std::to_string(u);
      KeyValue value = ValueAt(uuids[u], pointer, false);
      AddKey(kind, std::move(pointer), std::move(value), keys);
    }
  }
}

void ReadDrives(const Json& document, std::vector<MachineKey>& keys) {
  const MachineKeyKind& kind = *MachineKeyAt("drive", "serialNumber");
  const Json& drives = ArrayAt(Member(document, "", "drives"), "/drives");
  for (std::size_t d = 0; d < drives.size(); ++d) {
    const std::string at = "/drives/" + std::to_string(d);
    std::string pointer = at + "/serialNumber";
    KeyValue value = ValueAt(Member(drives[d], at, "serialNumber"), pointer, true);
    AddKey(kind, std::move(pointer), std::move(value), keys);
  }
}

void ReadStructures(const Json& document, std::vector<MachineKey>& keys) {
  const Json& smbios = Member(document, "", "smbios");
  const Json& failed = Member(smbios, "/smbios", "fetchFailed");
  if (!failed.is_boolean()) Refuse("/smbios/fetchFailed", "not true or false");
  if (failed.get<bool>()) return;
  const Json& structures = ArrayAt(Member(smbios, "/smbios", "structures"), "/smbios/structures");
  for (std::size_t s = 0; s < structures.size(); ++s) {
    const std::string at = "/smbios/structures/" + std::to_string(s);
    const Json& kind = Member(structures[s], at, "kind");
    if (!kind.is_string()) Refuse(at + "/kind", "not a string");
    for (const auto& [name, field] : structures[s].items()) {
      if (name == "kind") continue;
      std::string pointer = at;
      pointer += '/';
      pointer += name;
      KeyValue value = ValueAt(field, pointer, true);
      if (const MachineKeyKind* key = MachineKeyAt(kind.get_ref<const std::string&>(), name)) {
        AddKey(*key, std::move(pointer), std::move(value), keys);
      }
    }
  }
}

Json Parse(std::string_view text) {
  if (text.size() >= 2 &&
      ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'))) {
    // What PowerShell 5.1's > makes of the program's output, re-encoded on the way.
    throw Refusal{"UTF-16 text, not the program's own output; save it with cmd's >"};
  }
  return Json::parse(text.begin(), text.end(), [](int depth, Json::parse_event_t, const Json&) {
    if (depth > kMaxDepth) throw Refusal{"nested deeper than any identities document"};
    return true;
  });
}

}  // namespace

std::optional<std::string> ReadMachineKeys(std::string_view document,
                                           std::vector<MachineKey>& keys) {
  try {
    const Json root = Parse(document);
    const Json& format = Member(root, "", "format");
    if (format != "quorvex-identities") Refuse("/format", "not \"quorvex-identities\"");
    const Json& version = Member(root, "", "version");
    const std::int64_t number = version.is_number_integer() ? version.get<std::int64_t>() : 0;
    if (number != 1 && number != 2) Refuse("/version", "not 1 or 2, the versions this tool reads");
    ReadAdapters(root, keys);
    ReadDrives(root, keys);
    ReadStructures(root, keys);
  } catch (const Refusal& refusal) {
    return refusal.message;
  } catch (const Json::exception& error) {
    // The parser quotes what it read, which may hold anything: shown, never obeyed.
    std::string_view what = error.what();
    if (const std::size_t id = what.find("] "); id != std::string_view::npos) {
      what.remove_prefix(id + 2);
    }
    return "not JSON: " + ConsoleVisible(what);
  }
  return std::nullopt;
}

std::optional<std::string> ReadDocumentKeys(const std::filesystem::path& file,
                                            std::vector<MachineKey>& keys) {
  std::string document;
  if (std::optional<std::string> problem = tools::ReadCaptureFile(file, document)) return problem;
  if (std::optional<std::string> problem = ReadMachineKeys(document, keys)) {
    return file.string() + ": " + *problem;
  }
  return std::nullopt;
}

void AppendKeyValue(std::string& out, const KeyValue& value) {
  if (!value.present) {
    out += "null";
  } else if (value.hex) {
    out += "{\"hex\":\"";
    for (const char c : value.bytes) AppendHexByte(out, static_cast<std::uint8_t>(c));
    out += "\"}";
  } else {
    AppendJsonValue(out, value.bytes);
  }
}

std::string ShownKeyValue(const MachineKey& key) {
  return key.value.present ? ShownValue(key.value.bytes) : std::string(key.kind->placeholder);
}

}  // namespace quorvex::keys
