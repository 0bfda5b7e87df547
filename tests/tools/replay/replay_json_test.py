#!/usr/bin/env python3
"""usage: replay_json_test.py REPLAY SCHEMA SCENARIOS SAMPLES SCRATCH

quorvex-replay --json of each capture: one document that an independent parser
(duplicate keys refused) reads and the schema validates, holding the text
report's values in the text report's order: the document rendered back into
report lines must be the report of the same capture, byte for byte, and its
keys the test's own reading of the machine keys among its values. Then --keys
--json over copies of one capture and documents made from it: each capture's
keys as its document has them, the shared values exact, the keys schema
valid; and --diff of the capture against its document and against a copy
with a drive gone and an SMBIOS text changed; --fingerprint of the same
captures, each tag what a back end computes as docs/fingerprints.md says, and
--match. SAMPLES (real SMBIOS tables, outside the repository) is used when it
is there."""
import copy, hashlib, hmac, json, pathlib, shutil, subprocess, sys
import jsonschema

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "support"))
from capture_builder import drive, smbios  # noqa: E402

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
KINDS = {("adapter", "uuids"): "gpu-uuid", ("drive", "serialNumber"): "drive-serial",
         ("system", "uuid"): "system-uuid", ("system", "serialNumber"): "system-serial",
         ("baseboard", "serialNumber"): "baseboard-serial", ("chassis", "serialNumber"): "chassis-serial",
         ("chassis", "assetTagNumber"): "chassis-asset-tag", ("processor", "serialNumber"): "processor-serial",
         ("memoryDevice", "serialNumber"): "memory-serial"}


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


def machine_keys(doc):
    """(kind, pointer, value) of every machine key, walking the document's values."""
    keys = [("gpu-uuid", f"/nvidia/adapters/{a}/uuids/{u}", v)
            for a, adapter in enumerate(doc["nvidia"]["adapters"]) for u, v in enumerate(adapter["uuids"])]
    keys += [("drive-serial", f"/drives/{d}/serialNumber", drv["serialNumber"]) for d, drv in enumerate(doc["drives"])]
    for n, s in enumerate(doc["smbios"].get("structures", [])):
        keys += [(KINDS[s["kind"], f], f"/smbios/structures/{n}/{f}", v) for f, v in s.items() if (s["kind"], f) in KINDS]
    return keys


def check_keys(keys, doc):
    assert [(k["kind"], k["pointer"], k["value"]) for k in keys] == machine_keys(doc), "keys are not the document's"
    assert all((k["value"] is None) == (k["quality"] == "absent") for k in keys), "absent is not null"


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
        check_keys(doc["keys"], doc)
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


def shared(captures):
    """Usable values by kind, compared trimmed and UUIDs caseless, in order of first appearance."""
    groups = {}
    for c in captures:
        for k in (k for k in c["keys"] if k["quality"] == "usable"):
            v = k["value"]
            text = (bytes.fromhex(v["hex"]) if isinstance(v, dict) else v.encode()).strip(b" \t\r\n\0")
            group = groups.setdefault((k["kind"], text.lower() if k["kind"].endswith("uuid") else text),
                                      {"kind": k["kind"], "value": v, "captures": []})
            if c["capture"] not in group["captures"]:
                group["captures"].append(c["capture"])
    return [g for g in groups.values() if len(g["captures"]) > 1]


def check_fleet():
    """--keys --json over two copies of a capture and two documents made of its JSON."""
    global problems
    fleet = scratch / "fleet"
    for copy_name in ("a", "b"):
        folder = fleet / copy_name
        folder.mkdir(parents=True)
        shutil.copy(scenarios / "nvidia.reg.utf8", folder / "registry.reg")
        drive(folder, 0, [b" OKD-7731-0042\t", b"Okapi", b"1"])
        drive(folder, 2, [b"0000", b"Okapi", b"1"])
        smbios(folder, (1, 27, {4: b"\1", 7: b"\2", 8: bytes.fromhex("00020003000400050006000700080009")},
                        [b"Okapi Systems", b"Default string"]),
               (3, 10, {7: b"\1", 8: b"\2"}, [b"CH-\xff-1", b" "]),
               (17, 28, {24: b"\1"}, [b"1A2B3C4D"]))
    doc = json.loads(subprocess.run([replay, "--json", fleet / "a"], capture_output=True, check=True).stdout)
    changed = copy.deepcopy(doc)  # its keys are now stale: they must be judged afresh
    uuids = changed["nvidia"]["adapters"][0]["uuids"]
    uuids[:] = [u.lower() for u in uuids]  # a UUID's case does not count, a serial's does
    uuids[1] = "To Be Filled By O.E.M."
    changed["drives"][0]["serialNumber"] = "okd-7731-0042"
    changed["smbios"]["structures"][2]["serialNumber"] += " \t"  # blanks at the ends do not count
    # A member the format does not name, as a fleet's agent adds one, is skipped; this one
    # is long enough that the values after it are read from the file's second chunk.
    (fleet / "changed.json").write_text(json.dumps({"agent": {"notes": ["x" * 70000, [], {}]}, **changed}))
    version1 = {k: v for k, v in doc.items() if k != "keys"} | {"version": 1}
    (fleet / "version1.json").write_text(json.dumps(version1))
    names = [str(fleet / n) for n in ("a", "b", "changed.json", "version1.json")]
    run = subprocess.run([replay, "--keys", "--json", *names], capture_output=True)
    identities = json.loads(schema.read_text())
    resolver = jsonschema.RefResolver(identities["$id"], identities, store={identities["$id"]: identities})
    try:
        assert run.returncode == 0 and not run.stderr, run.stderr
        keys_doc = json.loads(run.stdout.decode("utf-8"), object_pairs_hook=unique)
        keys_schema = json.loads((schema.parent / "quorvex-keys.schema.json").read_text())
        jsonschema.validate(keys_doc, keys_schema, resolver=resolver)
        assert [c["capture"] for c in keys_doc["captures"]] == names
        for c, source in zip(keys_doc["captures"], (doc, doc, changed, version1)):
            check_keys(c["keys"], source)
        assert keys_doc["captures"][0]["keys"] == doc["keys"] == keys_doc["captures"][3]["keys"]
        assert keys_doc["captures"][2]["keys"][1]["quality"] == "filler", "stale keys taken on trust"
        assert keys_doc["shared"] == shared(keys_doc["captures"]), f"shared: {keys_doc['shared']}"
        print("ok: --keys --json over copies and documents")
    except (AssertionError, ValueError, jsonschema.ValidationError) as error:
        problems += 1
        print(f"FAIL: --keys --json: {error}", file=sys.stderr)
    check_diff(fleet, doc, resolver)
    check_fingerprints(fleet, names, keys_doc, resolver)


def comparable(kind, value):
    """A value as docs/fingerprints.md says a back end makes it comparable."""
    raw = (bytes.fromhex(value["hex"]) if isinstance(value, dict) else value.encode()).strip(b" \t\r\n\0")
    if kind.endswith("uuid"):
        if len(raw) >= 2 and raw[:1] == b"{" and raw[-1:] == b"}":
            raw = raw[1:-1].strip(b" \t\r\n\0")
        raw = raw[4:] if raw[:4].lower() == b"gpu-" else raw
        raw = raw.lower()
    return raw


def with_schema(resolver, document):
    """The resolver, knowing one more schema, for the references inside it."""
    return jsonschema.RefResolver(document["$id"], document, store={**resolver.store, document["$id"]: document})


def check_fingerprints(fleet, names, keys_doc, resolver):
    """--fingerprint of the fleet's captures: the schema's documents, each tag what a back end
    computes from the identities documents' usable keys alone; --match of two of them."""
    global problems
    key = fleet / "key"
    subprocess.run([replay, "--new-key", key], check=True)
    run = subprocess.run([replay, "--fingerprint", "--key", key, *names, names[0]], capture_output=True)
    kind_order = json.loads((schema.parent / "quorvex-identities.schema.json").read_text())
    kind_order = kind_order["$defs"]["key"]["properties"]["kind"]["enum"]
    secret = key.read_bytes()
    try:
        assert run.returncode == 0 and not run.stderr, run.stderr
        lines = run.stdout.decode().splitlines()
        assert len(lines) == len(names) + 1 and lines[-1] == lines[0], "one line a name, in the order named"
        fp_schema = json.loads((schema.parent / "quorvex-fingerprint.schema.json").read_text())
        for line, capture in zip(lines, keys_doc["captures"]):
            fingerprint = json.loads(line, object_pairs_hook=unique)
            jsonschema.validate(fingerprint, fp_schema, resolver=with_schema(resolver, fp_schema))
            wanted = sorted({(kind_order.index(k["kind"]), hmac.new(
                secret, b"quorvex-fingerprint-1\0" + k["kind"].encode() + b"\0" + comparable(k["kind"], k["value"]),
                hashlib.sha256).hexdigest()[:32]) for k in capture["keys"] if k["quality"] == "usable"})
            got = [(kind_order.index(c["kind"]), c["tag"]) for c in fingerprint["components"]]
            assert got == wanted, f"{capture['capture']}: {got} against {wanted}"
        (fleet / "a.fp").write_text(lines[0] + "\n")
        (fleet / "changed.fp").write_text(lines[2] + "\n")
        match = subprocess.run([replay, "--match", "--json", fleet / "a.fp", fleet / "changed.fp"], capture_output=True)
        match_doc = json.loads(match.stdout.decode(), object_pairs_hook=unique)
        match_schema = json.loads((schema.parent / "quorvex-match.schema.json").read_text())
        jsonschema.validate(match_doc, match_schema, resolver=with_schema(resolver, match_schema))
        assert match.returncode == (0 if match_doc["same"] else 1), match
        print("ok: --fingerprint of copies and documents, --match --json")
    except (AssertionError, ValueError, jsonschema.ValidationError) as error:
        problems += 1
        print(f"FAIL: --fingerprint: {error}", file=sys.stderr)


def check_diff(fleet, doc, resolver):
    global problems
    swapped = fleet / "swapped"
    shutil.copytree(fleet / "a", swapped)
    (swapped / "PhysicalDrive2.bin").unlink()
    table = swapped / "smbios.bin"
    table.write_bytes(table.read_bytes().replace(b"1A2B3C4D", b"1A2B3C4E"))
    (fleet / "a.json").write_text(json.dumps(doc))
    same = subprocess.run([replay, "--diff", fleet / "a", fleet / "a.json"], capture_output=True)
    changed = subprocess.run([replay, "--diff", "--json", fleet / "a", swapped], capture_output=True)
    try:
        assert same.returncode == 0 and same.stdout == b"%d keys unchanged\n" % len(doc["keys"]), same
        assert changed.returncode == 1 and not changed.stderr, changed
        diff = json.loads(changed.stdout.decode("utf-8"), object_pairs_hook=unique)
        diff_schema = json.loads((schema.parent / "quorvex-diff.schema.json").read_text())
        jsonschema.validate(diff, diff_schema, resolver=resolver)
        serial = "/smbios/structures/2/serialNumber"
        assert diff["changes"] == [  # drive 2 gone, drive 0 still drive 0
            {"kind": "drive-serial", "change": "removed", "oldPointer": "/drives/1/serialNumber", "old": "0000"},
            {"kind": "memory-serial", "change": "changed", "oldPointer": serial, "old": "1A2B3C4D",
             "newPointer": serial, "new": "1A2B3C4E"}], diff
        assert (diff["old"], diff["new"], diff["unchanged"]) == (str(fleet / "a"), str(swapped), len(doc["keys"]) - 2)
        print("ok: --diff against its document and a changed copy")
    except (AssertionError, ValueError, jsonschema.ValidationError) as error:
        problems += 1
        print(f"FAIL: --diff: {error}", file=sys.stderr)


check_fleet()
if problems:
    sys.exit(1)
print(f"{len(cases) + 3} passed, 0 failed")
