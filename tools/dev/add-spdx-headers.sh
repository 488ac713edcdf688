#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Gives every tracked file that can carry a comment the licence header (MIT, "2026 The libKel_GuiUtilities authors") with Debian's reuse tool, then runs reuse lint.
#
# Files that cannot carry a comment, or that a tool rewrites whole (images,
# the sample PDF, the translation template, patches, ABI baselines, the Debian
# packages' files), are covered by .reuse/dep5 instead and left untouched.
# Files that already have a header are skipped, so the script can run again.
# Usage: add-spdx-headers.sh   (needs Debian's reuse; tools/dev/install-deps.sh installs it)
set -euo pipefail
cd "$(dirname "$0")/../.."

command -v reuse >/dev/null || { echo "reuse is missing: run tools/dev/install-deps.sh" >&2; exit 1; }

c=() c_block=() hash=() html=() other=()
while IFS= read -r -d '' file; do
  case "$file" in
    LICENSE | LICENSES/* | .reuse/*) ;;                                  # the licence itself
    *.png | *.xpm | *.pdf | *.ts | *.patch | *.abi | cmake/debian/*) ;;  # .reuse/dep5
    *.cpp | *.h) c+=("$file") ;;
    *.map) c_block+=("$file") ;;                                         # linker version scripts: /* */ only
    *.sh | *.py | *.cmake | *.cmake.in | *.pc.in | */CMakeLists.txt | CMakeLists.txt | .gitignore | */.gitignore | Doxyfile*)
      hash+=("$file") ;;
    *.md | *.qrc) html+=("$file") ;;
    *)
      if head -c 2 "$file" | grep -q '^#!'; then hash+=("$file"); else other+=("$file"); fi ;;
  esac
done < <(git ls-files -z)

annotate() {
  local style=$1; shift
  [ $# -gt 0 ] || return 0
  reuse annotate --copyright "The libKel_GuiUtilities authors" --year 2026 --license MIT \
    --skip-existing "$@" >/dev/null
}
annotate c --style c "${c[@]}"
annotate c --style c --multi-line "${c_block[@]}"
annotate python --style python "${hash[@]}"
annotate html --style html "${html[@]}"
# Anything else: reuse's own guess by the file's name; what it cannot place, lint names below.
if [ ${#other[@]} -gt 0 ]; then
  echo "add-spdx-headers: files of no known kind, left to reuse's guess: ${other[*]}"
  annotate other --skip-unrecognised "${other[@]}"
fi

echo "add-spdx-headers: $(( ${#c[@]} + ${#c_block[@]} + ${#hash[@]} + ${#html[@]} + ${#other[@]} )) files looked at"
reuse lint
