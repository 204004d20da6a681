#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands where.
# Usage: install_test.sh layout|catalogue BUILD_DIR SOURCE_DIR WITH_GUI
#   layout     every installed file is where the desktop, the software centre and the program
#              look for it, and the shipped data is installed unchanged
#   catalogue  the installed vornalt-cli, with no catalogue beside it, finds the installed one
#              through the data folder relative to its own, also after the installation moved.
set -euo pipefail
mode=$1 build=$2 source=$3 with_gui=$4
app_id=org.vornalt.Vornalt

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  echo "install_test: cmake --install failed" >&2
  exit 1
fi

failures=0
fail() { echo "install_test: $*" >&2; failures=$((failures + 1)); }

check_layout() {
  local programs=(vornalt-cli)
  [[ "$with_gui" == 1 ]] && programs+=(vornalt)
  for program in "${programs[@]}"; do
    [[ -x "$prefix/bin/$program" ]] || fail "bin/$program is missing or not executable"
  done
  [[ "$with_gui" == 1 || ! -e "$prefix/bin/vornalt" ]] || fail "bin/vornalt installed without the desktop program being built"
  [[ ! -e "$prefix/bin/devices.cfg" ]] || fail "a catalogue was installed beside the programs"

  # Installed file | its source in the repository
  local shipped=(
    "share/vornalt/devices.cfg|data/devices.cfg"
    "share/vornalt/ftdi-wiring.svg|docs/ftdi-wiring.svg"
    "share/vornalt/configbits.cfg|data/configbits.cfg"
    "share/applications/$app_id.desktop|data/desktop/$app_id.desktop"
    "share/icons/hicolor/scalable/apps/$app_id.svg|data/desktop/$app_id.svg"
    "share/metainfo/$app_id.metainfo.xml|data/desktop/$app_id.metainfo.xml"
    "share/doc/vornalt/copyright|LICENSE"
  )
  local example
  for example in "$source"/data/examples/*.asm "$source"/data/examples/*.hex; do
    shipped+=("share/vornalt/examples/$(basename "$example")|data/examples/$(basename "$example")")
  done
  local entry installed original
  for entry in "${shipped[@]}"; do
    installed=${entry%%|*}
    original=${entry#*|}
    if [[ ! -f "$prefix/$installed" ]]; then
      fail "$installed is missing"
    elif ! cmp -s "$prefix/$installed" "$source/$original"; then
      fail "$installed differs from $original"
    fi
  done

  # Nothing unexpected: every installed file is one of the above or a program.
  local file relative
  while IFS= read -r file; do
    relative=${file#"$prefix"/}
    case "$relative" in
      bin/vornalt-cli | bin/vornalt) continue ;;
    esac
    local known=0
    for entry in "${shipped[@]}"; do
      [[ "${entry%%|*}" == "$relative" ]] && known=1
    done
    ((known)) || fail "unexpected installed file $relative"
  done < <(find "$prefix" -type f | sort)
}

# Lists the models with the installed vornalt-cli of prefix $1 into $work/out, in a bare
# environment and away from the build, so only the installation can supply a catalogue.
run_models() {
  local home=$work/home status=0
  mkdir -p "$home"
  (cd / && env -i HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" PATH=/usr/bin:/bin LANG=C \
    "$1/bin/vornalt-cli" models) >"$work/out" 2>"$work/err" || status=$?
  ((status == 0)) || fail "$2: installed vornalt-cli models exited with $status: $(cat "$work/err")"
  [[ ! -s "$work/err" ]] || fail "$2: installed vornalt-cli models wrote to standard error: $(cat "$work/err")"
}

check_listing() {
  local what=$1 expected_count=$2 first listed
  first=$(head -n 1 "$work/out")
  [[ "$first" =~ ^\ *1\ +16F84A\ +1024\ +64$ ]] || fail "$what: the first model listed is not the shipped catalogue's 16F84A: '$first'"
  listed=$(wc -l <"$work/out")
  [[ "$listed" -eq "$expected_count" ]] || fail "$what: listed $listed models, expected $expected_count"
}

check_catalogue() {
  local shipped_models
  shipped_models=$(grep -c '^model:' "$source/data/devices.cfg")
  run_models "$prefix" "installed"
  check_listing "installed" "$shipped_models"

  # Moved as a whole, the installation still reads its own copy.
  local moved="$work/moved prefix/inner"
  mkdir -p "$(dirname "$moved")"
  mv "$prefix" "$moved"
  run_models "$moved" "moved"
  check_listing "moved" "$shipped_models"

  # With the installed copy cut to its first record, that one record is listed: the copy in the
  # installation is read, not one left at the configured prefix.
  local catalogue="$moved/share/vornalt/devices.cfg"
  awk '/^model:/ { n++ } n <= 1' "$catalogue" >"$work/first.cfg"
  cp "$work/first.cfg" "$catalogue"
  run_models "$moved" "cut"
  check_listing "cut" 1
  mv "$moved" "$prefix"
}

case "$mode" in
  layout) check_layout ;;
  catalogue) check_catalogue ;;
  *) echo "install_test: unknown mode $mode" >&2; exit 2 ;;
esac

if ((failures > 0)); then
  echo "install_test: $failures problem(s); installed files:" >&2
  (cd "$prefix" && find . -type f | sort) >&2
  exit 1
fi
echo "install_test: $mode ok"
