// The three registry places that hold UUIDs for one NVIDIA adapter. Each
// prints one UUID line per find and nothing on any failure.
#pragma once

#include <cstdint>

#include "gpu/uuid_rules.h"
#include "platform/win32.h"

namespace quorvex {

// Every value of the adapter's driver or device key (as `rules` say) that is a UUID.
void ScanKeyForUuids(HDEVINFO set, SP_DEVINFO_DATA& device, std::int32_t gpu,
                     const UuidPassRules& rules);

// The "GPU UUID" value of the NVTweak key numbered by the GPU counter.
void ReadNvTweakUuid(std::int32_t gpu);

}  // namespace quorvex
