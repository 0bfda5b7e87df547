#include "keys/document_keys.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <utility>

#include "capture_file.h"
#include "capture_format.h"
#include "report/json_text.h"
#include "report/log_line.h"

namespace quorvex::keys {
namespace {

using Json = nlohmann::json;

// An identities document nests six levels deep. A file nested far deeper is
// none, and stopping at once keeps its nesting from costing anything.
constexpr std::size_t kMaxDepth = 16;

// What a value stands for in the format, found from where it stands.
enum class Place : std::uint8_t {
  kSkipped,  // a member the format does not name, or one no key needs
  kDocument,
  kFormat,
  kVersion,
  kNvidia,
  kAdapters,
  kAdapter,
  kAdapterIndex,
  kUuids,
  kUuid,
  kDrives,
  kDrive,
  kDriveNumber,
  kDriveSerial,
  kSmbios,
  kFetchFailed,
  kStructures,
  kStructure,
  kStructureKind,
  kStructureField,  // a field that is a machine key in some kind of structure
  kHexValue,        // a value written as {"hex": ...}
  kHexDigits,
};

struct Member {
  std::string_view name;
  Place place;
  bool required;
};

// The members of each object of the format. Those no key needs are named
// all the same: their names are no one's to use twice.
constexpr Member kDocumentMembers[] = {
    {"format", Place::kFormat, true}, {"version", Place::kVersion, true},
    {"nvidia", Place::kNvidia, true}, {"drives", Place::kDrives, true},
    {"smbios", Place::kSmbios, true}, {"keys", Place::kSkipped, false},
};
constexpr Member kNvidiaMembers[] = {
    {"adaptersListed", Place::kSkipped, false},
    {"adapters", Place::kAdapters, true},
};
constexpr Member kAdapterMembers[] = {
    {"index", Place::kAdapterIndex, true},
    {"uuids", Place::kUuids, true},
    {"name", Place::kSkipped, false},
    {"deviceId", Place::kSkipped, false},
};
constexpr Member kDriveMembers[] = {
    {"number", Place::kDriveNumber, true},
    {"serialNumber", Place::kDriveSerial, true},
    {"model", Place::kSkipped, false},
    {"firmware", Place::kSkipped, false},
};
// "structures" is required unless the fetch failed, which may come after it.
constexpr Member kSmbiosMembers[] = {
    {"fetchFailed", Place::kFetchFailed, true},
    {"tableSize", Place::kSkipped, false},
    {"structures", Place::kStructures, false},
    {"endOfTable", Place::kSkipped, false},
};
// Every field of every kind, since the kind may come after its fields.
constexpr Member kStructureMembers[] = {
    {"kind", Place::kStructureKind, true},
    {"serialNumber", Place::kStructureField, false},
    {"uuid", Place::kStructureField, false},
    {"assetTagNumber", Place::kStructureField, false},
    {"vendor", Place::kSkipped, false},
    {"version", Place::kSkipped, false},
    {"releaseDate", Place::kSkipped, false},
    {"manufacturer", Place::kSkipped, false},
    {"productName", Place::kSkipped, false},
    {"product", Place::kSkipped, false},
    {"socketDesignation", Place::kSkipped, false},
    {"processorManufacture", Place::kSkipped, false},
    {"processorVersion", Place::kSkipped, false},
    {"assetTag", Place::kSkipped, false},
    {"partNumber", Place::kSkipped, false},
    {"deviceLocator", Place::kSkipped, false},
    {"bankLocator", Place::kSkipped, false},
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

// A value of a machine key: a string, {"hex": ...}, or for the nullable ones null.
bool IsValue(Place place) {
  return place == Place::kUuid || place == Place::kDriveSerial || place == Place::kStructureField;
}

bool IsNullable(Place place) {
  return place == Place::kDriveSerial || place == Place::kStructureField;
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
    case Place::kStructureKind:
    case Place::kHexDigits:
      return "not a string";
    case Place::kFetchFailed:
      return "not true or false";
    case Place::kUuid:
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

// The nlohmann SAX handler: one event at a time, nothing built but the keys.
class KeysReader {
 public:
  // Called by nlohmann's parser, as its SAX interface names them.
  bool null() { return Scalar(Kind::kNull); }
  bool boolean(bool value) {
    flag_ = value;
    return Scalar(Kind::kBoolean);
  }
  bool number_integer(std::int64_t value) {
    const bool fits = value >= 0 && value <= std::numeric_limits<std::int32_t>::max();
    number_ = value;
    return Scalar(fits ? Kind::kWhole : Kind::kOther);
  }
  bool number_unsigned(std::uint64_t value) {
    const bool fits = value <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    number_ = fits ? static_cast<std::int64_t>(value) : -1;
    return Scalar(fits ? Kind::kWhole : Kind::kOther);
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
    // The parser quotes what it read, which may hold anything: shown, never obeyed.
    std::string_view what = error.what();
    if (const std::size_t id = what.find("] "); id != std::string_view::npos) {
      what.remove_prefix(id + 2);
    }
    refusal_ = "not JSON: " + ConsoleVisible(what);
    return false;
  }

  const std::string& refusal() const { return refusal_; }

  // The keys in report order, once the document has been read whole.
  void TakeKeys(std::vector<MachineKey>& keys) {
    for (std::vector<MachineKey>* part : {&gpuKeys_, &driveKeys_, &smbiosKeys_}) {
      std::move(part->begin(), part->end(), std::back_inserter(keys));
    }
  }

 private:
  enum class Kind : std::uint8_t { kNull, kBoolean, kWhole, kString, kOther };

  // What the adapter, drive or structure open now holds so far; its keys are
  // made once it closes, when every member that places them has been met.
  struct Pending {
    std::size_t element = 0;
    std::int64_t number = 0;
    std::string kind;
    std::vector<std::pair<std::string_view, std::optional<std::string>>> values;
  };

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
    refusal_ = (pointer.empty() ? std::string("the document") : ConsoleVisible(pointer)) + ": ";
    refusal_ += what;
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

  bool Scalar(Kind kind);
  bool Open(bool array);
  bool Close();
  bool CloseObject(const Frame& frame);
  bool Deliver(std::optional<std::string> value);

  std::vector<Frame> frames_;
  std::string refusal_;
  // The scalar the current event carries.
  bool flag_ = false;
  std::int64_t number_ = 0;
  std::string* text_ = nullptr;

  Pending pending_;
  std::string hex_;  // the bytes of the {"hex": ...} value open now
  bool fetchFailed_ = false;
  std::vector<MachineKey> gpuKeys_, driveKeys_, smbiosKeys_;
  std::size_t smbiosOrdinals_[std::size(kMachineKeyKinds)] = {};
};

bool KeysReader::key(std::string& name) {
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
      return Refuse(frames_.size() - 1, "\"" + ConsoleVisible(name) + "\" named twice");
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

bool KeysReader::Scalar(Kind kind) {
  const Place place = Next();
  const std::size_t at = frames_.size();
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
    case Place::kAdapterIndex:
    case Place::kDriveNumber:
      if (kind != Kind::kWhole) return Refuse(at, Expected(place));
      pending_.number = number_;
      return true;
    case Place::kStructureKind:
      if (kind != Kind::kString) return Refuse(at, Expected(place));
      pending_.kind = std::move(*text_);
      return true;
    case Place::kFetchFailed:
      if (kind != Kind::kBoolean) return Refuse(at, Expected(place));
      fetchFailed_ = flag_;
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
      if (IsValue(place) && kind == Kind::kString) return Deliver(std::move(*text_));
      if (IsNullable(place) && kind == Kind::kNull) return Deliver(std::nullopt);
      return Refuse(at, Expected(place));
  }
}

bool KeysReader::Open(bool array) {
  Place place = Next();
  if (IsValue(place) && !array) place = Place::kHexValue;
  if (array ? !IsArray(place) : !IsObject(place)) return Refuse(frames_.size(), Expected(place));
  if (frames_.size() == kMaxDepth) {
    return Refuse(frames_.size(), "nested deeper than any identities document");
  }
  if (place == Place::kAdapter || place == Place::kDrive || place == Place::kStructure) {
    pending_ = Pending{};
    pending_.element = frames_.back().count - 1;
  }
  Frame& frame = frames_.emplace_back();
  frame.place = place;
  frame.array = array;
  return true;
}

bool KeysReader::Close() {
  const Frame frame = std::move(frames_.back());
  frames_.pop_back();
  return frame.array || CloseObject(frame);
}

// An object is whole: every required member met, and what it holds placed.
bool KeysReader::CloseObject(const Frame& frame) {
  const std::size_t at = frames_.size();
  const Members members = MembersOf(frame.place);
  for (std::size_t i = 0; i < members.count; ++i) {
    const Member& member = members.first[i];
    const bool required = member.required || (member.place == Place::kStructures && !fetchFailed_);
    if (required && (frame.seen & (std::uint32_t{1} << i)) == 0) {
      return Refuse(at, "no member \"" + std::string(member.name) + "\"");
    }
  }
  switch (frame.place) {
    case Place::kHexValue:
      return Deliver(std::move(hex_));
    case Place::kAdapter: {
      const MachineKeyKind& kind = *MachineKeyAt("adapter", "uuids");
      for (std::size_t u = 0; u < pending_.values.size(); ++u) {
        auto& value = pending_.values[u].second;
        const KeyQuality quality = JudgeKey(kind, value);
        gpuKeys_.push_back(
            {&kind, std::move(value), quality, {pending_.element, u, pending_.number}});
      }
      return true;
    }
    case Place::kDrive: {
      const MachineKeyKind& kind = *MachineKeyAt("drive", "serialNumber");
      auto& value = pending_.values.front().second;
      const KeyQuality quality = JudgeKey(kind, value);
      driveKeys_.push_back(
          {&kind, std::move(value), quality, {pending_.element, 0, pending_.number}});
      return true;
    }
    case Place::kStructure:
      for (auto& [field, value] : pending_.values) {
        const MachineKeyKind* kind = MachineKeyAt(pending_.kind, field);
        if (kind == nullptr) continue;
        const KeyQuality quality = JudgeKey(*kind, value);
        const auto ordinal = smbiosOrdinals_[static_cast<std::size_t>(kind - kMachineKeyKinds)]++;
        smbiosKeys_.push_back({kind,
                               std::move(value),
                               quality,
                               {pending_.element, 0, static_cast<std::int64_t>(ordinal)}});
      }
      return true;
    case Place::kSmbios:
      // A table that could not be fetched has no keys, whatever it lists.
      if (fetchFailed_) smbiosKeys_.clear();
      return true;
    default:
      return true;
  }
}

// A UUID goes to its adapter, a serial number to its drive, a field to its
// structure with the field's name.
bool KeysReader::Deliver(std::optional<std::string> value) {
  const Frame& holder = frames_.back();
  const std::string_view field = holder.array ? std::string_view() : holder.named->name;
  pending_.values.emplace_back(field, std::move(value));
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

  bool AtEnd() {
    if (at_ == size_) Refill();
    return at_ == size_;
  }
  char Current() const { return chunk_[at_]; }
  void Advance() { ++at_; }
  // The file's first bytes, at most a chunk.
  std::string_view Start() {
    AtEnd();
    return {chunk_.get(), size_};
  }
  bool TooLarge() const { return tooLarge_; }
  bool Failed() const { return in_.bad(); }

 private:
  void Refill() {
    if (!in_ || tooLarge_) return;
    in_.read(chunk_.get(), static_cast<std::streamsize>(room_));
    at_ = 0;
    size_ = static_cast<std::size_t>(in_.gcount());
    read_ += size_;
    if (read_ > capture_format::kMaxCaptureFileBytes) {
      tooLarge_ = true;
      size_ = 0;
    }
  }

  static constexpr std::uintmax_t kChunkBytes = 1 << 16;

  std::istream& in_;
  std::size_t room_;
  std::unique_ptr<char[]> chunk_;
  std::size_t at_ = 0;
  std::size_t size_ = 0;
  std::uintmax_t read_ = 0;
  bool tooLarge_ = false;
};

// An input iterator over a ChunkedFile, which is what nlohmann's input
// adapter asks of a source that is not contiguous.
class ChunkedIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = char;

  ChunkedIterator() = default;
  explicit ChunkedIterator(ChunkedFile& file) : file_(&file) {}
  char operator*() const { return file_->Current(); }
  ChunkedIterator& operator++() {
    file_->Advance();
    return *this;
  }
  friend bool operator==(const ChunkedIterator& a, const ChunkedIterator& b) {
    return a.AtEnd() == b.AtEnd();
  }
  friend bool operator!=(const ChunkedIterator& a, const ChunkedIterator& b) { return !(a == b); }

 private:
  bool AtEnd() const { return file_ == nullptr || file_->AtEnd(); }
  ChunkedFile* file_ = nullptr;  // nullptr: the end
};

// What PowerShell 5.1's > makes of the program's output, re-encoded on the way.
std::optional<std::string> RefuseUtf16(std::string_view start) {
  if (start.size() >= 2 &&
      ((start[0] == '\xFF' && start[1] == '\xFE') || (start[0] == '\xFE' && start[1] == '\xFF'))) {
    return std::string("UTF-16 text, not the program's own output; save it with cmd's >");
  }
  return std::nullopt;
}

template <class Iterator>
std::optional<std::string> ParseKeys(Iterator first, Iterator last, std::vector<MachineKey>& keys) {
  KeysReader reader;
  if (!Json::sax_parse(first, last, &reader)) return reader.refusal();
  reader.TakeKeys(keys);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ReadMachineKeys(std::string_view document,
                                           std::vector<MachineKey>& keys) {
  if (auto problem = RefuseUtf16(document)) return problem;
  return ParseKeys(document.begin(), document.end(), keys);
}

std::optional<std::string> ReadDocumentKeys(const std::filesystem::path& file,
                                            std::vector<MachineKey>& keys) {
  std::ifstream in;
  if (std::optional<std::string> problem = tools::OpenCaptureFile(file, in)) return problem;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  ChunkedFile chunks(in, error ? 0 : size);
  std::optional<std::string> problem = RefuseUtf16(chunks.Start());
  if (!problem) problem = ParseKeys(ChunkedIterator(chunks), ChunkedIterator(), keys);
  if (chunks.TooLarge()) return tools::TooLargeCaptureFile(file);
  if (chunks.Failed()) return file.string() + ": cannot be read";
  if (problem) return file.string() + ": " + *problem;
  return std::nullopt;
}

void AppendKeyValue(std::string& out, const std::optional<std::string>& value) {
  if (value) {
    AppendJsonValue(out, *value);
  } else {
    out += "null";
  }
}

std::string Shown(std::string_view text, bool console) {
  return console ? ConsoleVisible(text) : std::string(text);
}

std::string ShownKeyValue(const MachineKey& key, bool console) {
  return key.value ? Shown(*key.value, console) : std::string(key.kind->placeholder);
}

}  // namespace quorvex::keys
