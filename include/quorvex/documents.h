// Reading an identities document (what quorvex-capture.exe --json wrote,
// version 1 or 2) back into the record of a machine's identities, from files
// that may come from machines nobody here controls: read in one pass with
// nlohmann/json's SAX interface, nothing built but the record, in time
// linear in the document's bytes.
//
// Part of the Quorvex library (find_package(quorvex CONFIG)):
// quorvex::documents, which needs nlohmann/json.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "quorvex/failure.h"
#include "quorvex/identities.h"

namespace quorvex {

// Reads `document` into `identities`, or leaves `identities` as it was and
// says why not. It takes what docs/quorvex-identities.schema.json takes and
// refuses what it refuses: every value the record holds is read and
// checked, and so are the document's own "keys", which MachineKeys judges
// afresh all the same; a whole number may be written 2.0; members the
// format does not name are skipped, whatever they hold (an agent that
// collects documents may add its own), and so are a structure's members
// that are not fields of its kind, wherever the kind stands. Beyond what a
// schema can say, a member the format names given twice in one object is
// refused, and so is nesting deeper than 16 levels. What it reads,
// IdentitiesDocument writes again.
std::optional<Failure> ReadIdentitiesDocument(std::string_view document, Identities& identities);

// The same of a file, read 64 KiB at a time, so that a file of nothing but
// brackets costs no more than its size; the failure names the file.
// Refused unread: a file that is not a regular one once links are followed
// (a pipe, a device, a folder) or that is larger than 64 MiB, no document
// coming near that.
std::optional<Failure> ReadIdentitiesFile(const std::filesystem::path& file,
                                          Identities& identities);

}  // namespace quorvex
