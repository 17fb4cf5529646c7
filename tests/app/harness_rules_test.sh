#!/usr/bin/env bash
# Rules of the project's scripts and test harness whose breach fails a run
# by timing alone, on a busy machine, now and then:
# - under `set -o pipefail` a pipeline into a reader that stops early
#   (grep -q, head) fails whenever the writer is still writing when the
#   reader leaves: the writer dies of SIGPIPE and the pipeline's status is
#   the writer's. Scripts that set pipefail pipe into readers that read to
#   the end (grep >/dev/null, sed -n 1p) instead;
# - an X server resets when its last client leaves, and a client that
#   connects meanwhile is cut off: every X server started for tests,
#   benchmarks and tools runs with -noreset.
#   harness_rules_test.sh SOURCE_DIR
set -euo pipefail
source_dir=${1:?source folder}
cd "$source_dir"
found=0
while IFS= read -r -d '' script; do
  grep -q 'pipefail' "$script" || continue
  if grep -nE '(^|[^|])\|[[:space:]]*(grep[[:space:]]+(-[a-zA-Z]*q|--quiet)|head([[:space:]]|$)|grep[[:space:]]+-[a-zA-Z]*m)' "$script"; then
    echo "  in $script: a reader that stops early in a pipefail script"
    found=1
  fi
done < <(find .ci bench tests tools -type f \( -name '*.sh' -o -name run \) -print0)
while IFS= read -r -d '' file; do
  if grep -nE '(^|[[:space:]])Xvfb[[:space:]]+-|xvfb-run[[:space:]]|"/usr/bin/Xvfb"' "$file" >/dev/null \
      && ! grep -e '-noreset' "$file" >/dev/null; then
    echo "  in $file: an X server started without -noreset"
    found=1
  fi
done < <(find .ci bench tests tools -type f \( -name '*.sh' -o -name run -o -name '*.h' -o -name '*.cpp' -o -name '*.py' \) -print0)
[ "$found" = 0 ] || exit 1
echo "no pipefail script pipes into a reader that stops early; every X server runs with -noreset"
