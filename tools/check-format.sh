#!/bin/sh
# Fails when a C or C++ source differs from what .clang-format makes of it.
# `tools/check-format.sh --fix` formats them instead.
set -eu
cd "$(dirname "$0")/.."
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "check-format: not a git checkout, nothing checked" >&2
    exit 0
fi
FILES=$(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
    echo "$FILES" | xargs clang-format -i
else
    echo "$FILES" | xargs clang-format --dry-run -Werror
fi
