#!/usr/bin/env python3
"""usage: replay_json_test.py REPLAY SCHEMA SCENARIOS SAMPLES SCRATCH

quorvex-replay --json of each capture: one document that an independent parser
(duplicate keys refused) reads and the schema validates, holding the text
report's values in the text report's order: the document rendered back into
report lines must be the report of the same capture, byte for byte. SAMPLES
(real SMBIOS tables, outside the repository) is used when it is there."""
import json, pathlib, shutil, struct, subprocess, sys
import jsonschema

replay, schema, scenarios, samples, scratch = map(pathlib.Path, sys.argv[1:])
problems = 0
TAG = b"[TAMBRO] "
SECTIONS = {"bios": "BIOS", "system": "SYSTEM", "baseboard": "BASEBOARD", "chassis": "CHASSIS",
            "processor": "PROCESSOR", "memoryDevice": "MEMORY"}
LABELS = {  # the report's labels, in its order, for each kind
    "bios": ["vendor", "version", "releaseDate"],
    "system": ["manufacturer", "productName", "version", "serialNumber", "UUID"],
    "baseboard": ["manufacturer", "product", "version", "serialNumber"],
    "chassis": ["manufacturer", "Version", "serialNumber", "AssetTagNumber"],
    "processor": ["SocketDesignation", "ProcessorManufacture", "ProcessorVersion", "serialNumber",
                  "AssetTag", "PartNumber"],
    "memoryDevice": ["DeviceLocator", "BankLocator", "manufacturer", "serialNumber"]}


def unique(pairs):
    keys = [k for k, _ in pairs]
    if len(keys) != len(set(keys)):
        raise ValueError(f"duplicate key in {keys}")
    return dict(pairs)


def raw(value, placeholder):
    if value is None:
        return placeholder
    return bytes.fromhex(value["hex"]) if isinstance(value, dict) else value.encode()


def render(doc):
    """The report's lines after the banner, as the document says them."""
    lines = [b"[NVIDIA] Initialise successfully!", b"[NVIDIA] Reading UUIDs from driver registry..."]
    nvidia = doc["nvidia"]
    for a in nvidia["adapters"]:
        gpu = b"[NVIDIA] [%d, 0] " % a["index"]
        lines += [gpu + b"UUID: " + raw(u, None) for u in a["uuids"]]
        lines += [gpu + b"Name: " + raw(a["name"], None), gpu + b"DeviceID: " + raw(a["deviceId"], None)]
    if not nvidia["adaptersListed"]:
        lines.append(b"[NVIDIA] No display adapters found")
    elif not nvidia["adapters"]:
        lines.append(b"[NVIDIA] No NVIDIA GPUs found")
    lines += [b"[NVIDIA] Cleanup successfully!\n", b"[DiskStorage] Initialise successfully!",
              b"[DiskStorage] Reading serials..."]
    for d in doc["drives"]:
        for label, key in ((b"SerialNumber", "serialNumber"), (b"Model", "model"), (b"Firmware", "firmware")):
            lines.append(b"[DiskStorage] [%d] %s: %s" % (d["number"], label, raw(d[key], b"N/A")))
    lines += [b"[DiskStorage] Cleanup successfully!\n", b"[SMBIOS] Initialise successfully!"]
    smbios = doc["smbios"]
    if smbios["fetchFailed"]:
        lines.append(b"[SMBIOS] Failed to get firmware table")
    else:
        lines.append(b"[SMBIOS] SMBIOS size=%d bytes" % smbios["tableSize"])
        for s in smbios["structures"]:
            names = [k for k in s if k != "kind"]
            labels = [lb for lb in LABELS[s["kind"]] if (lb.lower() if lb.isupper() else lb[0].lower() + lb[1:]) in names]
            if len(labels) != len(names):
                raise ValueError(f"fields {names} are not the report's {LABELS[s['kind']]} in order")
            section = b"[%s INFO] " % SECTIONS[s["kind"]].encode()
            lines += [section + lb.encode() + b": " + raw(s[n], b"is null") for lb, n in zip(labels, names)]
        if smbios["endOfTable"]:
            lines.append(b"[SMBIOS] Reached end-of-table marker")
    lines += [b"[SMBIOS] Cleanup successfully!\n", b"HWID collection completed!\n"]
    return b"".join(TAG + line + b"\n" for line in lines) + TAG + b"Press Enter to exit..."


def drive(folder, number, texts):  # a descriptor with serial, model and firmware at its offsets
    body = b"".join(t + b"\0" for t in texts)
    offsets = [48 + sum(len(t) + 1 for t in texts[:i]) for i in range(3)]
    descriptor = bytes(16) + struct.pack("<III", offsets[1], offsets[2], offsets[0]) + bytes(20) + body
    (folder / f"PhysicalDrive{number}.bin").write_bytes(descriptor)


def firmware(folder, sample):
    if sample.is_dir():
        for name in ("smbios_entry_point", "DMI"):
            shutil.copy(sample / name, folder / name)
    elif sample.is_file():  # a dump: the entry point first, the table at 0x20
        dump = sample.read_bytes()
        (folder / "smbios_entry_point").write_bytes(dump[:0x18 if dump.startswith(b"_SM3_") else 0x1F])
        (folder / "DMI").write_bytes(dump[0x20:])


def check(name, build):
    global problems
    folder = scratch / name
    folder.mkdir(parents=True)
    build(folder)
    run = lambda *a: subprocess.run([replay, *a, folder], stdin=subprocess.DEVNULL, capture_output=True)  # noqa: E731
    text, document = run(), run("--json")
    try:
        assert text.returncode == 0 and document.returncode == 0, (text.stderr, document.stderr)
        assert document.stdout.endswith(b"}\n") and document.stdout.count(b"\n") == 1, "one line end, at the end"
        doc = json.loads(document.stdout.decode("utf-8"), object_pairs_hook=unique)
        jsonschema.validate(doc, json.loads(schema.read_text()))
        report = text.stdout[text.stdout.index(TAG):]
        assert render(doc) == report, f"rendered:\n{render(doc)!r}\nreport:\n{report!r}"
        print(f"ok: {name}")
    except (AssertionError, ValueError, jsonschema.ValidationError) as error:
        problems += 1
        print(f"FAIL: {name}: {error}", file=sys.stderr)


shutil.rmtree(scratch, ignore_errors=True)
cases = {
    "empty": lambda f: None,
    "nvidia_drives_laptop": lambda f: (shutil.copy(scenarios / "nvidia.reg.utf8", f / "registry.reg"),
                                       drive(f, 0, [b"  SN\x01\x7f ", b"M\xc2\x9bodel\n2", b"F\xe2\x80\xa8W"]),
                                       drive(f, 3, [b"\xffbad\xc3", b"", b"1.0"]),
                                       firmware(f, samples / "i7-4600u-laptop")),
    "terminal_controls_intel": lambda f: (shutil.copy(scenarios / "terminal.reg.utf8", f / "registry.reg"),
                                          firmware(f, samples / "intel-smbios3.dump")),
    "two_gpus_toshiba": lambda f: (shutil.copy(scenarios / "capture_two_gpus.reg.utf8", f / "registry.reg"),
                                   firmware(f, samples / "toshiba-satellite-pro-l70.dump")),
    "no_device_set": lambda f: (f / "setupapi.fails").touch(),
}
for case_name, builder in cases.items():
    check(case_name, builder)
if problems:
    sys.exit(1)
print(f"{len(cases)} passed, 0 failed")
