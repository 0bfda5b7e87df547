// Builds stand-in machines with display adapters and their registry keys,
// and runs the NVIDIA phase against them.
#pragma once

#include <string>

#include "quorvex/collectors.h"
#include "standin/model/machine.h"
#include "support/console_capture.h"
#include "support/standin_test.h"

namespace quorvex::testing {

inline constexpr const char* kClassRoot =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}\\";
inline constexpr const char* kEnumRoot = "SYSTEM\\CurrentControlSet\\Enum\\";
inline constexpr const char* kNvTweak = "SOFTWARE\\NVIDIA Corporation\\Global\\NVTweak\\Devices\\";
inline constexpr const char* kStart = "[TAMBRO] [NVIDIA] Reading UUIDs from driver registry...\n";

class GpuTest : public StandinTest {
 protected:
  // An adapter whose driver key is Class\{display}\<driverNumber> and whose
  // device key is its instance's Device Parameters; both exist, empty.
  standin::DisplayAdapter& AddAdapter(const std::string& instanceId, const std::string& desc,
                                      const std::string& driverNumber = "0000") {
    standin::DisplayAdapter adapter;
    adapter.instanceId = instanceId;
    adapter.deviceDesc = standin::TextValue(desc);
    adapter.driverKey = kClassRoot + driverNumber;
    adapter.deviceKey = kEnumRoot + instanceId + "\\Device Parameters";
    machine().registry.Key(adapter.driverKey);
    machine().registry.Key(adapter.deviceKey);
    machine().adapters.push_back(adapter);
    return machine().adapters.back();
  }

  std::string Run() {
    ConsoleCapture console;
    CollectNvidiaGpus();
    return console.Output();
  }
};

}  // namespace quorvex::testing
