// A value the system handed over, as a JSON value that holds exactly its
// bytes: a string when the bytes are valid UTF-8, else {"hex": "…"}.
#pragma once

#include <string>
#include <string_view>

namespace quorvex {

// UTF-8 as RFC 3629 defines it: no overlong form, no surrogate, nothing
// above U+10FFFF, no sequence cut short, no stray continuation byte.
bool IsValidUtf8(std::string_view bytes);

// Appends `bytes` as a JSON string when they are valid UTF-8: a quote, a
// backslash and every C0 control escaped as JSON requires, and DEL, the C1
// controls (U+0080 to U+009F) and U+2028/U+2029 as \u escapes too, so that
// the document cannot act on a terminal or in JavaScript; the decoded string
// is still exactly the bytes. Any other bytes become {"hex":"…"}: two
// upper-case hexadecimal digits per byte, nothing replaced or lost.
void AppendJsonValue(std::string& out, std::string_view bytes);

// Appends one reference token to an RFC 6901 pointer: a slash, then the
// token with ~ as ~0 and / as ~1.
void AppendPointerToken(std::string& pointer, std::string_view token);

}  // namespace quorvex
