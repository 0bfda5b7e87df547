#pragma once

#include <optional>

#include "quorvex/failure.h"
#include "quorvex/identities.h"

namespace quorvex {

// The whole program: the banner, the three phases in their fixed order, the
// completion line, then one character read from standard input. Writes to
// std::cout and reads std::cin, so a test can swap their buffers. Returns the
// process exit code, which is always 0.
int RunReport();

// The same phases, asking the machine the same things, into a record: this
// machine on Windows, the stand-in machine elsewhere. Prints nothing.
Identities CollectIdentities();

// The record's identities document (IdentitiesDocument) on standard output,
// or nothing and why the record was refused.
std::optional<Failure> WriteIdentitiesJson();

// Gives standard output a full buffer. The C runtime leaves it unbuffered on
// a console, so each character would be a write of its own; every line of
// the report ends in a flush, so lines still show the moment they are known.
// Call it before anything is written to standard output.
void BufferStandardOutput();

}  // namespace quorvex
