#!/usr/bin/env bash
# Plants known faults, one at a time, into a copy of the working tree and tells which of them the
# test suite catches. Run by hand; it is not part of CI.
#
#   tests/faults/plant_faults.sh                 every fault of faults.txt
#   tests/faults/plant_faults.sh 3 7 12          only these ids
#   tests/faults/plant_faults.sh --list          print the faults and stop
#   tests/faults/plant_faults.sh --check         only check that every fault's text is found once
#   tests/faults/plant_faults.sh --compile-only  plant each fault and compile only its own file
#
# Options:
#   -j N            build parallelism (default 2; the machine is shared, keep it at 2 or less)
#   --work DIR      work folder outside the checkout (default $QX_FAULTS_WORK or /tmp/qx-faults)
#   --faults FILE   fault list (default faults.txt beside this script)
#   --timeout S     per-test timeout in seconds (default: 3 x the slowest test of the clean run,
#                   at least 60)
#   --exclude RE    leave out the tests whose names match RE (ctest -E), e.g. 'pinned_pictures'
#                   to see what the rest of the suite catches without the pinned pictures
#   --no-copy       keep the copy already in WORK/src as it is, without refreshing it from the
#                   checkout (to rerun faults while the checkout is in the middle of other work)
#   -h, --help      this text
#
# What it does: copies the working tree as it stands (git-tracked files and untracked files that
# are not ignored, without build folders) into WORK/src, configures one Release build in
# WORK/build, builds it and runs the whole suite once to make sure the clean tree passes. Then, for
# each fault: the file is restored from its pristine copy, the fault's text is replaced (the text
# must occur exactly once; a fault whose text is not found, or is found more than once, is
# reported as "stale" and not run), the build is brought up to date, the suite runs with
# `ctest -j2 --stop-on-failure`, and the file is restored. A fault whose build fails counts as
# "does not compile". One line per fault, then `caught N / total M` and the faults that survived.
# Logs of every step and a results table are kept in WORK/logs and WORK/results.tsv.
# Exit status 0 when every fault that ran was caught; 1 when one survived, did not compile or was
# stale, or when the clean tree does not build or pass.
#
# The checkout itself is only read (git ls-files and file copies); nothing in it is changed. The
# work folder must be new, empty or one that this script made, and one run at a time uses it.
#
# Fault list format (faults.txt): records of "key: value" lines, separated by blank lines; lines
# starting with '#' are comments.
#   id:   a short unique id (numbers are easiest to type)
#   file: path of the file, relative to the top of the checkout
#   what: one line: what the fault breaks in the show
#   from: the exact original text
#   to:   the replacement text
# In "from" and "to" the value starts after the spaces that follow the colon and ends before any
# trailing spaces; "\n" stands for a line break (with the next line's indentation written after
# it), "\t" for a tab, "\\" for a backslash.

set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_root=$(cd "$script_dir/../.." && pwd)
work=${QX_FAULTS_WORK:-/tmp/qx-faults}
faults_file=$script_dir/faults.txt
jobs=2
test_timeout=
mode=run
refresh=1
exclude=()
ids=()

usage() { sed -n '2,/^$/{s/^# \{0,1\}//;p}' "${BASH_SOURCE[0]}"; }

while (($#)); do
  case $1 in
    --list) mode=list ;;
    --check) mode=check ;;
    --compile-only) mode=compile ;;
    --no-copy) refresh=0 ;;
    --exclude) exclude=(-E "${2:?--exclude needs a regular expression}"); shift ;;
    --exclude=*) exclude=(-E "${1#--exclude=}") ;;
    -j) jobs=${2:?-j needs a number}; shift ;;
    -j*) jobs=${1#-j} ;;
    --work) work=${2:?--work needs a folder}; shift ;;
    --work=*) work=${1#--work=} ;;
    --faults) faults_file=${2:?--faults needs a file}; shift ;;
    --faults=*) faults_file=${1#--faults=} ;;
    --timeout) test_timeout=${2:?--timeout needs seconds}; shift ;;
    --timeout=*) test_timeout=${1#--timeout=} ;;
    -h|--help) usage; exit 0 ;;
    -*) echo "unknown option: $1 (see --help)" >&2; exit 64 ;;
    *) ids+=("$1") ;;
  esac
  shift
done
[[ $jobs =~ ^[1-9][0-9]*$ ]] || { echo "-j needs a positive number" >&2; exit 64; }
[[ -z $test_timeout || $test_timeout =~ ^[1-9][0-9]*$ ]] || {
  echo "--timeout needs a positive number of seconds" >&2; exit 64; }
[[ -f $faults_file ]] || { echo "no fault list: $faults_file" >&2; exit 66; }
faults_file=$(cd "$(dirname "$faults_file")" && pwd)/$(basename "$faults_file")

# ---- The fault list: parsed, listed, applied and checked by one small Python helper. ----

faults_tool() {
  python3 - "$faults_file" "$@" <<'PY'
import os, signal, sys
signal.signal(signal.SIGPIPE, signal.SIG_DFL)  # quiet when the output is cut short (| head)

def decode(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == '\\' and i + 1 < len(text) and text[i + 1] in 'nt\\':
            out.append({'n': '\n', 't': '\t', '\\': '\\'}[text[i + 1]])
            i += 2
        else:
            out.append(c)
            i += 1
    return ''.join(out)

def parse(path):
    faults, current = [], {}
    def close(lineno):
        if not current:
            return
        missing = [k for k in ('id', 'file', 'what', 'from', 'to') if k not in current]
        if missing:
            sys.exit(f"{path}: the fault ending at line {lineno} lacks {', '.join(missing)}")
        faults.append(dict(current))
        current.clear()
    with open(path, encoding='utf-8') as f:
        lines = f.read().split('\n')
    for n, line in enumerate(lines, 1):
        if line.startswith('#'):
            continue
        if not line.strip():
            close(n)
            continue
        key, sep, value = line.partition(':')
        key = key.strip()
        if not sep or key not in ('id', 'file', 'what', 'from', 'to'):
            sys.exit(f"{path}:{n}: expected 'id:', 'file:', 'what:', 'from:' or 'to:'")
        if key == 'id' and 'id' in current:
            close(n)
        if key in current:
            sys.exit(f"{path}:{n}: '{key}' given twice in one fault")
        value = value.lstrip(' \t').rstrip()
        current[key] = decode(value) if key in ('from', 'to') else value
    close(len(lines))
    seen = set()
    for fault in faults:
        if fault['id'] in seen:
            sys.exit(f"{path}: id {fault['id']} is used twice")
        seen.add(fault['id'])
        if fault['from'] == fault['to']:
            sys.exit(f"{path}: fault {fault['id']} replaces its text by itself")
    return faults

def one_line(text):
    return text.replace('\\', '\\\\').replace('\n', '\\n').replace('\t', '\\t')

faults = parse(sys.argv[1])
by_id = {f['id']: f for f in faults}
command, args = sys.argv[2], sys.argv[3:]

if command == 'ids':            # every id, in list order
    print('\n'.join(f['id'] for f in faults))
elif command == 'has':          # exit 0 if the id exists
    sys.exit(0 if args[0] in by_id else 1)
elif command == 'field':        # field ID KEY
    print(by_id[args[0]][args[1]])
elif command == 'files':        # the distinct files of the given ids (all when none)
    chosen = [by_id[i] for i in args] if args else faults
    print('\n'.join(sorted({f['file'] for f in chosen})))
elif command == 'list':
    chosen = [by_id[i] for i in args] if args else faults
    for f in chosen:
        print(f"{f['id']:>4}  {f['file']}\n      {f['what']}\n"
              f"      - {one_line(f['from'])}\n      + {one_line(f['to'])}")
elif command == 'apply':        # apply ID TREE: 0 planted, 3 text not found, 4 found twice or more
    f, tree = by_id[args[0]], args[1]
    path = os.path.join(tree, f['file'])
    try:
        with open(path, encoding='utf-8', newline='') as h:
            text = h.read()
    except FileNotFoundError:
        print('the file does not exist')
        sys.exit(3)
    count = text.count(f['from'])
    if count != 1:
        print('text not found' if count == 0 else f'text found {count} times')
        sys.exit(3 if count == 0 else 4)
    if len(sys.argv) > 5 and sys.argv[5] == 'dry':
        sys.exit(0)
    with open(path, 'w', encoding='utf-8', newline='') as h:
        h.write(text.replace(f['from'], f['to'], 1))
else:
    sys.exit(f'unknown command {command}')
PY
}

all_ids=$(faults_tool ids) || exit 65
if ((${#ids[@]} == 0)); then
  mapfile -t ids <<<"$all_ids"
else
  for id in "${ids[@]}"; do
    faults_tool has "$id" || { echo "no fault with id $id in $faults_file" >&2; exit 64; }
  done
fi

if [[ $mode == list ]]; then
  faults_tool list "${ids[@]}"
  exit 0
fi

if [[ $mode == check ]]; then
  # Against the checkout as it stands, read only.
  stale=0
  for id in "${ids[@]}"; do
    if ! why=$(faults_tool apply "$id" "$source_root" dry); then
      printf '%4s  stale  %s: %s\n' "$id" "$(faults_tool field "$id" file)" "$why"
      stale=$((stale + 1))
    fi
  done
  echo "faults: ${#ids[@]}, stale: $stale"
  ((stale == 0))
  exit
fi

# ---- The work folder: a copy of the working tree, never inside the checkout. ----

mkdir -p "$work" || exit 73
work=$(cd "$work" && pwd -P)
source_real=$(cd "$source_root" && pwd -P)
case $work/ in
  "$source_real"/*) echo "the work folder $work lies inside the checkout; choose another" >&2; exit 64 ;;
esac
# The folder must be one this script made (or an empty one), and only one run may use it at a
# time: another tool's files there, or a second run, would mix their faults with ours.
marker=$work/.plant_faults_work
if [[ ! -f $marker ]]; then
  if [[ -n $(ls -A "$work") ]]; then
    echo "$work holds files that plant_faults.sh did not make; choose another folder with --work" >&2
    exit 64
  fi
  echo "work folder of tests/faults/plant_faults.sh" >"$marker"
fi
exec 9>"$work/.lock"
flock -n 9 || { echo "another plant_faults.sh run is using $work" >&2; exit 75; }

tree=$work/src
build=$work/build
logs=$work/logs
pristine=$work/pristine
results=$work/results.tsv
mkdir -p "$tree" "$logs"

# Files listed by git (tracked ones and untracked ones that are not ignored), build folders left
# out. A file is rewritten only when its content differs, so an earlier copy keeps its build
# incremental; a rewritten file gets a fresh time stamp and is rebuilt.
copy_tree() {
  git -C "$source_root" ls-files -z --cached --others --exclude-standard |
    python3 -c '
import filecmp, os, shutil, sys
source, tree = sys.argv[1], sys.argv[2]
wanted = set()
for path in sys.stdin.buffer.read().split(b"\0"):
    path = path.decode()
    if not path or path.split("/")[0].startswith("build") and "/" in path:
        continue
    src = os.path.join(source, path)
    if not os.path.isfile(src) or os.path.islink(src):
        continue  # deleted in the working tree, or a link
    wanted.add(path)
    dst = os.path.join(tree, path)
    if os.path.isfile(dst) and filecmp.cmp(src, dst, shallow=False):
        continue
    os.makedirs(os.path.dirname(dst), exist_ok=True)
    shutil.copyfile(src, dst)  # with a new time stamp
    shutil.copymode(src, dst)
removed = 0
for root, dirs, files in os.walk(tree):
    for name in files:
        path = os.path.relpath(os.path.join(root, name), tree)
        if path not in wanted:
            os.remove(os.path.join(root, name))
            removed += 1
print(f"{len(wanted)} files in the copy, {removed} no longer in the tree removed")
' "$source_root" "$tree"
}

if ((refresh)); then
  echo "== copying the working tree of $source_root to $tree"
  copy_tree || exit 74
else
  [[ -d $tree/scenes ]] || { echo "--no-copy: no earlier copy in $tree" >&2; exit 64; }
  echo "== using the copy in $tree as it is"
fi

# A run that was killed while a fault was planted left it in the copy: take it out first.
if [[ -f $work/planted ]]; then
  leftover=$(<"$work/planted")
  if [[ -n $leftover && -f $pristine/$leftover ]]; then
    cp "$pristine/$leftover" "$tree/$leftover"
    echo "   restored $leftover, left planted by an earlier run"
  fi
  rm -f "$work/planted"
fi

# Pristine copies of every file a fault touches, taken from the copy.
rm -rf "$pristine"
while IFS= read -r file; do
  [[ -n $file && -f $tree/$file ]] || continue
  mkdir -p "$pristine/$(dirname "$file")"
  cp "$tree/$file" "$pristine/$file"
done < <(faults_tool files "${ids[@]}")

# A fault is planted between plant and restore; WORK/planted names its file meanwhile.
planted=
# plant ID FILE: 0 when planted, else the reason on stdout. Run in a subshell for the reason, so
# the caller sets `planted` itself.
plant() {
  faults_tool apply "$1" "$tree" || return
  printf '%s' "$2" >"$work/planted"
}
restore() {
  # A plain copy, so that the restored file is newer than anything built from the fault.
  [[ -n $1 && -f $pristine/$1 ]] && cp "$pristine/$1" "$tree/$1"
  if [[ $1 == "$planted" ]]; then
    planted=
    rm -f "$work/planted"
  fi
  return 0
}
on_exit() { [[ -z $planted ]] || restore "$planted"; }
trap on_exit EXIT
trap 'echo; echo "interrupted; the planted file is restored"; exit 130' INT TERM

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [[ ! -f $build/CMakeCache.txt ]]; then
  echo "== configuring a Release build in $build"
  cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=Release "${generator[@]}" \
    >"$logs/configure.log" 2>&1 || { echo "configure failed, see $logs/configure.log" >&2; exit 1; }
fi

echo "== building the clean tree (-j$jobs)"
start=$SECONDS
if ! cmake --build "$build" -j"$jobs" >"$logs/baseline-build.log" 2>&1; then
  echo "the clean tree does not build, see $logs/baseline-build.log" >&2
  exit 1
fi
echo "   built in $((SECONDS - start)) s"

# The first test that did not pass in a ctest log ("name (Failed)"), or nothing when all passed.
first_failure() {
  python3 - "$1" <<'PY'
import re, sys
for line in open(sys.argv[1], errors='replace'):
    m = re.search(r'Test\s+#\d+: (\S+) .*?(Passed|Skipped|\*\*\*Failed|\*\*\*Timeout|'
                  r'\*\*\*Exception: *[A-Za-z]*|Exception: *[A-Za-z]*|Not Run|Failed)', line)
    if m and m.group(2) not in ('Passed', 'Skipped'):
        print(f"{m.group(1)} ({m.group(2).strip('*').strip()})")
        break
PY
}

if [[ $mode == compile ]]; then
  [[ ${generator[*]} == "-G Ninja" && -f $build/build.ninja ]] || {
    echo "--compile-only needs ninja and a Ninja build folder" >&2; exit 64; }
  compiled=0 broken=0 stale=0 broken_ids=()
  for id in "${ids[@]}"; do
    file=$(faults_tool field "$id" file)
    restore "$file"
    if ! why=$(plant "$id" "$file"); then
      printf '%4s  stale             %s: %s\n' "$id" "$file" "$why"
      stale=$((stale + 1))
      continue
    fi
    planted=$file
    mapfile -t objects < <(ninja -C "$build" -t targets all 2>/dev/null |
      grep -F "/$file.o: " | sed 's/: .*//')
    start=$SECONDS
    if ((${#objects[@]})) && ninja -C "$build" -j"$jobs" "${objects[@]}" >"$logs/fault-$id.compile.log" 2>&1; then
      printf '%4s  compiles          %4d s\n' "$id" "$((SECONDS - start))"
      compiled=$((compiled + 1))
    else
      printf '%4s  DOES NOT COMPILE  %4d s  see %s\n' "$id" "$((SECONDS - start))" "$logs/fault-$id.compile.log"
      broken=$((broken + 1))
      broken_ids+=("$id")
    fi
    restore "$file"
  done
  # The restored files are newer than their objects: bring the build back to the clean tree.
  cmake --build "$build" -j"$jobs" >"$logs/restore-build.log" 2>&1
  echo "compiles: $compiled, does not compile: $broken (${broken_ids[*]}), stale: $stale"
  ((broken == 0 && stale == 0))
  exit
fi

echo "== running the suite on the clean tree"
start=$SECONDS
ctest --test-dir "$build" -j2 ${test_timeout:+--timeout "$test_timeout"} "${exclude[@]}" \
  >"$logs/baseline-test.log" 2>&1
status=$?
if ((status != 0)); then
  echo "the clean tree fails its suite: $(first_failure "$logs/baseline-test.log"); see $logs/baseline-test.log" >&2
  exit 1
fi
slowest=$(sed -n 's/.*Passed *\([0-9.]*\) sec.*/\1/p' "$logs/baseline-test.log" | sort -g | tail -1)
echo "   passed in $((SECONDS - start)) s; slowest test ${slowest:-?} s"
if [[ -z $test_timeout ]]; then
  test_timeout=$(python3 -c "import math,sys; print(max(60, math.ceil(3 * float(sys.argv[1] or 0))))" "${slowest:-0}")
fi
echo "   per-test timeout for the faults: $test_timeout s"

printf 'id\tresult\tfirst failing test\tbuild s\ttest s\tfile\twhat\n' >"$results"
printf '\n%-5s %-17s %-72s %s\n' id result "first failing test" seconds
caught=0 survived=0 broken=0 stale=0
survivors=() broken_ids=() stale_ids=()
for id in "${ids[@]}"; do
  file=$(faults_tool field "$id" file)
  what=$(faults_tool field "$id" what)
  restore "$file"
  start=$SECONDS
  if ! why=$(plant "$id" "$file"); then
    result=stale failing="$file: $why" build_s=0 test_s=0
    stale=$((stale + 1))
    stale_ids+=("$id")
  else
    planted=$file
    failing= test_s=0
    if ! cmake --build "$build" -j"$jobs" >"$logs/fault-$id.build.log" 2>&1; then
      build_s=$((SECONDS - start))
      result="does not compile" failing="see $logs/fault-$id.build.log"
      broken=$((broken + 1))
      broken_ids+=("$id")
    else
      build_s=$((SECONDS - start))
      ctest --test-dir "$build" -j2 --stop-on-failure --timeout "$test_timeout" "${exclude[@]}" \
        >"$logs/fault-$id.test.log" 2>&1
      status=$?
      test_s=$((SECONDS - start - build_s))
      failing=$(first_failure "$logs/fault-$id.test.log")
      if ((status != 0)); then
        result=caught
        [[ -n $failing ]] || failing="(ctest failed; see $logs/fault-$id.test.log)"
        caught=$((caught + 1))
      else
        result=SURVIVED failing=-
        survived=$((survived + 1))
        survivors+=("$id")
      fi
    fi
    restore "$file"
  fi
  printf '%-5s %-17s %-72s %4d s\n' "$id" "$result" "$failing" "$((SECONDS - start))"
  printf '%s\t%s\t%s\t%d\t%d\t%s\t%s\n' "$id" "$result" "$failing" "$build_s" "$test_s" "$file" "$what" >>"$results"
done

# The restored files are newer than what was built from the last fault: leave the build clean.
cmake --build "$build" -j"$jobs" >"$logs/restore-build.log" 2>&1

echo
echo "caught $caught / total $((caught + survived))   (faults planted and built)"
((broken)) && echo "does not compile: $broken (${broken_ids[*]})"
((stale)) && echo "stale (text not found once): $stale (${stale_ids[*]})"
if ((survived)); then
  echo "survivors:"
  for id in "${survivors[@]}"; do
    printf '  %-5s %s  [%s]\n' "$id" "$(faults_tool field "$id" what)" "$(faults_tool field "$id" file)"
  done
fi
echo "results: $results   logs: $logs"
((survived == 0 && broken == 0 && stale == 0))
