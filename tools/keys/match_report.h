// --match's output: what MatchFingerprints found, for a person or as a document.
#pragma once

#include <ostream>
#include <string>

#include "quorvex/fingerprint.h"

namespace quorvex::keys {

// For a person: the verdict and what decided it in words, then a line per
// kind with its counts ("drive-serial  1 matched, 1 changed").
void WriteMatchText(const FingerprintMatch& match, std::ostream& out);

// One quorvex-match document, version 1 (docs/quorvex-match.schema.json), and a line end.
void WriteMatchJson(const FingerprintMatch& match, const std::string& enrolledName,
                    const std::string& currentName, std::ostream& out);

}  // namespace quorvex::keys
