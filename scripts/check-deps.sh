#!/usr/bin/env bash
# Checks that every CMake package a configured build found comes from a package in our
# list or from one of their dependencies, so a fresh machine that installs only the list
# configures too. A package found only because it happened to be installed fails here.
#
#   scripts/check-deps.sh BUILD_DIR [PACKAGE_LIST]      (default list: scripts/packages.txt)
set -euo pipefail
build=${1:?usage: check-deps.sh BUILD_DIR [PACKAGE_LIST]}
list=${2:-$(dirname "$0")/packages.txt}
cache="$build/CMakeCache.txt"
[ -f "$cache" ] || { echo "check-deps: no $cache: configure first" >&2; exit 2; }
[ -f "$list" ] || { echo "check-deps: no package list $list" >&2; exit 2; }

mapfile -t listed < <(grep -vE '^\s*(#|$)' "$list")
# Every installed package the listed ones need, recursively (virtual names included).
closure=$(apt-cache depends --recurse --installed --no-recommends --no-suggests \
              --no-conflicts --no-breaks --no-replaces --no-enhances "${listed[@]}" 2>/dev/null |
          grep -v '^ ' | tr -d '<>' | sed 's/:.*//' | sort -u)

# The config file inside each package directory CMake found: a directory may be shared by
# several packages, the config file belongs to one.
config_files() {
    sed -n 's/^\([A-Za-z0-9_]*\)_DIR:PATH=\(\/.*\)$/\1 \2/p' "$cache" | sort -u |
    while read -r name dir; do
        [ -d "$dir" ] || continue
        lower=$(tr '[:upper:]' '[:lower:]' <<<"$name")
        for file in "$dir/${name}Config.cmake" "$dir/${lower}-config.cmake"; do
            [ -f "$file" ] && { echo "$file"; continue 2; }
        done
    done
}

failed=0
while read -r file; do
    [ -n "$file" ] || continue
    owners=$(dpkg -S "$file" 2>/dev/null | sed 's/: .*//' | tr ',' '\n' | sed 's/^ *//; s/:.*//')
    if [ -z "$owners" ]; then
        echo "check-deps: $file belongs to no Debian package; it cannot be installed by scripts/deps.sh"
        failed=1
        continue
    fi
    for owner in $owners; do
        if ! grep -qx "$owner" <<<"$closure"; then
            echo "check-deps: CMake found $file from the package '$owner'," \
                 "which is neither in $list nor needed by a package in it: add '$owner' to the list"
            failed=1
        fi
    done
done < <(config_files)

[ $failed -eq 0 ] && echo "check-deps: every package CMake found comes from $list"
exit $failed
