#!/usr/bin/env python3
"""usage: desktop_capture.py FOLDER

Writes the capture folder of a made-up desktop, the machine whose replay the README shows:
one NVIDIA adapter (tests/e2e/scenarios/desktop.reg.utf8), two drives, and a firmware table
like a home-built tower's, where the board maker left its filler in the fields no one set."""
import pathlib
import shutil
import sys
import uuid

here = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(here.parent / "support"))
from capture_builder import drive, smbios  # noqa: E402

DRIVES = [  # serial number, model, firmware revision, as each drive's firmware spells them
    (b"OKN2291A7731004", b"Okapi NVMe 2TB", b"3B2QGXA7"),
    (b"        WX41A2B3C4D5", b"Okapi HDD 4TB                           ", b"CC43"),  # ATA pads with blanks
]
FILLER = "To Be Filled By O.E.M."


def structure(kind, length, fields):
    """(type, length, {offset: bytes}, [texts]): a str field is the structure's next string."""
    texts = [value.encode() for value in fields.values() if isinstance(value, str)]
    numbers = iter(range(1, len(texts) + 1))
    return kind, length, {at: bytes([next(numbers)]) if isinstance(value, str) else value
                          for at, value in fields.items()}, texts


def memory(slot, bank):
    return structure(17, 40, {16: slot, 17: bank, 23: "Larkspur Memory", 24: "00000000", 26: "LM5-16G6000"})


def write(folder):
    folder.mkdir(parents=True)
    shutil.copy(here.parent / "e2e" / "scenarios" / "desktop.reg.utf8", folder / "registry.reg")
    for number, texts in enumerate(DRIVES):
        drive(folder, number, list(texts))
    system_uuid = uuid.UUID("8C1F64A2-73B5-E911-A4D2-2C4D54E7B0F3").bytes_le  # stored as SMBIOS stores it
    smbios(folder,
           structure(0, 26, {4: "Larkspur Firmware Works", 5: "F17c", 8: "03/14/2024"}),
           structure(1, 27, {4: FILLER, 5: FILLER, 6: FILLER, 7: FILLER, 8: system_uuid, 25: FILLER,
                             26: FILLER}),
           structure(2, 15, {4: "Okapi Boards", 5: "Z790 Tern", 6: "1.0", 7: "OKB-7M2291-0042", 8: FILLER}),
           structure(3, 22, {4: FILLER, 6: FILLER, 7: FILLER, 8: "Default string"}),
           structure(4, 48, {4: "LGA1700", 7: "Larkspur Silicon", 16: "Larkspur L9 7950 @ 4.20GHz",
                             32: FILLER, 33: FILLER, 34: FILLER}),
           memory("Controller0-ChannelA-DIMM1", "BANK 0"),
           memory("Controller1-ChannelA-DIMM1", "BANK 0"))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__.splitlines()[0])
    try:
        write(pathlib.Path(sys.argv[1]))
    except FileExistsError:
        sys.exit(f"{sys.argv[1]} already exists: a capture folder is written afresh")
