#!/bin/bash
# Pexilo installed as a user installs it: `cmake --install` into a prefix of
# its own puts the program, its launcher, its icon in every size and its
# AppStream description in the GNU folders, and nothing else. The launcher
# and the description pass their validators. The installed program starts and
# shows its tray icon, and the autostart entry it writes ("Launch at Login")
# starts it from where it is. The install manifest removes every file.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/installed-files.sh"

prefix=$(mktemp -d)/prefix

# cmake --install writes its manifest into the build folder, over the one a
# real install left there for its removal: that one is put back.
manifest="$BUILD_DIR/install_manifest.txt"
[ -f "$manifest" ] && cp -p "$manifest" "$ARTIFACTS/manifest-before.txt"
cmake --install "$BUILD_DIR" --prefix "$prefix" >"$ARTIFACTS/install.log" 2>&1
status=$?
cp "$manifest" "$ARTIFACTS/install_manifest.txt"
if [ -f "$ARTIFACTS/manifest-before.txt" ]; then
    mv "$ARTIFACTS/manifest-before.txt" "$manifest"
else
    rm -f "$manifest"
fi
[ "$status" -eq 0 ] || fail "cmake --install failed: $(cat "$ARTIFACTS/install.log")"

actual=$(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort)
[ "$actual" = "$(expected_files)" ] \
    || fail "the install holds other files than expected: $(diff <(expected_files) <(echo "$actual"))"
[ -x "$prefix/bin/pexilo" ] || fail "the installed program cannot be run"
check_installed_tree "$prefix"

# The installed program starts and shows its icon in the tray.
fresh_home
onboarded_defaults
start_tray_host
PEXILO="$prefix/bin/pexilo"
start_pexilo "$ARTIFACTS/installed.log"
find_tray_icon
screenshot installed-tray.png
[ "$(unique_colours "$ARTIFACTS/installed-tray.png" "${ICON_W}x${ICON_H}+${ICON_X}+${ICON_Y}")" -ge 3 ] \
    || fail "the installed program's tray icon shows no picture"

# "Launch at Login" switched on in Settings, left open at the quit: the
# autostart entry starts the installed program, which is not where this
# build would install it by default, so it names the binary that wrote it.
open_panel panel.png
runs=$(colour_runs panel.png "rgb(0,122,255)" $((PANEL_X + 30)) "$PANEL_Y" "$PANEL_H")
[ "$(wc -l <<<"$runs")" -eq 4 ] || fail "the panel does not show four blue row symbols: $runs"
read -r top bottom <<<"$(sed -n 2p <<<"$runs")"
xdotool mousemove $((PANEL_X + 100)) $(((top + bottom) / 2)) click 1
wait_for_log "🔧 Settings window should now be visible" 5 || fail "Settings did not open the settings window"
settings_window=""
wait_until 5 eval 'settings_window=$(xdotool search --onlyvisible --name "Pexilo Settings" | head -1); [ -n "$settings_window" ]' \
    || fail "no settings window shows"
eval "$(window_geometry "$settings_window")"
# The General pane comes first; its first row's switch, off, is the first
# light grey track, no taller than 40 pixels, in the right-hand end of the
# window's upper third (the header's grey rule above it is skipped).
switch=""
find_switch() {
    local top=$Y found w h x y
    screenshot settings.png
    while found=$(find_colour settings.png "rgb(222,222,222)" $((X + WIDTH - 140)) "$top" 140 \
        $((Y + HEIGHT / 3 - top))); do
        read -r w h x y <<<"$found"
        if [ "$h" -le 40 ]; then
            switch=$found
            return 0
        fi
        top=$((y + 2))
    done
    return 1
}
wait_until 10 find_switch || fail "no launch-at-login switch in the settings window"
read -r sw sh sx sy <<<"$switch"
xdotool mousemove $((sx + sw / 2)) $((sy + sh / 2)) click 1
switch_on() {
    screenshot settings-on.png
    # On, the track takes the settings window's orange accent.
    find_colour settings-on.png "rgb(237,102,36)" "$sx" "$sy" "$sw" "$sh" >/dev/null
}
wait_until 10 switch_on \
    || fail "the launch-at-login switch did not turn on"
kill -TERM "$PEXILO_PID"
wait_for_exit 10 && [ "$PEXILO_STATUS" -eq 0 ] || fail "SIGTERM did not end the installed program"
entry="$XDG_CONFIG_HOME/autostart/pexilo.desktop"
[ -f "$entry" ] || fail "no autostart entry"
desktop-file-validate "$entry" || fail "the autostart entry is not a valid desktop entry"
grep -qxF "Exec=$prefix/bin/pexilo" "$entry" || fail "the autostart entry does not start $prefix/bin/pexilo: $(grep Exec "$entry")"

# The README's removal: every file the manifest lists.
xargs rm <"$ARTIFACTS/install_manifest.txt" || fail "the manifest's files could not be removed"
[ -z "$(find "$prefix" ! -type d)" ] || fail "files are left after the removal: $(find "$prefix" ! -type d)"

kill "$TRAYER_PID" 2>/dev/null
rm -rf "$(dirname "$prefix")"
echo "PASS"
