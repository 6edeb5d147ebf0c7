# Sourced by the shell tests: strict mode, a scratch folder of the test's own ($work, the
# current directory) that goes when the test ends however it ends, and fail.
set -euo pipefail
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
