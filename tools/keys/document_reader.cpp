// ReadIdentitiesDocument and ReadIdentitiesFile: nlohmann's SAX parser with
// a handler of ours that finds each event's place in the document's
// description (report/document_format.h), checks the value there and fills
// the record from it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "capture_file.h"
#include "keys/sax_reading.h"
#include "quorvex/documents.h"
#include "report/document_format.h"

namespace quorvex {
namespace {

using Json = nlohmann::json;
namespace format = document_format;
using format::Type;

// An identities document nests six levels deep. A file nested far deeper is
// none, and stopping at once keeps its nesting from costing anything.
constexpr std::size_t kMaxDepth = 16;

// Where a value stands that the description has no place for: a member the
// format does not name, and the digits of a value written as {"hex": ...}.
constexpr std::size_t kSkipped = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kHexDigits = kSkipped - 1;

// One container open in the document.
struct Frame {
  std::size_t place = kSkipped;  // for {"hex": ...}, the value's
  bool array = false;
  bool hex = false;
  std::size_t count = 0;  // an array's elements begun so far
  std::string member;     // an object's member whose value comes next, as named
  std::size_t memberPlace = kSkipped;
  std::uint32_t seen = 0;  // the description's members met, a bit each
};

// The SMBIOS structure open now. Which members are its fields, its kind
// says, and the kind may come after them: until it has come, a member that
// is a field of any kind is read, and what is wrong with it kept for the
// structure's end to judge. Fields are bits of format::StructureFields().
struct OpenStructure {
  std::size_t frame = 0;
  std::optional<std::size_t> kind;  // in kStructureShapes, once read
  std::uint64_t met = 0;
  std::uint64_t twice = 0;
  std::uint64_t early = 0;    // read before the kind
  std::uint64_t pending = 0;  // the one being read now, before the kind
  std::vector<std::pair<std::uint64_t, Failure>> faults;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The nlohmann SAX handler: one event at a time, nothing built but the record.
class RecordReader {
 public:
  // Called by nlohmann's parser, as its SAX interface names them.
  bool null() { return Scalar(Kind::kNull); }
  bool boolean(bool value) {
    value_.flag = value;
    return Scalar(Kind::kBoolean);
  }
  bool number_integer(std::int64_t value) {
    number_ = static_cast<std::uint64_t>(value);
    return Scalar(value >= 0 ? Kind::kWhole : Kind::kOther);
  }
  bool number_unsigned(std::uint64_t value) {
    number_ = value;
    return Scalar(Kind::kWhole);
  }
  // Written with a fraction or an exponent, a number without a fraction is
  // still a whole one, as JSON Schema counts: 2.0 is 2.
  bool number_float(double value, const std::string& /*text*/) {
    const bool whole = value >= 0 && value < 0x1p64 && std::floor(value) == value;
    number_ = whole ? static_cast<std::uint64_t>(value) : 0;
    return Scalar(whole ? Kind::kWhole : Kind::kOther);
  }
  bool string(std::string& value) {
    text_ = &value;
    return Scalar(Kind::kString);
  }
  bool binary(Json::binary_t& /*value*/) { return Scalar(Kind::kOther); }
  bool start_object(std::size_t /*elements*/) { return Open(false); }
  bool start_array(std::size_t /*elements*/) { return Open(true); }
  bool key(std::string& name);
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }
  bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                   const nlohmann::detail::exception& error) {
    refusal_ = {{}, std::nullopt, NotJson(error)};
    return false;
  }

  Failure& refusal() { return refusal_; }
  Identities& result() { return reading_.record; }

 private:
  enum class Kind : std::uint8_t { kNull, kBoolean, kWhole, kString, kOther };

  // Stops at what is wrong `depth` frames down, unless it is inside a field
  // read before its structure's kind: that is kept, and the rest of the
  // value skipped.
  bool Refuse(std::size_t depth, std::string what) {
    Failure failure{{}, PointerTo(frames_, depth), std::move(what)};
    if (open_.pending == 0 || depth <= open_.frame) {
      refusal_ = std::move(failure);
      return false;
    }
    open_.faults.emplace_back(open_.pending, std::move(failure));
    open_.pending = 0;
    for (std::size_t f = open_.frame + 1; f < frames_.size(); ++f) frames_[f].place = kSkipped;
    frames_[open_.frame].memberPlace = kSkipped;
    return true;
  }

  // The place of the value that begins now, counted in its array.
  std::size_t Next() {
    if (frames_.empty()) return format::kDocument;
    Frame& top = frames_.back();
    if (!top.array) return top.memberPlace;
    ++top.count;
    return top.place == kSkipped ? kSkipped : format::ElementOf(top.place);
  }

  bool Takes(const format::Place& place, Kind kind) const {
    switch (place.type) {
      case Type::kFlag:
        return kind == Kind::kBoolean;
      case Type::kWhole:
        return kind == Kind::kWhole && number_ >= place.least && number_ <= place.most;
      case Type::kText:
        return kind == Kind::kString && place.accepts(*text_);
      case Type::kValue:
        return kind == Kind::kString;
      case Type::kNullableValue:
        return kind == Kind::kString || kind == Kind::kNull;
      default:
        return false;
    }
  }

  bool Fill(const format::Place& place) {
    if (place.fill != nullptr) place.fill(reading_, value_);
    return true;
  }

  bool Scalar(Kind kind);
  bool HexDigits(Kind kind);
  bool Open(bool array);
  bool Member(Frame& top, std::size_t place, std::size_t ordinal);
  bool Field(Frame& top, std::string_view name);
  bool Close();
  bool CloseObject(const Frame& frame);
  bool CloseStructure();

  std::vector<Frame> frames_;
  Failure refusal_;
  // The scalar the current event carries.
  std::uint64_t number_ = 0;
  std::string* text_ = nullptr;
  format::Scalar value_;

  format::Reading reading_;
  std::string hex_;  // the bytes of the {"hex": ...} value open now
  OpenStructure open_;
};

bool RecordReader::key(std::string& name) {
  Frame& top = frames_.back();
  top.member = name;
  top.memberPlace = kSkipped;
  if (top.place == kSkipped) return true;
  if (top.hex) return name == "hex" ? Member(top, kHexDigits, 0) : true;
  std::size_t ordinal = 0;
  const std::optional<std::size_t> member = format::MemberOf(top.place, name, ordinal);
  if (format::PlaceAt(top.place).type == Type::kStructure) {
    open_.pending = 0;
    if (!member) return Field(top, name);
  }
  return member ? Member(top, *member, ordinal) : true;
}

bool RecordReader::Member(Frame& top, std::size_t place, std::size_t ordinal) {
  const std::uint32_t bit = std::uint32_t{1} << ordinal;
  if ((top.seen & bit) != 0) {
    return Refuse(frames_.size() - 1, "\"" + top.member + "\" named twice");
  }
  top.seen |= bit;
  top.memberPlace = place;
  return true;
}

// A structure's member that is a field of some kind: of its kind, it is
// read; of another, skipped; before the kind has come, read for its end.
bool RecordReader::Field(Frame& top, std::string_view name) {
  const format::FieldsOfEachKind& fields = format::StructureFields();
  const std::uint64_t bit = fields.BitOf(name);
  if (!open_.kind) {
    const std::string& kind = reading_.record.smbios.structures.back().kind;
    // A kind in the record is one the description took, so it has a shape.
    if (!kind.empty())
      open_.kind = static_cast<std::size_t>(StructureShapeOf(kind) - kStructureShapes.data());
  }
  if (bit == 0 || (open_.kind && (fields.of[*open_.kind] & bit) == 0)) return true;
  if ((open_.met & bit) != 0) {
    open_.twice |= bit;
    return open_.kind ? Refuse(frames_.size() - 1, "\"" + top.member + "\" named twice") : true;
  }
  open_.met |= bit;
  if (!open_.kind) {
    open_.pending = bit;
    open_.early |= bit;
  }
  top.memberPlace = format::FieldsOf(top.place);
  value_.member = fields.NameOf(bit);
  return true;
}

bool RecordReader::Scalar(Kind kind) {
  const std::size_t place = Next();
  if (place == kSkipped) return true;
  if (place == kHexDigits) return HexDigits(kind);
  const format::Place& at = format::PlaceAt(place);
  if (!Takes(at, kind)) return Refuse(frames_.size(), format::Refusal(at));
  if (at.fill == nullptr) return true;
  value_.whole = number_;
  // Copied, not moved: the parser's own text keeps its room for the next string.
  if (kind == Kind::kString) {
    value_.bytes = *text_;
  } else {
    value_.bytes.reset();
  }
  return Fill(at);
}

bool RecordReader::HexDigits(Kind kind) {
  const std::size_t at = frames_.size();
  if (kind != Kind::kString) return Refuse(at, "not a string");
  const std::string& digits = *text_;
  if (digits.empty() || digits.size() % 2 != 0) return Refuse(at, "hex is not whole bytes");
  hex_.clear();
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = HexDigit(digits[i]);
    const int low = HexDigit(digits[i + 1]);
    if (high < 0 || low < 0) return Refuse(at, "hex holds other than 0-9 and A-F");
    hex_ += static_cast<char>(high * 16 + low);
  }
  return true;
}

bool RecordReader::Open(bool array) {
  std::size_t place = Next();
  bool hex = false;
  if (place == kHexDigits) {
    if (!Refuse(frames_.size(), "not a string")) return false;
    place = kSkipped;
  } else if (place != kSkipped) {
    const format::Place& at = format::PlaceAt(place);
    hex = !array && (at.type == Type::kValue || at.type == Type::kNullableValue);
    const bool fits = array ? at.type == Type::kArray
                            : hex || at.type == Type::kObject || at.type == Type::kStructure;
    if (!fits) {
      if (!Refuse(frames_.size(), format::Refusal(at))) return false;
      place = kSkipped;
    }
  }
  if (frames_.size() == kMaxDepth) {
    refusal_ = {
        {}, PointerTo(frames_, frames_.size()), "nested deeper than any identities document"};
    return false;
  }
  Frame& frame = frames_.emplace_back();
  frame.place = place;
  frame.array = array;
  frame.hex = hex;
  if (place == kSkipped || hex) return true;
  if (format::PlaceAt(place).type == Type::kStructure) {
    open_.frame = frames_.size() - 1;
    open_.kind.reset();
    open_.met = open_.twice = open_.early = open_.pending = 0;
    open_.faults.clear();
  }
  return Fill(format::PlaceAt(place));
}

bool RecordReader::Close() {
  const Frame frame = std::move(frames_.back());
  frames_.pop_back();
  if (frame.array || frame.place == kSkipped) return true;
  if (!frame.hex) return CloseObject(frame);
  if (frame.seen == 0) return Refuse(frames_.size(), "no member \"hex\"");
  value_.bytes = std::move(hex_);
  return Fill(format::PlaceAt(frame.place));
}

// An object is whole: every member it needs met, and none it must not have.
bool RecordReader::CloseObject(const Frame& frame) {
  const std::size_t at = frames_.size();
  std::size_t ordinal = 0;
  for (std::size_t m = frame.place + 1; m < format::EndOf(frame.place);
       m = format::EndOf(m), ++ordinal) {
    const std::string_view name = format::NameOf(m);
    if (name == format::kEachField) continue;
    const bool met = (frame.seen & (std::uint32_t{1} << ordinal)) != 0;
    const format::Need need = format::PlaceAt(m).need;
    if (!met && format::Wanted(need, reading_)) {
      return Refuse(at, "no member \"" + std::string(name) + "\"");
    }
    if (met && !format::Wanted(need, reading_)) {
      std::string pointer = PointerTo(frames_, at);
      AppendPointerToken(pointer, name);
      refusal_ = {{}, std::move(pointer), std::string(format::Unwanted(need))};
      return false;
    }
  }
  return format::PlaceAt(frame.place).type != Type::kStructure || CloseStructure();
}

// A structure is whole once its kind is known: the fields of its kind each
// once and right, those always there among them, the others dropped.
bool RecordReader::CloseStructure() {
  open_.pending = 0;
  const format::FieldsOfEachKind& fields = format::StructureFields();
  Identities::Structure& structure = reading_.record.smbios.structures.back();
  const auto kind =
      static_cast<std::size_t>(StructureShapeOf(structure.kind) - kStructureShapes.data());
  const std::uint64_t of = fields.of[kind];
  for (auto& [bit, fault] : open_.faults) {
    if ((bit & of) != 0) {
      refusal_ = std::move(fault);
      return false;
    }
  }
  const std::size_t at = frames_.size();
  if (const std::uint64_t twice = open_.twice & of) {
    return Refuse(at, "\"" + std::string(fields.NameOf(twice)) + "\" named twice");
  }
  if (const std::uint64_t missing = fields.always[kind] & ~open_.met) {
    return Refuse(at, "no member \"" + std::string(fields.NameOf(missing)) + "\"");
  }
  if ((open_.early & ~of) != 0) {
    auto& read = structure.fields;
    read.erase(std::remove_if(read.begin(), read.end(),
                              [&](const Identities::Field& field) {
                                return (fields.BitOf(field.name) & of) == 0;
                              }),
               read.end());
  }
  return true;
}

}  // namespace

std::optional<Failure> ReadIdentitiesDocument(std::string_view document, Identities& identities) {
  return SaxReadText<RecordReader>(document, identities);
}

std::optional<Failure> ReadIdentitiesFile(const std::filesystem::path& file,
                                          Identities& identities) {
  return SaxReadFile<RecordReader>(file, identities);
}

}  // namespace quorvex
