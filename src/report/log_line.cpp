#include "report/log_line.h"

#include <cstdint>
#include <iostream>

#include "platform/hex_text.h"
#include "platform/win32.h"

namespace quorvex {
namespace {

constexpr std::uint8_t kDelete = 0x7F;
constexpr std::uint8_t kC1Lead = 0xC2;
constexpr std::uint8_t kC1First = 0x80;
constexpr std::uint8_t kC1Last = 0x9F;

// U+2400 + code for C0, U+2421 for DEL, all in the block E2 90 80 to E2 90 A1.
void AppendControlPicture(std::string& out, std::uint8_t control) {
  const auto offset = static_cast<std::uint8_t>(control == kDelete ? 0x21 : control);
  out += '\xE2';
  out += '\x90';
  out += static_cast<char>(0x80 + offset);
}

void AppendHexEscape(std::string& out, std::uint8_t code) {
  out += "\\x";
  AppendHexByte(out, code);
}

}  // namespace

std::string ConsoleVisible(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<std::uint8_t>(text[at]);
    if (byte < 0x20 || byte == kDelete) {
      AppendControlPicture(out, byte);
    } else if (byte == kC1Lead && at + 1 < text.size() &&
               static_cast<std::uint8_t>(text[at + 1]) >= kC1First &&
               static_cast<std::uint8_t>(text[at + 1]) <= kC1Last) {
      // Taken as a C1 control whatever comes before it: a decoder that meets
      // a broken sequence starts afresh at the lead byte.
      AppendHexEscape(out, static_cast<std::uint8_t>(text[++at]));
    } else {
      out += text[at];
    }
  }
  return out;
}

bool StandardOutputIsConsole() {
  DWORD mode = 0;
  // The standard handle is the process's own: it is borrowed here, never closed.
  return ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode) != FALSE;
}

void LogLine(std::string_view section, std::string_view message) {
  std::cout << kTag << ' ' << section << ' ' << message << '\n' << std::flush;
}

void LogLine(std::string_view section, std::string_view prefix, std::string_view value,
             bool console) {
  std::cout << kTag << ' ' << section << ' ' << prefix;
  if (console) {
    std::cout << ConsoleVisible(value);
  } else {
    std::cout << value;
  }
  std::cout << '\n' << std::flush;
}

void LogLine(std::string_view message) {
  std::cout << kTag << ' ' << message << '\n' << std::flush;
}

void EmptyLine() { std::cout << '\n' << std::flush; }

}  // namespace quorvex
