#include "replay/capture_folder.h"

namespace quorvex::replay {

// Registry captures are read once the NVIDIA phase exists; until then a
// folder that holds one is refused rather than replayed without it.
std::optional<std::string> LoadRegistryCapture(const std::filesystem::path& folder,
                                               standin::Machine& /*machine*/) {
  std::error_code error;
  if (std::filesystem::exists(folder / "registry.reg", error) ||
      std::filesystem::exists(folder / "setupapi.fails", error)) {
    return (folder / "registry.reg").string() + ": registry captures are not read yet";
  }
  return std::nullopt;
}

}  // namespace quorvex::replay
