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
echo "--- An API camera on the bench"
run qzcamsim add-api --model TV450KT-LN-W
run qzcamsim list
echo
echo "--- A firmware file enciphered by the bench tool passes the checksum pre-check"
head -c 4096 /dev/urandom >"$bench/cpu1_plain.bin"
run qzcamsim encrypt cpu1_plain.bin TV450_cpu1.bin
run qzcamupdater verify CPU1 TV450_cpu1.bin --qzapi
echo
echo "--- Programming through the camera API (the API updater comes later); each run"
echo "--- leaves its start in the camera's operation log"
printf 'device version 1.0' >"$bench/devver.bin"
run qzcamupdater prog DEVVER devver.bin --plain_file --qzapi
run qzcamupdater prog DEVVER devver.bin --plain_file --qzapi
run qzcamupdater info CPU1 --qzapi
echo
echo "--- The log archive the runs left in the camera"
run qzcamsim ffs-get 0 FwOperationLog.zip FwOperationLog.zip
run unzip -l FwOperationLog.zip
# The entry ends in a zero byte after the last line; shown as a line end here.
run sh -c 'unzip -p FwOperationLog.zip | tr "\000" "\n"'

echo
echo "--- Built-in self-checks (tables, calibration mode defaults)"
run qzcamupdater internal_tests

echo
echo "--- The TV450 mode-defaults images come back byte for byte from their generator"
run "$build/data_updaters/tv450_defaults_generator" "$bench"
for v in 1 2 3; do
  run cmp "$bench/TV450KT_LN_V2_$v.bin" "$top/data_updaters/defaults/TV450KT_LN_V2_$v.bin"
done

echo
echo "--- A virtual USB3 camera joins the bench"
run qzcamsim add-usb3 --kind 1 --sn QZCAM2401ABC --controller-version 04.22
run qzcamsim list
run qzcamupdater info CPU1 --allcameras
exit 0
