#!/usr/bin/env bash
# vornalt-cli.exe under Wine, as a Windows user runs it:
#   - unpacked in a folder named Müller, with the stand-in port library beside it, it programs,
#     verifies and reads a simulated chip on port 1 through the real LoadLibrary path; the HEX
#     files, the chip files (the stand-in's and the simulator's) and a second catalogue have
#     non-ASCII names too;
#   - without the library beside it, port 1 is "not available" and the reason names the library;
#   - a library in the current folder only is never loaded.
# Usage: cli_under_wine.sh WINE CLI_EXE PORT_LIBRARY DATA_DIR
set -euo pipefail
wine=$1 cli=$2 library=$3 data=$4
# Arguments and the environment reach the Windows side through the host's locale.
export LC_ALL=C.UTF-8 WINEDEBUG=-all

work=$(mktemp -d)
# The programs keep their settings under HKCU\Software\Vornalt: each run of this test starts
# and ends without any.
reg() { "$wine" reg "$@" >/dev/null 2>&1 || true; }
reg delete "HKCU\\Software\\Vornalt" /f
trap 'reg delete "HKCU\\Software\\Vornalt" /f; rm -rf "$work"' EXIT
fail() { echo "cli_under_wine: $*" >&2; exit 1; }
winpath() { winepath -w "$1" 2>/dev/null; }

home="$work/Müller"
mkdir -p "$home" "$work/plain" "$work/current"
cp "$cli" "$data/devices.cfg" "$library" "$home/"
cp "$data/devices.cfg" "$home/gerät.cfg"
cp "$data/examples/blink_16f84a.hex" "$home/blink_äöü.hex"
cp "$cli" "$data/devices.cfg" "$work/plain/"
cp "$library" "$work/current/"

export VORNALT_TEST_SIM_MODEL=16F84A
export VORNALT_TEST_SIM_CHIP
VORNALT_TEST_SIM_CHIP=$(winpath "$home/chip_ß.hex")
hexfile=$(winpath "$home/blink_äöü.hex")

run() {  # run NAME EXE ARGS...: output in $work/NAME.out and .err, exit status in $status
  local name=$1; shift
  set +e
  "$wine" "$@" >"$work/$name.out" 2>"$work/$name.err"
  status=$?
  set -e
}
expect_ok() {
  [[ $status -eq 0 ]] || { cat "$work/$1.out" "$work/$1.err" >&2; fail "$1 ended with status $status"; }
}

common=(--port 1 --model 16F84A --default-hardware)
run program "$home/vornalt-cli.exe" "${common[@]}" program "$hexfile"; expect_ok program
[[ -s "$home/chip_ß.hex" ]] || fail "the simulated chip was not saved to its file"
run verify "$home/vornalt-cli.exe" "${common[@]}" verify "$hexfile"; expect_ok verify
run read "$home/vornalt-cli.exe" "${common[@]}" read -o "$(winpath "$home/gelesen_ö.hex")"; expect_ok read
run convert "$home/vornalt-cli.exe" --model 16F84A convert "$hexfile" -o "$(winpath "$home/umgesetzt_é.hex")"
expect_ok convert
cmp -s "$home/gelesen_ö.hex" "$home/umgesetzt_é.hex" || fail "what was read back differs from the file programmed"

# The simulator's own chip file, named and placed outside ASCII too.
simchip=(--port sim --sim-speed instant --sim-chip "$(winpath "$home/simulierter_ß.hex")" --model 16F84A)
run sim_program "$home/vornalt-cli.exe" "${simchip[@]}" program "$hexfile"; expect_ok sim_program
[[ -s "$home/simulierter_ß.hex" ]] || fail "the simulator's chip file was not written"
run sim_verify "$home/vornalt-cli.exe" "${simchip[@]}" verify "$hexfile"; expect_ok sim_verify

# A chip that differs from the file fails verify.
run erase "$home/vornalt-cli.exe" "${common[@]}" erase; expect_ok erase
run verify_erased "$home/vornalt-cli.exe" "${common[@]}" verify "$hexfile"
[[ $status -ne 0 ]] || fail "verify of an erased chip succeeded"

# The catalogue given by a non-ASCII name.
run models "$home/vornalt-cli.exe" models --catalogue "$(winpath "$home/gerät.cfg")"; expect_ok models
grep -q "16F84A" "$work/models.out" || fail "models did not list the catalogue"

# No library beside the program: port 1 is not available, and the message says why.
run missing "$work/plain/vornalt-cli.exe" "${common[@]}" blankcheck
[[ $status -ne 0 ]] || fail "a run without the port library succeeded"
grep -q "not available" "$work/missing.err" || { cat "$work/missing.err" >&2; fail "no 'not available' message"; }
grep -q "inpoutx64.dll" "$work/missing.err" || { cat "$work/missing.err" >&2; fail "the reason does not name the library"; }

# The library in the current folder only: still not loaded.
(cd "$work/current" && run current "$work/plain/vornalt-cli.exe" "${common[@]}" blankcheck && \
  [[ $status -ne 0 ]] && grep -q "not available" "$work/current.err") ||
  { cat "$work/current.err" >&2; fail "the port library was loaded from the current folder"; }
# The saved settings in the registry, where the desktop program keeps them: with no --port the
# saved port address is used.
reg add "HKCU\\Software\\Vornalt" /v "Parallel Port Address" /t REG_SZ /d 888 /f
run saved "$home/vornalt-cli.exe" --model 16F84A --default-hardware program "$hexfile"; expect_ok saved
reg add "HKCU\\Software\\Vornalt" /v "Parallel Port Address" /t REG_SZ /d 70000 /f
run saved_bad "$home/vornalt-cli.exe" --model 16F84A --default-hardware verify "$hexfile"
[[ $status -ne 0 ]] && grep -q "70000" "$work/saved_bad.err" ||
  { cat "$work/saved_bad.out" "$work/saved_bad.err" >&2; fail "the saved port address was not used"; }

echo "cli_under_wine: all checks passed"
