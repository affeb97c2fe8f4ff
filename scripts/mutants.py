#!/usr/bin/env python3
"""How much of a fault the tests catch: a seeded sample of single-line mutants of the product.

Each mutant changes one line of the product's own code (not the stand-ins, not the tools): a
comparison flipped, a constant off by one, a call or an early return removed, && and || swapped.
For each one the script patches a copy of the tree, rebuilds it incrementally, runs the test
programs of the mutant's folder (and the end-to-end scenarios when those leave it alive) and
records killed / survived / did not build. It prints the kill rate and the survivors.

    python3 scripts/mutants.py                       # sample 48 mutants (seed 1) of HEAD, run them
    python3 scripts/mutants.py --list                # only print the sample
    python3 scripts/mutants.py --save-sample F.json  # keep the sample for a later run
    python3 scripts/mutants.py --sample F.json       # run a kept sample on today's tree
    python3 scripts/mutants.py --only 3,17           # just these mutants of the sample
    python3 scripts/mutants.py --no-e2e              # skip the end-to-end scenarios

A kept sample names each mutant by its file, line text and neighbouring lines, so it finds its
line again after code has moved (in the same file, or any product file with that exact text).
Run by hand, not by CI: it takes an hour or more on two cores.
"""
import argparse
import io
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tarfile
import time

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The product's folders and the test programs that cover each.
FOLDERS = {
    "src/album": ["album_data_tests", "tools_tests"],
    "src/views": ["views_tests"],
    "src/control": ["control_tests", "resalbum_tests"],
    "src/host": ["registry_tests", "host_link_tests", "module_tests"],
    "src/search": ["search_tests", "find_tests"],
    "src/imaging": ["imaging_tests"],
    "src/win": ["album_data_tests", "imaging_tests", "views_tests", "control_tests"],
}
# Every product folder is reached by the scenarios (they add, sort, save, find, drag and dock).
E2E_FOLDERS = set(FOLDERS)

COMPARISONS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
KEYWORDS = {"return", "if", "while", "for", "switch", "sizeof", "delete", "new", "case",
            "static_assert", "throw", "do", "else", "catch", "decltype", "alignof"}


def run(cmd, cwd, timeout=None, env=None):
    """Runs a command; returns (exit code, combined output); a timeout counts as exit code 124."""
    try:
        p = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           timeout=timeout, env=env, text=True, errors="replace")
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired as e:
        out = e.stdout.decode(errors="replace") if isinstance(e.stdout, bytes) else (e.stdout or "")
        return 124, out


# ---- finding mutation sites -------------------------------------------------------------------

def mask_code(line, in_block):
    """The line with comments blanked and string and character literals filled with 'x', so
    operators are looked for in code only. Returns (masked, still inside a block comment)."""
    out = []
    i, n = 0, len(line)
    while i < n:
        if in_block:
            end = line.find("*/", i)
            if end < 0:
                out.append(" " * (n - i))
                return "".join(out), True
            out.append(" " * (end + 2 - i))
            i, in_block = end + 2, False
            continue
        c = line[i]
        if line.startswith("//", i):
            out.append(" " * (n - i))
            break
        if line.startswith("/*", i):
            in_block = True
            continue
        if c in "\"'":
            j = i + 1
            while j < n and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            j = min(j, n - 1)
            out.append(c + "x" * (j - i - 1) + line[j])
            i = j + 1
            continue
        out.append(c)
        i += 1
    return "".join(out), in_block


def balanced(s):
    depth = 0
    for c in s:
        depth += c == "("
        depth -= c == ")"
        if depth < 0:
            return False
    return depth == 0


def sites_of_line(masked, prev_masked):
    """Every mutation of one line: (operator name, start, end, replacement)."""
    code = masked.strip()
    if not code or code.startswith("#") or "static_assert" in code or "template" in code \
            or "operator" in code:
        return []
    found = []
    for m in re.finditer(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)", masked):
        found.append(("comparison", m.start(1), m.end(1), COMPARISONS[m.group(1)]))
    for m in re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", masked):
        found.append(("logic", m.start(1), m.end(1), "||" if m.group(1) == "&&" else "&&"))
    if not re.match(r"\s*case\b", masked):
        for m in re.finditer(r"(?<![\w.\[])(\d+)(?![\w.\]])", masked):
            found.append(("constant", m.start(1), m.end(1), str(int(m.group(1)) + 1)))
    call = re.match(r"^(\s*)([A-Za-z_][\w:]*(?:(?:\.|->)[A-Za-z_]\w*)*)\s*\((.*)\)\s*;\s*$", masked)
    if call and call.group(2).split("::")[-1] not in KEYWORDS and balanced(call.group(3)):
        found.append(("call removed", len(call.group(1)), len(masked.rstrip()), "(void)0;"))
    ret = re.match(r"^(\s*if\s*\(.*\)\s*)(return\b[^;]*;)\s*$", masked)
    if ret and balanced(ret.group(1)):
        found.append(("early return removed", ret.end(1), ret.end(2), "{}"))
    elif re.match(r"^\s*return\b[^;]*;\s*$", masked) and prev_masked is not None \
            and re.match(r"^\s*if\s*\(.*\)\s*$", prev_masked) and balanced(prev_masked):
        start = len(masked) - len(masked.lstrip())
        found.append(("early return removed", start, len(masked.rstrip()), "{}"))
    return found


def product_files(root):
    for folder in FOLDERS:
        base = os.path.join(root, folder)
        for dirpath, _, names in os.walk(base):
            for name in sorted(names):
                if name.endswith(".cpp"):
                    yield os.path.relpath(os.path.join(dirpath, name), root)


def all_sites(root):
    sites = []
    for rel in product_files(root):
        with open(os.path.join(root, rel), encoding="latin-1") as f:
            lines = f.read().split("\n")
        in_block, prev = False, None
        for no, line in enumerate(lines):
            masked, in_block = mask_code(line, in_block)
            for op, a, b, repl in sites_of_line(masked, prev):
                sites.append({
                    "folder": folder_of(rel), "file": rel, "line": no + 1, "op": op,
                    "original": line, "mutated": line[:a] + repl + line[b:],
                    "before": lines[no - 1] if no > 0 else "",
                    "after": lines[no + 1] if no + 1 < len(lines) else "",
                })
            if masked.strip():
                prev = masked
    return sites


def folder_of(rel):
    for folder in FOLDERS:
        if rel.startswith(folder + "/"):
            return folder
    return None


def choose(sites, count, seed):
    """A seeded sample spread over the folders in proportion to their sites, at least four each,
    at most one mutant a line."""
    rng = random.Random(seed)
    by_folder = {}
    for s in sites:
        by_folder.setdefault(s["folder"], []).append(s)
    total = len(sites)
    quota = {f: max(4, round(count * len(v) / total)) for f, v in by_folder.items()}
    chosen = []
    for folder in sorted(by_folder):
        pool = by_folder[folder][:]
        rng.shuffle(pool)
        # Spread over the operators too: take them in turns.
        by_op = {}
        for s in pool:
            by_op.setdefault(s["op"], []).append(s)
        ops = sorted(by_op)
        rng.shuffle(ops)
        used, picked = set(), []
        while len(picked) < quota[folder] and any(by_op.values()):
            for op in ops:
                while by_op[op]:
                    s = by_op[op].pop()
                    if (s["file"], s["line"]) not in used:
                        used.add((s["file"], s["line"]))
                        picked.append(s)
                        break
                if len(picked) >= quota[folder]:
                    break
        chosen += picked
    for i, s in enumerate(chosen, 1):
        s["id"] = i
    return chosen


# ---- finding a kept mutant's line again --------------------------------------------------------

def locate(tree, m):
    """(file, 0-based line) of the kept mutant's line in today's tree, or None when it is gone."""
    def candidates(rel):
        path = os.path.join(tree, rel)
        if not os.path.exists(path):
            return []
        with open(path, encoding="latin-1") as f:
            lines = f.read().split("\n")
        hits = [i for i, l in enumerate(lines) if l.strip() == m["original"].strip()]
        scored = []
        for i in hits:
            score = (lines[i - 1].strip() == m["before"].strip() if i > 0 else 0) + \
                    (lines[i + 1].strip() == m["after"].strip() if i + 1 < len(lines) else 0)
            scored.append((score, -abs(i + 1 - m["line"]), rel, i))
        return scored
    scored = candidates(m["file"])
    if not scored:
        for rel in product_files(tree):
            scored += candidates(rel)
    if not scored:
        return None
    scored.sort(reverse=True)
    return scored[0][2], scored[0][3]


# ---- building and testing the copy -------------------------------------------------------------

class Tree:
    def __init__(self, work, commit, use_e2e):
        self.work = work
        self.tree = os.path.join(work, "tree")
        self.build = os.path.join(self.tree, "build", "x64")
        self.use_e2e = use_e2e
        self.env = dict(os.environ, WINEPREFIX=os.path.join(self.tree, "build", "wineprefix"),
                        WINEDEBUG="-all")
        self.commit = commit
        self.exclude = set()

    def prepare(self):
        commit = subprocess.run(["git", "rev-parse", self.commit], cwd=HERE, stdout=subprocess.PIPE,
                                text=True, check=True).stdout.strip()
        stamp = os.path.join(self.tree, ".mutants-commit")
        # A copy of the same commit made by an earlier run is kept and only brought up to date.
        if os.path.exists(stamp) and open(stamp).read().strip() == commit:
            self.restore_sources(commit)
        else:
            if os.path.exists(self.tree):
                shutil.rmtree(self.tree)
            os.makedirs(self.tree)
            archive = subprocess.run(["git", "archive", commit], cwd=HERE, stdout=subprocess.PIPE,
                                     check=True).stdout
            subprocess.run(["tar", "-x", "-C", self.tree], input=archive, check=True)
            cache = os.path.join(HERE, "build", "third_party")
            if os.path.isdir(cache):
                shutil.copytree(cache, os.path.join(self.tree, "build", "third_party"), symlinks=True)
            self.step("setup", ["bash", "scripts/setup.sh"])
            with open(stamp, "w") as f:
                f.write(commit + "\n")
        self.step("configure", ["cmake", "-S", ".", "-B", "build/x64", "-G", "Ninja",
                                "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake",
                                "-DCMAKE_BUILD_TYPE=Release", "-DALBUM_BUILD_BENCH=OFF"])
        self.step("build", ["cmake", "--build", "build/x64", "-j", str(os.cpu_count() or 2)])
        if self.use_e2e:
            self.install_and_build_e2e(check=True)
        # The unmutated tree must pass; a case that fails twice here is left out of every run (and
        # named), so that it cannot count a mutant as killed.
        programs = sorted({p for ps in FOLDERS.values() for p in ps})
        suites = [("unit", lambda: self.run_tests(programs, 600))]
        if self.use_e2e:
            suites.append(("end-to-end", lambda: self.run_e2e(1200)))
        for name, suite in suites:
            broken = confirmed_failure(suite, suite)
            if broken:
                print(f"   WARNING: the unmutated {name} tests fail: {', '.join(sorted(broken))}; "
                      "those cases are left out", flush=True)
                self.exclude |= broken
        if self.exclude:
            self.env["GTEST_FILTER"] = "-" + ":".join(sorted(self.exclude))

    def restore_sources(self, commit):
        """Puts back any file that differs from the commit: a run stopped while a mutant was in
        place leaves it there, and the next run would take the mutated tree for the product."""
        archive = subprocess.run(["git", "archive", commit], cwd=HERE, stdout=subprocess.PIPE,
                                 check=True).stdout
        with tarfile.open(fileobj=io.BytesIO(archive)) as tar:
            for member in tar.getmembers():
                if not member.isfile():
                    continue
                want = tar.extractfile(member).read()
                path = os.path.join(self.tree, member.name)
                have = open(path, "rb").read() if os.path.exists(path) else None
                if have != want:
                    print(f"   restored {member.name} (left changed by an earlier run)", flush=True)
                    with open(path, "wb") as f:
                        f.write(want)

    def step(self, what, cmd, timeout=None):
        print(f"   {what}: {' '.join(cmd)}", flush=True)
        rc, out = run(cmd, self.tree, timeout=timeout, env=self.env)
        if rc != 0:
            sys.exit(f"{what} failed in the unmutated copy:\n{out[-4000:]}")

    def install_and_build_e2e(self, check=False):
        for cmd in (["cmake", "--install", "build/x64", "--prefix", "build/dist/x64"],
                    ["bash", "scripts/build-host.sh", "x64", "--tests"]):
            rc, out = run(cmd, self.tree, env=self.env)
            if rc != 0:
                if check:
                    sys.exit(f"{cmd} failed in the unmutated copy:\n{out[-4000:]}")
                return False
        return True

    def build_targets(self, targets):
        rc, out = run(["cmake", "--build", "build/x64", "-j", str(os.cpu_count() or 2), "--target"]
                      + targets, self.tree, env=self.env)
        return rc == 0, out

    def run_tests(self, programs, timeout):
        regex = "^(" + "|".join(programs) + ")$"
        rc, out = run(["bash", "scripts/run-tests.sh", "build/x64", "-R", regex,
                       "--timeout", str(timeout)], self.tree, timeout=timeout * len(programs) + 120,
                      env=self.env)
        return rc == 0, out

    def run_e2e(self, timeout):
        if not self.install_and_build_e2e():
            return False, "the scenarios did not build"
        rc, out = run(["bash", "scripts/run-tests.sh", "build/e2e-x64", "--timeout", str(timeout)],
                      self.tree, timeout=timeout + 120, env=self.env)
        return rc == 0, out


def failed_tests(out):
    """The names of the failed test cases (or programs, when one ended without naming any)."""
    names = set(re.findall(r"^\[  FAILED  \] (\S+) \(", out, re.M))
    return names or set(re.findall(r"Test +#\d+: (\S+) \.+\s*\*\*\*", out))


def confirmed_failure(first, again):
    """A test run under load can fail by chance: a mutant counts as killed only when a second run
    fails in a test that failed the first time too. Returns the failures seen both times."""
    passed, out = first()
    if passed:
        return set()
    one = failed_tests(out) or {"(the run)"}
    passed, out = again()
    if passed:
        return set()
    return one & (failed_tests(out) or {"(the run)"})


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=48)
    ap.add_argument("--commit", default="HEAD", help="the tree to mutate (default HEAD)")
    ap.add_argument("--sample", help="run this kept sample instead of drawing one")
    ap.add_argument("--save-sample", help="write the drawn sample to this file")
    ap.add_argument("--list", action="store_true", help="print the sample and stop")
    ap.add_argument("--only", help="comma-separated mutant numbers")
    ap.add_argument("--no-e2e", action="store_true")
    ap.add_argument("--work", default=os.path.join(HERE, "build", "mutants"))
    ap.add_argument("--timeout", type=int, default=600, help="seconds a test program may take")
    ap.add_argument("--results", help="write the results as JSON here")
    args = ap.parse_args()
    # Stopped from outside, the mutant in place is still put back (the finally below).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))

    tree = Tree(args.work, args.commit, not args.no_e2e)
    if args.sample:
        with open(args.sample) as f:
            sample = json.load(f)
    else:
        # The sample is drawn from the committed tree, so it does not depend on local edits.
        staging = os.path.join(args.work, "draw")
        if os.path.exists(staging):
            shutil.rmtree(staging)
        os.makedirs(staging)
        archive = subprocess.run(["git", "archive", args.commit, "src"], cwd=HERE,
                                 stdout=subprocess.PIPE, check=True).stdout
        subprocess.run(["tar", "-x", "-C", staging], input=archive, check=True)
        sample = choose(all_sites(staging), args.count, args.seed)
        shutil.rmtree(staging)
    if args.save_sample:
        with open(args.save_sample, "w") as f:
            json.dump(sample, f, indent=1)
    if args.only:
        wanted = {int(x) for x in args.only.split(",")}
        sample = [m for m in sample if m["id"] in wanted]
    if args.list:
        for m in sample:
            print(f"{m['id']:3} {m['file']}:{m['line']} {m['op']}: {m['original'].strip()}  ->  "
                  f"{m['mutated'].strip()}")
        return

    print(f"== preparing an unmutated copy of {args.commit} in {tree.tree}", flush=True)
    tree.prepare()
    results = []
    started = time.time()
    for m in sample:
        where = locate(tree.tree, m)
        label = f"#{m['id']} {m['file']}:{m['line']} {m['op']}"
        if where is None:
            results.append(dict(m, status="gone", detail="its line is no longer in the product"))
            print(f"{label}: gone", flush=True)
            continue
        rel, index = where
        path = os.path.join(tree.tree, rel)
        with open(path, encoding="latin-1", newline="") as f:
            text = f.read()
        lines = text.split("\n")
        original = lines[index]
        # Keep the line's own indentation and line ending; change only what the mutant changes.
        mutated = original.replace(m["original"].strip("\r\n").strip(),
                                   m["mutated"].strip("\r\n").strip(), 1)
        lines[index] = mutated
        with open(path, "w", encoding="latin-1", newline="") as f:
            f.write("\n".join(lines))
        programs = FOLDERS[m["folder"]]
        try:
            # The DLL too: some test programs and the scenarios load it, and a DLL left over from
            # an earlier mutant would judge this one.
            built, out = tree.build_targets(programs + ["album"])
            if not built:
                status, detail = "did not build", out.strip().split("\n")[-1][:200]
            else:
                unit = lambda: tree.run_tests(programs, args.timeout)
                failed = confirmed_failure(unit, unit)
                if failed:
                    status, detail = "killed", ", ".join(sorted(failed))
                elif tree.use_e2e and m["folder"] in E2E_FOLDERS:
                    e2e = lambda: tree.run_e2e(args.timeout * 2)
                    failed = confirmed_failure(e2e, e2e)
                    status = "killed" if failed else "survived"
                    detail = "end-to-end: " + (", ".join(sorted(failed)) if failed else "passed")
                else:
                    status, detail = "survived", ""
        finally:
            with open(path, "w", encoding="latin-1", newline="") as f:
                f.write(text)
        results.append(dict(m, status=status, detail=detail, at=f"{rel}:{index + 1}"))
        print(f"{label}: {status} {detail}", flush=True)

    # Leave the copy as it was built: the DLL and tests of the unmutated tree.
    tree.build_targets(sorted({p for ps in FOLDERS.values() for p in ps}) + ["album"])
    if tree.use_e2e:
        tree.install_and_build_e2e()

    killed = sum(r["status"] == "killed" for r in results)
    survived = [r for r in results if r["status"] == "survived"]
    counted = killed + len(survived)
    print()
    print(f"== {len(results)} mutants of {args.commit}: {killed} killed, {len(survived)} survived, "
          f"{sum(r['status'] == 'did not build' for r in results)} did not build, "
          f"{sum(r['status'] == 'gone' for r in results)} gone "
          f"({(time.time() - started) / 60:.0f} min)")
    if counted:
        print(f"kill rate: {killed}/{counted} = {100.0 * killed / counted:.1f} %")
    for r in survived:
        print(f"  survived #{r['id']} {r['at']} {r['op']}: {r['original'].strip()}  ->  "
              f"{r['mutated'].strip()}")
    if args.results:
        with open(args.results, "w") as f:
            json.dump(results, f, indent=1)


if __name__ == "__main__":
    main()
