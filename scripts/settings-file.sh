# Sourced by the scripts that start quellor.exe with settings of their own.
#
# settings_file_of <prefix>: the program's settings file in that Wine prefix.
#
# write_settings_file <file> <run flag 0|255> <start "yy mm dd HH MM"|none>
#                     <recording interval index> <record folder> <record name>
#                     ["<temperature code> <hold minutes> <hold hours>"...]
# writes the record as the program keeps it: port index 0 (COM1, the first
# port the prefixes list), the run flag, the stage count, the start moment
# (none: all zero), the interval, the record file's folder and name (zero-
# padded fields of 261 bytes; "" leaves one all zero), then the stages.
settings_file_of() { echo "$1/drive_c/users/${USER:-$(id -un)}/AppData/Roaming/KRMD/quellor.ini"; }

write_settings_file() {
    local file=$1 run=$2 start=$3 interval=$4 folder=$5 name=$6; shift 6
    local LC_ALL=C field stage code minutes hours
    byte() { printf "\\x$(printf %02x "$1")"; }
    u16() { byte $(($1 & 255)); byte $(($1 >> 8)); }
    text_field() { printf '%s' "$1"; head -c $((261 - ${#1})) /dev/zero; }
    mkdir -p "$(dirname "$file")"
    {
        byte 0; byte "$run"; byte $#
        if [ "$start" = none ]; then
            head -c 10 /dev/zero
        else
            for field in $start; do u16 $((10#$field)); done
        fi
        byte "$interval"
        text_field "$folder"; text_field "$name"
        for stage in "$@"; do
            read -r code minutes hours <<<"$stage"
            u16 "$code"; byte "$minutes"; byte "$hours"
        done
    } >"$file"
}
