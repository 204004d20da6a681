#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands where.
# Usage: install_test.sh layout|catalogue BUILD_DIR SOURCE_DIR CONFIGURED_PREFIX WITH_GUI
#   layout     every installed file is where the desktop, the software centre and the program
#              look for it, and the shipped data is installed unchanged
#   catalogue  the installed vornalt-cli, with no catalogue beside it, finds the installed one.
#              The program looks in the data folder of the prefix it was configured for, so the
#              temporary prefix is shown at that place in a private mount namespace; without
#              namespaces the check is skipped (exit 77).
set -euo pipefail
mode=$1 build=$2 source=$3 configured=$4 with_gui=$5
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
    "share/applications/$app_id.desktop|data/desktop/$app_id.desktop"
    "share/icons/hicolor/scalable/apps/$app_id.svg|data/desktop/$app_id.svg"
    "share/metainfo/$app_id.metainfo.xml|data/desktop/$app_id.metainfo.xml"
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

check_catalogue() {
  local home=$work/home
  mkdir -p "$home"
  if [[ ! -d "$configured" ]]; then
    echo "install_test: skipped: the configured prefix $configured does not exist here"
    exit 77
  fi
  # Inside the namespace the temporary prefix stands at the configured one; nothing outside
  # this process sees it.
  local inner='mount --bind "$1" "$2" || exit 99; cd /; exec env -i HOME="$3" XDG_CONFIG_HOME="$3/config" XDG_DATA_HOME="$3/data" PATH=/usr/bin:/bin LANG=C "$2/bin/vornalt-cli" models'
  local namespace=(unshare --mount)
  [[ $(id -u) -eq 0 ]] || namespace=(unshare --user --map-root-user --mount)
  if ! "${namespace[@]}" true 2>/dev/null; then
    echo "install_test: skipped: private mount namespaces are not available (${namespace[*]})"
    exit 77
  fi
  local status=0
  "${namespace[@]}" bash -c "$inner" inner "$prefix" "$configured" "$home" >"$work/out" 2>"$work/err" || status=$?
  if ((status == 99)); then
    cat "$work/err"
    echo "install_test: skipped: cannot bind the temporary prefix at $configured"
    exit 77
  fi
  ((status == 0)) || fail "installed vornalt-cli models exited with $status: $(cat "$work/err")"
  [[ ! -s "$work/err" ]] || fail "installed vornalt-cli models wrote to standard error: $(cat "$work/err")"
  local first
  first=$(head -n 1 "$work/out")
  [[ "$first" =~ ^\ *1\ +16F84A\ +1024\ +64$ ]] || fail "the first model listed is not the shipped catalogue's 16F84A: '$first'"
  local listed shipped_models
  listed=$(wc -l <"$work/out")
  shipped_models=$(grep -c '^model:' "$source/data/devices.cfg")
  [[ "$listed" -eq "$shipped_models" ]] || fail "listed $listed models, the shipped catalogue has $shipped_models"
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
