// The identities document of the machine the program asks: this machine, or
// the stand-in a capture was loaded into.
#pragma once

#include <string>

namespace quorvex::keys {

// What WriteIdentitiesJson writes, kept in memory instead of standard output.
std::string MachineIdentities();

}  // namespace quorvex::keys
