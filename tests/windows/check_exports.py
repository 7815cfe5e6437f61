#!/usr/bin/env python3
"""check_exports.py OBJDUMP HEADER DLL [HEADER DLL ...]

Every function a public header exports (declared ZAPI or KRNAPI) must be in the
DLL's export table under its plain name, and nothing there may carry an @N
stdcall decoration: Windows applications find the exports with GetProcAddress."""
import re
import subprocess
import sys


def declared(header):
    text = open(header, encoding="utf-8").read()
    return set(re.findall(r"^(?:ZAPI|KRNAPI)\b[^(;]*?\b(\w+)\s*\(", text, re.M))


def exported(objdump, dll):
    dump = subprocess.run([objdump, "-p", dll], check=True, capture_output=True, text=True).stdout
    table = dump.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) != 2:
        sys.exit(f"{dll}: no export name table")
    names = set()
    for line in table[1].splitlines():
        m = re.match(r"\s*\[\s*\d+\]\s+(\S+)", line)
        if m:
            names.add(m.group(1))
        elif names and not line.strip():
            break
    return names


def main():
    objdump, pairs = sys.argv[1], sys.argv[2:]
    failures = 0
    for header, dll in zip(pairs[0::2], pairs[1::2]):
        want, have = declared(header), exported(objdump, dll)
        missing = sorted(want - have)
        decorated = sorted(n for n in have if "@" in n)
        for name in missing:
            print(f"{dll}: {name} (declared in {header}) is not exported under its plain name")
        for name in decorated:
            print(f"{dll}: {name} is exported decorated")
        failures += len(missing) + len(decorated)
        print(f"{dll}: {len(want)} declared exports, {len(have)} exported, {len(missing)} missing, {len(decorated)} decorated")
    return 1 if failures or not pairs else 0


if __name__ == "__main__":
    sys.exit(main())
