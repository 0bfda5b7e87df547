// Any bytes as a fetched SMBIOS table: once as they come, and once with the
// header's length set to what actually follows it, so that the walk gets past
// the header on most inputs. The report's lines go to a sink.
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <streambuf>
#include <vector>

#include "platform/system_names.h"
#include "smbios/smbios_walk.h"

namespace {

class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char* /*text*/, std::streamsize count) override { return count; }
};

void Walk(const std::vector<std::uint8_t>& table) {
  // An exact-size copy, so that a read one past the end is caught.
  quorvex::WalkSmbiosTable(quorvex::ByteView(table.data(), table.size()));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  static NullBuffer sink;
  std::cout.rdbuf(&sink);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> table(data, data + size);
  Walk(table);
  if (table.size() >= quorvex::kSmbiosHeaderBytes) {
    const std::size_t length = table.size() - quorvex::kSmbiosHeaderBytes;
    for (std::size_t i = 0; i < 4; ++i) table[4 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    Walk(table);
  }
  return 0;
}
