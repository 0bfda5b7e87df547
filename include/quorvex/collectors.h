// The phases the run sequence calls, in the order it calls them. Each prints
// its own lines and returns normally whatever the machine answers.
#pragma once

#include "quorvex/drive_identity.h"

namespace quorvex {

void CollectNvidiaGpus();
void DumpSmbios();

}  // namespace quorvex
