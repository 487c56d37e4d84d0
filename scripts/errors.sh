# Sourced by the scripts that run under `set -e`: a command that ends such a
# script says so on stderr (so in the step's log of `make test`): its exit
# status, its line and the calls that led there, instead of ending the script
# without a word. Under `set -E` the trap holds in functions too. Only the
# script's own shell reports: a subshell that fails (a pipeline's part, a
# `( ... )`) fails its command in the script, which then reports that, and a
# command started with & ends nothing. Where errexit is off (command
# substitutions, scripts without -e) a failure ends nothing either.
set -E
_report_failure() {
    local status=$1 statuses=$2 line=$3 command=$4 file=${BASH_SOURCE[1]} i
    [[ $- == *e* ]] && [ "$BASHPID" = "$$" ] || return 0
    [[ $statuses == *" "* ]] && status="$status (pipeline: $statuses)"
    echo "error: exit status $status at line $line of $file: $command" >&2
    # The command named is the last of a pipeline: the lines show all of it.
    [ -r "$file" ] && awk -v last="$line" '
        { text[NR] = $0 } NR == last { first = last
            while (first > 1 && text[first - 1] ~ /(\||\\|&&)[ \t]*$/) first--
            for (n = first; n <= last; n++) print "  " n ": " text[n]; exit }' "$file" >&2
    for ((i = 1; i < ${#FUNCNAME[@]} - 1; i++)); do
        echo "  in ${FUNCNAME[i]}, called at line ${BASH_LINENO[i]} of ${BASH_SOURCE[i + 1]}" >&2
    done
}
trap '_report_failure "$?" "${PIPESTATUS[*]}" "$LINENO" "$BASH_COMMAND"' ERR
