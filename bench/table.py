#!/usr/bin/env python3
"""usage: table.py WORK QUORVEX_EXE FLOOR_EXE. Prints the benchmarks' table from bench/run.sh's
work folder (hyperfine's JSON exports, wineserver logs, callgrind counts) and the executables."""
import json, os, re, statistics, subprocess, sys
from pathlib import Path

work, exe, floor = Path(sys.argv[1]), sys.argv[2], sys.argv[3]
rows = []
out = lambda *command: subprocess.run(command, capture_output=True, text=True).stdout.strip()  # noqa: E731
met = lambda ok: "yes" if ok else "NO"  # noqa: E731
row = lambda measure, value, per="", target="", note="": rows.append(  # noqa: E731
    f"{measure:<56} {value:>16} {per:>16} {target:>14}  {note}".rstrip())


def timed(name, a, b):
    """Runs, medians of A and B, and median of A/B over the pairs of one round's runs of one index."""
    rounds = [{r["command"]: r["times"] for r in json.loads(f.read_text())["results"]}
              for f in sorted(work.glob(f"{name}-*.json"))]
    times = [sum((r[p] for r in rounds), []) for p in (a, b)]
    ratio = statistics.median(x / y for r in rounds for x, y in zip(r[a], r[b]))
    return (len(times[0]), *(f"{statistics.median(t) * 1000:.1f} ms" for t in times), ratio)


gpu = len(re.findall(r"(?m)^\[TAMBRO\] \[NVIDIA\] \[0, 0\] ", (work / "quorvex-wine.out").read_text()))
sinks = (("file", "a file", f"GPU lines for the imported adapter: {gpu}"),
         ("null", "/dev/null", "a character device, as a console is"))
for sink, where, note in sinks:
    n, tool, limit, ratio = timed(f"floor-{sink}", "quorvex", "limit")
    row(f"Wine, stdout to {where}: quorvex.exe, median of {n}", tool, note=note)
    row(f"Wine, stdout to {where}: limit.exe, median of {n}", limit, note="the report's calls, one write")
    row("  quorvex / limit, median of pair ratios", f"{ratio:.3f}", "", "<= 1.03", met(ratio <= 1.03))
    _, _, base, ratio = timed(f"floor-{sink}", "quorvex", "floor")
    row(f"Wine, stdout to {where}: floor.exe, median of {n}", base, note="the same DLLs, no work")
    row("  quorvex / floor, median of pair ratios", f"{ratio:.3f}", "", "", "context: 1.10 on Windows")
for sink, where, _ in sinks:
    logs = [(work / f"requests-{p}-{sink}.log").read_text(errors="replace") for p in ("quorvex", "limit", "floor")]
    q, l, f = (len(re.findall(r"(?m)^[0-9a-f]*: [a-z_]*\( ", log)) for log in logs)
    row(f"Wine, stdout to {where}: server requests, quorvex / limit / floor", f"{q} / {l} / {f}",
        f"ratio {q / l:.2f}", "", "console-mode queries: {} / {} / {}".format(
            *(log.count("IOCTL_CONDRV_GET_MODE") for log in logs)))

uuid = re.search(r"\w{8}-\w{4}-\w{4}-\w{4}-\w{12}", (work / "wmic.out").read_bytes().decode("utf-16-le", "replace"))
for program, label, note in (("wmic", "wmic, 3 queries", f"system UUID answered: {met(uuid)}"),
                             ("wmic-typed", "wmic as typed", "2 of 3 fail in Wine 8")):
    n, theirs, ours, ratio = timed("wmic", program, "quorvex")
    if program == "wmic":
        row(f"Wine, stdout to a file: quorvex.exe, median of {n}", ours)
    row(f"Wine, stdout to a file: {label}, median", theirs, note=note)
    row(f"  {label.split(',')[0]} / quorvex, median of pair ratios", f"{ratio:.1f}x", "", "",
        "context: 20x on Windows")

# callgrind.txt: KIND UNITS BYTES LINES WHOLE REPORT; the empty folder twice.
counts = {(k, int(u)): [int(x) for x in v] for k, u, *v in map(str.split, (work / "callgrind.txt").open())
          if len(v) == (6 if k == "empty" else 4)}
empty = counts.get(("empty", 0), [0] * 6)
row("callgrind, empty capture folder", f"{empty[2]:,} Ir", "", "",
    f"report alone {empty[3]:,} Ir; a repeat run differs by {empty[4] - empty[2]} Ir")
for kind, per, sizes, pattern in (("smbios", "KiB", (0, 4, 16, 64, 256), r" INFO\] "),
                                  ("registry", "value", (0, 10, 100, 1000), r"\[NVIDIA\] \[0, 0\] UUID: ")):
    slopes, zero = [], None
    for n in sizes:
        got, label = counts.get((kind, n)), f"callgrind, driver key {n} values"
        printed = len(re.findall(pattern, (work / "inputs" / f"{kind}-{n}.out").read_text(errors="replace")))
        if kind == "smbios":
            label = f"callgrind, smbios {n} KiB ({got and got[0]} B)"
        if not got or printed != got[1]:
            row(label, "not read whole" if got else "not measured", note=f"printed {printed} of {got[1]}" if got else "")
        elif n == 0:  # the base of the slope, which leaves out the fixed cost of the identity structures or adapter
            zero = got
            row(f"callgrind, {kind} 0 {per}{'s' * (per == 'value')} (the base of the slope)", f"{got[2]:,} Ir", "",
                "", f"report alone {got[3]:,} Ir; {got[0]} B")
        elif zero:
            units = (got[0] - zero[0]) / 1024 if kind == "smbios" else n
            slopes.append([(got[i] - zero[i]) / units for i in (3, 2)])
            row(label, f"{got[2]:,} Ir", f"{slopes[-1][1]:,.0f} Ir/{per}", "", f"report alone {slopes[-1][0]:,.0f} "
                f"Ir/{per}; above the empty folder {(got[2] - empty[2]) / units:,.0f} Ir/{per}")
    for i, what in enumerate(("report", "replay")):
        spread = max(s[i] for s in slopes) / min(s[i] for s in slopes) if len(slopes) == len(sizes) - 1 else 0
        row(f"  {kind}: per-{per} cost, largest / smallest, {what}", f"{spread:.3f}" if spread else "not measured",
            "", "flat: <= 1.25", met(0 < spread <= 1.25) + " (reading the capture included)" * i)

# json.txt: INPUT TEXT_IR JSON_IR, the whole replay of one capture in each form.
for name, text_ir, json_ir in (line.split() for line in (work / "json.txt").open() if len(line.split()) == 3):
    ratio = int(json_ir) / int(text_ir)
    row(f"callgrind, replay --json / text, {name}", f"{ratio:.3f}", "", "<= 1.05", met(ratio <= 1.05))
n, json_ms, text_ms, ratio = timed("json", "json", "text")
row(f"replay smbios-256 to /dev/null: --json / text, median of {n}", f"{ratio:.3f}", "", "<= 1.05",
    f"{met(ratio <= 1.05)} ({json_ms} against {text_ms})")

# keys.txt: FLEET DOCUMENTS KEYS BYTES PEAK_KIB, one line each for fleet-100, fleet-1000, fleet-large-1000.
fleets = {name: [int(x) for x in v] for name, *v in map(str.split, (work / "keys.txt").open())}
n, small, large, _ = timed("keys", "keys-100", "keys-1000")
per = [float(t.split()[0]) / c for t, c in ((small, 100), (large, 1000))]
row(f"--keys --json, 100 documents, median of {n}", small, f"{per[0]:.3f} ms/doc")
row(f"--keys --json, 1000 documents, median of {n}", large, f"{per[1]:.3f} ms/doc")
row("  per document, 1000 / 100", f"{per[1] / per[0]:.3f}", "", "flat: <= 1.10", met(per[1] / per[0] <= 1.10))
for name, (docs, keys, size, peak) in fleets.items():
    row(f"--keys --json, peak memory, {name}", f"{peak:,} KiB", "", "",
        f"{docs} documents, {keys} keys, {size / 2**20:,.1f} MiB")
grow = (fleets["fleet-1000"][3] - fleets["fleet-100"][3]) * 1024 / (fleets["fleet-1000"][1] - fleets["fleet-100"][1])
bytes_more = fleets["fleet-large-1000"][2] - fleets["fleet-1000"][2]
peak_more = (fleets["fleet-large-1000"][3] - fleets["fleet-1000"][3]) * 1024
row("  peak memory per key, 100 to 1000 documents", f"{grow:,.0f} B", "", "", "the keys held")
share = peak_more / bytes_more
row("  peak memory, large against small documents", f"{peak_more / 2**20:,.2f} MiB", "", "<= 1 % of bytes",
    f"{met(share <= 0.01)} (more for {bytes_more / 2**20:,.0f} MiB more of documents: {share:.2%})")

# padded.txt: UNIT BYTES SECONDS PEAK_KIB, one small document padded to 32 MiB.
for unit, size, seconds, peak in map(str.split, (work / "padded.txt").open()):
    ratio = int(peak) * 1024 / int(size)
    row(f"--keys --json, 32 MiB padded with {unit}", f"{float(seconds):.2f} s", f"{int(peak):,} KiB", "< 1 s, < 2x",
        f"{met(float(seconds) < 1 and ratio < 2)} (peak memory {ratio:.2f} x the file's {int(size):,} B)")
# many-keys.txt: KEYS IR, one document each.
many = {int(k): int(ir) for k, ir in map(str.split, (work / "many-keys.txt").open())}
for k, ir in sorted(many.items()):
    row(f"callgrind, --keys --json, one document of {k:,} keys", f"{ir:,} Ir", f"{ir / k:,.0f} Ir/key")
ratio = many[20000] / many[2000]
row("  20,000 keys / 2,000 keys", f"{ratio:.2f}", "", "<= 11", met(ratio <= 11))
# from.txt: DOCUMENTS KEYS PEAK_KIB; the from-* exports: the same calls timed.
fromkeys = {int(d): (int(k), int(p)) for d, k, p in map(str.split, (work / "from.txt").open())}
n, small, large, _ = timed("from", "from-1000", "from-100000")
per = [float(t.split()[0]) / c for t, c in ((small, 1000), (large, 100000))]
row(f"--keys --json --from, 1,000 documents, median of {n}", small, f"{per[0]:.4f} ms/doc")
row(f"--keys --json --from, 100,000 documents, median of {n}", large, f"{per[1]:.4f} ms/doc")
row("  per document, 100,000 / 1,000", f"{per[1] / per[0]:.3f}", "", "flat: <= 1.10", met(per[1] / per[0] <= 1.10))
for docs, (keys, peak) in sorted(fromkeys.items()):
    row(f"--keys --json --from, peak memory, {docs:,} documents", f"{peak:,} KiB", "", "", f"{keys:,} keys")
(k1, p1), (k2, p2) = fromkeys[1000], fromkeys[100000]
row("  peak memory per key, 1,000 to 100,000 documents", f"{(p2 - p1) * 1024 / (k2 - k1):,.0f} B", "", "",
    "by keys: the documents' bytes are not held")

# fingerprint-eval.txt: bench/fingerprint_eval's lines; fingerprint-cost.txt: INPUT KEYS_IR FINGERPRINT_IR;
# fingerprint-from.txt: DOCUMENTS LINES PEAK_KIB, and the fingerprint-from-* exports.
evaluation = [line.split() for line in (work / "fingerprint-eval.txt").open()]
for what, *v in evaluation:
    if what == "machines":
        row(f"fingerprints: a generated fleet of {v[0]} machines", f"{v[5]} to {v[7]}", "components",
            "", f"median {v[6]}; {v[1]} with 3 or more, {v[2]} with 2, {v[3]} weak (1), {v[4]} with none")
    elif what == "event":
        name, applied, recognised, strong, recognised_strong, confused = v[0], *map(int, v[1:])
        single = name != "board-replaced"
        row(f"  recognised after {name}", f"{recognised / applied:.1%}", f"{recognised}/{applied}",
            "100 % (3+)" if single else "as it falls",
            f"{met(recognised_strong == strong) if single else '-'}: {recognised_strong}/{strong} with 3 or more "
            f"components; taken for another machine: {confused}")
    elif what == "pairs":
        row("  false matches, all pairs of distinct machines", v[1], f"of {int(v[0]):,}", "0",
            f"{met(v[1] == '0')}; at most {v[2]} component(s) shared by two distinct machines")
    elif what == "clones":
        row("  clones of one virtual machine, matched", f"{v[1]}/{v[0]}", "", "", "the limit the fleet query shows")
cost = {name: [int(x) for x in v] for name, *v in map(str.split, (work / "fingerprint-cost.txt").open())}
whole = cost["document"][1] / cost["document"][0]
row("callgrind, one document: --fingerprint / --keys --json", f"{whole:.3f}", f"{cost['document'][1]:,} Ir",
    "<= 1.10", f"{met(whole <= 1.10)}: the whole process, OpenSSL's set-up in it")
each = [(cost["from-1000"][i] - cost["from-1"][i]) / 999 for i in (0, 1)]
row("callgrind, per document of 1,000: fingerprint / keys", f"{each[1] / each[0]:.3f}",
    f"{each[1]:,.0f} Ir/doc", "<= 1.10", f"{met(each[1] / each[0] <= 1.10)} (--keys: {each[0]:,.0f} Ir/doc)")
n, small, large, _ = timed("fingerprint-from", "fingerprint-1000", "fingerprint-100000")
per = [float(t.split()[0]) / c for t, c in ((small, 1000), (large, 100000))]
row(f"--fingerprint --from, 1,000 documents, median of {n}", small, f"{per[0]:.4f} ms/doc")
row(f"--fingerprint --from, 100,000 documents, median of {n}", large, f"{per[1]:.4f} ms/doc")
row("  per document, 100,000 / 1,000", f"{per[1] / per[0]:.3f}", "", "flat: <= 1.10", met(per[1] / per[0] <= 1.10))
for docs, lines, peak in map(str.split, (work / "fingerprint-from.txt").open()):
    row(f"--fingerprint --from, peak memory, {int(docs):,} documents", f"{int(peak):,} KiB", "", "",
        f"{int(lines):,} fingerprints written")

imports = sorted(re.findall(r"DLL Name: (\S+)", out("x86_64-w64-mingw32-objdump", "-p", exe)))
static = not any(re.match(r"lib.*\.dll|.*pthread", name, re.I) for name in imports)
stripped = not re.search(r"(?m)^\[|\.debug", out("x86_64-w64-mingw32-objdump", "-t", "-h", exe))
size = os.path.getsize(exe)
row("quorvex.exe size", f"{size:,} B", "", "<= 1 MiB", f"{met(size <= 1 << 20 and static and stripped)} (stripped: "
    f"{met(stripped).lower()}; static: {met(static).lower()}; imports {' '.join(imports)})")
row("floor.exe size (same flags)", f"{os.path.getsize(floor):,} B")

print(f"\nQuorvex benchmarks: commit {out('git', 'describe', '--always', '--dirty')}; {len(os.sched_getaffinity(0))} "
      f"cores, load average {' '.join(f'{x:.2f}' for x in os.getloadavg())}; {out('wine', '--version')}; "
      f"{out('valgrind', '--version')}; {out('hyperfine', '--version')}")
print(f"{'measure':<56} {'value':>16} {'per unit':>16} {'target':>14}  met / note\n{'-' * 130}")
print("\n".join(rows))
