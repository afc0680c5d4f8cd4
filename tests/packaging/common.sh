# Helpers shared by the packaging tests; sourced, not run.

app_id=example.quorvane.Quorvane
# ctest treats this exit code as "skipped".
skip_code=77

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

skip() {
    echo "SKIP: $*"
    exit "$skip_code"
}

# The files an installation under prefix $1 (no leading slash) must hold, sorted.
expected_files() {
    sed "s|^|$1/|" "$(dirname "${BASH_SOURCE[0]}")/installed_files.txt" | LC_ALL=C sort
}

# Fails unless the sorted list $2 is exactly expected_files $1; $3 names the list.
check_file_list() {
    local difference
    difference=$(diff <(expected_files "$1") <(printf '%s\n' "$2")) ||
        fail "$3 differ from the expected list (< expected, > found):"$'\n'"$difference"
}
