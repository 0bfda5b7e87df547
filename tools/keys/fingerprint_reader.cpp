// ReadFingerprintDocument and ReadFingerprintFile: nlohmann's SAX parser
// with a handler of ours that knows the document's three members and a
// component's two, and builds nothing but the fingerprint.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "capture_file.h"
#include "keys/sax_reading.h"
#include "quorvex/fingerprint.h"

namespace quorvex {
namespace {

using Json = nlohmann::json;

// A fingerprint document nests three levels deep. A file nested far deeper
// is none, and stopping at once keeps its nesting from costing anything.
constexpr std::size_t kMaxDepth = 16;

// What a value stands for in the format, found from where it stands.
enum class Place : std::uint8_t {
  kSkipped,  // a member the format does not name, and all it holds
  kDocument,
  kFormat,
  kVersion,
  kComponents,
  kComponent,
  kKind,
  kTag,
};

struct Member {
  std::string_view name;
  Place place;
};

constexpr Member kDocumentMembers[] = {
    {"format", Place::kFormat}, {"version", Place::kVersion}, {"components", Place::kComponents}};
constexpr Member kComponentMembers[] = {{"kind", Place::kKind}, {"tag", Place::kTag}};

struct Members {
  const Member* first = nullptr;
  std::size_t count = 0;
};

Members MembersOf(Place place) {
  if (place == Place::kDocument) return {kDocumentMembers, std::size(kDocumentMembers)};
  if (place == Place::kComponent) return {kComponentMembers, std::size(kComponentMembers)};
  return {};
}

// What a value at `place` must be, for the refusal of one that is not.
std::string_view Expected(Place place) {
  switch (place) {
    case Place::kDocument:
    case Place::kComponent:
      return "not an object";
    case Place::kFormat:
      return "not \"quorvex-fingerprint\"";
    case Place::kVersion:
      return "not 1, the version this tool reads";
    case Place::kComponents:
      return "not an array";
    case Place::kKind:
      return "not a kind of machine key";
    default:
      return "not 32 lower-case hexadecimal digits";
  }
}

int LowerHexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ParseTag(std::string_view text, FingerprintTag& tag) {
  if (text.size() != 2 * tag.size()) return false;
  for (std::size_t i = 0; i < tag.size(); ++i) {
    const int high = LowerHexDigit(text[2 * i]);
    const int low = LowerHexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    tag[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return true;
}

// One container open in the document.
struct Frame {
  Place place = Place::kSkipped;
  bool array = false;
  std::size_t count = 0;  // an array's elements begun so far
  std::string member;     // an object's member whose value comes next, as named
  Place memberPlace = Place::kSkipped;
  std::uint8_t seen = 0;  // the format's members met so far, a bit each
};

// The nlohmann SAX handler: one event at a time.
class FingerprintReader {
 public:
  // Called by nlohmann's parser, as its SAX interface names them.
  bool null() { return Scalar(nullptr, false); }
  bool boolean(bool /*value*/) { return Scalar(nullptr, false); }
  bool number_integer(std::int64_t value) { return Scalar(nullptr, value == kFingerprintVersion); }
  bool number_unsigned(std::uint64_t value) {
    return Scalar(nullptr, value == static_cast<std::uint64_t>(kFingerprintVersion));
  }
  bool number_float(double /*value*/, const std::string& /*text*/) {
    return Scalar(nullptr, false);
  }
  bool string(std::string& value) { return Scalar(&value, false); }
  bool binary(Json::binary_t& /*value*/) { return Scalar(nullptr, false); }
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
  Fingerprint& result() { return fingerprint_; }

 private:
  // Refuses what the frames below `depth` lead to.
  bool Refuse(std::size_t depth, std::string_view what) {
    refusal_ = {{}, PointerTo(frames_, depth), std::string(what)};
    return false;
  }

  // The place of the value that begins now, counted in its array.
  Place Next() {
    if (frames_.empty()) return Place::kDocument;
    Frame& top = frames_.back();
    if (!top.array) return top.memberPlace;
    ++top.count;
    if (top.place == Place::kComponents) return Place::kComponent;
    return Place::kSkipped;
  }

  bool Scalar(const std::string* text, bool isVersion);
  bool Open(bool array);
  bool Close();
  bool CloseObject(const Frame& frame);

  std::vector<Frame> frames_;
  Failure refusal_;
  Fingerprint fingerprint_;
};

bool FingerprintReader::key(std::string& name) {
  Frame& top = frames_.back();
  top.member = name;
  top.memberPlace = Place::kSkipped;
  const Members members = MembersOf(top.place);
  for (std::size_t i = 0; i < members.count; ++i) {
    if (members.first[i].name != name) continue;
    const auto bit = static_cast<std::uint8_t>(1U << i);
    if ((top.seen & bit) != 0) return Refuse(frames_.size() - 1, "\"" + name + "\" named twice");
    top.seen |= bit;
    top.memberPlace = members.first[i].place;
    break;
  }
  return true;
}

bool FingerprintReader::Scalar(const std::string* text, bool isVersion) {
  const Place place = Next();
  const std::size_t at = frames_.size();
  switch (place) {
    case Place::kSkipped:
      return true;
    case Place::kFormat:
      return (text && *text == kFingerprintFormat) || Refuse(at, Expected(place));
    case Place::kVersion:
      return isVersion || Refuse(at, Expected(place));
    case Place::kKind: {
      const std::optional<KeyKind> kind = text ? KeyKindNamed(*text) : std::nullopt;
      if (!kind) return Refuse(at, Expected(place));
      fingerprint_.components.back().kind = *kind;
      return true;
    }
    case Place::kTag:
      return (text && ParseTag(*text, fingerprint_.components.back().tag)) ||
             Refuse(at, Expected(place));
    default:
      return Refuse(at, Expected(place));
  }
}

bool FingerprintReader::Open(bool array) {
  const Place place = Next();
  const bool fits = place == Place::kSkipped ||
                    (array ? place == Place::kComponents : MembersOf(place).count > 0);
  if (!fits) return Refuse(frames_.size(), Expected(place));
  if (frames_.size() == kMaxDepth) {
    return Refuse(frames_.size(), "nested deeper than any fingerprint document");
  }
  if (place == Place::kComponent) fingerprint_.components.emplace_back();
  Frame& frame = frames_.emplace_back();
  frame.place = place;
  frame.array = array;
  return true;
}

bool FingerprintReader::Close() {
  const Frame frame = std::move(frames_.back());
  frames_.pop_back();
  return frame.array || CloseObject(frame);
}

// An object is whole: every member met, and a component after the one before it.
bool FingerprintReader::CloseObject(const Frame& frame) {
  const std::size_t at = frames_.size();
  const Members members = MembersOf(frame.place);
  for (std::size_t i = 0; i < members.count; ++i) {
    if ((frame.seen & (1U << i)) == 0) {
      return Refuse(at, "no member \"" + std::string(members.first[i].name) + "\"");
    }
  }
  const auto& components = fingerprint_.components;
  if (frame.place != Place::kComponent || components.size() < 2) return true;
  const FingerprintComponent& before = components[components.size() - 2];
  if (before == components.back()) return Refuse(at, "the same component as the one before");
  if (components.back() < before) {
    return Refuse(at, "out of order: components come in the kinds' order, then by tag");
  }
  return true;
}

}  // namespace

std::optional<Failure> ReadFingerprintDocument(std::string_view document,
                                               Fingerprint& fingerprint) {
  return SaxReadText<FingerprintReader>(document, fingerprint);
}

std::optional<Failure> ReadFingerprintFile(const std::filesystem::path& file,
                                           Fingerprint& fingerprint) {
  return SaxReadFile<FingerprintReader>(file, fingerprint);
}

}  // namespace quorvex
