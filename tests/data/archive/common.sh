# The shared start of the fixture scripts of these folders, sourced by each
# make.sh as its first step: stops on any error, moves to the script's own
# folder (kept in $out), fixes the time zone and locale, and works in a
# temporary folder ($work, the current folder afterwards) removed on exit.
# The functions write the fixed input files that several fixtures share.
set -eu
cd "$(dirname "$0")"
export TZ=UTC LC_ALL=C
out=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The modification time of every input member.
stamp='2021-03-04 05:06:08'

cd "$work"

# alpha.txt: two short lines.
write_alpha() {
    printf 'Alpha file of the archive fixtures.\nIt has two lines.\n' > alpha.txt
}

# beta.txt: twelve numbered lines.
write_beta() {
    i=0
    : > beta.txt
    while [ $i -lt 12 ]; do
        printf 'Beta line %02d: the quick brown fox jumps over the lazy dog.\n' $i >> beta.txt
        i=$((i + 1))
    done
}

# docs/top.txt and docs/sub/deep.txt: a nested folder.
write_docs() {
    mkdir -p docs/sub
    printf 'Top of the docs folder.\n' > docs/top.txt
    printf 'Deep inside docs/sub.\n' > docs/sub/deep.txt
}

# Gives every file and folder below the current one the input time.
stamp_all() {
    find . -exec touch -d "$stamp" {} +
}
