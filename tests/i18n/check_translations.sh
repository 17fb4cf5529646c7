#!/usr/bin/env bash
# Every interface text of the code must have its English: the translation
# files are merged, the code is scanned into them, and any text the scan finds
# without a finished translation (a new text, or one under another context
# than the one it is looked up with) is listed and fails the check.
set -euo pipefail
root=${1:?usage: check_translations.sh SOURCE_DIR}
tools=/usr/lib/qt6/bin
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
shopt -s nullglob
"$tools/lconvert" -i "$root/i18n/tessarin_en.ts" "$root"/i18n/parts/*.ts -o "$tmp/all.ts"
"$tools/lupdate" -silent -recursive -locations none "$root/src" -ts "$tmp/all.ts" 2>/dev/null
if grep -q 'type="unfinished"' "$tmp/all.ts"; then
  echo "Texts without English (context, then source):"
  awk '/<name>/ { ctx = $0 } /<source>/ { src = $0 } /type="unfinished"/ { print ctx; print src }' "$tmp/all.ts" \
    | sed -e 's/^ *//' | paste - -
  exit 1
fi
echo "every interface text has its English"
