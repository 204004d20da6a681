#!/usr/bin/env bash
# The desktop entry and the software-centre metadata: valid by the freedesktop tools (when they
# are installed; otherwise skipped with exit 77), and naming each other and the icon by one id.
# Usage: desktop_files_test.sh DESKTOP_FOLDER
set -euo pipefail
folder=$1
app_id=org.vornalt.Vornalt
desktop=$folder/$app_id.desktop
metainfo=$folder/$app_id.metainfo.xml
icon=$folder/$app_id.svg

failures=0
fail() { echo "desktop_files_test: $*" >&2; failures=$((failures + 1)); }

for file in "$desktop" "$metainfo" "$icon"; do
  [[ -f "$file" ]] || fail "$file is missing"
done
((failures == 0)) || exit 1

key() { sed -n "s/^$1=//p" "$desktop"; }
[[ "$(key Exec)" == vornalt* ]] || fail "Exec does not start the desktop program: $(key Exec)"
[[ "$(key Icon)" == "$app_id" ]] || fail "Icon is '$(key Icon)', not the installed icon $app_id"
[[ "$(key Categories)" == *Development\;* && "$(key Categories)" == *Electronics\;* ]] ||
  fail "Categories lack Development or Electronics: $(key Categories)"
grep -q "<id>$app_id</id>" "$metainfo" || fail "metainfo id is not $app_id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "metainfo does not launch $app_id.desktop"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "metainfo licence"
grep -q '<svg' "$icon" || fail "the icon is not an SVG drawing"

skipped=()
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
else
  skipped+=("desktop-file-validate (package desktop-file-utils)")
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --no-color "$metainfo" || fail "appstreamcli rejects $metainfo"
else
  skipped+=("appstreamcli (package appstream)")
fi

((failures == 0)) || exit 1
if ((${#skipped[@]} > 0)); then
  echo "desktop_files_test: skipped: not installed: ${skipped[*]}; run scripts/install-deps"
  exit 77
fi
echo "desktop_files_test: ok"
