#!/usr/bin/env bash
# Makes the .deb from the build tree with CPack into its own package folder and checks its
# control fields, its files and its dependencies: exactly the C/C++ runtime, Qt and X
# libraries the program links, nothing of -dev.
# Usage: tst_debpackage.sh <build dir> <version> <package folder>
set -euo pipefail
. "$(dirname "$0")/common.sh"
build=$1 version=$2 package_dir=$3

rm -rf "$package_dir"
mkdir -p "$package_dir"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$package_dir" >"$package_dir/cpack.log" 2>&1 ||
    fail "cpack failed:"$'\n'"$(cat "$package_dir/cpack.log")"
deb=$package_dir/quorvane_${version}_amd64.deb
[[ -f $deb ]] || fail "cpack made no $deb"

# name | expected value
while IFS='|' read -r field expected; do
    value=$(dpkg-deb -f "$deb" "$field")
    [[ $value == "$expected" ]] || fail "$field is '$value', not '$expected'"
done <<FIELDS
Package|quorvane
Version|$version
Architecture|amd64
Section|utils
Maintainer|Quorvane team <sales@quorvane.example>
FIELDS
description=$(dpkg-deb -f "$deb" Description)
[[ $description == "Desktop auto-clicker driven by a typed click script"$'\n'" Quorvane "* ]] ||
    fail "Description lacks the summary line or the long description: '$description'"

check_file_list usr "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub("^\\./", "", $6); print $6 }' |
    LC_ALL=C sort)" "packaged files"

depends=$(dpkg-deb -f "$deb" Depends)
names=$(tr ',' '\n' <<<"$depends" | sed 's/(.*//; s/[[:space:]]//g' | LC_ALL=C sort)
expected_names="libc6 libgcc-s1 libqt6core6 libqt6gui6 libqt6network6 libqt6widgets6 libstdc++6
libx11-6 libxtst6"
[[ $names == "$(tr ' ' '\n' <<<"$expected_names" | LC_ALL=C sort)" ]] ||
    fail "Depends is '$depends', expected exactly: $expected_names"

echo "PASS: $(basename "$deb"), $(stat -c %s "$deb") bytes, Installed-Size" \
    "$(dpkg-deb -f "$deb" Installed-Size) KiB, Depends: $depends"
