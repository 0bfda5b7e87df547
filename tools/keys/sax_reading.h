// What the readers of documents from other machines share, each with a SAX
// handler of its own: the reading of a text or a file in one pass, where a
// refused value stands, and what nlohmann's parser said of a text that is no
// JSON.
#pragma once

#include <cstddef>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "capture_file.h"
#include "quorvex/failure.h"
#include "report/json_text.h"

namespace quorvex {

// The RFC 6901 pointer to the value that the first `depth` open containers
// lead to: an array's element by the count of those begun so far, an
// object's member by its name. A Frame has `array`, `count` and `member`.
template <class Frame>
std::string PointerTo(const std::vector<Frame>& frames, std::size_t depth) {
  std::string pointer;
  for (std::size_t i = 0; i < depth; ++i) {
    const Frame& frame = frames[i];
    if (frame.array) {
      pointer += '/';
      pointer += std::to_string(frame.count - 1);
    } else {
      AppendPointerToken(pointer, frame.member);
    }
  }
  return pointer;
}

// "not JSON: " and the parser's reason, without its "[json.exception...] "
// prefix. The reason quotes what was read, which may hold anything: the
// message made of it shows it, never obeys it.
inline std::string NotJson(const nlohmann::detail::exception& error) {
  std::string_view what = error.what();
  if (const std::size_t id = what.find("] "); id != std::string_view::npos) {
    what.remove_prefix(id + 2);
  }
  return "not JSON: " + std::string(what);
}

// What PowerShell 5.1's > makes of a program's output, re-encoded on the
// way: a byte-order mark of UTF-16 at the start.
inline bool IsUtf16(std::string_view start) {
  return start.size() >= 2 &&
         ((start[0] == '\xFF' && start[1] == '\xFE') || (start[0] == '\xFE' && start[1] == '\xFF'));
}

inline constexpr const char* kUtf16 =
    "UTF-16 text, not the program's own output; save it with cmd's >";

// Reads the text from `first` to `last` with a new Handler, which gives its
// refusal() or, read, its result() into `read`.
template <class Handler, class Iterator, class Result>
std::optional<Failure> SaxRead(Iterator first, Iterator last, Result& read) {
  Handler handler;
  if (!nlohmann::json::sax_parse(first, last, &handler)) return std::move(handler.refusal());
  read = std::move(handler.result());
  return std::nullopt;
}

// The same of a document given whole.
template <class Handler, class Result>
std::optional<Failure> SaxReadText(std::string_view document, Result& read) {
  if (IsUtf16(document)) return Failure{{}, std::nullopt, kUtf16};
  return SaxRead<Handler>(document.begin(), document.end(), read);
}

// The same of a file, with the one reader of user-named files: a file that
// its first chunk holds whole, as a machine's documents are, is parsed as
// the bytes in memory it is, a larger one a chunk at a time; the failure
// names the file.
template <class Handler, class Result>
std::optional<Failure> SaxReadFile(const std::filesystem::path& file, Result& read) {
  tools::CaptureFileChunks chunks;
  if (std::optional<Failure> problem = chunks.Open(file)) return problem;
  // The first chunk holds the file's first two bytes, unless it is shorter.
  const std::string_view start = chunks.Next();
  if (IsUtf16(start)) return tools::FileFailure(file, kUtf16);
  std::optional<Failure> refusal =
      chunks.Whole() ? SaxRead<Handler>(start.data(), start.data() + start.size(), read)
                     : SaxRead<Handler>(tools::CaptureFileChunks::Iterator(chunks, start),
                                        tools::CaptureFileChunks::Iterator(), read);
  if (std::optional<Failure> problem = chunks.Problem()) return problem;
  if (refusal) refusal->path = file.u8string();
  return refusal;
}

}  // namespace quorvex
