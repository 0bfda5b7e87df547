#!/usr/bin/env python3
"""usage: usable_keys.py KEYS_JSON: the usable keys of a quorvex-keys document's one capture,
one line each as examples/consumer prints them: the kind, a blank, the value (bytes outside
printable ASCII and the backslash as \\xHH)."""
import json, sys

document = json.loads(open(sys.argv[1], "rb").read().decode("utf-8"))
(capture,) = document["captures"]
for key in capture["keys"]:
    if key["quality"] == "usable":
        value = key["value"]
        raw = bytes.fromhex(value["hex"]) if isinstance(value, dict) else value.encode()
        shown = "".join(chr(b) if 0x20 <= b < 0x7F and b != 0x5C else "\\x%02X" % b for b in raw)
        print(f"{key['kind']} {shown}")
