// ReadIdentitiesDocument and ReadIdentitiesFile: nlohmann's SAX parser with
// a handler of ours that knows where in the format each event stands and
// fills the record from there.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "capture_file.h"
#include "capture_format.h"
#include "quorvex/documents.h"
#include "report/log_line.h"
#include "smbios/smbios_decoders.h"

namespace quorvex {
namespace {

using Json = nlohmann::json;

// An identities document nests six levels deep. A file nested far deeper is
// none, and stopping at once keeps its nesting from costing anything.
constexpr std::size_t kMaxDepth = 16;

// What a value stands for in the format, found from where it stands.
enum class Place : std::uint8_t {
  kSkipped,  // a member the format does not name, or the document's own keys
  kDocument,
  kFormat,
  kVersion,
  kNvidia,
  kAdaptersListed,
  kAdapters,
  kAdapter,
  kAdapterIndex,
  kUuids,
  kUuid,
  kAdapterName,
  kAdapterDeviceId,
  kDrives,
  kDrive,
  kDriveNumber,
  kDriveSerial,
  kDriveModel,
  kDriveFirmware,
  kSmbios,
  kFetchFailed,
  kTableSize,
  kStructures,
  kStructure,
  kStructureKind,
  kStructureField,
  kEndOfTable,
  kHexValue,  // a value written as {"hex": ...}
  kHexDigits,
};

struct Member {
  std::string_view name;
  Place place;
  bool required;
};

constexpr Member kDocumentMembers[] = {
    {"format", Place::kFormat, true}, {"version", Place::kVersion, true},
    {"nvidia", Place::kNvidia, true}, {"drives", Place::kDrives, true},
    {"smbios", Place::kSmbios, true}, {"keys", Place::kSkipped, false},
};
constexpr Member kNvidiaMembers[] = {
    {"adaptersListed", Place::kAdaptersListed, true},
    {"adapters", Place::kAdapters, true},
};
constexpr Member kAdapterMembers[] = {
    {"index", Place::kAdapterIndex, true},
    {"uuids", Place::kUuids, true},
    {"name", Place::kAdapterName, true},
    {"deviceId", Place::kAdapterDeviceId, true},
};
constexpr Member kDriveMembers[] = {
    {"number", Place::kDriveNumber, true},
    {"serialNumber", Place::kDriveSerial, true},
    {"model", Place::kDriveModel, true},
    {"firmware", Place::kDriveFirmware, true},
};
// The members after fetchFailed are required only when the fetch did not
// fail, which may be said after them.
constexpr Member kSmbiosMembers[] = {
    {"fetchFailed", Place::kFetchFailed, true},
    {"tableSize", Place::kTableSize, false},
    {"structures", Place::kStructures, false},
    {"endOfTable", Place::kEndOfTable, false},
};
// Every field of every kind, since the kind may come after its fields; a
// structure keeps those of its kind when it closes.
constexpr Member kStructureMembers[] = {
    {"kind", Place::kStructureKind, true},
    {"vendor", Place::kStructureField, false},
    {"version", Place::kStructureField, false},
    {"releaseDate", Place::kStructureField, false},
    {"manufacturer", Place::kStructureField, false},
    {"productName", Place::kStructureField, false},
    {"serialNumber", Place::kStructureField, false},
    {"uuid", Place::kStructureField, false},
    {"product", Place::kStructureField, false},
    {"assetTagNumber", Place::kStructureField, false},
    {"socketDesignation", Place::kStructureField, false},
    {"processorManufacture", Place::kStructureField, false},
    {"processorVersion", Place::kStructureField, false},
    {"assetTag", Place::kStructureField, false},
    {"partNumber", Place::kStructureField, false},
    {"deviceLocator", Place::kStructureField, false},
    {"bankLocator", Place::kStructureField, false},
};
constexpr Member kHexMembers[] = {{"hex", Place::kHexDigits, true}};

struct Members {
  const Member* first = nullptr;
  std::size_t count = 0;
};

template <std::size_t N>
constexpr Members Of(const Member (&members)[N]) {
  static_assert(N <= 32, "one bit a member");
  return {members, N};
}

Members MembersOf(Place place) {
  switch (place) {
    case Place::kDocument:
      return Of(kDocumentMembers);
    case Place::kNvidia:
      return Of(kNvidiaMembers);
    case Place::kAdapter:
      return Of(kAdapterMembers);
    case Place::kDrive:
      return Of(kDriveMembers);
    case Place::kSmbios:
      return Of(kSmbiosMembers);
    case Place::kStructure:
      return Of(kStructureMembers);
    case Place::kHexValue:
      return Of(kHexMembers);
    default:
      return {};
  }
}

Place ElementOf(Place array) {
  switch (array) {
    case Place::kAdapters:
      return Place::kAdapter;
    case Place::kUuids:
      return Place::kUuid;
    case Place::kDrives:
      return Place::kDrive;
    case Place::kStructures:
      return Place::kStructure;
    default:
      return Place::kSkipped;
  }
}

bool IsObject(Place place) { return MembersOf(place).count > 0 || place == Place::kSkipped; }

bool IsArray(Place place) {
  return place == Place::kAdapters || place == Place::kUuids || place == Place::kDrives ||
         place == Place::kStructures || place == Place::kSkipped;
}

bool IsNullable(Place place) {
  return place == Place::kDriveSerial || place == Place::kDriveModel ||
         place == Place::kDriveFirmware || place == Place::kStructureField;
}

// A value the machine handed over: a string, {"hex": ...}, or for the
// nullable ones null.
bool IsValue(Place place) {
  return place == Place::kUuid || place == Place::kAdapterName ||
         place == Place::kAdapterDeviceId || IsNullable(place);
}

// What a value at `place` must be, for the refusal of one that is not.
std::string_view Expected(Place place) {
  switch (place) {
    case Place::kDocument:
    case Place::kNvidia:
    case Place::kAdapter:
    case Place::kDrive:
    case Place::kSmbios:
    case Place::kStructure:
      return "not an object";
    case Place::kAdapters:
    case Place::kUuids:
    case Place::kDrives:
    case Place::kStructures:
      return "not an array";
    case Place::kFormat:
      return "not \"quorvex-identities\"";
    case Place::kVersion:
      return "not 1 or 2, the versions this tool reads";
    case Place::kAdapterIndex:
    case Place::kDriveNumber:
      return "not a whole number from 0 to 2147483647";
    case Place::kTableSize:
      return "not a whole number from 0 to 4294967295";
    case Place::kStructureKind:
    case Place::kHexDigits:
      return "not a string";
    case Place::kAdaptersListed:
    case Place::kFetchFailed:
    case Place::kEndOfTable:
      return "not true or false";
    case Place::kUuid:
    case Place::kAdapterName:
    case Place::kAdapterDeviceId:
      return "not a string or {\"hex\": ...}";
    default:
      return "not a string, {\"hex\": ...} or null";
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A pointer's reference token, escaped as RFC 6901 asks: ~ as ~0, / as ~1.
void AppendToken(std::string& pointer, std::string_view token) {
  pointer += '/';
  for (const char c : token) {
    if (c == '~') {
      pointer += "~0";
    } else if (c == '/') {
      pointer += "~1";
    } else {
      pointer += c;
    }
  }
}

// One container open in the document.
struct Frame {
  Place place = Place::kSkipped;
  bool array = false;
  std::size_t count = 0;  // an array's elements begun so far
  std::string member;     // an object's member whose value comes next, as named
  Place memberPlace = Place::kSkipped;
  const Member* named = nullptr;  // that member in the format, if it is one
  std::uint32_t seen = 0;         // the format's members met so far, a bit each
};

// The nlohmann SAX handler: one event at a time, nothing built but the record.
class RecordReader {
 public:
  // Called by nlohmann's parser, as its SAX interface names them.
  bool null() { return Scalar(Kind::kNull); }
  bool boolean(bool value) {
    flag_ = value;
    return Scalar(Kind::kBoolean);
  }
  bool number_integer(std::int64_t value) {
    whole_ = value >= 0;
    number_ = static_cast<std::uint64_t>(value);
    return Scalar(whole_ ? Kind::kWhole : Kind::kOther);
  }
  bool number_unsigned(std::uint64_t value) {
    number_ = value;
    return Scalar(Kind::kWhole);
  }
  bool number_float(double /*value*/, const std::string& /*text*/) { return Scalar(Kind::kOther); }
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
    // The parser quotes what it read, which may hold anything: the message
    // shows it, never obeys it.
    std::string_view what = error.what();
    if (const std::size_t id = what.find("] "); id != std::string_view::npos) {
      what.remove_prefix(id + 2);
    }
    refusal_ = {{}, std::nullopt, "not JSON: " + std::string(what)};
    return false;
  }

  Failure& refusal() { return refusal_; }
  Identities& record() { return record_; }

 private:
  enum class Kind : std::uint8_t { kNull, kBoolean, kWhole, kString, kOther };

  bool Refuse(std::size_t depth, std::string_view what) {
    std::string pointer;
    for (std::size_t i = 0; i < depth; ++i) {
      const Frame& frame = frames_[i];
      if (frame.array) {
        pointer += '/';
        pointer += std::to_string(frame.count - 1);
      } else {
        AppendToken(pointer, frame.member);
      }
    }
    refusal_ = {{}, std::move(pointer), std::string(what)};
    return false;
  }

  // The place of the value that the frame `up` levels below the top holds
  // now: an element of its array, or the member named last.
  Place HeldAt(std::size_t up) const {
    if (frames_.size() <= up) return Place::kDocument;
    const Frame& holder = frames_[frames_.size() - 1 - up];
    return holder.array ? ElementOf(holder.place) : holder.memberPlace;
  }

  // The place of the value that begins now, counted in its array.
  Place Next() {
    if (frames_.empty()) return Place::kDocument;
    Frame& top = frames_.back();
    if (!top.array) return top.memberPlace;
    ++top.count;
    return ElementOf(top.place);
  }

  // A whole number that fits `most`, into `into`.
  template <class Number>
  bool TakeWhole(Kind kind, Place place, std::uint64_t most, Number& into) {
    if (kind != Kind::kWhole || number_ > most) return Refuse(frames_.size(), Expected(place));
    into = static_cast<Number>(number_);
    return true;
  }

  bool TakeFlag(Kind kind, Place place, bool& into) {
    if (kind != Kind::kBoolean) return Refuse(frames_.size(), Expected(place));
    into = flag_;
    return true;
  }

  bool Scalar(Kind kind);
  bool Open(bool array);
  bool Close();
  bool CloseObject(const Frame& frame);
  bool Deliver(Place place, std::optional<std::string> value);

  std::vector<Frame> frames_;
  Failure refusal_;
  // The scalar the current event carries.
  bool flag_ = false;
  bool whole_ = false;
  std::uint64_t number_ = 0;
  std::string* text_ = nullptr;

  Identities record_;
  std::string hex_;  // the bytes of the {"hex": ...} value open now
};

bool RecordReader::key(std::string& name) {
  Frame& top = frames_.back();
  top.member = name;
  top.memberPlace = Place::kSkipped;
  top.named = nullptr;
  const Members members = MembersOf(top.place);
  for (std::size_t i = 0; i < members.count; ++i) {
    const Member& member = members.first[i];
    if (member.name != name) continue;
    const std::uint32_t bit = std::uint32_t{1} << i;
    if ((top.seen & bit) != 0) {
      return Refuse(frames_.size() - 1, "\"" + name + "\" named twice");
    }
    top.seen |= bit;
    top.memberPlace = member.place;
    top.named = &member;
    return true;
  }
  // A value written as {"hex": ...} holds nothing else.
  if (top.place == Place::kHexValue) return Refuse(frames_.size() - 1, Expected(HeldAt(1)));
  return true;
}

bool RecordReader::Scalar(Kind kind) {
  const Place place = Next();
  const std::size_t at = frames_.size();
  Identities& record = record_;
  switch (place) {
    case Place::kSkipped:
      return true;
    case Place::kFormat:
      if (kind != Kind::kString || *text_ != "quorvex-identities")
        return Refuse(at, Expected(place));
      return true;
    case Place::kVersion:
      if (kind != Kind::kWhole || (number_ != 1 && number_ != 2))
        return Refuse(at, Expected(place));
      return true;
    case Place::kAdaptersListed:
      return TakeFlag(kind, place, record.nvidia.adaptersListed);
    case Place::kAdapterIndex:
      return TakeWhole(kind, place, std::numeric_limits<std::int32_t>::max(),
                       record.nvidia.adapters.back().index);
    case Place::kDriveNumber:
      return TakeWhole(kind, place, std::numeric_limits<std::int32_t>::max(),
                       record.drives.back().number);
    case Place::kFetchFailed:
      return TakeFlag(kind, place, record.smbios.fetchFailed);
    case Place::kTableSize:
      return TakeWhole(kind, place, std::numeric_limits<std::uint32_t>::max(),
                       record.smbios.tableSize);
    case Place::kEndOfTable:
      return TakeFlag(kind, place, record.smbios.endOfTable);
    case Place::kStructureKind:
      if (kind != Kind::kString) return Refuse(at, Expected(place));
      record.smbios.structures.back().kind = *text_;
      return true;
    case Place::kHexDigits: {
      if (kind != Kind::kString) return Refuse(at, Expected(place));
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
    default:
      // Copied, not moved: the parser's own text keeps its room for the next string.
      if (IsValue(place) && kind == Kind::kString) return Deliver(place, *text_);
      if (IsNullable(place) && kind == Kind::kNull) return Deliver(place, std::nullopt);
      return Refuse(at, Expected(place));
  }
}

bool RecordReader::Open(bool array) {
  Place place = Next();
  if (IsValue(place) && !array) place = Place::kHexValue;
  if (array ? !IsArray(place) : !IsObject(place)) return Refuse(frames_.size(), Expected(place));
  if (frames_.size() == kMaxDepth) {
    return Refuse(frames_.size(), "nested deeper than any identities document");
  }
  // An element of the format's arrays is in the record from its first member on.
  if (place == Place::kAdapter) record_.nvidia.adapters.emplace_back();
  if (place == Place::kDrive) record_.drives.emplace_back();
  // No decoded kind has more than six fields.
  if (place == Place::kStructure) record_.smbios.structures.emplace_back().fields.reserve(6);
  Frame& frame = frames_.emplace_back();
  frame.place = place;
  frame.array = array;
  return true;
}

bool RecordReader::Close() {
  const Frame frame = std::move(frames_.back());
  frames_.pop_back();
  return frame.array || CloseObject(frame);
}

// An object is whole: every required member met, and what it holds placed.
bool RecordReader::CloseObject(const Frame& frame) {
  const std::size_t at = frames_.size();
  const Members members = MembersOf(frame.place);
  Identities::Smbios& smbios = record_.smbios;
  for (std::size_t i = 0; i < members.count; ++i) {
    const Member& member = members.first[i];
    const bool required = member.required || (frame.place == Place::kSmbios && !smbios.fetchFailed);
    if (required && (frame.seen & (std::uint32_t{1} << i)) == 0) {
      return Refuse(at, "no member \"" + std::string(member.name) + "\"");
    }
  }
  if (frame.place == Place::kHexValue) return Deliver(HeldAt(0), std::move(hex_));
  if (frame.place == Place::kStructure) {
    // Of the fields, those the kind has; a kind the report never decodes has none.
    Identities::Structure& structure = smbios.structures.back();
    auto& fields = structure.fields;
    fields.erase(std::remove_if(fields.begin(), fields.end(),
                                [&](const Identities::Field& field) {
                                  return !IsDecodedField(structure.kind, field.name);
                                }),
                 fields.end());
  }
  if (frame.place == Place::kSmbios && smbios.fetchFailed) {
    // A table that could not be fetched has nothing in it, whatever the document lists.
    smbios = Identities::Smbios{};
  }
  return true;
}

// A value the machine handed over, to its member of the record.
bool RecordReader::Deliver(Place place, std::optional<std::string> value) {
  switch (place) {
    case Place::kUuid:
      record_.nvidia.adapters.back().uuids.push_back(std::move(*value));
      break;
    case Place::kAdapterName:
      record_.nvidia.adapters.back().name = std::move(*value);
      break;
    case Place::kAdapterDeviceId:
      record_.nvidia.adapters.back().deviceId = std::move(*value);
      break;
    case Place::kDriveSerial:
      record_.drives.back().serialNumber = std::move(value);
      break;
    case Place::kDriveModel:
      record_.drives.back().model = std::move(value);
      break;
    case Place::kDriveFirmware:
      record_.drives.back().firmware = std::move(value);
      break;
    default:  // a structure's field, named as the document names it
      record_.smbios.structures.back().fields.push_back(
          {std::string(frames_.back().named->name), std::move(value)});
      break;
  }
  return true;
}

// A file as nlohmann's parser takes it, a chunk at a time: the lexer keeps
// every structural character and blank since the last string, number or
// literal, so a file read whole would cost twice its bytes when it is
// mostly brackets. The limit on a capture file is kept while reading, since
// the file may have grown since it was opened.
class ChunkedFile {
 public:
  // A small file is read into room of its own size: a fleet's documents are
  // a few kilobytes, and room is not cleared before it is written.
  ChunkedFile(std::istream& in, std::uintmax_t fileBytes)
      : in_(in),
        room_(static_cast<std::size_t>(std::min<std::uintmax_t>(fileBytes + 1, kChunkBytes))),
        chunk_(new char[room_]) {}
  ChunkedFile(const ChunkedFile&) = delete;
  ChunkedFile& operator=(const ChunkedFile&) = delete;

  // The next chunk's bytes; none at the end of the file or past the limit.
  std::string_view Next() {
    if (!in_ || tooLarge_) return {};
    in_.read(chunk_.get(), static_cast<std::streamsize>(room_));
    const auto size = static_cast<std::size_t>(in_.gcount());
    read_ += size;
    if (read_ > capture_format::kMaxCaptureFileBytes) {
      tooLarge_ = true;
      return {};
    }
    return {chunk_.get(), size};
  }
  bool TooLarge() const { return tooLarge_; }
  bool Failed() const { return in_.bad(); }
  // Whether the file's end has been read: the last chunk fell short of the room.
  bool Whole() const { return !in_ && !in_.bad() && !tooLarge_; }

 private:
  static constexpr std::uintmax_t kChunkBytes = 1 << 16;

  std::istream& in_;
  std::size_t room_;
  std::unique_ptr<char[]> chunk_;
  std::uintmax_t read_ = 0;
  bool tooLarge_ = false;
};

// An input iterator over a ChunkedFile, which is what nlohmann's input
// adapter asks of a source that is not contiguous. Within a chunk it is a
// pointer; it asks for the next chunk when it is compared at a chunk's end,
// which is why its place may change in a comparison.
class ChunkedIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = char;

  ChunkedIterator() = default;  // the end
  // At the start of `chunk`, which `file` gave last.
  ChunkedIterator(ChunkedFile& file, std::string_view chunk)
      : file_(&file), at_(chunk.data()), last_(chunk.data() + chunk.size()) {}
  char operator*() const { return *at_; }
  ChunkedIterator& operator++() {
    ++at_;
    return *this;
  }
  friend bool operator==(const ChunkedIterator& a, const ChunkedIterator& b) {
    return a.AtEnd() == b.AtEnd();
  }
  friend bool operator!=(const ChunkedIterator& a, const ChunkedIterator& b) { return !(a == b); }

 private:
  bool AtEnd() const { return file_ == nullptr || (at_ == last_ && !NextChunk()); }
  // Whether the file had more; out of the way of the byte-by-byte path.
  bool NextChunk() const;

  ChunkedFile* file_ = nullptr;
  mutable const char* at_ = nullptr;
  mutable const char* last_ = nullptr;
};

bool ChunkedIterator::NextChunk() const {
  const std::string_view chunk = file_->Next();
  at_ = chunk.data();
  last_ = chunk.data() + chunk.size();
  return at_ != last_;
}

// What PowerShell 5.1's > makes of the program's output, re-encoded on the way.
bool IsUtf16(std::string_view start) {
  return start.size() >= 2 &&
         ((start[0] == '\xFF' && start[1] == '\xFE') || (start[0] == '\xFE' && start[1] == '\xFF'));
}

constexpr const char* kUtf16 = "UTF-16 text, not the program's own output; save it with cmd's >";

template <class Iterator>
std::optional<Failure> Parse(Iterator first, Iterator last, Identities& identities) {
  RecordReader reader;
  if (!Json::sax_parse(first, last, &reader)) return std::move(reader.refusal());
  identities = std::move(reader.record());
  return std::nullopt;
}

}  // namespace

std::optional<Failure> ReadIdentitiesDocument(std::string_view document, Identities& identities) {
  if (IsUtf16(document)) return Failure{{}, std::nullopt, kUtf16};
  return Parse(document.begin(), document.end(), identities);
}

std::optional<Failure> ReadIdentitiesFile(const std::filesystem::path& file,
                                          Identities& identities) {
  const auto failed = [&](std::string reason) {
    return Failure{file.u8string(), std::nullopt, std::move(reason)};
  };
  std::ifstream in;
  std::uintmax_t size = 0;
  if (std::optional<std::string> problem = tools::CaptureFileProblem(file, in, size)) {
    return failed(std::move(*problem));
  }
  ChunkedFile chunks(in, size);
  // The first chunk holds the file's first two bytes, unless it is shorter.
  const std::string_view start = chunks.Next();
  if (IsUtf16(start)) return failed(kUtf16);
  // A file that the first chunk holds whole, as a fleet's are, is parsed
  // as the bytes in memory it is.
  std::optional<Failure> refusal =
      chunks.Whole() ? Parse(start.data(), start.data() + start.size(), identities)
                     : Parse(ChunkedIterator(chunks, start), ChunkedIterator(), identities);
  if (chunks.TooLarge()) return failed(tools::kTooLargeCaptureFile);
  if (chunks.Failed()) return failed("cannot be read");
  if (refusal) refusal->path = file.u8string();
  return refusal;
}

}  // namespace quorvex
