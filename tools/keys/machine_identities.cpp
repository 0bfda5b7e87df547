#include "keys/machine_identities.h"

#include <iostream>
#include <sstream>

#include "quorvex/report.h"

namespace quorvex::keys {
namespace {

// Standard output goes to `target` for the life of the object.
class CoutTo {
 public:
  explicit CoutTo(std::ostream& target) : saved_(std::cout.rdbuf(target.rdbuf())) {}
  CoutTo(const CoutTo&) = delete;
  CoutTo& operator=(const CoutTo&) = delete;
  ~CoutTo() { std::cout.rdbuf(saved_); }

 private:
  std::streambuf* saved_;
};

}  // namespace

std::string MachineIdentities() {
  std::ostringstream document;
  {
    const CoutTo redirect(document);
    WriteIdentitiesJson();
  }
  return document.str();
}

}  // namespace quorvex::keys
