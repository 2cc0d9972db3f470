#!/bin/bash
# `oxvtool record` as a Slurm job array: task K of N records part K of the
# run (its --frames range from --list-frames), on whichever node Slurm gives
# it. PNG parts share one folder and one numbering; with --video FILE each
# task writes FILE's segment K, and a follow-up job joins them:
#   jid=$(sbatch --parsable --array=0-7 scripts/record-slurm.sbatch SURVEY --video /shared/v.mp4 [options])
#   sbatch --dependency=afterok:$jid scripts/record-slurm.sbatch --join /shared/v.mp4 8
# Submit from the checkout's root (or name its scripts folder in OXV_SCRIPTS).
# The survey and the output must be on storage every node sees; OXVTOOL
# names the oxvtool to run when it is not on the nodes' PATH.
#SBATCH --job-name=oxv-record
#SBATCH --cpus-per-task=1
#SBATCH --output=oxv-record-%A_%a.log
set -euo pipefail
# Slurm runs a copy of this script; the helpers sit beside the original.
here=${OXV_SCRIPTS:-${SLURM_SUBMIT_DIR:-$PWD}/scripts}
. "$here/video-parts"

if [ "${1:-}" = --join ]; then
  join_parts "${2:?--join FILE N}" "${3:?--join FILE N}"
  exit
fi

: "${SLURM_ARRAY_TASK_ID:?submit with sbatch --array=0-(N-1)}"
min=${SLURM_ARRAY_TASK_MIN:-0}
count=${SLURM_ARRAY_TASK_COUNT:-$((SLURM_ARRAY_TASK_MAX - min + 1))}
k=$((SLURM_ARRAY_TASK_ID - min))
oxvtool=$(oxvtool_path)
range=$("$oxvtool" record "$@" --list-frames | "$here/frame-ranges" "$count" | sed -n "$((k + 1))p")
opts=("$@")
if [ -n "$(video_of "$@")" ]; then mapfile -t opts < <(with_part_video "$k" "$@"); fi
exec "$oxvtool" record "${opts[@]}" --frames "$range"
