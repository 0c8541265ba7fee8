#!/usr/bin/env bash
# Runs the updater's main operations against a bench of virtual cameras and
# shows what an operator would see. Usage: scripts/demo.sh BUILD_DIR
set -uo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build/plain}" && pwd)
bench="$top/build/demo-bench"
# The programs by their own names, as an operator would type them.
export PATH="$build/firmware/update/fw_update_lib:$build/tools/qzcamsim:$PATH"

rm -rf "$bench"
mkdir -p "$bench"
export QZCAM_BENCH="$bench"

# Prints the command, runs it from the bench, and shows its exit code.
run() {
  printf '\n$ %s\n' "$*"
  (cd "$bench" && "$@")
  printf '[exit code %d]\n' "$?"
}

echo "=== qzcamupdater demo (bench: $bench) ==="

echo
echo "--- The option list"
run qzcamupdater help

echo
echo "--- No camera attached"
run qzcamupdater info CPU1
run qzcamupdater reset

echo
echo "--- A virtual USB3 camera joins the bench"
run qzcamsim add-usb3 --kind 1 --sn QZCAM2401ABC --controller-version 04.22
run qzcamsim list
exit 0
