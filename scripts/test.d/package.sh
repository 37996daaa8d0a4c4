#!/usr/bin/env bash
# The Debian package: built by CPack in build/, unpacked into a scratch root
# and run from there with no source tree and no ./model in sight: the tool,
# the thumbnailer entry, the viewer under Xvfb, the desktop file.
set -euo pipefail
cd "$(dirname "$0")/../.."
src=$PWD
cmake --build build --target vorland vorland-cli vorland-render vorland-shot vorland_man vorland_changelog >/dev/null
rm -f build/vorland_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(echo build/vorland_*.deb)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
dpkg-deb -x "$deb" "$root"
mkdir -p "$scratch/start" "$scratch/home" "$scratch/config"
cp tests/data/gltf/khronos/BoxTextured.glb tests/data/corpus/blender/textured-blender-default-cube.dae "$scratch/"
shot=$src/build/vorland-shot
cd "$scratch/start"
export PATH=$root/usr/bin:$PATH HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config

passed=0 failed=0
check() {  # NAME COMMAND...: counts the command's success
  if "${@:2}"; then passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi
}

check "vorland-cli --version" bash -c 'vorland-cli --version | grep -q "^vorland-cli [0-9]"'
check "vorland-cli info" bash -c 'vorland-cli info ../BoxTextured.glb | grep -q "\"geometries\": *1"'

# The thumbnailer entry's own command line, as a file manager runs it.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/thumbnailers/vorland.thumbnailer")
for model in BoxTextured.glb textured-blender-default-cube.dae; do
  for size in 128 256; do
    out=$scratch/thumb-$model-$size.png
    command=${exec_line//%i/$scratch/$model}
    command=${command//%o/$out}
    command=${command//%s/$size}
    check "thumbnail of $model at $size" bash -c "$command && [ \"\$('$shot' --model-in '$out')\" = ${size}x${size} ]"
  done
done

# The viewer from an empty folder: the room shows, settings go to $XDG_CONFIG_HOME.
viewer() {
  xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
    vorland 2>"$1/viewer.err" & pid=$!
    "$2" "$1/viewer.png" 300000 --until-scene >/dev/null 2>&1
    kill -TERM $pid; wait $pid' _ "$scratch" "$shot"
}
check "viewer runs and closes on SIGTERM" viewer
check "viewer shows the room" "$shot" --scene-in "$scratch/viewer.png" >/dev/null
check "viewer finds its pictures" bash -c "! grep -q 'runs without' '$scratch/viewer.err'"
check "settings under XDG_CONFIG_HOME" test -s "$scratch/config/vorland/config.ini"
check "nothing written into the start folder" test -z "$(ls -A "$scratch/start")"

check "desktop-file-validate" desktop-file-validate "$root/usr/share/applications/vorland.desktop"
mime_types() {  # the types shared-mime-info builds from the package's XML, beside its own
  mkdir -p "$scratch/mime/packages"
  cp /usr/share/mime/packages/freedesktop.org.xml "$root/usr/share/mime/packages/vorland.xml" "$scratch/mime/packages/"
  update-mime-database "$scratch/mime" >/dev/null 2>&1 &&
    for t in model/vnd.collada+xml:dae model/gltf+json:gltf model/gltf-binary:glb application/x-vorland-mdl:mdl \
             application/x-vorland-ani:ani; do grep -qx "[0-9]*:${t%%:*}:\*\.${t##*:}" "$scratch/mime/globs2" || return 1; done
}
check "MIME types" mime_types
completion() {  # what bash offers after "vorland-cli re" and "vorland-cli render x.glb --w"
  bash -c 'source /usr/share/bash-completion/bash_completion && source "$1" &&
    offer() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}; _vorland_cli;
              echo "${COMPREPLY[*]}"; } &&
    [ "$(offer vorland-cli re)" = render ] && [ "$(offer vorland-cli render x.glb --w)" = --width ]' \
    _ "$root/usr/share/bash-completion/completions/vorland-cli"
}
check "bash completion" completion
check "lintian finds no error" bash -c "! lintian --no-tag-display-limit '$src/$deb' | grep '^E:'"
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
