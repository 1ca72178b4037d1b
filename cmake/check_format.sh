#!/bin/sh
# Lists the tracked C++ files that differ from .clang-format and fails when
# there is one. Run from anywhere inside the repository:
#   cmake/check_format.sh [clang-format binary]   (default: clang-format-14)
set -eu
format=${1:-clang-format-14}
top=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
cd "$top"
"$format" --version >/dev/null
# --dry-run names every offending line as "file:line:col: error: ..."; keep
# one line per file.
bad=$(git ls-files -z '*.cpp' '*.h' |
    xargs -0 -n 40 "$format" --dry-run --Werror 2>&1 |
    sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*clang-format-violations.*/\1/p' | sort -u)
if [ -n "$bad" ]; then
    echo "$bad"
    echo "$(echo "$bad" | wc -l) file(s) differ from .clang-format; run: $format -i <file>" >&2
    exit 1
fi
