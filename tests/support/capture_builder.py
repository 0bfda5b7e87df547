"""Capture folders written from readable texts, for the Python tests and the README's sample
machine: a drive's storage descriptor and a firmware table, as a capture folder holds them."""
import struct


def drive(folder, number, texts):
    """PhysicalDriveN.bin: a storage descriptor with texts [serial, model, firmware] at its offsets."""
    body = b"".join(t + b"\0" for t in texts)
    offsets = [48 + sum(len(t) + 1 for t in texts[:i]) for i in range(3)]
    descriptor = bytes(16) + struct.pack("<III", offsets[1], offsets[2], offsets[0]) + bytes(20) + body
    (folder / f"PhysicalDrive{number}.bin").write_bytes(descriptor)


def smbios(folder, *structures):
    """smbios.bin of structures (type, formatted length, {offset: bytes}, [texts]), then the end of table."""
    data = b""
    for kind, length, fields, texts in structures:
        area = bytearray([kind, length, 0, 0] + [0] * (length - 4))
        for at, value in fields.items():
            area[at:at + len(value)] = value
        data += bytes(area) + b"".join(t + b"\0" for t in texts) + b"\0" * (1 if texts else 2)
    data += bytes([127, 4, 0, 0, 0, 0])
    (folder / "smbios.bin").write_bytes(struct.pack("<BBBBI", 0, 3, 0, 0, len(data)) + data)
