#!/usr/bin/env python3
"""Mutation testing: plants a fixed set of small faults in the product code, one at a time, and
tells which of them the tests catch.

The set is worked out from the sources alone (the same code gives the same mutants): flipped
comparisons and logic, constants off by one, dropped calls, inverted conditions, in remover/,
restore/, platform/ and image/. Each mutant is planted in a scratch worktree of HEAD, never in
this one, and goes through the test stages that can see its file until one fails:

  host   the Linux tree's ctest (units, console drivers, valgrind runs)
  win    the Windows unit tests under Wine (the tree tools/wine-bits.sh picks)
  e2e    the end-to-end cases under Wine (Windows-only files)
  fuzz   the image tests under the sanitizers (image/ only)

A mutant that does not compile is stillborn and not counted. Results go to
build/mutate/results.tsv (NAME.tsv with --tree), one line a mutant; a second run with the same
tests skips nothing.

usage: tools/mutate.py [--list] [--match REGEX] [--stages host,win,e2e,fuzz] [--tree NAME]
                      [--e2e REGEX]
(--tree: another scratch worktree and results file, so two runs can go side by side; --e2e: the
end-to-end cases to run, by default a smoke set, so that a change to the cases can be judged.)
"""
import argparse
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FOLDERS = ("remover", "restore", "platform", "image")
SCRATCH = os.path.join(ROOT, "build", "mutate")
SAMPLE = 5
CONSTANT_SAMPLE = 12
E2E_SMOKE = ("quorvel_ordinary_file|read_only_round_trip|quorvel_attributes_refused|"
             "quorvel_banner_elevated|quorvel_notice_two_by_escape|vantrel_unreadable_file|"
             "round_trip_crlf|planted_dlls")

# (name, pattern, replacement): each match of the pattern on a line is one mutant.
OPERATORS = [
    # Comparisons stand between blanks, which tells them from template brackets and casts.
    ("lt-to-le", r"(?<= )<(?= )", "<="),
    ("le-to-lt", r"(?<= )<=(?= )", "<"),
    ("gt-to-ge", r"(?<= )>(?= )", ">="),
    ("ge-to-gt", r"(?<= )>=(?= )", ">"),
    ("eq-to-ne", r"==", "!="),
    ("ne-to-eq", r"!=", "=="),
    ("and-to-or", r"&&", "||"),
    ("or-to-and", r"\|\|", "&&"),
    ("true-to-false", r"\btrue\b", "false"),
    ("false-to-true", r"\bfalse\b", "true"),
    ("not-dropped", r"(?<=\()!(?!=)", ""),
    ("plus-one", r"(?<![\w.])([1-9]\d{0,3})(?![\w.])", lambda m: str(int(m.group(1)) + 1)),
    ("zero-to-one", r"(?<![\w.])0(?![\w.x])", "1"),
]
CALL = re.compile(r"^(\s*)((?:[\w:.>-]+)\(.*\));\s*$")


def sources():
    """The product's sources."""
    for folder in FOLDERS:
        for name in sorted(os.listdir(os.path.join(ROOT, folder))):
            if name.endswith(".cpp"):
                yield os.path.join(folder, name)


def code_lines(text):
    """Line numbers and lines worth mutating: no comments, includes or assertions."""
    for number, line in enumerate(text.split("\n"), 1):
        stripped = line.strip()
        if not stripped or stripped.startswith(("//", "#", "static_assert", "*")):
            continue
        yield number, line.split("//")[0]


def mutants():
    """Every mutant of the set, in a fixed order: (id, file, line number, new line)."""
    found = []
    for path in sources():
        with open(os.path.join(ROOT, path)) as f:
            text = f.read()
        for number, code in code_lines(text):
            if "template" in code or "#include" in code or code.count('"') > 1:
                continue
            for name, pattern, replacement in OPERATORS:
                for k, match in enumerate(re.finditer(pattern, code)):
                    planted = replacement(match) if callable(replacement) else replacement
                    new = code[:match.start()] + planted + code[match.end():]
                    found.append((f"{path}:{number}:{name}:{k}", path, number, new))
            call = CALL.match(code)
            if call and not code.strip().startswith(("return", "if", "while", "for", "case")):
                found.append((f"{path}:{number}:call-dropped:0", path, number,
                              call.group(1) + "(void)0;"))
    # A fixed sample spread over every file: constants are the most numerous candidates and
    # the least telling, so fewer of them are taken.
    constants = [m for m in found if ":plus-one:" in m[0] or ":zero-to-one:" in m[0]]
    others = [m for m in found if m not in constants]
    return others[::SAMPLE] + constants[::CONSTANT_SAMPLE]


def run(command, cwd, timeout=900):
    try:
        return subprocess.run(command, cwd=cwd, shell=True, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout).returncode == 0
    except subprocess.TimeoutExpired:
        return False


def stages_for(path, wanted, wine_preset, e2e_cases=E2E_SMOKE):
    windows_only = path.endswith("_win.cpp")
    stages = []
    if not windows_only and "host" in wanted:
        stages.append(("host", "host", "ctest --preset host --timeout 120 --stop-on-failure"))
    if "win" in wanted and not path.endswith("_posix.cpp"):
        stages.append(("win", wine_preset,
                       f"ctest --preset {wine_preset} -L wine -E e2e_ --timeout 300"))
    # The cases mostly wait on the dialog's pauses, so three at a time cost no more than one.
    # The cores' logic is pinned by the units in both trees; the end-to-end cases, minutes a
    # mutant, run for the Windows-only files, which nothing else runs.
    if "e2e" in wanted and windows_only:
        stages.append(("e2e", wine_preset,
                       f"ctest --preset {wine_preset} -R 'e2e_template|{e2e_cases}' "
                       "--timeout 180 --stop-on-failure -j3"))
    if "fuzz" in wanted and path.startswith("image/") and not windows_only:
        stages.append(("fuzz", "fuzz", "ctest --preset fuzz -R test_image_sanitized"))
    return stages


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--match", default="")
    parser.add_argument("--stages", default="host,win,e2e,fuzz")
    parser.add_argument("--tree", default="tree")
    parser.add_argument("--e2e", default=E2E_SMOKE)
    args = parser.parse_args()
    chosen = [m for m in mutants() if re.search(args.match, m[0])]
    # The quick ones first: the Windows-only files' mutants need minutes each.
    chosen.sort(key=lambda m: m[1].endswith("_win.cpp"))
    if args.list:
        for mutant_id, _, _, new in chosen:
            print(f"{mutant_id}\t{new.strip()}")
        print(f"{len(chosen)} mutants", file=sys.stderr)
        return 0

    tree = os.path.join(SCRATCH, args.tree)
    if not os.path.isdir(tree):
        subprocess.run(["git", "-C", ROOT, "worktree", "add", "--detach", tree, "HEAD"], check=True)
    subprocess.run(["git", "-C", tree, "checkout", "--detach", "-q",
                    subprocess.check_output(["git", "-C", ROOT, "rev-parse", "HEAD"]).strip()],
                   check=True)
    wine_preset = subprocess.check_output(
        ". tools/wine-bits.sh && echo $QUORVEL_WINE_PRESET", shell=True, cwd=ROOT).decode().strip()
    wanted = args.stages.split(",")
    for preset in {"host", wine_preset, "fuzz"}:
        run(f"cmake --preset {preset} >/dev/null && cmake --build --preset {preset}", tree, 3600)

    killed = survived = stillborn = 0
    with open(os.path.join(SCRATCH, "results.tsv" if args.tree == "tree" else args.tree + ".tsv"), "w") as results:
        for mutant_id, path, number, new in chosen:
            file_path = os.path.join(tree, path)
            with open(file_path) as f:
                original = f.read()
            lines = original.split("\n")
            lines[number - 1] = new
            with open(file_path, "w") as f:
                f.write("\n".join(lines))
            verdict = "survived"
            try:
                for stage, preset, test in stages_for(path, wanted, wine_preset, args.e2e):
                    if not run(f"cmake --build --preset {preset}", tree):
                        verdict = "stillborn"
                        break
                    if not run(test, tree):
                        verdict = f"killed:{stage}"
                        break
            finally:
                with open(file_path, "w") as f:
                    f.write(original)
            killed += verdict.startswith("killed")
            survived += verdict == "survived"
            stillborn += verdict == "stillborn"
            results.write(f"{mutant_id}\t{verdict}\t{new.strip()}\n")
            results.flush()
            print(f"{verdict:12} {mutant_id}", flush=True)
    for preset in {"host", wine_preset, "fuzz"}:
        run(f"cmake --build --preset {preset}", tree, 3600)
    print(f"killed {killed}, survived {survived}, stillborn {stillborn}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
