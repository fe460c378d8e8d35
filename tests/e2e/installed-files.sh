# What an install of Pexilo holds, shared by the install and package tests.
# Sourced after lib.sh; BUILD_DIR is the build folder.

icon_sizes="16 22 24 32 48 64 128 256 512"

# The files an install puts under its prefix, one a line, sorted.
expected_files() {
    {
        echo bin/pexilo
        echo share/applications/pexilo.desktop
        echo share/icons/hicolor/scalable/apps/pexilo.svg
        echo share/metainfo/com.example.pexilo.metainfo.xml
        local size
        for size in $icon_sizes; do
            echo "share/icons/hicolor/${size}x${size}/apps/pexilo.png"
        done
    } | sort
}

# cache_value <name>: a value the build was configured with.
cache_value() {
    sed -n "s/^$1:[A-Z]*=//p" "$BUILD_DIR/CMakeCache.txt"
}

# check_installed_tree <prefix>: the launcher, the icon and the description
# under the prefix are whole and valid.
check_installed_tree() {
    local prefix=$1 size
    local launcher="$prefix/share/applications/pexilo.desktop"
    local metainfo="$prefix/share/metainfo/com.example.pexilo.metainfo.xml"
    desktop-file-validate "$launcher" >"$ARTIFACTS/desktop-file-validate.log" 2>&1 \
        || fail "the launcher is not a valid desktop entry: $(cat "$ARTIFACTS/desktop-file-validate.log")"
    for line in Name=Pexilo Exec=pexilo Icon=pexilo "Comment=Ask about a part of your screen" Categories=Utility\;; do
        grep -qxF -- "$line" "$launcher" || fail "the launcher has no line $line"
    done
    # --no-net: the description's web address is not fetched.
    appstreamcli validate --no-net "$metainfo" >"$ARTIFACTS/appstream-validate.log" 2>&1 \
        || fail "the AppStream description is not valid: $(cat "$ARTIFACTS/appstream-validate.log")"
    # The whole tree: the description's launcher is there, beside it.
    appstreamcli validate-tree --no-net "$prefix" >"$ARTIFACTS/appstream-validate-tree.log" 2>&1 \
        || fail "the installed tree does not hold together: $(cat "$ARTIFACTS/appstream-validate-tree.log")"
    local version
    version=$(cache_value CMAKE_PROJECT_VERSION)
    grep -qF "<release version=\"$version\"" "$metainfo" \
        || fail "the AppStream description names no release $version, the version being built"
    for size in $icon_sizes; do
        local picture="$prefix/share/icons/hicolor/${size}x${size}/apps/pexilo.png"
        [ "$(identify -format '%w %h %m' "$picture")" = "$size $size PNG" ] \
            || fail "the ${size}x${size} icon is $(identify -format '%w %h %m' "$picture")"
        # Drawn, not blank: its tile is opaque in the middle.
        [ "$(convert "$picture" -format '%[fx:int(255*p{w/2,h/4}.a)]' info:)" -eq 255 ] \
            || fail "the ${size}x${size} icon is not drawn"
    done
}
