#!/usr/bin/env bash
# Runs two builds of quillmap in batch mode over the same models and options and compares all
# they produce: the printed report (stdout, stderr, exit status), the entries of the saved
# .qmap (byte for byte; the zip bytes themselves carry timestamps) and the files exported into
# a Serious Sam folder (.3ds, .scr, .tga, .tex, _uv.png) with the UV layout picture.
# The painted side too: 3D view renders, strokes and fills with every tip and paint source, and
# layout changes on a painted project.
# Prints one line per differing output; exits 1 on any difference, 0 when all are identical.
#
#   tools/compare_outputs.sh OLD_QUILLMAP NEW_QUILLMAP [MESHGEN]
#
# MESHGEN (quillmap-meshgen, which makes the test models) defaults to the one built next to
# OLD_QUILLMAP. Needs unzip (scripts/setup installs it).
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: tools/compare_outputs.sh OLD_QUILLMAP NEW_QUILLMAP [MESHGEN]" >&2
  exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
meshgen=$(realpath "${3:-$(dirname "$old")/tools/meshgen/quillmap-meshgen}")
repo=$(cd "$(dirname "$0")/.." && pwd)
for program in "$old" "$new" "$meshgen"; do
  [ -x "$program" ] || { echo "not a program: $program" >&2; exit 2; }
done
command -v unzip >/dev/null || { echo "unzip is missing (scripts/setup installs it)" >&2; exit 2; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The inputs, made once and shared, so both sides see the same files and file dates.
inputs=$tmp/inputs
mkdir "$inputs"
cp "$repo/resources/sample.3ds" "$repo/resources/logo.png" "$inputs/"
head -c 200 "$repo/resources/sample.3ds" >"$inputs/truncated.3ds"
models=(sample.3ds)
for shape in "cube" "cylinder 16" "sphere 16 8" "twoobjects"; do
  read -ra words <<<"$shape"
  for ext in 3ds obj; do
    "$meshgen" "${words[0]}" "$inputs/${words[0]}.$ext" "${words[@]:1}" >/dev/null
    models+=("${words[0]}.$ext")
  done
done

# Name and unwrap options of each run on every model.
option_sets=(
  "exact|"
  "smooth|--mapping smooth"
  "smooth-tight|--mapping smooth --stretch 5 --size 256x256"
  "keep|--mapping keep"
  "angle-20-separate|--angle 20 --no-combine"
  "mirror-x|--mirror x"
  "mirror-z-up-y|--mirror z --up y"
  "mirror-y-smooth|--mirror y --mapping smooth"
  "wide|--size 1024x256 --margin 0"
  "tiny|--size 32x32 --margin 8"
  "per-layer|--per-layer"
  "rotate-no|--rotate no"
  "rotate-all|--rotate all --mapping smooth"
)

work=$tmp/work
program=""

# Runs `program` in batch mode in $work/ID, a Serious Sam folder of its own; the other
# arguments are those after --batch. A run that hangs is stopped (exit status 124).
run() {  # id arguments...
  local dir=$work/$1 status
  shift
  mkdir -p "$dir/Bin" "$dir/Models/Test"
  : >"$dir/Bin/SeriousModeler.exe"
  (cd "$dir" && HOME=$work/home timeout 300 "$program" --batch "$@" >stdout 2>stderr) && status=0 || status=$?
  echo "$status" >"$dir/status"
}

# Opens FILE with the options, then imports the texture, writes the UV picture, exports
# everything and saves the project.
run_all_outputs() {  # id file options...
  local id=$1 file=$2 dir=$work/$1
  shift 2
  run "$id" "$file" "$@" --texture "$inputs/logo.png" --uv-png "$dir/layout.png" \
    --export "$dir/Models/Test/model.3ds" --root "$dir" --write scr,tga,tex,uv \
    --save "$dir/model.qmap" --yes
}

# Paints or changes the project FILE with the options, then renders the view in the texture
# mode, exports everything and saves the project.
paint_all_outputs() {  # id file options...
  local id=$1 file=$2 dir=$work/$1
  shift 2
  run "$id" "$file" "$@" --render "$dir/view.png" --view-mode 1 --uv-png "$dir/layout.png" \
    --export "$dir/Models/Test/model.3ds" --root "$dir" --write scr,tga,tex,uv \
    --save "$dir/model.qmap" --yes
}

for side in old new; do
  program=${!side}
  mkdir -p "$work/home"
  for model in "${models[@]}"; do
    for set in "${option_sets[@]}"; do
      read -ra options <<<"${set#*|}"
      run_all_outputs "$model-${set%%|*}" "$inputs/$model" "${options[@]}"
    done
    # The saved project opened again: as saved, and unwrapped again with other options.
    run_all_outputs "$model-reopen" "$work/$model-exact/model.qmap"
    run_all_outputs "$model-reopen-smooth" "$work/$model-exact/model.qmap" --mapping smooth
  done
  # The largest texture, whose .tex is scaled down; once, as it takes the longest.
  run_all_outputs sample-big "$inputs/sample.3ds" --size 2048x2048 --margin 64
  # Without a texture only the .3ds and the .scr are written; over existing files without
  # --yes nothing is.
  run sample-no-texture "$inputs/sample.3ds" --export "$work/sample-no-texture/Models/Test/model" \
    --root "$work/sample-no-texture" --write scr,tga,tex,uv --yes
  run sample-no-overwrite "$inputs/sample.3ds" \
    --export "$work/sample.3ds-exact/Models/Test/model.3ds" --write scr
  # The painting half: renders in every view mode, each tip and fill, the stencil and pattern
  # sources, layout changes on a painted project (ended, cancelled, saved in the middle and
  # ended later), and the painted project saved, opened again and exported.
  for model in sample.3ds sphere.obj twoobjects.3ds; do
    project=$work/$model-exact/model.qmap
    for mode in 0 1 2 3 4; do
      run "$model-render-$mode" "$project" --render "$work/$model-render-$mode/view.png" \
        --view-mode "$mode" --view-size 320x240 --yaw 50 --pitch -15
    done
    stroke="brush 250,260 330,300 420,280 470,340"
    for tip in round sponge splatter chalk; do
      paint_all_outputs "$model-tip-$tip" "$project" --paint "$stroke" --tip "$tip" \
        --brush-size 60 --opacity 70 --hardness 30 --colour FF8000
    done
    for fill in fill-triangle fill-flat-face fill-surface fill-layer; do
      paint_all_outputs "$model-$fill" "$project" --paint "$fill 360,317" --colour 2060C0
    done
    paint_all_outputs "$model-stencil" "$project" --source stencil --stencil "$inputs/logo.png" \
      --stencil-at 360,317,0.8,30 --paint "$stroke" --brush-size 120
    paint_all_outputs "$model-pattern-triplanar" "$project" --source pattern \
      --pattern "$inputs/logo.png" --tile 40 --paint "$stroke" --brush-size 150
    paint_all_outputs "$model-pattern-anchor" "$project" --source pattern \
      --pattern "$inputs/logo.png" --tile 25 --mapping-pattern anchor --anchor 360,317 \
      --paint "$stroke" --paint "fill-surface 360,317"
    painted=$work/$model-tip-round/model.qmap
    paint_all_outputs "$model-reopen-painted" "$painted"
    paint_all_outputs "$model-change-keep-lock" "$painted" --change-layout keep \
      --mapping smooth --lock
    paint_all_outputs "$model-change-empty-cancel" "$painted" --change-layout empty --angle 20 \
      --cancel
    run "$model-change-saved" "$painted" --change-layout keep --size 256x256 \
      --save "$work/$model-change-saved/model.qmap"
    for end in lock cancel; do
      paint_all_outputs "$model-change-saved-$end" "$work/$model-change-saved/model.qmap" \
        "--$end"
    done
  done
  run truncated "$inputs/truncated.3ds"
  run missing "$inputs/missing.obj"
  run bad-size "$inputs/sample.3ds" --size 100x100
  run bad-option "$inputs/sample.3ds" --colour red
  mv "$work" "$tmp/$side"
done

differences=0
differ() {
  echo "$1"
  differences=$((differences + 1))
}

# The entries of two .qmap archives: names in order, then each entry's bytes.
compare_archives() {  # path (relative to both sides)
  local a=$tmp/old/$1 b=$tmp/new/$1 names_a names_b
  cmp -s "$a" "$b" && return
  if ! names_a=$(unzip -Z1 "$a" 2>/dev/null) || ! names_b=$(unzip -Z1 "$b" 2>/dev/null); then
    differ "$1: not a readable archive"
    return
  fi
  if [ "$names_a" != "$names_b" ]; then
    differ "$1: entries differ: $(paste -sd ' ' <<<"$names_a") vs $(paste -sd ' ' <<<"$names_b")"
    return
  fi
  rm -rf "$tmp/entries"
  mkdir -p "$tmp/entries/old" "$tmp/entries/new"
  if ! unzip -qq "$a" -d "$tmp/entries/old" || ! unzip -qq "$b" -d "$tmp/entries/new"; then
    differ "$1: entries cannot be extracted"
    return
  fi
  while IFS= read -r name; do
    cmp -s "$tmp/entries/old/$name" "$tmp/entries/new/$name" || differ "$1: entry $name differs"
  done <<<"$names_a"
}

# The programs run in the caller's locale; the file lists are sorted bytewise.
export LC_ALL=C
(cd "$tmp/old" && find . -type f | sed 's|^\./||' | sort) >"$tmp/old.list"
(cd "$tmp/new" && find . -type f | sed 's|^\./||' | sort) >"$tmp/new.list"
while IFS= read -r path; do differ "$path: only from OLD"; done < <(comm -23 "$tmp/old.list" "$tmp/new.list")
while IFS= read -r path; do differ "$path: only from NEW"; done < <(comm -13 "$tmp/old.list" "$tmp/new.list")
compared=0
while IFS= read -r path; do
  compared=$((compared + 1))
  case $path in
    *.qmap) compare_archives "$path" ;;
    */status)
      cmp -s "$tmp/old/$path" "$tmp/new/$path" ||
        differ "$path: exit status $(cat "$tmp/old/$path") vs $(cat "$tmp/new/$path")" ;;
    *) cmp -s "$tmp/old/$path" "$tmp/new/$path" || differ "$path differs" ;;
  esac
done < <(comm -12 "$tmp/old.list" "$tmp/new.list")

runs=$(find "$tmp/old" -name status | wc -l)
if ((differences > 0)); then
  echo "$differences difference(s) in $compared outputs of $runs runs" >&2
  exit 1
fi
echo "$compared outputs of $runs runs identical" >&2
