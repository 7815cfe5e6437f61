#!/usr/bin/env python3
"""Runs a Win32 probe program and checks that it prints (or writes) what it
did on the reference implementation.

  check_probe.py [--runner WORD]... [--address-space MIB] MODE ...
      --runner: a word of the command the program runs through (an emulator:
      the Wine runner and its prefix); --address-space: the runner's address
      space limit, in MiB.

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
  check_probe.py files RECORDED_DIR PATTERN [--finish SCRIPT] [--ignore FILE[:KEY]]...
                 RUN [-- RUN]...      with RUN = [--stdout NAME] PROGRAM [ARGS...]
      the runs take place in one empty directory (--stdout keeps a run's
      output there as NAME); with --finish, SCRIPT DIR OUT turns what they
      left into vectors first. The files must be exactly the recorded files
      of RECORDED_DIR whose names match PATTERN (shell wildcards, several
      joined by commas). KEY (members joined by dots) names a JSON value
      that depends on the machine, not compared; a FILE without KEY is
      written but not compared at all (the caller says why). A member of a
      list is named by its index. --expect FILE:KEY=JSON compares the value
      at KEY with JSON instead of the recorded one: where the platform
      follows the documentation and the recording's implementation did not.
      --drop-messages NAMES (comma-separated) removes the message-log entries
      of those messages (and DefWindowProcA's result for them) from both
      sides: messages the contract calls incidental.

On a difference it prints where the two first disagree.
"""
import fnmatch
import json
import os
import subprocess
import sys
import tempfile

RUNNER = []
ADDRESS_SPACE = None


def limit_address_space():
    import resource
    resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_SPACE, ADDRESS_SPACE))


def run(program, args, cwd=None):
    done = subprocess.run(RUNNER + [program] + list(args), stdout=subprocess.PIPE, timeout=900, cwd=cwd,
                          preexec_fn=limit_address_space if ADDRESS_SPACE else None)
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


TYPE_NAMES = {1: 'NULLREGION', 2: 'SIMPLEREGION', 3: 'COMPLEXREGION', 0: 'ERROR'}


def canonical_rects(rows):
    """The y-x banded rectangle list of a pixel set given as rows
    [y, x0, x1, x2, x3, ...]: identical spans on consecutive rows merge."""
    bands = []
    for row in rows:
        y, spans = row[0], tuple(row[1:])
        if bands and bands[-1][1] == y and bands[-1][2] == spans:
            bands[-1][1] = y + 1
        else:
            bands.append([y, y + 1, spans])
    return [[spans[i], top, spans[i + 1], bottom]
            for top, bottom, spans in bands for i in range(0, len(spans), 2)]


def canonical_view(case, recorded):
    """The recorded case as a platform that keeps regions canonical prints it:
    where the recording stored a region non-canonically (one rectangle per
    row, touching spans kept apart), its rectangle list is the canonical one
    of the same pixels and its type the canonical type."""
    recorded = dict(recorded)
    for prefix in ('', 'a_', 'b_'):
        rows, rects = recorded.get(prefix + 'rows'), recorded.get(prefix + 'rects')
        if not isinstance(rows, list) or not isinstance(rects, list):
            continue
        canonical = canonical_rects(rows)
        if rects == canonical:
            continue
        recorded[prefix + 'rects'] = canonical
        kind = 1 if not canonical else 2 if len(canonical) == 1 else 3
        if prefix + 'type' in recorded:
            recorded[prefix + 'type'] = kind
        if prefix + 'type_name' in recorded:
            recorded[prefix + 'type_name'] = TYPE_NAMES[kind]
    return case, recorded


def check_subset(got, expected, skip=()):
    got_cases, exp_cases = case_map(got), case_map(expected)
    if got_cases is None or exp_cases is None:
        return first_difference(got, expected)
    problems = []
    defects = []
    for cid, case in got_cases.items():
        if cid in skip:
            continue
        if exp_cases.get(cid, {}).get('reference_defect'):
            defects.append(cid)
            continue
        if cid in exp_cases:
            case, exp_cases[cid] = canonical_view(case, exp_cases[cid])
        if cid not in exp_cases:
            problems.append('case %s: not in the recording' % cid)
            continue
        for key, value in case.items():
            d = first_difference(value, exp_cases[cid].get(key), 'case %s.%s' % (cid, key))
            if d:
                problems.append(d)
    if defects:
        print('%d cases where the recording shows a defect of its implementation, not compared: %s'
              % (len(defects), ', '.join(defects[:8]) + (' ...' if len(defects) > 8 else '')))
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


def without(doc, key, value=None, replace=False):
    """doc with the member at the dotted path key removed (or, with replace,
    set to value); list members are named by their index."""
    head, _, rest = key.partition('.')
    if isinstance(doc, list) and head.isdigit() and int(head) < len(doc):
        doc, head = list(doc), int(head)
    elif not isinstance(doc, dict) or (head not in doc and (rest or not replace)):
        return doc
    else:
        doc = dict(doc)
    if rest:
        doc[head] = without(doc[head], rest, value, replace)
    elif replace:
        doc[head] = value
    else:
        del doc[head]
    return doc


def drop_messages(doc, names):
    """doc with every log entry {"msg": name} or {"returned_by": name} of the
    given messages removed, at any depth."""
    if isinstance(doc, list):
        return [drop_messages(x, names) for x in doc
                if not (isinstance(x, dict) and (x.get('msg') in names or x.get('returned_by') in names))]
    if isinstance(doc, dict):
        return {k: drop_messages(v, names) for k, v in doc.items()}
    return doc


def check_files(argv):
    recorded_dir, pattern, argv = argv[0], argv[1], argv[2:]
    finish, ignore, expect, dropped = None, {}, {}, set()
    while argv[0] in ('--finish', '--ignore', '--expect', '--drop-messages'):
        if argv[0] == '--finish':
            finish = argv[1]
        elif argv[0] == '--drop-messages':
            dropped.update(argv[1].split(','))
        elif argv[0] == '--expect':
            name, _, setting = argv[1].partition(':')
            key, _, value = setting.partition('=')
            expect.setdefault(name, []).append((key, json.loads(value)))
        else:
            name, _, key = argv[1].partition(':')
            ignore.setdefault(name, []).append(key)
        argv = argv[2:]
    runs, current = [], []
    for word in argv + ['--']:
        if word == '--':
            runs.append(current)
            current = []
        else:
            current.append(word)
    with tempfile.TemporaryDirectory() as work:
        for words in runs:
            keep = None
            if words[0] == '--stdout':
                keep, words = words[1], words[2:]
            output = run(words[0], words[1:], cwd=work)
            if keep:
                with open(os.path.join(work, keep), 'wb') as f:
                    f.write(output)
        out = work
        if finish:
            out = os.path.join(work, 'finished')
            subprocess.run([sys.executable, finish, work, out], stdout=subprocess.DEVNULL, check=True)
        got = sorted(f for f in os.listdir(out) if os.path.isfile(os.path.join(out, f)))
        want = sorted(f for f in os.listdir(recorded_dir)
                      if any(fnmatch.fnmatch(f, p) for p in pattern.split(',')))
        problems = ['%s: %s' % (f, 'not written' if f in want else 'not in the recording')
                    for f in sorted(set(got) ^ set(want))] or ([] if want else ['no recorded file matches'])
        for name in sorted(set(got) & set(want)):
            with open(os.path.join(out, name), 'rb') as f:
                g = f.read()
            with open(os.path.join(recorded_dir, name), 'rb') as f:
                e = f.read()
            if g == e:
                continue
            if '' in ignore.get(name, ()):
                continue
            if name in ignore or name in expect or (dropped and name.endswith('.json')):
                gd, ed = json.loads(g), json.loads(e)
                gd, ed = drop_messages(gd, dropped), drop_messages(ed, dropped)
                for key in ignore.get(name, ()):
                    gd, ed = without(gd, key), without(ed, key)
                for key, value in expect.get(name, ()):
                    ed = without(ed, key, value, replace=True)
                if gd == ed:
                    continue
                problems.append('%s: %s' % (name, first_difference(gd, ed) or 'same JSON, different formatting'))
                continue
            problems.append('%s: %s' % (name, explain(g, e)))
    for name, keys in sorted(ignore.items()):
        print('not compared: %s' % ', '.join('%s:%s' % (name, k) if k else name for k in keys))
    for name, settings in sorted(expect.items()):
        print('documented value expected: %s' % ', '.join('%s:%s' % (name, k) for k, _ in settings))
    if problems:
        print('differs from the %d files recorded in %s:\n  %s' % (len(want), recorded_dir, '\n  '.join(problems)))
        return 1
    print('%d files agree with %s' % (len(want), recorded_dir))
    return 0


def main(argv):
    global ADDRESS_SPACE
    while argv[1] in ('--runner', '--address-space'):
        if argv[1] == '--runner':
            RUNNER.append(argv[2])
        else:
            ADDRESS_SPACE = int(argv[2]) << 20
        del argv[1:3]
    mode = argv[1]
    if mode == 'files':
        return check_files(argv[2:])
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
    print(__doc__)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
