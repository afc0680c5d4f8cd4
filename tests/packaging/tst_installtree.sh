#!/usr/bin/env bash
# Installs the build tree as a packager does (DESTDIR, prefix /usr) and checks what a user
# gets: exactly the expected files, theme icons of the sizes their folders name, a desktop
# entry and AppStream metadata that pass their validators, and a desktop entry that starts
# the program where its saved scripts belong. Usage: tst_installtree.sh <build dir>
set -euo pipefail
. "$(dirname "$0")/common.sh"
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

stage=$scratch/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >"$scratch/install.log" 2>&1 ||
    fail "cmake --install failed:"$'\n'"$(cat "$scratch/install.log")"
check_file_list usr "$(cd "$stage" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)" \
    "installed files"
[[ -x $stage/usr/bin/quorvane ]] || fail "usr/bin/quorvane is not executable"

for png in "$stage"/usr/share/icons/hicolor/*/apps/$app_id.png; do
    folder_size=$(basename "$(dirname "$(dirname "$png")")")
    read -r width height < <(od -An -tu4 --endian=big -j16 -N8 "$png")
    [[ "${width}x$height" == "$folder_size" ]] ||
        fail "the icon in $folder_size is ${width}x$height"
done

desktop_file=$stage/usr/share/applications/$app_id.desktop
problems=$(desktop-file-validate "$desktop_file" 2>&1) && [[ -z $problems ]] ||
    fail "desktop-file-validate:"$'\n'"$problems"
problems=$(appstreamcli validate --no-net "$stage/usr/share/metainfo/$app_id.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate:"$'\n'"$problems"

# A stand-in for the program that records the folder it was started in, so that launching
# the desktop entry through GLib's launcher (the desktop entry rules as desktops apply them)
# shows where saved scripts would go.
mkdir "$scratch/bin" "$scratch/bin-without-xdg-user-dir"
cat >"$scratch/bin/quorvane" <<'STUB'
#!/bin/sh
pwd >"$QUORVANE_STUB_RECORD.part" && mv "$QUORVANE_STUB_RECORD.part" "$QUORVANE_STUB_RECORD"
STUB
chmod +x "$scratch/bin/quorvane"
for tool in sh mkdir mv pwd; do
    ln -s "$(command -v "$tool")" "$scratch/bin-without-xdg-user-dir/$tool"
done
ln -s "$scratch/bin/quorvane" "$scratch/bin-without-xdg-user-dir/quorvane"
gio=$(command -v gio) || fail "gio (libglib2.0-bin) is needed to launch the desktop entry"

# Prints the folder the stand-in started in when the menu entry is launched with HOME $1
# and PATH $2, or nothing if it did not start within five seconds.
start_folder_of_menu_launch() {
    local record=$1/.started-in
    env -i HOME="$1" PATH="$2" QUORVANE_STUB_RECORD="$record" "$gio" launch "$desktop_file" ||
        fail "gio launch $desktop_file failed"
    for _ in $(seq 50); do
        [[ -f $record ]] && break
        sleep 0.1
    done
    cat "$record" 2>/dev/null || true
}

# name | documents folder in user-dirs.dirs (- for no file) | PATH | start folder under HOME
while IFS='|' read -r name documents path expected; do
    home=$scratch/home-$name
    mkdir -p "$home/.config"
    [[ $documents == - ]] || echo "XDG_DOCUMENTS_DIR=\"$documents\"" >"$home/.config/user-dirs.dirs"
    [[ $name != documents-is-a-file ]] || touch "$home/Documents"
    started_in=$(start_folder_of_menu_launch "$home" "$path")
    [[ $started_in == "$home$expected" ]] ||
        fail "$name: started in '$started_in' instead of '$home$expected'"
done <<CASES
no-user-dirs-file|-|$scratch/bin:/usr/bin:/bin|/Documents/Quorvane
documents-configured|\$HOME/我的 文档|$scratch/bin:/usr/bin:/bin|/我的 文档/Quorvane
documents-set-to-home|\$HOME/|$scratch/bin:/usr/bin:/bin|/Documents/Quorvane
no-xdg-user-dir-command|\$HOME/文档|$scratch/bin-without-xdg-user-dir|/Documents/Quorvane
documents-is-a-file|-|$scratch/bin:/usr/bin:/bin|
CASES
echo "PASS: $(expected_files usr | wc -l) files installed, validated, menu launch folders right"
