// The registry keys the report can read, read back through the wide
// registry functions so that names and texts stay exact.
#pragma once

#include <vector>

#include "capture/reg_export.h"

namespace quorvex::capture {

struct RegistryCapture {
  bool deviceSetFails = false;  // the display device set could not be made
  std::vector<RegExportKey> keys;
};

// For each display device, in the device installer's order: its instance key
// (ClassGUID, DeviceDesc, Driver), its driver key and its device key, each
// when it opens; then the NVTweak key of each NVIDIA adapter that has one.
// Everything is opened for reading only.
RegistryCapture CaptureRegistry();

}  // namespace quorvex::capture
