#!/usr/bin/env bash
# Whole-process times of `tvq list` and `tvq add` on a 10,000-task file, beside taskwarrior's `task list` and
# `task add` on 10,000 pending tasks (its data in a temporary folder), and of `tvq list` with its filters, which
# should cost about what the whole list costs. Prints the medians in milliseconds.
# Targets: tvq list <= 50 ms, tvq add <= 60 ms.
# Usage: bench/cli/compare.sh [BUILD_DIR]   (default: build). Uses hyperfine when present, else a timed loop;
# taskwarrior (`task`) is measured when installed.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build}
tvq=$build/bin/tvq
runs=${TVQ_BENCH_RUNS:-30}
tasks=10000

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
export COLUMNS=120

"$build/bin/tvq_bench" --make-file "$work/base.tvq" "$tasks"
cp "$work/base.tvq" "$work/list.tvq"

# Median wall time in ms of a command run `runs` times; `prepare` runs before each (not timed).
median_ms() {
  local prepare=$1 command=$2
  if command -v hyperfine >/dev/null; then
    hyperfine -N --style none --warmup 3 --runs "$runs" --prepare "$prepare" --export-json "$work/h.json" \
      "$command" >/dev/null 2>&1
    awk -F: '/"median"/ { gsub(/[ ,]/, "", $2); printf "%.1f\n", $2 * 1000; exit }' "$work/h.json"
  else
    local times=()
    for _ in $(seq "$runs"); do
      bash -c "$prepare" >/dev/null 2>&1
      local start end
      start=$(date +%s%N)
      bash -c "$command" >/dev/null 2>&1
      end=$(date +%s%N)
      times+=($(( (end - start) / 1000 )))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.1f\n", t[int((NR + 1) / 2)] / 1000 }'
  fi
}

list_ms=$(median_ms "true" "$tvq list $work/list.tvq")
add_ms=$(median_ms "cp $work/base.tvq $work/add.tvq" "$tvq add $work/add.tvq --subject 'Buy milk' --priority B1")
printf 'tvq list, %d tasks:  %6s ms (target <= 50)\n' "$tasks" "$list_ms"
printf 'tvq add,  %d tasks:  %6s ms (target <= 60)\n' "$tasks" "$add_ms"

# The filters read every task and show fewer rows than the whole list; "today" in the middle of the file's
# dates (2008 to 2012), so that about half the tasks are overdue.
export TVQ_TODAY=2010-06-15
for filter in "--due overdue" "--due week --by due" "--priority A-B" "--match 見積" "--match ＣＡＬＬ" \
              "--due ..2010-12-31 --priority B --match call --by priority"; do
  filter_ms=$(median_ms "true" "$tvq list $work/list.tvq $filter")
  printf 'tvq list %s:  %6s ms (beside tvq list)\n' "$filter" "$filter_ms"
done
unset TVQ_TODAY

if command -v task >/dev/null; then
  data=$work/task-data
  mkdir -p "$data"
  printf 'data.location=%s\nconfirmation=off\nverbose=nothing\nhooks=off\nnews.version=9.9.9\n' "$data" > "$work/taskrc"
  export TASKRC=$work/taskrc
  awk -v n="$tasks" 'BEGIN {
    for (i = 1; i <= n; i++) {
      printf "{\"description\":\"Task %d 見積書を送る and call back about the order\",\"status\":\"pending\",", i
      printf "\"entry\":\"20240101T000000Z\",\"due\":\"20240%d%02dT000000Z\",\"priority\":\"%s\"}\n", 1 + i % 9, 1 + i % 28, substr("HML", 1 + i % 3, 1)
    }
  }' > "$work/tasks.json"
  task import "$work/tasks.json" >/dev/null 2>&1
  cp -r "$data" "$work/task-base"
  task_list_ms=$(median_ms "true" "task rc.gc=off list")
  task_add_ms=$(median_ms "rm -rf $data && cp -r $work/task-base $data" "task add 'Buy milk' priority:M")
  printf 'task list, %d tasks: %6s ms (taskwarrior %s)\n' "$tasks" "$task_list_ms" "$(task --version)"
  printf 'task add,  %d tasks: %6s ms\n' "$tasks" "$task_add_ms"
else
  echo "taskwarrior (task) is not installed: apt-get install -y taskwarrior to compare"
fi
