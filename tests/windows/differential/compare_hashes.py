#!/usr/bin/env python3
"""Runs a differential program and compares the hashes it prints with the
recorded ones.

  compare_hashes.py RECORDED [--runner WORD]... [--differs ID,...] PROGRAM

The program prints one line per case, "ID HASH CALL..."; RECORDED holds
"ID HASH" lines. --runner words come before PROGRAM (an emulator); --differs
names the cases known to differ from the recording, each of which must still
differ. On a difference it prints the first cases' calls.
"""
import subprocess
import sys


def main(argv):
    recorded_path, argv = argv[1], argv[2:]
    runner, known = [], set()
    while argv[0] in ('--runner', '--differs'):
        if argv[0] == '--runner':
            runner.append(argv[1])
        else:
            known = set(argv[1].split(','))
        argv = argv[2:]
    done = subprocess.run(runner + argv, stdout=subprocess.PIPE, timeout=600)
    if done.returncode != 0:
        print('the program exited with status %d' % done.returncode)
        return 1
    calls = {}
    for line in done.stdout.decode('ascii').splitlines():
        case, digest, call = line.split(' ', 2)
        calls[case] = (digest, call)
    with open(recorded_path) as f:
        recorded = dict(line.split() for line in f if line.strip())
    problems = ['case %s: not printed' % c for c in recorded if c not in calls]
    problems += ['case %s: not recorded' % c for c in calls if c not in recorded]
    differing = [c for c in recorded if c in calls and calls[c][0] != recorded[c]]
    problems += ['case %s: %s (recorded %s): %s' % (c, calls[c][0], recorded[c], calls[c][1])
                 for c in differing if c not in known]
    problems += ['case %s: agrees now; take it off the known differences' % c
                 for c in sorted(known - set(differing), key=int)]
    if known:
        print('%d known differences: %s' % (len(known), ', '.join(sorted(known, key=int))))
    if problems:
        print('%d problems in %d cases; the first:\n  %s' % (len(problems), len(recorded), '\n  '.join(problems[:8])))
        print('(the program run with a case number shows that case\'s pixels)')
        return 1
    print('%d cases agree with %s' % (len(recorded) - len(known), recorded_path))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
