#include "replay/capture_registry.h"

#include <algorithm>
#include <string_view>
#include <system_error>

#include "capture_file.h"
#include "capture_format.h"
#include "platform/byte_view.h"
#include "platform/system_names.h"
#include "replay/capture_folder.h"
#include "replay/reg_file.h"

namespace quorvex::replay {
namespace {

namespace fs = std::filesystem;

// Enumerator, device and instance: an instance id has three parts.
constexpr std::size_t kInstanceIdParts = 3;

const standin::RegValue* ValueOf(const standin::RegKeyData& key, std::string_view name) {
  const auto it = std::find_if(
      key.values.begin(), key.values.end(),
      [&](const standin::RegValue& v) { return standin::EqualsIgnoreCase(v.name, name); });
  return it == key.values.end() ? nullptr : &*it;
}

// A value's text as the narrow functions return it: up to its first NUL.
std::string TextOf(const standin::RegValue* value) {
  if (value == nullptr) return {};
  return ByteView(value->data.data(), value->data.size()).TextAt(0);
}

// The instance id of a key three levels below Enum, or nothing for any other key.
std::optional<std::string> InstanceIdOf(const std::string& path) {
  if (path.size() <= kEnumKeyRoot.size() ||
      !standin::EqualsIgnoreCase(std::string_view(path).substr(0, kEnumKeyRoot.size()),
                                 kEnumKeyRoot)) {
    return std::nullopt;
  }
  std::string id = path.substr(kEnumKeyRoot.size());
  if (static_cast<std::size_t>(std::count(id.begin(), id.end(), '\\')) != kInstanceIdParts - 1) {
    return std::nullopt;
  }
  return id;
}

}  // namespace

std::vector<standin::DisplayAdapter> DisplayAdaptersIn(const standin::Registry& registry) {
  const std::string displayClass = GuidText(kDisplayClassGuid);
  std::vector<standin::DisplayAdapter> adapters;
  for (const standin::RegKeyData& key : registry.Keys()) {
    const std::optional<std::string> id = InstanceIdOf(key.path);
    if (!id || !standin::EqualsIgnoreCase(TextOf(ValueOf(key, "ClassGUID")), displayClass))
      continue;
    standin::DisplayAdapter adapter;
    adapter.instanceId = *id;
    if (const standin::RegValue* desc = ValueOf(key, "DeviceDesc")) adapter.deviceDesc = desc->data;
    const std::string driver = TextOf(ValueOf(key, "Driver"));
    if (!driver.empty()) adapter.driverKey = std::string(kClassKeyRoot) + driver;
    adapter.deviceKey = key.path + "\\" + std::string(kDeviceParametersKey);
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}

std::optional<Failure> LoadRegistryCapture(const fs::path& folder, standin::Machine& machine) {
  machine.classDevsFails = Exists(folder / capture_format::kSetupApiFailsFile);
  const fs::path file = folder / capture_format::kRegistryFile;
  if (!Exists(file)) return std::nullopt;  // an empty registry: no adapters
  standin::Bytes bytes;
  if (auto problem = ReadCaptureFile(file, bytes)) return problem;
  if (std::optional<std::string> problem = ApplyRegFile(bytes, machine.registry)) {
    return tools::FileFailure(file, std::move(*problem));
  }
  machine.adapters = DisplayAdaptersIn(machine.registry);
  return std::nullopt;
}

}  // namespace quorvex::replay
