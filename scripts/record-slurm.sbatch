#!/bin/bash
# `oxvtool record` as a Slurm job array: task K of N records part K of the
# run (its --frames range, by estimated work, from --list-work), on
# whichever node Slurm gives it. PNG parts share one folder and one
# numbering; with --video FILE each task writes FILE's segment K. A job
# started with --join then checks every part against the plan and, for a
# video, joins the segments into FILE.
# scripts/record-slurm submits both for you (see the README); by hand:
#   jid=$(sbatch --parsable --array=0-7 --output=LOGS/part-%a.log scripts/record-slurm.sbatch SURVEY --video /shared/v.mp4 [options])
#   sbatch --dependency=afterany:$jid --output=LOGS/join.log scripts/record-slurm.sbatch --join /shared/v.mp4
# A task whose part is recorded already ends at once, so the same array
# again records only what is missing. The survey and the output must be on
# storage every node sees; OXVTOOL names the oxvtool to run when it is not
# on the nodes' PATH.
#SBATCH --job-name=oxv-record
#SBATCH --cpus-per-task=1
set -euo pipefail

# Slurm runs a copy of this script from its spool folder; the helpers sit
# beside the original: OXV_SCRIPTS (set by scripts/record-slurm), else the
# script Slurm was given, else beside this file (run without Slurm).
scripts_folder() {
  if [ -n "${OXV_SCRIPTS:-}" ]; then echo "$OXV_SCRIPTS"; return; fi
  if [ -n "${SLURM_JOB_ID:-}" ] && command -v scontrol >/dev/null 2>&1; then
    local command
    command=$(scontrol show job "$SLURM_JOB_ID" 2>/dev/null | sed -n 's/^ *Command=//p' | head -1)
    # Newer Slurm puts the script's arguments after its path.
    while [ -n "$command" ] && [ ! -f "$command" ] && [ "${command% *}" != "$command" ]; do command=${command% *}; done
    if [ -f "$(dirname "$command")/video-parts" ]; then dirname "$command"; return; fi
  fi
  cd "$(dirname "${BASH_SOURCE[0]}")" && pwd
}
here=$(scripts_folder)
if [ ! -f "$here/video-parts" ]; then
  echo "record-slurm: no helper scripts in $here; set OXV_SCRIPTS to the checkout's scripts folder" >&2
  exit 2
fi
. "$here/video-parts"

if [ "${1:-}" = --join ]; then
  out=${2:?--join FILE (or DIR)}
  while [ "${#out}" -gt 1 ] && [ "${out%/}" != "$out" ]; do out=${out%/}; done
  finish_split "$out" "${3:-}"
  echo "record-slurm: $out is whole"
  exit
fi

: "${SLURM_ARRAY_TASK_ID:?submit with sbatch --array=0-(N-1)}"
# Started by scripts/record-slurm, the array holds only the parts still
# missing: the task id is the part and OXV_PARTS the count.
if [ -n "${OXV_PARTS:-}" ]; then
  count=$OXV_PARTS
  k=$SLURM_ARRAY_TASK_ID
else
  min=${SLURM_ARRAY_TASK_MIN:-0}
  count=${SLURM_ARRAY_TASK_COUNT:-$((SLURM_ARRAY_TASK_MAX - min + 1))}
  k=$((SLURM_ARRAY_TASK_ID - min))
fi
oxvtool=$(oxvtool_path)
out=$(output_of "$@")
if [ -z "$out" ]; then echo "record-slurm: the record options want --out DIR or --video FILE" >&2; exit 2; fi
split=$(split_dir "$out")
list=$(mktemp)
trap 'rm -f "$list"' EXIT
if ! "$oxvtool" record "$@" --list-work >"$list"; then
  echo "record-slurm: $oxvtool could not plan the run; part $k not recorded" >&2
  exit 1
fi
# Every task writes the same plan; the join reads it.
write_plan "$split" "$(plan_text "$count" "$list" "$@")"
sum=$(plan_sum "$split/plan")
prepare_part "$split" "$k" "$sum" "$list" "$@"
if [ "$PART_DONE" = 1 ]; then
  echo "record-slurm: part $k of $count is recorded already"
  exit 0
fi
echo "record-slurm: part $k of $count, frames $PART_RANGE, on $(hostname)"
"$oxvtool" record "${PART_ARGS[@]}" --frames "$PART_RANGE" --progress lines
echo "$sum" >"$split/done.$k"
