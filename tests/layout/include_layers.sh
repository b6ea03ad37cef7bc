#!/usr/bin/env bash
# Checks that the folders are layers: a file includes headers of its own folder and of the folders
# its row of the table below allows, and no other folder of the project. The rows read from the
# top layer down; each allows exactly the layers below it, so no include runs up and no two
# folders include each other. The sound module is a library of its own and includes nothing of
# the project.
#   include_layers.sh [SOURCE_DIR]    exit 0 when every include keeps to the table, else 1
set -uo pipefail
root=${1:-$(dirname "$0")/../..}
cd "$root" || exit 2

declare -A allowed=(
  [host]="scenes overlay music effects data archive timing display platform base"
  [scenes]="overlay music effects data archive timing display platform base"
  [overlay]="music effects data archive timing display platform base"
  [music]="effects data archive timing display platform base"
  [effects]="data archive timing display platform base"
  [data]="archive timing display platform base"
  [archive]="timing display platform base"
  [timing]="display platform base"
  [display]="platform base"
  [platform]="base"
  [base]=""
  [sound]=""
)
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
