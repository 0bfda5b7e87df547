// What the readers of documents from other machines share, each with a SAX
// handler of its own: where a refused value stands, and what nlohmann's
// parser said of a text that is no JSON.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace quorvex
