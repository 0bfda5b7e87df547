#!/usr/bin/env python3
"""usage: replay_json_test.py REPLAY SCHEMA SCENARIOS SAMPLES SCRATCH

quorvex-replay --json of each capture: one document that an independent parser
(duplicate keys refused) reads and the schema validates, holding the text
report's values in the text report's order: the document rendered back into
report lines must be the report of the same capture, byte for byte, and its
keys the values at their pointers, every value of a place that holds keys.
The names of the structures' kinds and fields and of the keys' kinds are the
schema's; the labels are the report's own. Then a table of documents that the
schema and the reader (--keys --json) must both take or both refuse. Then
--keys --json over copies of one capture and documents made from it: each
capture's keys as its document has them, the shared values exact, the keys
schema valid; and --diff of the capture against its document and against a
copy with a drive gone and an SMBIOS text changed; --fingerprint of the same
captures, each tag what a back end computes as docs/fingerprints.md says, and
--match. SAMPLES (real SMBIOS tables, outside the repository) is used when it
is there."""
import copy, hashlib, hmac, json, pathlib, re, shutil, subprocess, sys
import jsonschema

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "support"))
from capture_builder import drive, smbios  # noqa: E402

replay, schema, scenarios, samples, scratch = map(pathlib.Path, sys.argv[1:])
problems = 0
TAG = b"[TAMBRO] "
IDENTITIES = json.loads(schema.read_text())
DEFS = IDENTITIES["$defs"]
FIELDS = {kind: list(DEFS[kind]["properties"])  # each kind's fields, in the report's order
          for kind in DEFS["structure"]["properties"]["kind"]["enum"]}
KEY_KINDS = DEFS["key"]["properties"]["kind"]["enum"]
FIELD_LINE = re.compile(rb"\[TAMBRO\] (\[[A-Z]+ INFO\]) (\w+): ")
SECTIONS = {}  # each kind's section in the report, as the report names it
KEY_PLACES = {}  # (container, field) -> the kind of key it holds, as the documents' keys show it
KEYED = []  # (keys, document) checked so far, checked again against every place learned


def unique(pairs):
    keys = [k for k, _ in pairs]
    if len(keys) != len(set(keys)):
        raise ValueError(f"duplicate key in {keys}")
    return dict(pairs)


def raw(value, placeholder):
    if value is None:
        return placeholder
    return bytes.fromhex(value["hex"]) if isinstance(value, dict) else value.encode()


def camel(label):
    return label.lower() if label.isupper() else label[:1].lower() + label[1:]


def render(doc, report):
    """The report's lines after the banner, as the document says them; an SMBIOS field's section
    and label are those of the report's line where it stands, which must name that field."""
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
            if names != [f for f in FIELDS[s["kind"]] if f in names]:
                raise ValueError(f"fields {names} are not the schema's {FIELDS[s['kind']]} in order")
            for name in names:
                line = FIELD_LINE.match(report, sum(len(TAG) + len(done) + 1 for done in lines))
                if not line or camel(line[2].decode()) != name or SECTIONS.setdefault(s["kind"], line[1]) != line[1]:
                    raise ValueError(f"{s['kind']} {name}: the report has {line and line.group()} there")
                lines.append(line[1] + b" " + line[2] + b": " + raw(s[name], b"is null"))
        if smbios["endOfTable"]:
            lines.append(b"[SMBIOS] Reached end-of-table marker")
    lines += [b"[SMBIOS] Cleanup successfully!\n", b"HWID collection completed!\n"]
    if len(set(SECTIONS.values())) != len(SECTIONS):
        raise ValueError(f"two kinds share a section: {SECTIONS}")
    return b"".join(TAG + line + b"\n" for line in lines) + TAG + b"Press Enter to exit..."


def places(doc):
    """(container, field, pointer, value) of every value the document holds, in its order."""
    values = [("adapter", "uuids", f"/nvidia/adapters/{a}/uuids/{u}", v)
              for a, adapter in enumerate(doc["nvidia"]["adapters"]) for u, v in enumerate(adapter["uuids"])]
    values += [("drive", f, f"/drives/{d}/{f}", v) for d, drv in enumerate(doc["drives"]) for f, v in drv.items()]
    values += [(s["kind"], f, f"/smbios/structures/{n}/{f}", v)
               for n, s in enumerate(doc["smbios"].get("structures", [])) for f, v in s.items() if f != "kind"]
    return values


def check_places():
    """Every value of a place that holds keys is a key, in the document's order; one place a kind."""
    assert len(set(KEY_PLACES.values())) == len(KEY_PLACES), f"a kind in two places: {KEY_PLACES}"
    for keys, doc in KEYED:
        keyed = [p for c, f, p, _ in places(doc) if (c, f) in KEY_PLACES]
        assert [k["pointer"] for k in keys] == keyed, f"keys {[k['pointer'] for k in keys]}, values {keyed}"


def check_keys(keys, doc):
    at = {p: (c, f, v) for c, f, p, v in places(doc)}
    for k in keys:
        assert k["kind"] in KEY_KINDS and k["pointer"] in at, f"no such key: {k}"
        container, field, value = at[k["pointer"]]
        assert value == k["value"], f"{k} is not the value at its pointer"
        assert KEY_PLACES.setdefault((container, field), k["kind"]) == k["kind"], f"{k}: another kind there"
        assert (k["value"] is None) == (k["quality"] == "absent"), "absent is not null"
    KEYED.append((keys, doc))
    check_places()


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
        rendered = render(doc, report)
        assert rendered == report, f"rendered:\n{rendered!r}\nreport:\n{report!r}"
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
    check_verdicts(doc)
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


def structure(kind):
    return lambda d: next(s for s in d["smbios"]["structures"] if s["kind"] == kind)


system, key = structure("system"), lambda d: d["keys"][0]
# A change to a document the replay wrote, and whether the schema and the reader both take it.
VERDICTS = [
    ("as written", lambda d: None, True),
    ("an agent's own members", lambda d: d.update(host="desk-17", collectedAt={"at": [1, {}]}), True),
    ("version 2.0", lambda d: d.update(version=2.0), True),
    ("version 1 with keys", lambda d: d.update(version=1), False),
    ("version 1 without keys", lambda d: (d.update(version=1), d.pop("keys")), True),
    ("version 2 without keys", lambda d: d.pop("keys"), False),
    ("drive number 9", lambda d: d["drives"][0].update(number=9), False),
    ("drive number 7.0", lambda d: d["drives"][0].update(number=7.0), True),
    ("adapter index past 32 bits", lambda d: d["nvidia"]["adapters"][0].update(index=2**31), False),
    ("table size 1.5", lambda d: d["smbios"].update(tableSize=1.5), False),
    ("failed fetch alone", lambda d: d.update(smbios={"fetchFailed": True}), True),
    ("failed fetch with a size", lambda d: d.update(smbios={"fetchFailed": True, "tableSize": 0}), False),
    ("failed fetch with structures", lambda d: d.update(smbios={"fetchFailed": True, "structures": []}), False),
    ("failed fetch with its end", lambda d: d.update(smbios={"fetchFailed": True, "endOfTable": True}), False),
    ("kind bogus", lambda d: system(d).update(kind="bogus"), False),
    ("a field always there missing", lambda d: system(d).pop("manufacturer"), False),
    ("a later field missing", lambda d: system(d).pop("uuid"), True),
    ("another kind's field, whatever it holds", lambda d: system(d).update(vendor=[{}], assetTag=5), True),
    ("its kind's field as a number", lambda d: system(d).update(serialNumber=5), False),
    ("its kind after its fields", lambda d: system(d).update(kind=system(d).pop("kind")), True),
    ("hex with a line feed", lambda d: d["drives"][0].update(model={"hex": "AB\n"}), False),
    ("hex in lower case", lambda d: d["drives"][0].update(model={"hex": "ab"}), False),
    ("hex beside a note", lambda d: d["drives"][0].update(model={"hex": "AB", "note": 1}), True),
    ("a key of no kind", lambda d: key(d).update(kind="serial"), False),
    ("a key of no quality", lambda d: key(d).update(quality="good"), False),
    ("a key's pointer with a line feed", lambda d: key(d).update(pointer=key(d)["pointer"] + "\n"), False),
    ("a key's pointer to no key", lambda d: key(d).update(pointer="/drives/0/model"), False),
    ("a key with a note", lambda d: key(d).update(note=1), True),
]


def check_verdicts(doc):
    global problems
    validator = jsonschema.Draft202012Validator(IDENTITIES)
    folder = scratch / "verdicts"
    folder.mkdir()
    for n, (name, change, taken) in enumerate(VERDICTS):
        changed = copy.deepcopy(doc)
        change(changed)
        (folder / f"{n}.json").write_text(json.dumps(changed))
        read = subprocess.run([replay, "--keys", "--json", folder / f"{n}.json"], capture_output=True)
        verdicts = (validator.is_valid(changed), {0: True, 2: False}.get(read.returncode))
        if verdicts != (taken, taken):
            problems += 1
            print(f"FAIL: {name}: schema {verdicts[0]}, reader {verdicts[1]}, both {taken}: {read.stderr}",
                  file=sys.stderr)
    print(f"ok: {len(VERDICTS)} documents that the schema and the reader judge alike")


check_fleet()
if problems:
    sys.exit(1)
print(f"{len(cases) + 3} passed, 0 failed")
