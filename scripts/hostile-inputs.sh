#!/usr/bin/env bash
# Inputs of the shapes that cost the readers the most memory for their size,
# each about BYTES long (default 1 MB):
#   scripts/hostile-inputs.sh DIR [BYTES]               writes them into DIR
#   scripts/hostile-inputs.sh --rss CLI DIR [BYTES]     also runs `CLI info` on each
#       and prints its peak memory (max RSS) against 30 x size + 64 MB; exit 1
#       when one is over.
# fuzz/run.sh takes small ones (a few KB) as seeds.
set -euo pipefail
cli=""
if [ "${1:-}" = --rss ]; then
  cli=${2:?usage: scripts/hostile-inputs.sh [--rss CLI] DIR [BYTES]}
  shift 2
fi
dir=${1:?usage: scripts/hostile-inputs.sh [--rss CLI] DIR [BYTES]}
bytes=${2:-1048576}
mkdir -p "$dir"

# One triangle, the mesh the skins bind.
geometry='<COLLADA><library_geometries><geometry id="g"><mesh><source id="p"><float_array count="9">0 0 0 1 0 0 0 1 0</float_array><technique_common><accessor source="#p" count="3" stride="3"/></technique_common></source><vertices id="v"><input semantic="POSITION" source="#p"/></vertices><triangles count="1"><input semantic="VERTEX" source="#v" offset="0"/><p>0 1 2</p></triangles></mesh></geometry></library_geometries>'

# Each shape: awk writes its head, then repeats its unit while the file stays
# under BYTES, then its tail (`repeat` does both for a fixed unit). `n` counts
# the units written so far.
shape() {
  local file=$1 program=$2
  awk -v bytes="$bytes" -v geometry="$geometry" "
    function out(s) { printf \"%s\", s; size += length(s) }
    function repeat(unit, tail) { for (n = 0; size + length(tail) + length(unit) <= bytes; n++) out(unit); out(tail) }
    $program" >"$dir/$file"
}

# A skin naming a joint per letter, with one inverse bind matrix and one weight.
shape skin-joints.dae '
BEGIN {
  out(geometry "<library_controllers><controller><skin source=\"#g\"><source id=\"j\"><Name_array count=\"" int(bytes / 2) "\">")
  tail = "</Name_array></source><source id=\"m\"><float_array count=\"16\">1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</float_array></source><source id=\"w\"><float_array count=\"1\">1</float_array></source><joints><input semantic=\"JOINT\" source=\"#j\"/><input semantic=\"INV_BIND_MATRIX\" source=\"#m\"/></joints><vertex_weights count=\"3\"><input semantic=\"JOINT\" source=\"#j\" offset=\"0\"/><input semantic=\"WEIGHT\" source=\"#w\" offset=\"1\"/><vcount>1 1 1</vcount><v>0 0 0 0 0 0</v></vertex_weights></skin></controller></library_controllers></COLLADA>\n"
  for (n = 0; size + length(tail) + 2 <= bytes; n++) out(substr("abcdefghijklmnopqrstuvwxyz", n % 26 + 1, 1) " ")
  out(tail)
}'

# A skin whose one-letter joints have no matrices but a weight each, eight a vertex.
shape weighted-joints.dae '
BEGIN {
  out(geometry "<library_controllers><controller><skin source=\"#g\">")
  rows = int(bytes / 88)
  out("<source id=\"j\"><Name_array count=\"" rows * 8 "\">")
  for (n = 0; n < rows * 8; n++) out(substr("abcdefghijklmnopqrstuvwxyz", n % 26 + 1, 1) " ")
  out("</Name_array></source><source id=\"w\"><float_array count=\"1\">1</float_array></source><joints><input semantic=\"JOINT\" source=\"#j\"/><input semantic=\"INV_BIND_MATRIX\" source=\"#m\"/></joints>")
  out("<vertex_weights count=\"" rows "\"><input semantic=\"JOINT\" source=\"#j\" offset=\"0\"/><input semantic=\"WEIGHT\" source=\"#w\" offset=\"1\"/><vcount>")
  for (n = 0; n < rows; n++) out("8 ")
  out("</vcount><v>")
  for (n = 0; n < rows * 8; n++) out(n " 0 ")
  out("</v></vertex_weights></skin></controller></library_controllers></COLLADA>\n")
}'

# A skin claiming two billion weight rows, the rest of the file a comment.
shape weight-rows.dae '
BEGIN {
  out(geometry "<library_controllers><controller><skin source=\"#g\"><source id=\"j\"><Name_array count=\"1\">a</Name_array></source><joints><input semantic=\"JOINT\" source=\"#j\"/><input semantic=\"INV_BIND_MATRIX\" source=\"#m\"/></joints><vertex_weights count=\"2000000000\"><input semantic=\"JOINT\" source=\"#j\" offset=\"0\"/><input semantic=\"WEIGHT\" source=\"#w\" offset=\"1\"/><vcount>1</vcount><v>0 0</v></vertex_weights></skin></controller></library_controllers><!-- ")
  repeat("0123456789", " --></COLLADA>\n")
}'

# A scene of empty nodes side by side.
shape many-nodes.dae '
BEGIN {
  out("<COLLADA><library_visual_scenes><visual_scene><node>")
  repeat("<node/>", "</node></visual_scene></library_visual_scenes></COLLADA>\n")
}'

# Nodes nested in one another.
shape deep-nodes.dae '
BEGIN {
  out("<COLLADA><library_visual_scenes><visual_scene>")
  tail = "</visual_scene></library_visual_scenes></COLLADA>\n"
  levels = int((bytes - size - length(tail)) / 13)
  for (n = 0; n < levels; n++) out("<node>")
  for (n = 0; n < levels; n++) out("</node>")
  out(tail)
}'

# One position source of single-digit floats.
shape long-float-array.dae '
BEGIN {
  out("<COLLADA><library_geometries><geometry id=\"g\"><mesh><source id=\"p\"><float_array count=\"" int(bytes / 2) "\">")
  tail = "</float_array><technique_common><accessor source=\"#p\" count=\"" int(bytes / 6) "\" stride=\"3\"/></technique_common></source><vertices id=\"v\"><input semantic=\"POSITION\" source=\"#p\"/></vertices><triangles count=\"1\"><input semantic=\"VERTEX\" source=\"#v\" offset=\"0\"/><p>0 1 2</p></triangles></mesh></geometry></library_geometries></COLLADA>\n"
  for (n = 0; size + length(tail) + 2 <= bytes; n++) out(n % 10 " ")
  out(tail)
}'

# Bone lists of one-letter names, a tree of a few of them, one weight row.
shape short-names.mdl '
BEGIN {
  out("[MODEL_ID]\r\nm\r\n\r\n<GEOMETRY_BEGIN>\r\n<GEOMETRY_ID>g\r\n<WEIGHTS_BEGIN>\r\n<WEIGHTS_SIZE>1\r\n<APPLY_BONE_NUM>1\r\n0 1 \r\n<WEIGHTS_END>\r\n<GEOMETRY_END>\r\n")
  tail = "\r\n<BONE>\r\n<BONE_BEGIN>\r\n<BONE_NAME>a\r\n<BONE_ID>a\r\n<CHILD_COUNT>1\r\n\t<BONE_BEGIN>\r\n\t<BONE_NAME>b\r\n\t<CHILD_COUNT>0\r\n\t<BONE_END>\r\n<BONE_END>\r\n\r\n"
  line = 0
  for (n = 0; size + length(tail) + 16 <= bytes; n++) {
    if (line == 0) out((n ? "\r\n" : "") "<BONE_ARRAY>\r\n")
    out(substr("abcdefghijklmnopqrstuvwxyz", n % 26 + 1, 1) " ")
    line = (line + 1) % 100000
  }
  out(tail)
}'

# Names of a thousand characters and more, in the bone list and the tree.
shape long-names.mdl '
BEGIN {
  name = "n"
  while (length(name) < 1100) name = name name
  out("[MODEL_ID]\r\n" name "\r\n\r\n<BONE_ARRAY>\r\n" name "1 " name "2 \r\n<BONE>\r\n")
  tail = "<BONE_END>\r\n\r\n"
  for (n = 0; size + length(tail) + 2 * length(name) + 40 <= bytes; n++)
    out("<BONE_BEGIN>\r\n<BONE_NAME>" name n % 3 "\r\n<BONE_ID>" name "\r\n<CHILD_COUNT>1\r\n")
  out("<BONE_BEGIN>\r\n<BONE_NAME>leaf\r\n<CHILD_COUNT>0\r\n")
  out(tail)
}'

# Channels of one key each, some naming a target.
shape many-channels.ani '
BEGIN {
  out("[TARGET_MODEL_ID]\r\nm\r\n\r\n[ANIMATION_ID]\r\na\r\n\r\n")
  unit = "<ANIMATION_BEGIN>\r\n<KEY_TIME>\r\n0 \r\n<POSE_MATRIX>\r\n1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \r\n<POSE_MATRIX_END>\r\n<ANIMATION_END>\r\n"
  for (n = 0; size + length(unit) + 20 <= bytes; n++) out(n % 16 ? "<ANIMATION_BEGIN>\r\n<ANIMATION_END>\r\n" : "<ANIMATION_BEGIN>\r\n<TARGET>b" n "\r\n<ANIMATION_END>\r\n" unit)
}'

# Long target names and many keys in one channel.
shape long-keys.ani '
BEGIN {
  name = "t"
  while (length(name) < 1100) name = name name
  out("[TARGET_MODEL_ID]\r\nm\r\n\r\n<ANIMATION_BEGIN>\r\n<TARGET>" name "\r\n<KEY_TIME>\r\n")
  tail = "\r\n<ANIMATION_END>\r\n"
  for (n = 0; size + length(tail) + 2 <= bytes; n++) out(n % 10 " ")
  out(tail)
}'

[ -n "$cli" ] || exit 0
over=0
printf '%-22s %10s %12s %12s\n' file bytes "max RSS KB" "bound KB"
for f in "$dir"/*.dae "$dir"/*.mdl "$dir"/*.ani; do
  size=$(stat -c %s "$f")
  bound=$(( (30 * size + (64 << 20)) / 1024 ))
  /usr/bin/time -f '%M' -o "$dir/.rss" "$cli" info "$f" >/dev/null 2>&1 || true
  rss=$(tail -n 1 "$dir/.rss")
  mark=""
  [ "$rss" -le "$bound" ] || { mark=" OVER"; over=1; }
  printf '%-22s %10d %12d %12d%s\n' "$(basename "$f")" "$size" "$rss" "$bound" "$mark"
done
rm -f "$dir/.rss"
exit $over
