// The record of the machine the program asks, apart from the text report so
// that quorvex.exe, which only prints, carries none of it.
#include <iostream>
#include <optional>
#include <string>

#include "app/run_sequence.h"
#include "quorvex/identities.h"
#include "quorvex/report.h"
#include "report/report_output.h"

namespace quorvex {

Identities CollectIdentities() {
  Identities record;
  ChooseReportForm(kIdentitiesRecord, {false, &record});
  RunPhases();
  // The record is the caller's now: no event may reach it any more.
  ChooseReportForm(kTextReport, {});
  return record;
}

std::optional<Failure> WriteIdentitiesJson() {
  std::string document;
  if (std::optional<Failure> refused = IdentitiesDocument(CollectIdentities(), document)) {
    return refused;
  }
  std::cout.write(document.data(), static_cast<std::streamsize>(document.size()));
  std::cout.flush();
  return std::nullopt;
}

#if defined(_WIN32)
Identities ReadThisMachine() { return CollectIdentities(); }
#endif

}  // namespace quorvex
