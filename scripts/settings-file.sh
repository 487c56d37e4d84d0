# Sourced by the scripts that start quellor.exe with settings of their own,
# or read the settings it left. The file's layout is the program's own: these
# call quellor-settings (tools/settings-file), built from the engine's code.
#
# settings_file_of <prefix>: the program's settings file in that Wine prefix.
#
# write_settings_file <file> <run flag 0|255> <start "yy mm dd HH MM"|none>
#                     <recording interval index> <record folder> <record name>
#                     ["<temperature code> <hold minutes> <hold hours>"...]
# writes the record as the program keeps it, with port index 0 (COM1, the
# first port the prefixes list).
#
# settings_field <file> <field>: one field of the file, as quellor-settings
# get prints it (runFlag, stageCount, start, stages, intact, ...).
settings_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

settings_file_of() { echo "$1/drive_c/users/${USER:-$(id -un)}/AppData/Roaming/KRMD/quellor.ini"; }

# Built when missing or out of date, in the native tree (or the tree under
# build/ that $settings_tree names); a script running under faketime only
# reads, with the tool built before.
settings_tool() {
    local tree=${settings_tree:-native}
    local tool=$settings_root/build/$tree/tools/settings-file/quellor-settings
    if [ -z "${FAKETIME:-}${FAKETIME_SHARED:-}" ] || [ ! -x "$tool" ]; then
        (cd "$settings_root" && source scripts/trees.sh && build_tree "$tree" --target quellor-settings >/dev/null) ||
            return 2
    fi
    "$tool" "$@"
}

write_settings_file() {
    mkdir -p "$(dirname "$1")"
    settings_tool write "$@"
}

settings_field() { settings_tool get "$1" "$2"; }
