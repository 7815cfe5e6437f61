#!/usr/bin/env python3
"""Runs a Win32 probe program built against the software platform and checks
that it prints what it printed on the reference implementation.

  check_probe.py exact  EXPECTED.json PROGRAM [ARGS...]
      stdout must equal the recorded vector byte for byte.
  check_probe.py muldiv EXPECTED.json PROGRAM
      as exact, except in the cases the recording flags as differing from the
      documented rule: there the platform follows the documentation, so the
      result must be the exact rounded value (halves away from zero; -1 for a
      zero divisor or a result outside 32 bits).
  check_probe.py subset EXPECTED.json SKIP PROGRAM [ARGS...]
      every case the program prints must appear in the recorded vector (same
      id) with the same value for every field the program printed; the
      recorded file may hold fields added by later processing. SKIP is a
      comma-separated list of case ids the contract calls informative only
      (or "-"); they are reported, not compared.
  check_probe.py finish FINISH_SCRIPT EXPECTED_DIR SKIP SHAPES COMBINE OPS DRAW
      runs the four region probes, turns their output into vectors with the
      recording's own finishing script and compares every field of every
      case (SKIP as above) and of the file headers.

On a difference it prints where the two first disagree.
"""
import json
import os
import subprocess
import sys
import tempfile


def run(program, args):
    done = subprocess.run([program] + list(args), stdout=subprocess.PIPE, timeout=900)
    if done.returncode != 0:
        print('%s exited with status %d' % (os.path.basename(program), done.returncode))
        sys.exit(1)
    return done.stdout


def first_difference(a, b, path='$'):
    if type(a) is not type(b):
        return '%s: %r != %r' % (path, a, b)
    if isinstance(a, dict):
        for k in list(a.keys()) + [k for k in b.keys() if k not in a]:
            if k not in a or k not in b:
                return '%s.%s: present only on one side' % (path, k)
            d = first_difference(a[k], b[k], '%s.%s' % (path, k))
            if d:
                return d
        return None
    if isinstance(a, list):
        for i, (x, y) in enumerate(zip(a, b)):
            d = first_difference(x, y, '%s[%d]' % (path, i))
            if d:
                return d
        if len(a) != len(b):
            return '%s: %d items != %d items' % (path, len(a), len(b))
        return None
    return None if a == b else '%s: got %r, recorded %r' % (path, a, b)


def explain(got_bytes, expected_bytes):
    try:
        got, expected = json.loads(got_bytes), json.loads(expected_bytes)
    except ValueError as error:
        got_lines = got_bytes.decode('latin-1').splitlines()
        exp_lines = expected_bytes.decode('latin-1').splitlines()
        for n, (g, e) in enumerate(zip(got_lines, exp_lines), 1):
            if g != e:
                return 'line %d: got %r, recorded %r (%s)' % (n, g, e, error)
        return 'lengths differ: %d lines != %d lines' % (len(got_lines), len(exp_lines))
    return first_difference(got, expected) or 'same JSON, different formatting'


def case_map(doc):
    cases = doc.get('cases') if isinstance(doc, dict) else None
    if not isinstance(cases, list):
        return None
    return {c.get('id'): c for c in cases if isinstance(c, dict)}


def check_subset(got, expected, skip=(), whole=False):
    got_cases, exp_cases = case_map(got), case_map(expected)
    if got_cases is None or exp_cases is None:
        return first_difference(got, expected)
    problems = []
    if whole:
        d = first_difference({k: v for k, v in got.items() if k != 'cases'},
                             {k: v for k, v in expected.items() if k != 'cases'})
        if d:
            problems.append(d)
    for cid, case in got_cases.items():
        if cid in skip:
            continue
        if whole:
            d = first_difference(case, exp_cases.get(cid), 'case %s' % cid)
            if d:
                problems.append(d)
            continue
        if cid not in exp_cases:
            problems.append('case %s: not in the recording' % cid)
            continue
        for key, value in case.items():
            d = first_difference(value, exp_cases[cid].get(key), 'case %s.%s' % (cid, key))
            if d:
                problems.append(d)
    missing = [cid for cid in exp_cases if cid not in got_cases]
    if missing:
        problems.append('%d recorded cases not printed, first %s' % (len(missing), missing[0]))
    if problems:
        return '%d differences; first: %s' % (len(problems), problems[0])
    return None


def documented_muldiv(a, b, c):
    if c == 0:
        return -1
    product = a * b
    q, r = divmod(abs(product), abs(c))
    if 2 * r >= abs(c):
        q += 1
    result = q if (product >= 0) == (c > 0) else -q
    return result if -2**31 <= result < 2**31 else -1


def check_muldiv(got, expected):
    got_cases, exp_cases = got.get('cases', []), expected.get('cases', [])
    if len(got_cases) != len(exp_cases):
        return '%d cases != %d recorded' % (len(got_cases), len(exp_cases))
    documented = 0
    for i, (g, e) in enumerate(zip(got_cases, exp_cases)):
        if e.get('differs_from_documented_rule'):
            want = documented_muldiv(e['nNumber'], e['nNumerator'], e['nDenominator'])
            if g.get('result') != want:
                return 'case %d: got %r, the documented rule gives %r' % (i, g.get('result'), want)
            documented += 1
            continue
        d = first_difference(g, e, '$.cases[%d]' % i)
        if d:
            return d
    rest_got = {k: v for k, v in got.items() if k != 'cases'}
    rest_exp = {k: v for k, v in expected.items() if k != 'cases'}
    d = first_difference(rest_got, rest_exp)
    if d:
        return d
    print('%d cases follow the documented rule where the recording does not' % documented)
    return None


def main(argv):
    mode = argv[1]
    if mode == 'muldiv':
        expected_path, program = argv[2], argv[3]
        got = json.loads(run(program, []))
        with open(expected_path, 'rb') as f:
            expected = json.loads(f.read())
        problem = check_muldiv(got, expected)
        if problem is None:
            print('agrees with %s' % os.path.basename(expected_path))
            return 0
        print('differs from %s: %s' % (os.path.basename(expected_path), problem))
        return 1
    if mode in ('exact', 'subset'):
        skip = ()
        if mode == 'subset':
            skip = () if argv[3] == '-' else tuple(argv[3].split(','))
            del argv[3]
        expected_path, program, args = argv[2], argv[3], argv[4:]
        got = run(program, args)
        with open(expected_path, 'rb') as f:
            expected = f.read()
        if mode == 'exact':
            if got == expected:
                print('identical to %s (%d bytes)' % (os.path.basename(expected_path), len(got)))
                return 0
            print('differs from %s: %s' % (os.path.basename(expected_path), explain(got, expected)))
            return 1
        problem = check_subset(json.loads(got), json.loads(expected), skip)
        if skip:
            print('not compared (informative only): %s' % ', '.join(skip))
        if problem is None:
            print('every printed field agrees with %s' % os.path.basename(expected_path))
            return 0
        print('differs from %s: %s' % (os.path.basename(expected_path), problem))
        return 1
    if mode == 'finish':
        finish, expected_dir, skip, shapes, combine, ops, draw = argv[2:9]
        skip = () if skip == '-' else tuple(skip.split(','))
        with tempfile.TemporaryDirectory() as work:
            raw, out = os.path.join(work, 'raw'), os.path.join(work, 'out')
            os.makedirs(raw)
            runs = [(f, shapes, [f]) for f in ('rect', 'ellipse', 'roundrect', 'polygon')]
            runs += [('combine', combine, []), ('ops', ops, []), ('draw', draw, [])]
            for name, program, args in runs:
                with open(os.path.join(raw, name + '.json'), 'wb') as f:
                    f.write(run(program, args))
            subprocess.run([sys.executable, finish, raw, out], check=False)
            failed = 0
            for name, _, _ in runs:
                with open(os.path.join(out, name + '.json'), 'rb') as f:
                    got = f.read()
                with open(os.path.join(expected_dir, name + '.json'), 'rb') as f:
                    expected = f.read()
                if got == expected:
                    print('%s.json identical' % name)
                    continue
                problem = check_subset(json.loads(got), json.loads(expected), skip, whole=True)
                if problem:
                    failed += 1
                    print('%s.json differs: %s' % (name, problem))
                else:
                    print('%s.json agrees except in the informative cases %s' % (name, ', '.join(skip)))
            return 1 if failed else 0
    print(__doc__)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
