#!/usr/bin/env python3
"""Plants each known fault of mutants.txt in a scratch copy of the tree, rebuilds only the tests that
should notice it, runs them and prints which faults no test caught.

    tools/mutants/run-mutants.py                  # every mutant, table on stdout
    tools/mutants/run-mutants.py --only 'mmd-*'   # a subset (shell-style pattern on the id)
    tools/mutants/run-mutants.py --out tools/mutants/baseline.txt

The scratch copy (default build-mutants/src, its build in build-mutants/src/build) is refreshed from the
tree under test on every run, copying only files whose bytes changed, so later runs rebuild incrementally
and ccache serves the restored files. Mutants run one after another; a mutant whose search text no longer
matches exactly once is reported "stale" rather than failing the run.

Tests are chosen per mutant: the ctest tests it names, when they exist in the build; otherwise every test
of the subsystems it names (a test belongs to the subsystem whose tests/<subsystem>/ folder defines it, or
which it carries as a label). So the same list works with one test executable per source file and with
one per subsystem. GL tests share one Xvfb server: without a DISPLAY the script re-runs itself under
xvfb-run.
"""

import argparse
import datetime
import fnmatch
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


class Mutant:
    def __init__(self, ident):
        self.id = ident
        self.subsystems = []
        self.file = ""
        self.tests = []
        self.note = ""
        self.search = ""
        self.replace = ""


def parse_mutants(path):
    """Blocks of
         == id
         subsystem: mmd [render ...]
         file: mmd/VMDAnimation.cpp
         tests: VMDAnimationTest [OtherTest ...]
         note: free text
         --- search
         exact text
         --- replace
         replacement text
         --- end
    """
    mutants = []
    cur = None
    section = None
    buf = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for lineno, line in enumerate(lines, 1):
        if section in ("search", "replace"):
            if line.startswith("--- "):
                text = "\n".join(buf)
                setattr(cur, section, text)
                buf = []
                section = line[4:].strip()
                if section == "end":
                    section = None
                elif section not in ("search", "replace"):
                    sys.exit(f"{path}:{lineno}: unknown section {section!r}")
            else:
                buf.append(line)
            continue
        if line.startswith("== "):
            cur = Mutant(line[3:].strip())
            mutants.append(cur)
        elif line.startswith("--- "):
            section = line[4:].strip()
            buf = []
        elif not line.strip() or line.startswith("#"):
            continue
        elif cur is not None and ":" in line:
            key, value = line.split(":", 1)
            key, value = key.strip(), value.strip()
            if key == "subsystem":
                cur.subsystems = value.split()
            elif key == "file":
                cur.file = value
            elif key == "tests":
                cur.tests = value.split()
            elif key == "note":
                cur.note = value
            else:
                sys.exit(f"{path}:{lineno}: unknown key {key!r}")
        else:
            sys.exit(f"{path}:{lineno}: cannot read {line!r}")
    if section is not None:
        sys.exit(f"{path}: unterminated section in mutant {cur.id}")
    ids = [m.id for m in mutants]
    dup = {i for i in ids if ids.count(i) > 1}
    if dup:
        sys.exit(f"{path}: duplicate ids {sorted(dup)}")
    for m in mutants:
        if not (m.file and m.subsystems and m.search):
            sys.exit(f"{path}: mutant {m.id} needs file, subsystem and search")
    return mutants


def run(cmd, **kw):
    return subprocess.run(cmd, text=True, **kw)


def tree_files(src, rev):
    """(path, bytes-reader, executable) of the tree: the working tree (tracked and untracked-not-ignored files), or
    the commit `rev` when given."""
    if rev is None:
        listed = run(["git", "-C", src, "ls-files", "-co", "--exclude-standard", "-z"], capture_output=True,
                     check=True)
        for rel in (f for f in listed.stdout.split("\0") if f):
            path = os.path.join(src, rel)
            if os.path.isfile(path) and not os.path.islink(path):
                yield rel, lambda path=path: open(path, "rb").read(), os.access(path, os.X_OK)
        return
    listed = subprocess.run(["git", "-C", src, "ls-tree", "-r", "-z", rev], capture_output=True, check=True).stdout
    entries = []
    for entry in listed.split(b"\0"):
        if not entry:
            continue
        meta, rel = entry.split(b"\t", 1)
        mode, kind, sha = meta.split()
        if kind == b"blob" and mode != b"120000":
            entries.append((rel.decode(), sha.decode(), mode == b"100755"))
    batch = subprocess.Popen(["git", "-C", src, "cat-file", "--batch"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    for rel, sha, executable in entries:
        batch.stdin.write(sha.encode() + b"\n")
        batch.stdin.flush()
        size = int(batch.stdout.readline().split()[2])
        data = batch.stdout.read(size)
        batch.stdout.read(1)
        yield rel, lambda data=data: data, executable
    batch.stdin.close()
    batch.wait()


def sync_tree(src, dst, rev=None):
    """Copies the tree under test to dst, touching only files whose bytes changed."""
    keep = set()
    for rel, read, executable in tree_files(src, rev):
        d = os.path.join(dst, rel)
        keep.add(os.path.normpath(rel))
        data = read()
        try:
            with open(d, "rb") as f:
                same = f.read() == data
        except OSError:
            same = False
        if not same:
            os.makedirs(os.path.dirname(d), exist_ok=True)
            with open(d, "wb") as f:
                f.write(data)
            os.chmod(d, 0o755 if executable else 0o644)
    # Drop files the tree no longer has, outside the build directory.
    for root, dirs, names in os.walk(dst):
        rel_root = os.path.relpath(root, dst)
        if rel_root == "." and "build" in dirs:
            dirs.remove("build")
        for n in names:
            rel = os.path.normpath(os.path.join(rel_root, n))
            if rel not in keep:
                os.remove(os.path.join(root, n))


def discover_tests(build):
    out = run(["ctest", "--test-dir", build, "--show-only=json-v1"], capture_output=True, check=True).stdout
    data = json.loads(out)
    graph = data.get("backtraceGraph", {})
    files = graph.get("files", [])
    nodes = graph.get("nodes", [])
    tests = {}
    for t in data.get("tests", []):
        labels = []
        for p in t.get("properties", []):
            if p["name"] == "LABELS":
                labels = p["value"]
        command = t.get("command") or []
        # The folder of the CMakeLists.txt that defined the test names its subsystem.
        subsystem = ""
        bt = t.get("backtrace")
        while bt is not None and bt < len(nodes) and not subsystem:
            m = re.search(r"/tests/([^/]+)/[^/]*$", files[nodes[bt]["file"]].replace("\\", "/"))
            if m:
                subsystem = m.group(1)
            bt = nodes[bt].get("parent")
        tests[t["name"]] = {
            "labels": labels,
            # Before its first build ctest cannot resolve the executable; the target then has the test's name.
            "exe": os.path.basename(command[0]) if command else t["name"],
            "subsystem": subsystem,
        }
    return tests


# Subsystems that share a test folder after a regrouping (render and mmdr are tested together there).
ALIASES = {"mmdr": ["mmdr", "render"], "render": ["render", "mmdr"]}


def select_tests(m, tests):
    named = [t for t in m.tests if t in tests]
    if named:
        return named
    wanted = set()
    for s in m.subsystems:
        wanted.update(ALIASES.get(s, [s]))
    return sorted(n for n, t in tests.items() if t["subsystem"] in wanted or wanted & set(t["labels"]))


def build_targets(build, targets, jobs, log):
    if not targets:
        return True
    r = run(["cmake", "--build", build, "-j", str(jobs), "--target", *sorted(set(targets))],
            stdout=log, stderr=subprocess.STDOUT)
    return r.returncode == 0


def run_tests(build, names, timeout, log):
    """Returns the names of the tests that failed (or timed out)."""
    if not names:
        return []
    regex = "^(" + "|".join(re.escape(n) for n in names) + ")$"
    failed_log = os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")
    if os.path.exists(failed_log):
        os.remove(failed_log)
    run(["ctest", "--test-dir", build, "-R", regex, "--timeout", str(timeout), "--output-on-failure"],
        stdout=log, stderr=subprocess.STDOUT)
    failed = []
    if os.path.exists(failed_log):
        with open(failed_log) as f:
            for line in f:
                parts = line.strip().split(":", 1)
                if len(parts) == 2:
                    failed.append(parts[1])
    return failed


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--src", default=os.path.normpath(os.path.join(HERE, "..", "..")), help="tree under test")
    ap.add_argument("--rev", help="test this commit of --src instead of its working tree")
    ap.add_argument("--work", help="scratch folder (default: <src>/build-mutants)")
    ap.add_argument("--mutants", default=os.path.join(HERE, "mutants.txt"))
    ap.add_argument("--only", action="append", help="run only mutants whose id matches (fnmatch; repeatable)")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--timeout", type=int, default=120, help="seconds per test")
    ap.add_argument("--out", help="also write the table to this file")
    ap.add_argument("--list", action="store_true", help="list the mutants and the tests each would run")
    ap.add_argument("--check", action="store_true", help="only report which mutants still match the tree")
    args = ap.parse_args()

    if args.check:
        for m in parse_mutants(args.mutants):
            try:
                with open(os.path.join(args.src, m.file), encoding="utf-8") as f:
                    count = f.read().count(m.search)
            except OSError:
                count = -1
            state = "ok" if count == 1 else "stale (file missing)" if count < 0 else f"stale ({count} matches)"
            print(f"{m.id:44} {m.file:36} {state}")
        return

    if not os.environ.get("DISPLAY") and not args.list and shutil.which("xvfb-run"):
        rt = os.environ.get("XDG_RUNTIME_DIR") or tempfile.mkdtemp(prefix="mnx-runtime.")
        os.chmod(rt, 0o700)
        env = dict(os.environ, XDG_RUNTIME_DIR=rt)
        cmd = ["xvfb-run", "-a", "-s", "-screen 0 1920x1080x24 -nolisten tcp", sys.executable] + sys.argv
        os.execvpe("xvfb-run", cmd, env)

    src = os.path.abspath(args.src)
    work = os.path.abspath(args.work or os.path.join(src, "build-mutants"))
    scratch = os.path.join(work, "src")
    build = os.path.join(scratch, "build")
    os.makedirs(scratch, exist_ok=True)
    # Tests find the shared fixtures beside the source tree.
    shared = os.path.realpath(os.path.join(src, "..", "shared"))
    link = os.path.join(work, "shared")
    if os.path.isdir(shared) and not os.path.exists(link):
        os.symlink(shared, link)

    mutants = parse_mutants(args.mutants)
    if args.only:
        mutants = [m for m in mutants if any(fnmatch.fnmatch(m.id, p) for p in args.only)]

    sync_tree(src, scratch, args.rev)
    log_path = os.path.join(work, "mutants.log")
    log = open(log_path, "w")
    if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
        gen = ["-G", "Ninja"] if shutil.which("ninja") else []
        r = run(["cmake", "-S", scratch, "-B", build, *gen, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                 "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"],
                stdout=log, stderr=subprocess.STDOUT)
        if r.returncode:
            sys.exit(f"configure failed, see {log_path}")
    else:
        run(["cmake", build], stdout=log, stderr=subprocess.STDOUT)
    tests = discover_tests(build)

    if args.list:
        for m in mutants:
            print(f"{m.id:44} {m.file:44} {' '.join(select_tests(m, tests))}")
        return

    commit = run(["git", "-C", src, "rev-parse", "--short", args.rev or "HEAD"], capture_output=True).stdout.strip()
    dirty = "" if args.rev else run(["git", "-C", src, "status", "--porcelain", "--untracked-files=no"],
                                     capture_output=True).stdout
    header = (f"Mutants of {src} at {commit}{' (uncommitted changes)' if dirty.strip() else ''}, "
              f"{datetime.datetime.now():%Y-%m-%d %H:%M}, {len(tests)} ctest tests in the build")
    print(header, flush=True)

    baseline = {}  # test name -> passed on the unmutated tree
    rows = []

    def ensure_baseline(names):
        todo = [n for n in names if n not in baseline]
        if not todo:
            return
        built = todo
        if not build_targets(build, [tests[n]["exe"] for n in todo], args.jobs, log):
            # One broken test executable must not take the others with it.
            built = [n for n in todo if build_targets(build, [tests[n]["exe"]], args.jobs, log)]
        failed = set(run_tests(build, built, args.timeout, log)) | (set(todo) - set(built))
        for n in todo:
            baseline[n] = n not in failed
            if n in failed:
                print(f"  note: {n} fails on the unmutated tree; it does not count as catching", flush=True)

    for m in mutants:
        started = time.time()
        path = os.path.join(scratch, m.file)
        row = {"id": m.id, "file": m.file, "result": "", "by": ""}
        rows.append(row)
        try:
            with open(path, encoding="utf-8") as f:
                original = f.read()
        except OSError:
            row["result"], row["by"] = "stale", "file missing"
            print(f"{m.id}: stale (file missing)", flush=True)
            continue
        count = original.count(m.search)
        if count != 1:
            row["result"], row["by"] = "stale", "no match" if count == 0 else f"{count} matches"
            print(f"{m.id}: stale ({row['by']})", flush=True)
            continue
        names = select_tests(m, tests)
        if not names:
            row["result"], row["by"] = "survived", "no tests"
            print(f"{m.id}: no tests for {m.subsystems}", flush=True)
            continue
        ensure_baseline(names)
        names = [n for n in names if baseline[n]]
        if not names:
            row["result"], row["by"] = "no-tests", "its tests fail on the unmutated tree"
            print(f"{m.id}: no passing tests to run", flush=True)
            continue
        print(f"{m.id}: {len(names)} tests ...", end="", flush=True)
        log.write(f"\n===== {m.id}\n")
        log.flush()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(m.search, m.replace))
            if not build_targets(build, [tests[n]["exe"] for n in names], args.jobs, log):
                row["result"] = "build-error"
            else:
                failed = run_tests(build, names, args.timeout, log)
                row["result"] = "caught" if failed else "survived"
                row["by"] = " ".join(failed)
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        print(f" {row['result']} ({time.time() - started:.0f}s) {row['by']}", flush=True)

        write_table(header, rows, args.out, partial=len(rows) < len(mutants))

    table = write_table(header, rows, args.out, partial=False)
    print()
    print(table, end="")
    log.close()


def write_table(header, rows, out, partial):
    counts = {}
    for r in rows:
        counts[r["result"]] = counts.get(r["result"], 0) + 1
    lines = [header, ""]
    w_id = max([len(r["id"]) for r in rows] + [6])
    w_file = max([len(r["file"]) for r in rows] + [4])
    lines.append(f"{'mutant':{w_id}}  {'file':{w_file}}  {'result':11}  caught by / note")
    for r in rows:
        lines.append(f"{r['id']:{w_id}}  {r['file']:{w_file}}  {r['result']:11}  {r['by']}")
    lines.append("")
    lines.append("totals: " + ", ".join(f"{k} {v}" for k, v in sorted(counts.items())))
    if partial:
        lines.append("(partial: the run is still going or was stopped)")
    table = "\n".join(lines) + "\n"
    if out:
        with open(out, "w") as f:
            f.write(table)
    return table


if __name__ == "__main__":
    main()
