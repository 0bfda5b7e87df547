#include <gtest/gtest.h>

#include <string>

#include "quorvex/collectors.h"
#include "quorvex/report.h"
#include "smbios/smbios_table_builder.h"
#include "support/console_capture.h"
#include "support/standin_test.h"

namespace quorvex {
namespace {

using testing::Concat;
using testing::ConsoleCapture;
using testing::CountingUuid;
using testing::EndOfTable;
using testing::SmbiosBytes;
using testing::StructureBuilder;
using testing::WithHeader;

constexpr DWORD kRsmb = 0x52534D42;
constexpr const char* kFailure = "[TAMBRO] [SMBIOS] Failed to get firmware table\n";

// A made-up laptop: one of each identity structure, two processors (the
// second from older firmware, without its last three fields), three memory
// devices (one empty slot), and types that print nothing in between.
SmbiosBytes Laptop() {
  return WithHeader(Concat({
      StructureBuilder(0, 24)
          .Put(4, 1)
          .Put(5, 2)
          .Put(8, 3)
          .Text("Contoso Firmware")
          .Text("C1.02 ")
          .Text("01/02/2031")
          .Build(),
      StructureBuilder(1, 27)
          .Put(4, 1)
          .Put(5, 2)
          .Put(6, 3)
          .Put(7, 4)
          .Put(8, CountingUuid())
          .Text("Contoso")
          .Text("Rover 14")
          .Text("Rev \xC3\xA9")
          .Text("SYS-0001")
          .Build(),
      StructureBuilder(2, 15)
          .Put(4, 1)
          .Put(5, 2)
          .Put(7, 3)
          .Text("Contoso")
          .Text("Board R14")
          .Text("BRD-0002")
          .Build(),
      StructureBuilder(3, 22)
          .Put(4, 1)
          .Put(7, 2)
          .Put(8, 3)
          .Text("Contoso")
          .Text("CHS-0003")
          .Text("Asset 7")
          .Build(),
      StructureBuilder(7, 19).Put(4, 1).Text("L1 Cache").Build(),
      StructureBuilder(4, 48)
          .Put(4, 1)
          .Put(7, 2)
          .Put(16, 3)
          .Put(32, 4)
          .Put(33, 5)
          .Put(34, 6)
          .Text("CPU0")
          .Text("Fabrikam")
          .Text("Fabrikam Q9 @ 2.0GHz")
          .Text("CPU-SN-1")
          .Text("CPU-AT-1")
          .Text("Q9-PN")
          .Build(),
      StructureBuilder(4, 32)
          .Put(4, 1)
          .Put(7, 2)
          .Put(16, 3)
          .Text("CPU1")
          .Text("Fabrikam")
          .Text("Fabrikam Q9 @ 2.0GHz")
          .Build(),
      StructureBuilder(16, 23).Build(),
      StructureBuilder(17, 40)
          .Put(16, 1)
          .Put(17, 2)
          .Put(23, 3)
          .Put(24, 4)
          .Text("DIMM A")
          .Text("BANK 0")
          .Text("Northwind")
          .Text("MEM-0001")
          .Build(),
      StructureBuilder(17, 40).Put(16, 1).Put(17, 2).Text("DIMM B").Text("BANK 1").Build(),
      StructureBuilder(17, 34)
          .Put(16, 1)
          .Put(17, 2)
          .Put(23, 3)
          .Put(24, 4)
          .Text("DIMM C")
          .Text("BANK 2")
          .Text("Northwind")
          .Text("MEM-0003")
          .Build(),
      EndOfTable(),
      StructureBuilder(2, 9).Put(4, 1).Text("After the marker").Build(),
  }));
}

std::string LaptopLines(std::size_t tableLength) {
  return "[TAMBRO] [SMBIOS] SMBIOS size=" + std::to_string(tableLength) +
         " bytes\n"
         "[TAMBRO] [BIOS INFO] vendor: Contoso Firmware\n"
         "[TAMBRO] [BIOS INFO] version: C1.02 \n"
         "[TAMBRO] [BIOS INFO] releaseDate: 01/02/2031\n"
         "[TAMBRO] [SYSTEM INFO] manufacturer: Contoso\n"
         "[TAMBRO] [SYSTEM INFO] productName: Rover 14\n"
         "[TAMBRO] [SYSTEM INFO] version: Rev \xC3\xA9\n"
         "[TAMBRO] [SYSTEM INFO] serialNumber: SYS-0001\n"
         "[TAMBRO] [SYSTEM INFO] UUID: 33221100-5544-7766-8899-AABBCCDDEEFF\n"
         "[TAMBRO] [BASEBOARD INFO] manufacturer: Contoso\n"
         "[TAMBRO] [BASEBOARD INFO] product: Board R14\n"
         "[TAMBRO] [BASEBOARD INFO] version: is null\n"
         "[TAMBRO] [BASEBOARD INFO] serialNumber: BRD-0002\n"
         "[TAMBRO] [CHASSIS INFO] manufacturer: Contoso\n"
         "[TAMBRO] [CHASSIS INFO] Version: is null\n"
         "[TAMBRO] [CHASSIS INFO] serialNumber: CHS-0003\n"
         "[TAMBRO] [CHASSIS INFO] AssetTagNumber: Asset 7\n"
         "[TAMBRO] [PROCESSOR INFO] SocketDesignation: CPU0\n"
         "[TAMBRO] [PROCESSOR INFO] ProcessorManufacture: Fabrikam\n"
         "[TAMBRO] [PROCESSOR INFO] ProcessorVersion: Fabrikam Q9 @ 2.0GHz\n"
         "[TAMBRO] [PROCESSOR INFO] serialNumber: CPU-SN-1\n"
         "[TAMBRO] [PROCESSOR INFO] AssetTag: CPU-AT-1\n"
         "[TAMBRO] [PROCESSOR INFO] PartNumber: Q9-PN\n"
         "[TAMBRO] [PROCESSOR INFO] SocketDesignation: CPU1\n"
         "[TAMBRO] [PROCESSOR INFO] ProcessorManufacture: Fabrikam\n"
         "[TAMBRO] [PROCESSOR INFO] ProcessorVersion: Fabrikam Q9 @ 2.0GHz\n"
         "[TAMBRO] [MEMORY INFO] DeviceLocator: DIMM A\n"
         "[TAMBRO] [MEMORY INFO] BankLocator: BANK 0\n"
         "[TAMBRO] [MEMORY INFO] manufacturer: Northwind\n"
         "[TAMBRO] [MEMORY INFO] serialNumber: MEM-0001\n"
         "[TAMBRO] [MEMORY INFO] DeviceLocator: DIMM B\n"
         "[TAMBRO] [MEMORY INFO] BankLocator: BANK 1\n"
         "[TAMBRO] [MEMORY INFO] manufacturer: is null\n"
         "[TAMBRO] [MEMORY INFO] serialNumber: is null\n"
         "[TAMBRO] [MEMORY INFO] DeviceLocator: DIMM C\n"
         "[TAMBRO] [MEMORY INFO] BankLocator: BANK 2\n"
         "[TAMBRO] [MEMORY INFO] manufacturer: Northwind\n"
         "[TAMBRO] [MEMORY INFO] serialNumber: MEM-0003\n"
         "[TAMBRO] [SMBIOS] Reached end-of-table marker\n";
}

class DumpSmbiosTest : public testing::StandinTest {
 protected:
  std::string Dumped() {
    ConsoleCapture console;
    DumpSmbios();
    return console.Output();
  }
  void Install(const SmbiosBytes& table) {
    machine().firmware.present = true;
    machine().firmware.bytes = table;
  }
  // The size query: no buffer, size 0.
  void ExpectSizeQuery(const standin::FirmwareCall& call) {
    EXPECT_EQ(call.provider, kRsmb);
    EXPECT_EQ(call.tableId, 0u);
    EXPECT_FALSE(call.bufferGiven);
    EXPECT_EQ(call.bufferSize, 0u);
  }
  // The fetch: a zero-filled buffer of exactly the size the query answered.
  void ExpectFetch(const standin::FirmwareCall& call, std::size_t size) {
    EXPECT_EQ(call.provider, kRsmb);
    EXPECT_EQ(call.tableId, 0u);
    EXPECT_TRUE(call.bufferGiven);
    EXPECT_EQ(call.bufferSize, size);
    EXPECT_TRUE(call.bufferWasZero);
  }
};

TEST_F(DumpSmbiosTest, PrintsEveryIdentityLineOfTheTable) {
  const SmbiosBytes table = Laptop();
  Install(table);
  EXPECT_EQ(Dumped(), LaptopLines(table.size() - 8));
  ASSERT_EQ(calls().firmware.size(), 2u);
  ExpectSizeQuery(calls().firmware[0]);
  ExpectFetch(calls().firmware[1], table.size());
}

TEST_F(DumpSmbiosTest, NoTableIsAFailure) {
  EXPECT_EQ(Dumped(), kFailure);
  ASSERT_EQ(calls().firmware.size(), 1u);
  ExpectSizeQuery(calls().firmware[0]);
}

// Too short for the header: nothing could be walked, so there is no fetch.
TEST_F(DumpSmbiosTest, SizeBelowTheHeaderIsAFailure) {
  for (std::size_t size = 1; size < 8; ++size) {
    Reset();
    Install(SmbiosBytes(size, 0));
    EXPECT_EQ(Dumped(), kFailure) << size << " bytes";
    EXPECT_EQ(calls().firmware.size(), 1u) << size << " bytes";
  }
}

TEST_F(DumpSmbiosTest, FailedFetchIsReported) {
  Install(Laptop());
  machine().firmware.fetchFails = true;
  EXPECT_EQ(Dumped(), kFailure);
  ASSERT_EQ(calls().firmware.size(), 2u);
  ExpectFetch(calls().firmware[1], Laptop().size());
}

// Windows answers the size it now needs and writes nothing.
TEST_F(DumpSmbiosTest, TableThatGrewBeforeTheFetchIsReported) {
  Install(WithHeader(EndOfTable()));
  faults().firmwareAtFetch = Laptop();
  EXPECT_EQ(Dumped(), kFailure);
  ASSERT_EQ(calls().firmware.size(), 2u);
  ExpectFetch(calls().firmware[1], WithHeader(EndOfTable()).size());
}

// A smaller count is still a success: the walk reads whatever the buffer
// holds, zeros after what was written.
TEST_F(DumpSmbiosTest, TableThatShrankBeforeTheFetchIsWalked) {
  Install(Laptop());
  faults().firmwareAtFetch =
      WithHeader(Concat({StructureBuilder(2, 9).Put(4, 1).Text("Later").Build(), EndOfTable()}));
  EXPECT_EQ(Dumped(),
            "[TAMBRO] [SMBIOS] SMBIOS size=22 bytes\n"
            "[TAMBRO] [BASEBOARD INFO] manufacturer: Later\n"
            "[TAMBRO] [BASEBOARD INFO] product: is null\n"
            "[TAMBRO] [BASEBOARD INFO] version: is null\n"
            "[TAMBRO] [BASEBOARD INFO] serialNumber: is null\n"
            "[TAMBRO] [SMBIOS] Reached end-of-table marker\n");
  ASSERT_EQ(calls().firmware.size(), 2u);
  ExpectFetch(calls().firmware[1], Laptop().size());
}

// Fewer bytes written than the header: the rest of the buffer is still zero.
TEST_F(DumpSmbiosTest, FetchShorterThanTheHeaderReadsZeros) {
  Install(Laptop());
  faults().firmwareAtFetch = SmbiosBytes{0, 3, 4};
  EXPECT_EQ(Dumped(), "[TAMBRO] [SMBIOS] SMBIOS size=0 bytes\n");
}

// Between the phase's framing lines a failure shows as a line of its own.
TEST_F(DumpSmbiosTest, FailureShowsInsideThePhase) {
  Install(Laptop());
  machine().firmware.fetchFails = true;
  ConsoleCapture console("\n");
  RunReport();
  EXPECT_NE(console.Output().find(std::string("[TAMBRO] [SMBIOS] Initialise successfully!\n") +
                                  kFailure + "[TAMBRO] [SMBIOS] Cleanup successfully!\n\n"),
            std::string::npos)
      << console.Output();
}

}  // namespace
}  // namespace quorvex
