#!/usr/bin/env python3
"""Mutation run: injects each small fault of a list, one at a time, into a copy of the sources,
rebuilds the unit tests and runs them. A fault is caught when the tests fail (or crash, or hang).

    scripts/mutation-test.py [--faults FILE] [--only REGEX] [--work DIR] [--jobs N]

The faults (tests/mutations/faults.txt) are text replacements matched on short snippets, so
they survive unrelated edits; a fault whose snippet is no longer in its file is reported as
skipped (code moved) and left out of the score, as are faults marked "equivalent:".
The copy and its build live in build-mutation/ (configured with ccache when available).
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def parse_faults(path):
    faults, entry = [], None
    for line in open(path, encoding="utf-8").read().splitlines():
        if not line.strip():
            if entry and entry["file"]:
                faults.append(entry)
            entry = None
        elif line.startswith("# ") and entry is not None and entry["file"] is None:
            entry["what"] += " " + line[2:].strip()
        elif line.startswith("# "):
            entry = {"what": line[2:].strip(), "file": None, "old": [], "new": []}
        elif entry is not None and entry["file"] is None:
            entry["file"] = line.strip()
        elif entry is not None and line[:1] in "-+":
            entry["old" if line[0] == "-" else "new"].append(line[2:].strip() if len(line) > 1 else "")
    if entry and entry["file"]:
        faults.append(entry)
    return faults


def sync_sources(src):
    """Copies the tracked and untracked (not ignored) files into src; unchanged files keep their
    time stamps so the build stays incremental."""
    files = subprocess.run(["git", "-C", root, "ls-files", "-co", "--exclude-standard", "-z"],
                           check=True, capture_output=True).stdout.decode().split("\0")
    for name in filter(None, files):
        a, b = os.path.join(root, name), os.path.join(src, name)
        if not os.path.isfile(a):
            continue
        if os.path.isfile(b) and open(a, "rb").read() == open(b, "rb").read():
            continue
        os.makedirs(os.path.dirname(b), exist_ok=True)
        shutil.copyfile(a, b)


def run(cmd, log, timeout=None):
    with open(log, "w") as out:
        try:
            return subprocess.run(cmd, stdout=out, stderr=subprocess.STDOUT, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return "timeout"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--faults", default=os.path.join(root, "tests", "mutations", "faults.txt"))
    ap.add_argument("--only", default="", help="run only faults whose description matches")
    ap.add_argument("--work", default=os.path.join(root, "build-mutation"))
    ap.add_argument("--jobs", default=str(min(4, os.cpu_count() or 2)))
    args = ap.parse_args()

    src, build = os.path.join(args.work, "src"), os.path.join(args.work, "build")
    os.makedirs(src, exist_ok=True)
    sync_sources(src)

    env_cmake = ["cmake", "-S", src, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                 "-DORVIK_BUILD_PLUGIN=OFF", "-DORVIK_BUILD_BENCHMARKS=OFF"]
    if shutil.which("ccache"):
        env_cmake += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
        os.environ.setdefault("CCACHE_BASEDIR", os.path.dirname(root))
    log = os.path.join(args.work, "log.txt")
    build_cmd = ["cmake", "--build", build, "--parallel", args.jobs, "--target", "orvik_tests"]
    # Each test in a process of its own, as CI runs them (some decide process-wide state).
    test_cmd = ["ctest", "--test-dir", build, "-L", "unit", "--parallel", args.jobs, "--timeout", "300"]

    if run(env_cmake, log) != 0 or run(build_cmd, log) != 0:
        sys.exit("the unmutated sources do not build; see " + log)
    if run(test_cmd, log, 600) != 0:
        sys.exit("the unit tests fail without a fault; see " + log)

    faults = [f for f in parse_faults(args.faults) if re.search(args.only, f["what"])]
    results = {"caught": [], "survived": [], "skipped": [], "equivalent": [], "build": []}
    for n, f in enumerate(faults, 1):
        path = os.path.join(src, f["file"])
        text = open(path, encoding="utf-8").read() if os.path.isfile(path) else ""
        pattern = r"[ \t]*\n[ \t]*".join(re.escape(line) for line in f["old"])
        found = list(re.finditer(pattern, text)) if f["old"] else []
        label = f"{n:3}/{len(faults)} {f['file']}: {f['what']}"
        if not found:
            results["skipped"].append(f)
            print(f"{label}\n        skipped (code moved)", flush=True)
            continue

        m = found[0]
        started = time.time()
        try:
            with open(path, "w", encoding="utf-8") as out:
                out.write(text[:m.start()] + "\n".join(f["new"]) + text[m.end():])
            if run(build_cmd, log) != 0:
                outcome, detail = "build", "does not build"
            else:
                code = run(test_cmd, log, 600)
                failed = sorted({m.group(1) for m in re.finditer(r"^\s*\d+ - (\S+) \((?:Failed|SEGFAULT|Timeout|Subprocess aborted|Exception)",
                                                                 open(log).read(), re.M)})
                if code == 0:
                    outcome, detail = "survived", "SURVIVED"
                else:
                    outcome = "caught"
                    detail = "caught by " + (", ".join(failed) if failed else f"a failure ({code})")
        finally:
            with open(path, "w", encoding="utf-8") as out:
                out.write(text)  # a new time stamp: the next build compiles the original again
        if outcome == "survived" and f["what"].startswith("equivalent:"):
            outcome, detail = "equivalent", "survived (equivalent)"
        results[outcome].append(f)
        extra = f" (first of {len(found)} places)" if len(found) > 1 else ""
        print(f"{label}{extra}\n        {detail} [{time.time() - started:.0f} s]", flush=True)

    run(build_cmd, log)  # leave the copy built from the unmutated sources
    scored = len(results["caught"]) + len(results["survived"])
    print(f"\ncaught {len(results['caught'])} of {scored}"
          + (f" ({100.0 * len(results['caught']) / scored:.0f} %)" if scored else "")
          + f"; skipped (code moved) {len(results['skipped'])}; equivalent {len(results['equivalent'])};"
          + f" not building {len(results['build'])}")
    for f in results["survived"]:
        print(f"  survived: {f['file']}: {f['what']}")


if __name__ == "__main__":
    main()
