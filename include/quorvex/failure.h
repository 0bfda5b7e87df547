// Why a call failed: one shape for every call of the library that reads a
// document, a file or a capture folder, or writes a document, and one
// message maker.
//
// Part of the Quorvex library (find_package(quorvex CONFIG)): quorvex::quorvex.
#pragma once

#include <optional>
#include <string>

namespace quorvex {

struct Failure {
  // The file or folder that could not be read, UTF-8, as the caller named
  // it or as it lies in the folder named; empty for a document handed over
  // as text, or one to be written.
  std::string path;
  // Inside a JSON document, the RFC 6901 pointer to what is wrong ("" for
  // the document as a whole), or to where a record would not be written;
  // std::nullopt where the fault has no place in a document: the text is no
  // JSON at all, or the file cannot be read.
  std::optional<std::string> pointer;
  // What is wrong, such as "not a whole number from 0 to 7".
  std::string reason;
};

// "PATH: POINTER: REASON", each part there when it is known ("the document"
// for the pointer ""). A file's name, a member's name and a quoted value may
// hold anything, so every control in the message is shown as a picture
// (U+2400 + code, U+2421 for DEL) and never acts on a terminal.
std::string FailureMessage(const Failure& failure);

}  // namespace quorvex
