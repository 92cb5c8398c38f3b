#!/usr/bin/env bash
# Formats every C++ file of the tree with the project's .clang-format.
#   tools/format.sh            rewrites the files that differ
#   tools/format.sh --check    changes nothing; lists the files that differ and fails if any do
# One clang-format version for everyone: another version formats some lines differently.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$ROOT"

check=false
case "${1:-}" in
--check) check=true ;;
"") ;;
*)
    echo "usage: tools/format.sh [--check]" >&2
    exit 2
    ;;
esac

formatter="clang-format-14"
if ! command -v "$formatter" >/dev/null 2>&1; then
    "$ROOT/tools/deps.sh" clang-format-14
fi

# The files git knows, or in a copy without git every source file outside the build trees.
if git -C "$ROOT" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git -C "$ROOT" ls-files --cached --others --exclude-standard \
        -- '*.cpp' '*.h')
else
    mapfile -t files < <(find . \( -path './build' -o -path './build-*' \) -prune -o \
        -type f \( -name '*.cpp' -o -name '*.h' \) -print | sed 's|^\./||' | sort)
fi

existing=()
for file in "${files[@]}"; do
    [ -f "$file" ] && existing+=("$file")
done
files=("${existing[@]}")

if ! $check; then
    "$formatter" -i --style=file -- "${files[@]}"
    exit 0
fi

# One run over all files: each difference is reported as "file:line:column: warning: ...".
report="$("$formatter" --style=file --dry-run -- "${files[@]}" 2>&1)" || {
    echo "$report" >&2
    exit 1
}
mapfile -t unformatted < <(sed -nE 's/^(.+):[0-9]+:[0-9]+: (warning|error):.*/\1/p' <<<"$report" |
    sort -u)
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "Not formatted as .clang-format asks (tools/format.sh fixes them):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "Format: ${#files[@]} files as .clang-format asks"
