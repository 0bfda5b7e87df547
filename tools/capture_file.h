// The one reader of a file that a user hands the tools: a capture folder's
// files, a saved identities document, a key file. Read whole, or a chunk at
// a time by a reader that would otherwise hold it twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "quorvex/failure.h"

namespace quorvex::tools {

// Opens the file for reading into `in` and gives its size as it was then
// in `size`, or says why it is refused, without naming it. A file that is not a regular one once
// links are followed (a pipe, a device, a folder) or that is larger than
// capture_format::kMaxCaptureFileBytes is refused before a byte of it is
// read: reading a pipe or a device may never end. The file may still grow;
// whoever reads it keeps to the limit.
std::optional<std::string> CaptureFileProblem(const std::filesystem::path& file, std::ifstream& in,
                                              std::uintmax_t& size);

// Why a file over the limit is refused.
inline constexpr const char* kTooLargeCaptureFile = "larger than the 64 MiB any capture file holds";

// A failure that names `file` and says `reason`.
Failure FileFailure(const std::filesystem::path& file, std::string reason);

// Reads the whole file into `bytes`, or says why not, with
// CaptureFileProblem's refusals.
std::optional<Failure> ReadCaptureFile(const std::filesystem::path& file, std::string& bytes);

// The same file a chunk at a time, for a reader that would otherwise hold it
// twice: nlohmann's lexer keeps every bracket and blank since the last
// string, number or literal, so a document read whole would cost twice its
// bytes when it is mostly brackets. The limit is kept while reading, since
// the file may have grown since it was opened.
class CaptureFileChunks {
 public:
  CaptureFileChunks() = default;
  CaptureFileChunks(const CaptureFileChunks&) = delete;
  CaptureFileChunks& operator=(const CaptureFileChunks&) = delete;

  // Opens `file` with CaptureFileProblem's refusals, naming it.
  std::optional<Failure> Open(const std::filesystem::path& file);

  // The next chunk's bytes; none at the end of the file or past the limit.
  // A small file is read into room of its own size, so that its first chunk
  // holds it whole: a fleet's documents are a few kilobytes, and room is not
  // cleared before it is written.
  std::string_view Next();

  // Whether the last chunk read ended the file.
  bool Whole() const { return !in_ && !in_.bad() && !tooLarge_; }

  // Why the reading fell short, naming the file: too large, or unreadable.
  std::optional<Failure> Problem() const;

  // An input iterator over the bytes from a chunk on, as nlohmann's input
  // adapter takes a source that is not contiguous. Within a chunk it is a
  // pointer; it asks for the next chunk when it is compared at a chunk's
  // end, which is why its place may change in a comparison.
  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = char;

    Iterator() = default;  // the end
    // At the start of `chunk`, which `chunks` gave last.
    Iterator(CaptureFileChunks& chunks, std::string_view chunk)
        : chunks_(&chunks), at_(chunk.data()), last_(chunk.data() + chunk.size()) {}
    char operator*() const { return *at_; }
    Iterator& operator++() {
      ++at_;
      return *this;
    }
    friend bool operator==(const Iterator& a, const Iterator& b) { return a.AtEnd() == b.AtEnd(); }
    friend bool operator!=(const Iterator& a, const Iterator& b) { return !(a == b); }

   private:
    bool AtEnd() const { return chunks_ == nullptr || (at_ == last_ && !NextChunk()); }
    // Whether the file had more; out of the way of the byte-by-byte path.
    bool NextChunk() const;

    CaptureFileChunks* chunks_ = nullptr;
    mutable const char* at_ = nullptr;
    mutable const char* last_ = nullptr;
  };

 private:
  static constexpr std::uintmax_t kChunkBytes = 1 << 16;

  std::filesystem::path file_;
  std::ifstream in_;
  std::unique_ptr<char[]> room_;
  std::size_t roomBytes_ = 0;
  std::uintmax_t read_ = 0;
  bool tooLarge_ = false;
};

}  // namespace quorvex::tools
