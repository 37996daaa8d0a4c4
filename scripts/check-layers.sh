#!/usr/bin/env bash
# Fails when a source file includes a header from a higher layer:
# platform < settings, math < model < collada, gltf < import < render < scene < ui < app.
# Folders of one rank do not include each other; tools, bench, fuzz and
# tests sit on top and may include anything.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A rank=([platform]=0 [settings]=1 [math]=1 [model]=2 [collada]=3 [gltf]=3 [import]=4
                 [render]=5 [scene]=6 [ui]=7 [app]=8)
status=0
for from in "${!rank[@]}"; do
  [ -d "$from" ] || continue
  while IFS=: read -r file line include; do
    to=${include#*\"}; to=${to%%/*}
    [ -n "${rank[$to]+x}" ] || continue
    if [ "$to" != "$from" ] && [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
      echo "$file:$line: $from must not include $to (${include#*#include })"
      status=1
    fi
  done < <(grep -rnE '^\s*#\s*include\s+"[a-z_]+/' "$from" --include='*.h' --include='*.cpp' || true)
done
[ $status -eq 0 ] && echo "layers: every include runs downward"
exit $status
