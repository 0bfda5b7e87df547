#include <charconv>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quorvex/identities.h"
#include "quorvex/machine_keys.h"
#include "report/document_format.h"
#include "report/json_text.h"
#include "report/key_walk.h"

namespace quorvex {
namespace {

namespace format = document_format;

Failure Refused(std::string pointer, std::string reason) {
  return {{}, std::move(pointer), std::move(reason)};
}

std::string Numbered(std::string_view array, std::size_t element, std::string_view member) {
  std::string pointer(array);
  pointer += '/';
  pointer += std::to_string(element);
  pointer += member;
  return pointer;
}

bool Within(const format::Place& place, std::int64_t number) {
  return number >= 0 && static_cast<std::uint64_t>(number) >= place.least &&
         static_cast<std::uint64_t>(number) <= place.most;
}

// Where `name` stands among the fields of `shape`, or fieldCount: looked
// for from `next` on first, since a record's fields come in the report's order.
std::size_t FieldAt(const StructureShape& shape, const std::string& name, std::size_t next) {
  for (std::size_t f = next; f < shape.fieldCount; ++f) {
    if (shape.fields[f].name == name) return f;
  }
  for (std::size_t f = 0; f < next && f < shape.fieldCount; ++f) {
    if (shape.fields[f].name == name) return f;
  }
  return shape.fieldCount;
}

// Nothing of a table that could not be fetched is written, so anything it
// holds would not come back.
std::optional<Failure> FailedFetchProblem(const Identities::Smbios& smbios) {
  const char* held = smbios.tableSize != 0        ? "/smbios/tableSize"
                     : !smbios.structures.empty() ? "/smbios/structures"
                     : smbios.endOfTable          ? "/smbios/endOfTable"
                                                  : nullptr;
  if (held == nullptr) return std::nullopt;
  return Refused(held, std::string(format::Unwanted(format::Need::kIfFetched)));
}

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

  // Each part of the document, refused where the record holds what it
  // would not give back.
  std::optional<Failure> Adapters(const std::vector<Identities::Adapter>& adapters) {
    static const format::Place& index =
        format::PlaceAt(format::PlaceNamed("/nvidia/adapters/-/index"));

    for (std::size_t a = 0; a < adapters.size(); ++a) {
      const Identities::Adapter& adapter = adapters[a];
      if (!Within(index, adapter.index)) {
        return Refused(Numbered("/nvidia/adapters", a, "/index"), format::Refusal(index));
      }
      out_ += a == 0 ? "{\"index\":" : ",{\"index\":";
      Number(adapter.index);
      out_ += ",\"uuids\":[";
      for (std::size_t u = 0; u < adapter.uuids.size(); ++u) {
        if (u > 0) out_ += ',';
        Value(adapter.uuids[u]);
      }
      out_ += "],\"name\":";
      Value(adapter.name);
      out_ += ",\"deviceId\":";
      Value(adapter.deviceId);
      out_ += '}';
    }
    return std::nullopt;
  }

  std::optional<Failure> Drives(const std::vector<Identities::Drive>& drives) {
    static const format::Place& number = format::PlaceAt(format::PlaceNamed("/drives/-/number"));

    for (std::size_t d = 0; d < drives.size(); ++d) {
      const Identities::Drive& drive = drives[d];
      if (!Within(number, drive.number)) {
        return Refused(Numbered("/drives", d, "/number"), format::Refusal(number));
      }
      out_ += d == 0 ? "{\"number\":" : ",{\"number\":";
      Number(drive.number);
      out_ += ",\"serialNumber\":";
      Value(drive.serialNumber);
      out_ += ",\"model\":";
      Value(drive.model);
      out_ += ",\"firmware\":";
      Value(drive.firmware);
      out_ += '}';
    }
    return std::nullopt;
  }

  // A structure's fields are those of its kind, each once, and those always
  // there are; their names are written as its shape has them.
  std::optional<Failure> Structure(const Identities::Structure& structure, std::size_t s) {
    static const format::Place& kind =
        format::PlaceAt(format::PlaceNamed("/smbios/structures/-/kind"));
    const StructureShape* shape = StructureShapeOf(structure.kind);
    if (shape == nullptr)
      return Refused(Numbered("/smbios/structures", s, "/kind"), format::Refusal(kind));

    out_ += s == 0 ? "{\"kind\":\"" : ",{\"kind\":\"";
    out_ += shape->kind;
    out_ += '"';
    std::uint32_t met = 0;
    std::size_t next = 0;
    for (const Identities::Field& field : structure.fields) {
      const std::size_t f = FieldAt(*shape, field.name, next);
      if (f == shape->fieldCount) {
        std::string pointer = Numbered("/smbios/structures", s, "");
        AppendPointerToken(pointer, field.name);
        return Refused(std::move(pointer), "not a field of a " + structure.kind + " structure");
      }
      if ((met & (1U << f)) != 0) {
        return Refused(Numbered("/smbios/structures", s, ""), "\"" + field.name + "\" named twice");
      }
      met |= 1U << f;
      next = f + 1;
      out_ += ",\"";
      out_ += shape->fields[f].name;
      out_ += "\":";
      Value(field.value);
    }
    for (std::size_t f = 0; f < shape->fieldCount; ++f) {
      if (shape->fields[f].always && (met & (1U << f)) == 0) {
        return Refused(Numbered("/smbios/structures", s, ""),
                       "no member \"" + std::string(shape->fields[f].name) + "\"");
      }
    }
    out_ += '}';
    return std::nullopt;
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

std::optional<Failure> IdentitiesDocument(const Identities& identities, std::string& document) {
  const Identities::Smbios& smbios = identities.smbios;
  if (smbios.fetchFailed) {
    if (std::optional<Failure> problem = FailedFetchProblem(smbios)) return problem;
  }
  DocumentWriter writer(identities);
  std::string& out = writer.out();
  out += "{\"format\":\"quorvex-identities\",\"version\":2,\"nvidia\":{\"adaptersListed\":";
  out += identities.nvidia.adaptersListed ? "true" : "false";
  out += ",\"adapters\":[";
  if (std::optional<Failure> problem = writer.Adapters(identities.nvidia.adapters)) return problem;
  out += "]},\"drives\":[";
  if (std::optional<Failure> problem = writer.Drives(identities.drives)) return problem;
  out += "],\"smbios\":{";
  if (smbios.fetchFailed) {
    out += "\"fetchFailed\":true}";
  } else {
    out += "\"fetchFailed\":false,\"tableSize\":";
    writer.Number(smbios.tableSize);
    out += ",\"structures\":[";
    for (std::size_t s = 0; s < smbios.structures.size(); ++s) {
      if (std::optional<Failure> problem = writer.Structure(smbios.structures[s], s))
        return problem;
    }
    out += smbios.endOfTable ? "],\"endOfTable\":true}" : "],\"endOfTable\":false}";
  }
  writer.Keys();
  document = std::move(out);
  return std::nullopt;
}

}  // namespace quorvex
