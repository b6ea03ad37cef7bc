#!/usr/bin/env bash
# Checks that the folders are layers: a file includes headers of its own folder and of the layers
# below its own in the list below, and no other folder of the project, so no include runs up and
# no two folders include each other. The sound module is a library of its own and includes
# nothing of the project.
#   include_layers.sh [SOURCE_DIR]    exit 0 when every include keeps to the layers, else 1
set -uo pipefail
root=${1:-$(dirname "$0")/../..}
cd "$root" || exit 2

# The layers from the top down; each may include the ones after it.
layers=(host scenes overlay music effects data archive timing display platform base)
declare -A allowed=([sound]="")  # a library of its own
for ((i = 0; i < ${#layers[@]}; ++i)); do
  allowed[${layers[i]}]="${layers[*]:i+1}"
done
folders=" ${!allowed[*]} "

failures=0
for folder in "${!allowed[@]}"; do
  for file in "$folder"/*.h "$folder"/*.cpp; do
    [ -e "$file" ] || continue
    while IFS= read -r included; do
      target=${included%%/*}
      [ "$target" = "$folder" ] && continue
      [[ "$folders" == *" $target "* ]] || continue  # not a folder of the engine
      if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
        echo "FAIL: $file includes $included: $folder/ may include only its own folder and:" \
          "${allowed[$folder]:-nothing of the project}"
        failures=$((failures + 1))
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  done
done
[ "$failures" -eq 0 ] && echo "every include keeps to the layers"
[ "$failures" -eq 0 ]
