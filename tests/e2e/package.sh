#!/bin/bash
# The Debian package: `cpack -G DEB` builds pexilo_<version>_<arch>.deb from
# this build. Its control fields name the package, and its dependencies, from
# the shared libraries it links and the colour emoji font, are each met on
# this Debian system. It holds the install's files and no others, owned by
# root. dpkg installs it into a root folder of its own, where its files land
# under the prefix, the packaged program starts and shows its tray icon, and
# dpkg removes it again without a trace.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/installed-files.sh"

# dpkg looks for ldconfig and start-stop-daemon on the PATH.
export PATH="$PATH:/usr/sbin:/sbin"
scratch=$(mktemp -d)
prefix=$(cache_value CMAKE_INSTALL_PREFIX)
version=$(cache_value CMAKE_PROJECT_VERSION)

cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$scratch/out" >"$ARTIFACTS/cpack.log" 2>&1 \
    || fail "cpack failed: $(cat "$ARTIFACTS/cpack.log")"
deb="$scratch/out/pexilo_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$scratch/out")"
dpkg-deb -I "$deb" >"$ARTIFACTS/control.txt" || fail "dpkg-deb cannot read the package"
dpkg-deb -c "$deb" >"$ARTIFACTS/contents.txt" || fail "dpkg-deb cannot list the package"

[ "$(dpkg-deb -f "$deb" Package)" = pexilo ] || fail "the package is called $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is $(dpkg-deb -f "$deb" Version)"

# Dependencies: the libraries that the program links and the emoji font, and
# every one met by a package installed here (as on any Debian 12 that runs it).
depends=$(dpkg-deb -f "$deb" Depends)
for needed in fonts-noto-color-emoji libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6svg6 \
    libsqlite3-0 libxcb1 libxcb-keysyms1 libxcb-xkb1 libdeflate0 zlib1g libc6 libstdc\\+\\+6; do
    grep -qE "(^|, |\| )$needed( |,|$)" <<<"$depends" || fail "the package does not depend on $needed: $depends"
done
met() { # <name> [<relation> <version>]
    local installed
    installed=$(dpkg-query -W -f '${Status} ${Version}' "$1" 2>/dev/null) || return 1
    [[ $installed == "install ok installed "* ]] || return 1
    [ -z "${2:-}" ] || dpkg --compare-versions "${installed##* }" "$2" "$3"
}
while read -r dependency; do
    satisfied=no
    while read -r alternative; do
        read -r name relation required <<<"$(sed -E 's/^ *([^ (]+) *(\(([<>=]+) *([^)]+)\))? *$/\1 \3 \4/' <<<"$alternative")"
        name=${name%%:*}
        if met "$name" $relation $required; then satisfied=yes; break; fi
    done < <(tr '|' '\n' <<<"$dependency")
    [ "$satisfied" = yes ] || fail "the dependency '$dependency' is not met on this system"
done < <(tr ',' '\n' <<<"$depends")

# Its files: the install's and no others; root's; the program stripped.
files=$(awk '$1 !~ /^d/ { print $6 }' "$ARTIFACTS/contents.txt" | sed "s|^\./${prefix#/}/||" | sort)
[ "$files" = "$(expected_files)" ] || fail "the package holds other files than expected: $(diff <(expected_files) <(echo "$files"))"
[ -z "$(awk '$2 != "root/root"' "$ARTIFACTS/contents.txt")" ] || fail "files in the package not owned by root"
grep -qE "^-rwxr-xr-x .* \./${prefix#/}/bin/pexilo$" "$ARTIFACTS/contents.txt" || fail "the program is not mode 755"
[ -z "$(awk '$1 ~ /^-/ && $6 !~ /bin\/pexilo$/ && $1 != "-rw-r--r--"' "$ARTIFACTS/contents.txt")" ] \
    || fail "data files that are not mode 644"

# Installed by dpkg into a root folder of its own. Nothing else is installed
# there, so its dependencies are taken as met (they are, above).
root="$scratch/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg --root="$root" --log="$scratch/dpkg.log" --force-depends --force-not-root -i "$deb" >"$ARTIFACTS/dpkg-install.log" 2>&1 \
    || fail "dpkg could not install the package: $(cat "$ARTIFACTS/dpkg-install.log")"
[ "$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f '${Status}' pexilo)" = "install ok installed" ] \
    || fail "dpkg does not have the package installed: $(dpkg-query --admindir="$root/var/lib/dpkg" -W -f '${Status}' pexilo)"
installed=$(cd "$root/${prefix#/}" && find . ! -type d | sed 's|^\./||' | sort)
[ "$installed" = "$(expected_files)" ] || fail "dpkg installed other files: $(diff <(expected_files) <(echo "$installed"))"
check_installed_tree "$root/${prefix#/}"
readelf -S "$root/${prefix#/}/bin/pexilo" | grep -q '\.debug_info' && fail "the packaged program is not stripped"

# The packaged program starts.
fresh_home
onboarded_defaults
start_tray_host
PEXILO="$root/${prefix#/}/bin/pexilo"
start_pexilo "$ARTIFACTS/packaged.log"
find_tray_icon
screenshot packaged-tray.png
kill -TERM "$PEXILO_PID"
wait_for_exit 10 && [ "$PEXILO_STATUS" -eq 0 ] || fail "SIGTERM did not end the packaged program"

dpkg --root="$root" --log="$scratch/dpkg.log" --force-not-root -r pexilo >"$ARTIFACTS/dpkg-remove.log" 2>&1 \
    || fail "dpkg could not remove the package: $(cat "$ARTIFACTS/dpkg-remove.log")"
[ -z "$(find "$root/${prefix#/}" ! -type d 2>/dev/null)" ] || fail "files are left after the removal: $(find "$root/${prefix#/}" ! -type d)"

kill "$TRAYER_PID" 2>/dev/null
rm -rf "$scratch"
echo "PASS"
