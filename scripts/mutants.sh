#!/usr/bin/env bash
# Seeds faults into a copy of the tree one at a time and counts how many the tests catch.
#   bash scripts/mutants.sh [LIST] [-- CTEST_ARGS...]
# LIST (default tests/mutants.txt) holds one fault a line, three fields separated by TABs:
# the file, an exact text that occurs once in it, and its replacement. Lines starting with
# '#' and blank lines are skipped; ⏎ in a field stands for a line end. The tree itself
# is never changed: the faults go into a copy (MUTANTS_DIR, default /work/.mutants or a
# temporary folder), which is built once and then rebuilt incrementally per fault, the
# file restored after each whatever happens. MUTANTS_FROM=N starts at the Nth fault.
set -uo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
list=${1:-tests/mutants.txt}
[ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift
ctest_args=("$@")
[ -f "$list" ] || { echo "no fault list: $list" >&2; exit 2; }

work=${MUTANTS_DIR:-}
if [ -z "$work" ]; then
    if [ -d /work ] && [ -w /work ]; then work=/work/.mutants; else work=$(mktemp -d); fi
fi
copy="$work/tree"
mkdir -p "$copy"

# The tree as git sees it (tracked and new files), without build folders. Only the files
# that changed are copied, with a fresh time: a file's own time may be older than what
# the copy's last build made from it, and the build would then miss it.
stage="$work/stage"
rm -rf "$stage" && mkdir -p "$stage"
git ls-files -co --exclude-standard -z | tar --null -T - -cf - | tar -xf - -C "$stage"
(cd "$stage" && find . -type f -print0) | while IFS= read -r -d '' f; do
    cmp -s "$stage/$f" "$copy/$f" || { mkdir -p "$(dirname "$copy/$f")" && cp "$stage/$f" "$copy/$f"; }
done

export QT_QPA_PLATFORM=offscreen
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$work} CCACHE_NOHASHDIR=1
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Each fault relinks a few dozen test programs: lld does that several times faster.
command -v ld.lld >/dev/null && launcher+=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld)
# Warnings are not errors here: a fault that only adds a warning must still be tested.
cmake -S "$copy" -B "$copy/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug "${launcher[@]}" >/dev/null ||
    { echo "could not configure the copy" >&2; exit 2; }
echo "== building the unchanged copy"
cmake --build "$copy/build" -j "$(nproc)" >"$work/build.log" 2>&1 ||
    { echo "the unchanged copy does not build (see $work/build.log)" >&2; exit 2; }

# Slow checks that test packaging and pictures, not program logic.
skip='screenshots_of_every_window|package_holds|check_deps|guide_pdf'
passed=""
run_tests() { # [ctest selection...]
    # Twice the cores: most tests wait on their meter's time rather than compute.
    ctest --test-dir "$copy/build" -j "$((2 * $(nproc)))" --stop-on-failure -E "$skip${passed:+|$passed}" \
        --timeout 300 "$@" "${ctest_args[@]}" >"$work/ctest.log" 2>&1
}
echo "== the unchanged copy passes its tests"
# Once more before giving up: a test against a real pseudo-terminal may miss its time on a
# machine busy with builds.
run_tests || run_tests || { echo "the unchanged copy fails its tests (see $work/ctest.log)" >&2; exit 2; }

# Each test's folder under tests/ (its subsystem), from where its CMakeLists defines it.
ctest --test-dir "$copy/build" --show-only=json-v1 2>/dev/null | python3 -c '
import json, sys
d = json.load(sys.stdin); g = d["backtraceGraph"]
for t in d["tests"]:
    i, files = t.get("backtrace"), []
    while i is not None:
        node = g["nodes"][i]; files.append(g["files"][node["file"]]); i = node.get("parent")
    folder = next((f.split("/tests/", 1)[1].split("/")[0] for f in files if "/tests/" in f), "")
    print(t["name"], folder)' >"$work/test-folders"

# The tests of the subsystem a faulty file belongs to (src/link/ui/X.cpp: link; sim/X: sim).
tests_of() {
    local sub
    case "$1" in src/*) sub=$(cut -d/ -f2 <<<"$1") ;; *) sub=$(cut -d/ -f1 <<<"$1") ;; esac
    awk -v s="$sub" '$2 == s { print $1 }' "$work/test-folders" | grep -vE "$skip"
}

# A fault is caught when any test fails. The tests of its own subsystem go first, built
# alone, since they usually catch it; only a fault that survives them costs a full build.
try_fault() { # file -> prints caught/SURVIVED/NOBUILD
    local near; near=$(tests_of "$1" | paste -sd' ')
    if [ -n "$near" ]; then
        # shellcheck disable=SC2086
        cmake --build "$copy/build" -j "$(nproc)" --target $near >"$work/build.log" 2>&1 ||
            { echo NOBUILD; return; }
        run_tests -R "^($(tr ' ' '|' <<<"$near"))\$" || { echo caught; return; }
    fi
    cmake --build "$copy/build" -j "$(nproc)" >"$work/build.log" 2>&1 || { echo NOBUILD; return; }
    [ -n "$near" ] && passed="^($(tr ' ' '|' <<<"$near"))\$" # they have run already
    run_tests && echo SURVIVED || echo caught
}

current=""
restore() {
    [ -n "$current" ] && cp "$work/original" "$copy/$current"
    current=""
}
trap 'restore; exit 130' INT TERM
trap restore EXIT

total=0; caught=0; n=0
while IFS=$'\t' read -r file text replacement || [ -n "$file" ]; do
    case "$file" in ''|'#'*) continue ;; esac
    n=$((n + 1))
    [ "$n" -lt "${MUTANTS_FROM:-1}" ] && continue # resuming a run cut short
    label="#$n $file: '$text' -> '$replacement'"
    count=$(python3 -c 'import sys; print(open(sys.argv[1]).read().count(sys.argv[2].replace("\u23ce", "\n")))' \
        "$copy/$file" "$text" 2>/dev/null || echo 0)
    if [ "$count" != 1 ]; then
        echo "BAD      $label (the text occurs $count times)"
        continue
    fi
    total=$((total + 1))
    cp "$copy/$file" "$work/original"
    current=$file
    python3 -c 'import sys; p=sys.argv[1]; a, b = (x.replace("\u23ce", "\n") for x in sys.argv[2:4]); s=open(p).read(); open(p,"w").write(s.replace(a, b, 1))' \
        "$copy/$file" "$text" "$replacement"
    case $(try_fault "$file") in
    NOBUILD) echo "NOBUILD  $label"; total=$((total - 1)) ;;
    SURVIVED) echo "SURVIVED $label" ;;
    *)
        failed=$(grep -m1 -oE '[0-9]+ - [A-Za-z0-9_]+' "$work/ctest.log" | sed 's/^[0-9]* - //')
        echo "caught   $label (by ${failed:-a test})"
        caught=$((caught + 1))
        ;;
    esac
    restore
done <"$list"
# The copy is left built from the unchanged sources, ready for the next run.
cmake --build "$copy/build" -j "$(nproc)" >/dev/null 2>&1
echo "caught $caught of $total"
