// The fingerprints' evaluation (bench/README.md): a fleet of made-up
// machines, with the filler, dummy UUIDs and repeated values real firmware
// carries, fingerprinted under one key; each machine put through the change
// events a licence meets, and matched against its enrolled fingerprint;
// every pair of distinct machines matched too. One line a figure, for
// bench/table.py:
//
//   machines COUNT THREE_OR_MORE TWO ONE NONE FEWEST MEDIAN MOST   (components)
//   event NAME APPLIED RECOGNISED APPLIED_STRONG RECOGNISED_STRONG TAKEN_FOR_ANOTHER
//   pairs PAIRS FALSE_MATCHES MOST_SHARED
//   clones PAIRS MATCHED
//
// STRONG machines have three components or more, the ones the rule promises
// to recognise after any one change (a machine of one is weak); TAKEN_FOR_ANOTHER counts changed
// machines that match another machine's enrolled fingerprint. Clones (pairs
// of virtual machines that keep one image's UUID and disk serials) are
// counted apart from the distinct pairs: telling them apart is beyond any
// fingerprint, and the fleet query is what shows them.
//
// usage: fingerprint_eval [MACHINES]   (1,000 by default; every value made up, the seed fixed)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "quorvex/fingerprint.h"

namespace {

using quorvex::Identities;
using quorvex::KeyKind;

constexpr std::string_view kDummyUuid = "03000200-0400-0500-0006-000700080009";
constexpr unsigned kClonePairs = 10;

std::mt19937_64 random(20240611);

unsigned Below(unsigned n) { return static_cast<unsigned>(random() % n); }
bool Chance(unsigned percent) { return Below(100) < percent; }

std::string Hex(unsigned digits) {
  std::string text;
  for (unsigned i = 0; i < digits; ++i) text += "0123456789ABCDEF"[Below(16)];
  return text;
}

std::string NewUuid() {
  return Hex(8) + "-" + Hex(4) + "-" + Hex(4) + "-" + Hex(4) + "-" + Hex(12);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// How a make's firmware fills a field: a new value each time, or always the same text.
using Filler = std::function<std::string()>;
Filler Always(std::string text) {
  return [text] { return text; };
}
Filler Serial(std::string prefix, unsigned digits) {
  return [prefix, digits] { return prefix + Hex(digits); };
}

struct Make {
  unsigned share;  // machines in a hundred
  Filler systemUuid, systemSerial, baseboardSerial, chassisSerial, assetTag, processorSerial;
  Filler memorySerial, driveSerial;
  unsigned fewestModules, mostModules, fewestDrives, mostDrives, gpuPercent;
};

// Makes of machines as fleets hold them; the fillers are texts boards are seen to carry.
const Make kMakes[] = {
    // Business desktops: the service tag as system and chassis serial, asset tags often from one
    // pool.
    {30, NewUuid, Serial("SVC", 5), Serial("/CN1296", 8), Always("same as system"),
     [] {
       return Chance(20) ? std::string("INV-POOL") : Chance(50) ? "No Asset Tag" : "INV-" + Hex(5);
     },
     Always("Not Specified"), Serial("", 8), Serial("S4EWNX0", 7), 2, 4, 1, 2, 20},
    // Boards for builders: filler in every SMBIOS serial, half of them the dummy UUID.
    {25, [] { return Chance(50) ? std::string(kDummyUuid) : NewUuid(); },
     Always("To Be Filled By O.E.M."),
     [] { return Chance(50) ? "Default string" : "M80-" + Hex(8); }, Always("Default string"),
     Always("Default string"), Always("To Be Filled By O.E.M."),
     [] { return Chance(30) ? std::string("00000000") : Hex(8); }, Serial("WD-WX", 10), 2, 4, 1, 3,
     90},
    // Laptops: soldered memory without serial numbers.
    {20, NewUuid, Serial("PF", 6), Serial("L1HF", 8), Always("same as system"), Always(""),
     Always("Unknown"), [] { return Chance(50) ? std::string("00000000") : Hex(8); },
     Serial("2214E", 7), 1, 2, 1, 1, 30},
    // Workstations: the processor's serial field holds the CPUID, which every machine of a model
    // shares.
    {15, NewUuid, Serial("WS", 8), Serial("WSB", 9), Always("same as system"), Serial("AT", 6),
     [] { return std::string("BFEBFBFF000") + "906EA"[Below(3)] + "0A"; }, Serial("", 8),
     Serial("Z1X", 6), 4, 8, 2, 4, 50},
    // Virtual machines: no memory serials, a virtual disk that has a serial number only half the
    // time.
    {10, NewUuid, Serial("VMware-56 4d ", 8), Always("None"), Always("No Asset Tag"),
     Always("No Asset Tag"), Always(""), Always("Not Specified"),
     [] { return Chance(50) ? "6000c29" + Hex(9) : std::string(); }, 1, 1, 1, 1, 0},
};

const Make& MakeOf(unsigned m) {
  unsigned at = m % 100;
  for (const Make& make : kMakes) {
    if (at < make.share) return make;
    at -= make.share;
  }
  return kMakes[0];
}

// A structure that holds one key, where the record keeps that kind.
void Put(Identities& machine, KeyKind kind, const std::string& value) {
  const quorvex::KeyKindInfo& info = quorvex::InfoOf(kind);
  Identities::Structure& structure = machine.smbios.structures.emplace_back();
  structure.kind = std::string(info.container);
  structure.fields.push_back({std::string(info.field), value});
}

std::optional<std::string>* Find(Identities& machine, KeyKind kind, std::size_t ordinal = 0) {
  const quorvex::KeyKindInfo& info = quorvex::InfoOf(kind);
  for (Identities::Structure& structure : machine.smbios.structures) {
    if (structure.kind != info.container || structure.fields[0].name != info.field) continue;
    if (ordinal-- == 0) return &structure.fields[0].value;
  }
  return nullptr;
}

// The registry writes a GUID in braces and upper case, NVIDIA's driver key with GPU- in lower case.
void PutGpu(Identities& machine, const std::string& uuid) {
  Identities::Adapter& adapter = machine.nvidia.adapters.emplace_back();
  adapter.index = static_cast<std::int32_t>(machine.nvidia.adapters.size() - 1);
  adapter.uuids = {"GPU-" + Lower(uuid), "{" + uuid + "}"};
}

void PutDrive(Identities& machine, const std::string& serial) {
  Identities::Drive& drive = machine.drives.emplace_back();
  drive.number = static_cast<std::int32_t>(machine.drives.size() - 1);
  drive.serialNumber = serial;
}

Identities NewMachine(const Make& make) {
  Identities machine;
  machine.nvidia.adaptersListed = true;
  machine.smbios.fetchFailed = false;
  const std::string serial = make.systemSerial();
  Put(machine, KeyKind::kSystemUuid, make.systemUuid());
  Put(machine, KeyKind::kSystemSerial, serial);
  Put(machine, KeyKind::kBaseboardSerial, make.baseboardSerial());
  const std::string chassis = make.chassisSerial();
  Put(machine, KeyKind::kChassisSerial, chassis == "same as system" ? serial : chassis);
  Put(machine, KeyKind::kChassisAssetTag, make.assetTag());
  Put(machine, KeyKind::kProcessorSerial, make.processorSerial());
  const unsigned modules = make.fewestModules + Below(make.mostModules - make.fewestModules + 1);
  for (unsigned i = 0; i < modules; ++i) Put(machine, KeyKind::kMemorySerial, make.memorySerial());
  const unsigned drives = make.fewestDrives + Below(make.mostDrives - make.fewestDrives + 1);
  for (unsigned i = 0; i < drives; ++i) PutDrive(machine, make.driveSerial());
  if (Chance(make.gpuPercent)) PutGpu(machine, NewUuid());
  if (Chance(make.gpuPercent / 8)) PutGpu(machine, NewUuid());
  return machine;
}

struct Event {
  const char* name;
  // Changes the machine; false where the event does not apply to it.
  std::function<bool(Identities&, const Make&)> apply;
};

const Event kEvents[] = {
    {"drive-swapped",
     [](Identities& m, const Make& make) {
       if (m.drives.empty()) return false;
       m.drives[Below(static_cast<unsigned>(m.drives.size()))].serialNumber = make.driveSerial();
       return true;
     }},
    {"drive-added",
     [](Identities& m, const Make& make) {
       PutDrive(m, make.driveSerial());
       return true;
     }},
    {"drive-removed-rest-renumbered",
     [](Identities& m, const Make&) {
       if (m.drives.empty()) return false;
       m.drives.erase(m.drives.begin());
       for (std::size_t d = 0; d < m.drives.size(); ++d)
         m.drives[d].number = static_cast<std::int32_t>(d);
       return true;
     }},
    {"gpu-replaced",
     [](Identities& m, const Make&) {
       if (m.nvidia.adapters.empty()) return false;
       const std::string uuid = NewUuid();
       m.nvidia.adapters[0].uuids = {"GPU-" + Lower(uuid), "{" + uuid + "}"};
       return true;
     }},
    {"memory-module-replaced",
     [](Identities& m, const Make& make) {
       std::optional<std::string>* serial = Find(m, KeyKind::kMemorySerial);
       if (!serial) return false;
       *serial = make.memorySerial();
       return true;
     }},
    {"uuid-respelled",
     [](Identities& m, const Make&) {
       std::optional<std::string>* uuid = Find(m, KeyKind::kSystemUuid);
       *uuid = "{" + Lower(**uuid) + "}";
       for (Identities::Adapter& adapter : m.nvidia.adapters) {
         for (std::string& spelling : adapter.uuids) {
           spelling = spelling.rfind("GPU-", 0) == 0 ? spelling.substr(4) : "GPU-" + spelling;
         }
       }
       return true;
     }},
    {"board-replaced",
     [](Identities& m, const Make& make) {
       *Find(m, KeyKind::kSystemUuid) = make.systemUuid();
       *Find(m, KeyKind::kBaseboardSerial) = make.baseboardSerial();
       return true;
     }},
};

quorvex::Fingerprint FingerprintOf(quorvex::Fingerprinter& fingerprinter, const Identities& m) {
  quorvex::Fingerprint fingerprint;
  if (const auto failure = fingerprinter.Of(m, fingerprint)) {
    std::cerr << "fingerprint_eval: " << quorvex::FailureMessage(*failure) << "\n";
    std::exit(2);
  }
  return fingerprint;
}

}  // namespace

int main(int argc, char** argv) {
  const unsigned count =
      argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 1000;
  if (count < 4 * kClonePairs) return 2;
  std::optional<quorvex::Fingerprinter> fingerprinter;
  if (quorvex::Fingerprinter::Create(Hex(64), fingerprinter)) return 2;

  // The fleet; its last 2 × kClonePairs machines virtual ones, the last
  // kClonePairs of them clones of the kClonePairs before.
  std::vector<Identities> machines;
  std::vector<const Make*> makes;
  for (unsigned m = 0; m < count; ++m) {
    const bool virtualMachine = m + 2 * kClonePairs >= count;
    const bool clone = m + kClonePairs >= count;
    makes.push_back(virtualMachine ? &kMakes[std::size(kMakes) - 1] : &MakeOf(m));
    machines.push_back(clone ? machines[m - kClonePairs] : NewMachine(*makes.back()));
  }
  std::vector<quorvex::Fingerprint> enrolled;
  for (const Identities& machine : machines)
    enrolled.push_back(FingerprintOf(*fingerprinter, machine));
  const auto isClonePair = [&](unsigned a, unsigned b) {
    return b + kClonePairs >= count && a + kClonePairs == b;
  };

  std::vector<std::size_t> sizes;
  for (const quorvex::Fingerprint& f : enrolled) sizes.push_back(f.components.size());
  std::sort(sizes.begin(), sizes.end());
  const auto having = [&](std::size_t fewest, std::size_t most) {
    return static_cast<long>(std::count_if(
        sizes.begin(), sizes.end(), [&](std::size_t n) { return n >= fewest && n <= most; }));
  };
  std::printf("machines %u %ld %ld %ld %ld %zu %zu %zu\n", count, having(3, sizes.back()),
              having(2, 2), having(1, 1), having(0, 0), sizes.front(), sizes[sizes.size() / 2],
              sizes.back());

  for (const Event& event : kEvents) {
    unsigned applied = 0, recognised = 0, appliedStrong = 0, recognisedStrong = 0, confused = 0;
    for (unsigned m = 0; m < count; ++m) {
      Identities changed = machines[m];
      if (!event.apply(changed, *makes[m])) continue;
      const quorvex::Fingerprint now = FingerprintOf(*fingerprinter, changed);
      const bool same = quorvex::MatchFingerprints(enrolled[m], now).same;
      const bool isStrong = enrolled[m].components.size() >= 3;
      applied += 1;
      recognised += same;
      appliedStrong += isStrong;
      recognisedStrong += same && isStrong;
      for (unsigned other = 0; other < count; ++other) {
        if (other == m || isClonePair(std::min(m, other), std::max(m, other))) continue;
        if (quorvex::MatchFingerprints(enrolled[other], now).same) {
          ++confused;
          break;
        }
      }
    }
    std::printf("event %s %u %u %u %u %u\n", event.name, applied, recognised, appliedStrong,
                recognisedStrong, confused);
  }

  unsigned long pairs = 0, falseMatches = 0, clonePairs = 0, clonesMatched = 0;
  std::size_t mostShared = 0;
  for (unsigned a = 0; a < count; ++a) {
    for (unsigned b = a + 1; b < count; ++b) {
      const quorvex::FingerprintMatch match = quorvex::MatchFingerprints(enrolled[a], enrolled[b]);
      if (isClonePair(a, b)) {
        ++clonePairs;
        clonesMatched += match.same;
        continue;
      }
      ++pairs;
      falseMatches += match.same;
      mostShared = std::max(mostShared, match.matched);
    }
  }
  std::printf("pairs %lu %lu %zu\nclones %lu %lu\n", pairs, falseMatches, mostShared, clonePairs,
              clonesMatched);
  return 0;
}
