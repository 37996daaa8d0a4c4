#!/usr/bin/env bash
# Kills `vorland-cli convert` with SIGKILL at random moments while it replaces
# existing .mdl/.ani pairs, and counts what each kill left:
#   scripts/kill-convert.sh CLI [RUNS] [single|out-dir]
# old / new       every pair whole (old or new; with --out-dir each pair on its own)
# unfinished      a commit record the next run completed (checked by running it)
# mixed           a pair with one old and one new file and no record: a fault
# stray           a name nobody tracks (a temporary of the killed process): a fault
set -euo pipefail
cli=$(realpath "$1")
runs=${2:-200}
mode=${3:-single}
corpus=$(realpath "$(dirname "$0")/../../shared/corpus/blender")
[ -d "$corpus" ] || corpus=$(realpath "$(dirname "$0")/../tests/data/corpus/blender")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "$mode" = single ]; then
    inputs=("$corpus/collada-demo-animated-male.dae")
else
    inputs=("$corpus/collada-demo-animated-male.dae" "$corpus/letter-f-animated.dae"
            "$corpus/two-skinned-cubes.dae" "$corpus/leg-with-control-bones.dae")
fi
stems=()
for in in "${inputs[@]}"; do stems+=("$(basename "${in%.dae}")"); done
command() {  # the conversion into folder $1
    if [ "$mode" = single ]; then echo "$cli" convert "${inputs[0]}" "$1/${stems[0]}"
    else echo "$cli" convert "${inputs[@]}" --out-dir "$1"; fi
}
convert() { $(command "$1") >/dev/null 2>&1; }
d="$work/run"
read -ra killed <<< "$(command "$d")"

mkdir "$work/new" "$work/old"
convert "$work/new"
for s in "${stems[@]}"; do "$cli" convert "$corpus/animated-blender-cube.dae" "$work/old/$s" >/dev/null; done
start=$(date +%s.%N)
convert "$work/new"
took=$(echo "$(date +%s.%N) - $start" | bc)

declare -A count=([old]=0 [new]=0 [unfinished]=0 [mixed]=0 [stray]=0 [finished]=0)
for ((i = 0; i < runs; i++)); do
    rm -rf "$d"
    cp -a "$work/old" "$d"
    delay=$(echo "scale=4; $took * 1.2 * $RANDOM / 32767" | bc)
    if timeout --foreground -s KILL "$delay" "${killed[@]}" >/dev/null 2>&1; then count[finished]=$((count[finished] + 1)); fi
    state=""
    for s in "${stems[@]}"; do
        if [ -e "$d/$s.vorland-commit" ]; then state+=" unfinished"; continue; fi
        m=old a=old
        cmp -s "$d/$s.mdl" "$work/new/$s.mdl" && m=new
        cmp -s "$d/$s.ani" "$work/new/$s.ani" && a=new
        if [ "$m" != "$a" ]; then state+=" mixed"; else state+=" $m"; fi
    done
    for f in "$d"/*; do
        n=$(basename "$f")
        case "$n" in
            *.mdl | *.ani | *.vorland-commit | *.vorland-pending | *.vorland-new) ;;
            *) state+=" stray" ;;
        esac
        case "$n" in *.tmp-*) state+=" stray" ;; esac
    done
    case "$state" in
        *stray*) count[stray]=$((count[stray] + 1)) ;;
        *mixed*) count[mixed]=$((count[mixed] + 1)) ;;
        *unfinished*)
            count[unfinished]=$((count[unfinished] + 1))
            convert "$d"
            for s in "${stems[@]}"; do
                cmp -s "$d/$s.mdl" "$work/new/$s.mdl" && cmp -s "$d/$s.ani" "$work/new/$s.ani" ||
                    { echo "run $i: the next run did not complete $s" >&2; exit 1; }
            done ;;
        *new*) count[new]=$((count[new] + 1)) ;;
        *) count[old]=$((count[old] + 1)) ;;
    esac
done
printf "%s: %d kills at random in 0..%.3f s (one run %.3f s): " "$mode" "$runs" "$(echo "$took * 1.2" | bc)" "$took"; echo \
     "old ${count[old]}, new ${count[new]}, unfinished ${count[unfinished]} (completed by the next run)," \
     "mixed ${count[mixed]}, stray ${count[stray]}; not killed ${count[finished]}"
