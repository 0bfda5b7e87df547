#!/usr/bin/env python3
"""usage: readme_samples_test.py REPLAY README SCRATCH

The README's samples are the replay of the made-up desktop (desktop_capture.py), so they
cannot drift from what the tools print: the block after each `<!-- sample: NAME` line
must be, exactly, the report from its first tagged line (the README leaves the banner
out and says so), the --keys table, or the first lines of the JSON document as
`python3 -m json.tool --indent 2` prints it, up to the block's closing `...` line."""
import difflib, json, pathlib, re, shutil, subprocess, sys

import desktop_capture

replay, readme, scratch = pathlib.Path(sys.argv[1]).resolve(), pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
shutil.rmtree(scratch, ignore_errors=True)
desktop_capture.write(scratch / "desktop")


def replay_of(*options):  # named as the README names it, so the table's heading is the same
    return subprocess.run([replay, *options, "desktop"], cwd=scratch, stdin=subprocess.DEVNULL,
                          capture_output=True, check=True).stdout.decode()


report = replay_of()
printed = {"report": report[report.index("[TAMBRO] "):],
           "keys": replay_of("--keys").removesuffix("\n"),
           "json": json.dumps(json.loads(replay_of("--json")), indent=2)}
blocks = dict(re.findall(r"^<!-- sample: (\w+)[^\n]*\n```\w*\n(.*?)\n```$", readme.read_text(), re.M | re.S))
problems = [f"the README has no sample block {name!r}" for name in printed.keys() - blocks.keys()]
problems += [f"the README's sample {name!r} is none the test knows" for name in blocks.keys() - printed.keys()]
for name in printed.keys() & blocks.keys():
    block, expected = blocks[name], printed[name]
    if name == "json":  # a cut: the lines before "..." begin the document
        if not block.endswith("\n..."):
            problems.append("the JSON sample does not end in a line '...' where it is cut")
            continue
        block = block.removesuffix("...")
        expected = expected[:len(block)]
    if block != expected:
        diff = difflib.unified_diff(block.splitlines(), expected.splitlines(), "README", "replay", lineterm="")
        problems.append(f"the README's {name} sample is not what the replay prints:\n" + "\n".join(diff))
for problem in problems:
    print(f"FAIL: {problem}", file=sys.stderr)
if problems:
    sys.exit(1)
print(f"PASS: the README's {', '.join(sorted(blocks))} samples are the replay's of the made-up desktop")
