#include <charconv>
#include <cstdint>
#include <iterator>
#include <optional>
#include <vector>

#include "quorvex/identities.h"
#include "quorvex/machine_keys.h"
#include "report/json_text.h"
#include "report/key_walk.h"

namespace quorvex {
namespace {

// A machine key as the document lists it: its value is copied from where the
// document has written it, so that no value is written twice.
struct ListedKey {
  KeyKind kind;
  const void* where;  // the record's member that holds the value
  KeyPlace place;
  KeyQuality quality;
  std::size_t start = 0;  // the value as written: out[start, end)
  std::size_t end = 0;
};

class DocumentWriter {
 public:
  explicit DocumentWriter(const Identities& identities) {
    WalkKeys(identities, [&](KeyKind kind, const void* where, std::optional<std::string_view> bytes,
                             const KeyPlace& place) {
      keys_.push_back({kind, where, place, JudgeKey(kind, bytes)});
    });
  }

  std::string& out() { return out_; }

  void Number(std::int64_t number) {
    char digits[24];
    out_.append(digits,
                static_cast<std::size_t>(
                    std::to_chars(std::begin(digits), std::end(digits), number).ptr - digits));
  }

  // A value the record holds at `where`: a string, {"hex": ...}, or null.
  void Value(const std::string& value) {
    Written(&value, [&] { AppendJsonValue(out_, value); });
  }
  void Value(const std::optional<std::string>& value) {
    Written(&value, [&] {
      if (value) {
        AppendJsonValue(out_, *value);
      } else {
        out_ += "null";
      }
    });
  }

  // The "keys" array, last, and the document's end.
  void Keys() {
    out_ += ",\"keys\":[";
    std::string keys;
    for (std::size_t k = 0; k < keys_.size(); ++k) {
      const ListedKey& key = keys_[k];
      keys += k == 0 ? "{\"kind\":\"" : ",{\"kind\":\"";
      keys += KeyKindName(key.kind);
      keys += "\",\"pointer\":\"";
      AppendKeyPointer(keys, key.kind, key.place);
      keys += "\",\"value\":";
      keys.append(out_, key.start, key.end - key.start);
      keys += ",\"quality\":\"";
      keys += QualityName(key.quality);
      keys += "\"}";
    }
    out_ += keys;
    out_ += "]}\n";
  }

 private:
  // Writes a value, and notes where when it is the next machine key's.
  template <class Write>
  void Written(const void* where, Write write) {
    const std::size_t start = out_.size();
    write();
    if (next_ < keys_.size() && keys_[next_].where == where) {
      keys_[next_].start = start;
      keys_[next_].end = out_.size();
      ++next_;
    }
  }

  std::string out_;
  std::vector<ListedKey> keys_;
  std::size_t next_ = 0;
};

}  // namespace

std::string IdentitiesDocument(const Identities& identities) {
  DocumentWriter writer(identities);
  std::string& out = writer.out();
  out += "{\"format\":\"quorvex-identities\",\"version\":2,\"nvidia\":{\"adaptersListed\":";
  out += identities.nvidia.adaptersListed ? "true" : "false";
  out += ",\"adapters\":[";
  for (std::size_t a = 0; a < identities.nvidia.adapters.size(); ++a) {
    const Identities::Adapter& adapter = identities.nvidia.adapters[a];
    out += a == 0 ? "{\"index\":" : ",{\"index\":";
    writer.Number(adapter.index);
    out += ",\"uuids\":[";
    for (std::size_t u = 0; u < adapter.uuids.size(); ++u) {
      if (u > 0) out += ',';
      writer.Value(adapter.uuids[u]);
    }
    out += "],\"name\":";
    writer.Value(adapter.name);
    out += ",\"deviceId\":";
    writer.Value(adapter.deviceId);
    out += '}';
  }
  out += "]},\"drives\":[";
  for (std::size_t d = 0; d < identities.drives.size(); ++d) {
    const Identities::Drive& drive = identities.drives[d];
    out += d == 0 ? "{\"number\":" : ",{\"number\":";
    writer.Number(drive.number);
    out += ",\"serialNumber\":";
    writer.Value(drive.serialNumber);
    out += ",\"model\":";
    writer.Value(drive.model);
    out += ",\"firmware\":";
    writer.Value(drive.firmware);
    out += '}';
  }
  out += "],\"smbios\":{";
  const Identities::Smbios& smbios = identities.smbios;
  if (smbios.fetchFailed) {
    out += "\"fetchFailed\":true}";
  } else {
    out += "\"fetchFailed\":false,\"tableSize\":";
    writer.Number(smbios.tableSize);
    out += ",\"structures\":[";
    for (std::size_t s = 0; s < smbios.structures.size(); ++s) {
      const Identities::Structure& structure = smbios.structures[s];
      out += s == 0 ? "{\"kind\":" : ",{\"kind\":";
      AppendJsonValue(out, structure.kind);
      for (const Identities::Field& field : structure.fields) {
        out += ',';
        AppendJsonValue(out, field.name);
        out += ':';
        writer.Value(field.value);
      }
      out += '}';
    }
    out += smbios.endOfTable ? "],\"endOfTable\":true}" : "],\"endOfTable\":false}";
  }
  writer.Keys();
  return std::move(out);
}

}  // namespace quorvex
