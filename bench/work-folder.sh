# Sourced by the recall benchmarks: `work` is the folder named by the second argument (made
# when missing, kept afterwards), or a temporary one removed when the script ends.
if [[ $# -ge 2 ]]; then
    work=$(realpath "$2")
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
