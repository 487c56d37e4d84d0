#!/usr/bin/env bash
# Tests of what operators receive: the guide quellor.pdf, the release files
# and the installer.
#   - the PDF has its pages, the guide's title as its title, a contents list
#     whose page numbers are the pages of the sections, every picture the
#     guide shows, every message box of the program, and no blank page;
#   - the guide's table of messages is the program's texts exactly, cell by
#     cell (scripts/guide-messages.sh), and a changed cell is caught;
#   - the release: SHA256SUMS of the installer and the zip, the zip's one
#     folder, no release without all the guide's pictures;
#   - quellor.exe carries a version resource, and the installer, its entry in
#     "Programs and Features" and the guide show the same version;
#   - quellor-setup.exe /S in a fresh Wine prefix installs both files, the
#     Start-menu and desktop shortcuts with the program's folder as their
#     working folder, and the entry of "Programs and Features";
#   - the program started from the shortcut finds its guide: the first
#     "Справка" item opens quellor.pdf of that folder (a stand-in viewer
#     notes what it was given), where the same item started from another
#     folder brings "Не найден файл справки.";
#   - with the program running where the installer's check cannot see it (on
#     another desktop, as in another Windows session), a silent install and a
#     silent uninstall fail with exit code 2 and say why, and keep the
#     running copy, its shortcuts and its entry; with it running on this
#     desktop, both refuse at once;
#   - uninstall.exe /S removes the program, its shortcuts and its entry, and
#     leaves %APPDATA%\KRMD\quellor.ini as it was; so does a reinstall;
#   - a copy installed with /D= is upgraded in place by a silent install;
#   - "Готово" on the finish page, with "Запустить" ticked, has the program
#     started by the desktop's shell (explorer.exe), not by the installer, in
#     its own folder.
# The installer tested is the shipped one (x86, the i686 program) where this
# machine runs 32-bit programs; elsewhere the same installer script is built
# with Target amd64-unicode around the x86_64 program.
# Needs build/guide/quellor.pdf and its pictures (`make doc`).
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
source scripts/settings-file.sh
# No menu entries or file associations of the host from the tests' prefix.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

guide=build/guide/quellor.pdf
pictures=build/guide/pictures
text_of_guide=docs/guide/quellor.md
[ -f "$guide" ] || { echo "no $guide: run make doc first" >&2; exit 2; }

if runs_32bit; then
    arch=i686
else
    arch=x86_64
    echo "This machine cannot run 32-bit programs: testing the installer script built with Target amd64-unicode around the x86_64 program."
fi
program="build/$arch/quellor.exe"
release=build/release-test-$arch
scratch=build/release-test-scratch
rm -rf "$scratch" && mkdir -p "$scratch"
scripts/release.sh "$arch" "$release" >/dev/null
setup="$release/quellor-setup.exe"

failures=0
# ok <description> <command...>: one check, its line, its count.
ok() {
    local what=$1; shift
    if "$@"; then echo "[  OK  ] $what"; else echo "[FAILED] $what"; failures=$((failures + 1)); fi
}

# --- The guide -----------------------------------------------------------
pages=$(pdfinfo "$guide" | awk '/^Pages:/ { print $2 }')
ok "the guide has its pages ($pages)" test "$pages" -ge 10

title=$(sed -n 's/^title: "\(.*\)"$/\1/p' "$text_of_guide")
pdf_title=$(pdfinfo "$guide" | sed -n 's/^Title: *//p')
ok "the PDF's title property is the guide's title (${pdf_title:-none})" test -n "$title" -a "$pdf_title" = "$title"

# The contents list (from page 2 to the page before the first section): a
# line per section of the guide, each ending with the page on which that
# section's heading stands.
contents_right() {
    local line name page listed=0 wrong=0 sections first
    sections=$(grep -cE '^##? ' "$text_of_guide")
    first=$(pdftotext -f 2 -l 2 -layout "$guide" - | sed -n 's/.*[. ]\([0-9][0-9]*\)$/\1/p' | head -1)
    while IFS= read -r line; do
        [[ $line =~ ^[[:space:]]*(.*[^.[:space:]])[.[:space:]]+([0-9]+)$ ]] || continue
        name=${BASH_REMATCH[1]} page=${BASH_REMATCH[2]}
        listed=$((listed + 1))
        if [[ $(pdftotext -f "$page" -l "$page" -layout "$guide" -) != *"$name"* ]]; then
            echo "         \"$name\" is not on page $page"
            wrong=$((wrong + 1))
        fi
    done < <(pdftotext -f 2 -l $((${first:-3} > 2 ? ${first:-3} - 1 : 2)) -layout "$guide" -)
    echo "         $listed sections listed with their pages, $sections in the guide"
    ((listed == sections && wrong == 0))
}
ok "the contents list gives each section's page" contents_right

shown=$(sed -n 's/^!\[.*\](pictures\/\([^)]*\))$/\1/p' "$text_of_guide" | wc -l)
taken=$(find "$pictures" -maxdepth 1 -name '*.png' 2>/dev/null | wc -l)
images=$(pdfimages -list "$guide" | awk 'NR > 2 && $3 == "image"' | wc -l)
ok "the guide holds every picture it shows ($images in the PDF, $taken taken, $shown shown)" \
    test "$images" -eq "$shown" -a "$taken" -eq "$shown" -a "$shown" -ge 3

text=$(pdftotext -raw "$guide" - | tr -s ' \n' ' ')
# The first words of every message box the program shows, and the guide's
# own menu item: each is in the PDF. A box's text can wrap inside a table
# cell: compared with runs of blanks and line ends made single blanks.
messages=(
    "Не удалось открыть или создать файл конфигурации."
    "Не найдено ни одного COM-порта"
    "Не могу открыть порт COM"
    "Порт отсутствует или занят другим приложением."
    "- термостат выключен; - не правильно выбран порт; - не подключен соединительный кабель."
    "Автоматическое управление термостатом будет возобновлено после подключения к термостату (кнопка «Подключиться»)."
    "сбой на линии связи; выключение термостата."
    "Термостат подтверждает выполнение команды."
    "Термостат не подтверждает установку температуры"
    "Число этапов программы не может превышать 255."
    "Удаление невозможно до окончания редактирования этапа №"
    "будет удалён из списка этапов. Продолжить?"
    "Будет очищен список этапов программы! Продолжить?"
    "Производится автоматическое управление термостатом."
    "Вот и кончается столетие. Пора работать со свежей программой."
    "Поздравляем!"
    "Автоматическое управление термостатом будет завершено."
    "Завершено выполнение всех этапов."
    "Закрытие программы прервёт процесс"
    "Запись значения температуры в файл будет прекращена."
    "уже существует Заменить имеющийся файл?"
    "используется другим приложением."
    "Не удалось создать файл"
    "Не удалось записать значение температуры в файл"
    "Не найден файл справки."
    "Термостат под управлением ПК. Руководство пользователя."
)
absent=()
for message in "${messages[@]}"; do [[ $text == *"$message"* ]] || absent+=("$message"); done
ok "the guide quotes every message box (${#messages[@]} texts)" test ${#absent[@]} -eq 0
for message in "${absent[@]}"; do echo "         missing: $message"; done

# Each row of the table of messages, against the texts in quellor.exe.
scripts/guide-messages.sh "$text_of_guide" "$program" || failures=$((failures + 1))

# The comparison is exact: a table changed in any of these ways fails it.
changes=(
    "a word inside a text :: s/- не правильно выбран порт;/- неправильно выбран порт;/"
    "a line break moved :: s/Порт отсутствует или<br>занят/Порт отсутствует или занят<br>/"
    "a line left out :: s/прекращение процесса управления.<br>//"
    "the last line cut off :: s/<br>Продолжить? | Удаление этапа/ | Удаление этапа/"
    "a full stop dropped :: s/Не найден файл справки\. |/Не найден файл справки |/"
    "another caption :: s/| Запись в файл | Выбранный/| Запись | Выбранный/"
)
for change in "${changes[@]}"; do
    what=${change%% :: *}
    sed "${change#* :: }" "$text_of_guide" >"$scratch/changed.md"
    changed_and_caught() {
        ! cmp -s "$scratch/changed.md" "$text_of_guide" &&
            ! scripts/guide-messages.sh "$scratch/changed.md" "$program" >/dev/null
    }
    ok "the comparison of the messages catches $what" changed_and_caught
done

render=build/guide/render
rm -rf "$render" && mkdir -p "$render"
pdftoppm -r 20 -gray "$guide" "$render/page"
blank=0
for page in "$render"/page-*.pgm; do
    mean=$(convert "$page" -format '%[fx:mean]' info:)
    awk -v m="$mean" 'BEGIN { exit !(m > 0.995) }' && blank=$((blank + 1))
done
ok "no page of the guide is blank ($(ls "$render" | wc -l) rendered)" test "$blank" -eq 0

# --- The release files ----------------------------------------------------
sums_right() {
    [ "$(awk '{ print $2 }' "$release/SHA256SUMS" | tr '\n' ' ')" = "quellor-setup.exe quellor.zip " ] &&
        (cd "$release" && sha256sum --check --quiet SHA256SUMS)
}
ok "SHA256SUMS holds the installer's and the zip's sums, and they are right" sums_right
unzip -q -d "$scratch/unzipped" "$release/quellor.zip"
unzipped="$scratch/unzipped/KRMD Quellor"
ok "the zip unpacks into one folder: $(ls -A "$scratch/unzipped" | tr '\n' ' ')" \
    test "$(ls -A "$scratch/unzipped")" = "KRMD Quellor"
zip_holds_both() {
    [ "$(ls -A "$unzipped" | tr '\n' ' ')" = "quellor.exe quellor.pdf " ] &&
        cmp -s "$unzipped/quellor.exe" "$program" && cmp -s "$unzipped/quellor.pdf" "$guide"
}
ok "which holds quellor.exe and quellor.pdf, byte for byte" zip_holds_both

# Without one of the guide's pictures there is no release.
mkdir -p "$scratch/pictures" && cp "$pictures"/*.png "$scratch/pictures/"
rm -f "$scratch/pictures/$(ls "$scratch/pictures" | head -1)"
status=0
GUIDE_PICTURES="$scratch/pictures" scripts/release.sh "$arch" "$scratch/dist" >"$scratch/release.out" 2>&1 || status=$?
ok "make release fails when the guide lacks a picture (exit $status: $(tail -1 "$scratch/release.out"))" \
    test "$status" -ne 0 -a ! -e "$scratch/dist/quellor-setup.exe"

# --- The installer --------------------------------------------------------
prefix="$wine_dir/release-test"
new_prefix "$prefix" headless
export WINEPREFIX="$prefix"
trap 'wineserver -k 2>/dev/null || true' EXIT
drive_c="$prefix/drive_c"
build_drive_quellor x86_64 "$drive_c/tools/drive-quellor.exe"
driver() { $(wine_cmd) 'C:\tools\drive-quellor.exe' "$@" 2>/dev/null | tr -d '\r'; }
wine_to_unix() { $(wine_cmd) winepath -u "$1" 2>/dev/null | tr -d '\r'; }
# What the installer or the uninstaller said on its standard error output,
# in the ANSI code page.
said() { iconv -f CP1251 -t UTF-8 "$scratch/said" 2>/dev/null | tr -d '\r' | tr '\n' ' '; }

# A 32-bit installer in a 64-bit prefix goes to the 32-bit Program Files and
# registers itself in the 32-bit view of the registry.
if [ "$arch" = i686 ]; then
    install_dir='C:\Program Files (x86)\KRMD Quellor'; reg_view=/reg:32
else
    install_dir='C:\Program Files\KRMD Quellor'; reg_view=/reg:64
fi
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KRMD Quellor'
app="Управление термостатом КРМ-Д"
menu_link="C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\$app\\$app.lnk"
desktop_link="C:\\users\\Public\\Desktop\\$app.lnk"
registry_value() {
    $(wine_cmd) reg query "$uninstall_key" /v "$1" $reg_view 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 *REG_SZ *//p"
}

$(wine_cmd) "$setup" /S
wineserver -w
dir=$(wine_to_unix "$install_dir")
ok "silent install puts quellor.exe in place, byte for byte" cmp -s "$dir/quellor.exe" "$program"
ok "silent install puts quellor.pdf in place, byte for byte" cmp -s "$dir/quellor.pdf" "$guide"
ok "the uninstaller is in place" test -f "$dir/uninstall.exe"
registered() { $(wine_cmd) reg query "$uninstall_key" /v UninstallString $reg_view 2>/dev/null | grep -q uninstall.exe; }
unregistered() { ! registered; }
ok "\"Programs and Features\" lists the program" registered

for link in "$menu_link" "$desktop_link"; do
    mapfile -t shortcut < <(driver shortcut "$link")
    ok "shortcut $(basename "${link//\\//}"): target ${shortcut[0]:-none}" \
        test "${shortcut[0]:-}" = "$install_dir\\quellor.exe"
    ok "shortcut's working folder ${shortcut[1]:-none}" test "${shortcut[1]:-}" = "$install_dir"
done

# The version: the program's own resource, shown alike by the installer,
# its entry and the guide's title page.
mapfile -t version_info < <(driver version "$install_dir\\quellor.exe")
version=${version_info[1]:-}
ok "quellor.exe carries a version resource: ${version_info[*]:-none}" \
    test ${#version_info[@]} -eq 5 -a -n "${version_info[0]}" -a -n "$version" -a -n "${version_info[3]}" -a -n "${version_info[4]}"
mapfile -t setup_info < <(driver version "$(winepath_of "$prefix" "$PWD/$setup")")
ok "the installer shows the same version (${setup_info[1]:-none})" test -n "$version" -a "${setup_info[1]:-}" = "$version"
ok "so does its entry in \"Programs and Features\" ($(registry_value DisplayVersion))" \
    test "$(registry_value DisplayVersion)" = "$version"
ok "and the guide (version V$version)" grep -q "версия V$version\"" "$text_of_guide"
setup_title="$app $version: установка"

# The program needs a serial port to start; this one leads nowhere.
set_ports "$prefix" COM1=/dev/null
restart_prefix() { wineserver -k 2>/dev/null || true; set_ports "$prefix" COM1=/dev/null; }

# Started from a folder without the guide, the first item reports it missing:
# the box this test looks for, seen.
(cd "$drive_c/tools" && $(wine_cmd) "$dir/quellor.exe" >/dev/null 2>&1 &)
driver wait "$app" 30 || true
driver menu 200 || true
box=$(driver box-text 10 || true)
ok "started elsewhere, the first \"Справка\" item says: ${box:-no box}" test "$box" = "Не найден файл справки."
restart_prefix

# Started from its shortcut, the same item finds the guide: no box. Wine has
# no viewer for PDF documents, so the shell reports that to the program,
# which keeps quiet about it as it should.
$(wine_cmd) start "$menu_link" >/dev/null 2>&1 &
driver wait "$app" 30 || true
driver menu 200 || true
box=$(driver box-text 3 || true)
ok "started from its shortcut, the first \"Справка\" item shows no box${box:+ (shown: $box)}" test -z "$box"

# With a stand-in viewer that notes the path it was asked to open, the same
# item opens the installed guide.
$(wine_cmd) reg add 'HKCR\.pdf' /ve /d quellor.test.pdf /f >/dev/null 2>&1
$(wine_cmd) reg add 'HKCR\quellor.test.pdf\shell\open\command' /ve \
    /d '"C:\tools\drive-quellor.exe" note C:\opened.txt "%1"' /f >/dev/null 2>&1
opened_guide() {
    rm -f "$drive_c/opened.txt"
    driver menu 200 || true
    for _ in $(seq 100); do [ -s "$drive_c/opened.txt" ] && break; sleep 0.1; done
    tr -d '\r\n' <"$drive_c/opened.txt" 2>/dev/null || true
}
opened=$(opened_guide)
ok "and opens ${opened:-nothing}" test "$opened" = "$install_dir\\quellor.pdf"
restart_prefix

# A copy that the installer's check cannot see: the installed program marked
# as an older build (bytes appended, which it ignores), started on another
# desktop, as a copy in another Windows session would be.
printf 'an older build' >>"$dir/quellor.exe"
old_copy=$(sha256sum <"$dir/quellor.exe")
$(wine_cmd) explorer '/desktop=elsewhere,640x480' "$install_dir\\quellor.exe" >/dev/null 2>&1 &
driver wait-process quellor.exe 30 || true
out_of_sight() { driver wait-process quellor.exe 1 && ! driver wait "$app" 2; }
ok "a copy runs on another desktop, out of the installer's sight" out_of_sight

status=0
$(wine_cmd) "$setup" /S 2>"$scratch/said" || status=$?
ok "over it, a silent install fails (exit $status)" test "$status" -eq 2
ok "and says why: $(said)" grep -q 'quellor.exe' <(said)
ok "and keeps the running copy as it was" test "$(sha256sum <"$dir/quellor.exe")" = "$old_copy"

kept_all() {
    test "$(sha256sum <"$dir/quellor.exe")" = "$old_copy" -a -f "$dir/quellor.pdf" -a -f "$dir/uninstall.exe" \
        -a -e "$(wine_to_unix "$menu_link")" && registered
}
status=0
$(wine_cmd) 'C:\tools\drive-quellor.exe' run "\"$install_dir\\uninstall.exe\" /S _?=$install_dir" \
    2>"$scratch/said" || status=$?
ok "a silent uninstall in place (/S _?=) fails (exit $status)" test "$status" -eq 2
ok "and says why: $(said)" grep -q 'quellor.exe' <(said)
ok "and keeps the program, its shortcuts and its entry" kept_all
# As "Programs and Features" and a script start it: it hands over to a copy
# of itself (Un.exe) and returns at once; the copy must fail as well.
$(wine_cmd) "$dir/uninstall.exe" /S 2>/dev/null || true
driver wait-process Un.exe 10 || true
driver wait-gone Un.exe 60 || true
ok "a plain silent uninstall (uninstall.exe /S) keeps the program, its shortcuts and its entry" kept_all
restart_prefix

# A copy running on this desktop: both refuse at once.
(cd "$drive_c/tools" && $(wine_cmd) "$dir/quellor.exe" >/dev/null 2>&1 &)
driver wait "$app" 30 || true
refused() { test "$status" -eq 2 && grep -q 'запущена' <(said); }
status=0
$(wine_cmd) "$setup" /S 2>"$scratch/said" || status=$?
ok "with the program open here, a silent install refuses (exit $status): $(said)" refused
status=0
$(wine_cmd) 'C:\tools\drive-quellor.exe' run "\"$install_dir\\uninstall.exe\" /S _?=$install_dir" \
    2>"$scratch/said" || status=$?
ok "so does a silent uninstall (exit $status), which keeps everything" eval 'refused && kept_all'
# The uninstaller must find the program closed; a persistent server (which
# set_ports leaves) would also keep `wineserver -w` below waiting for ever.
wineserver -k 2>/dev/null || true

# The operator's settings, as the program left them; the uninstaller and a
# reinstall must leave them exactly so.
settings=$(settings_file_of "$prefix")
ok "the program made its settings file" test -f "$settings"
before=$(sha256sum <"$settings" 2>/dev/null || true)

$(wine_cmd) "$dir/uninstall.exe" /S
wineserver -w  # the uninstaller runs on as a copy of itself; this waits for it
ok "silent uninstall removes the program files and their folder" test ! -e "$dir"
ok "silent uninstall removes the shortcuts" \
    test ! -e "$(wine_to_unix "$menu_link")" -a ! -e "$(wine_to_unix "$desktop_link")"
ok "silent uninstall removes the \"Programs and Features\" entry" unregistered
ok "silent uninstall leaves %APPDATA%\\KRMD\\quellor.ini as it was" test "$(sha256sum <"$settings")" = "$before"

$(wine_cmd) "$setup" /S
wineserver -w
ok "a reinstall leaves the settings file as it was" test "$(sha256sum <"$settings")" = "$before"
$(wine_cmd) "$dir/uninstall.exe" /S
wineserver -w

# An upgrade goes where the last install went, a folder of the operator's
# choice too.
lab='C:\Lab\Quellor'
lab_dir=$(wine_to_unix "$lab")
$(wine_cmd) "$setup" /S "/D=$lab"
wineserver -w
printf 'an older build' >>"$lab_dir/quellor.exe"
$(wine_cmd) "$setup" /S
wineserver -w
ok "installed with /D=$lab, a silent upgrade replaces the program there" cmp -s "$lab_dir/quellor.exe" "$program"
ok "and puts no second copy into $install_dir" test ! -e "$dir"
ok "its entry still names $lab ($(registry_value InstallLocation))" test "$(registry_value InstallLocation)" = "$lab"
mapfile -t shortcut < <(driver shortcut "$menu_link")
ok "and so does its shortcut (${shortcut[0]:-none})" test "${shortcut[0]:-}" = "$lab\\quellor.exe"

# The finish page: with "Запустить" ticked, "Готово" has the desktop's shell
# start the program, as the operator, in its own folder; not the installer,
# which runs elevated, perhaps under an administrator's name.
set_ports "$prefix" COM1=/dev/null
$(wine_cmd) "$setup" >/dev/null 2>&1 &
pages_passed() {
    driver press "$setup_title" "Далее >" 30 && driver press "$setup_title" "Далее >" 10 &&
        driver press "$setup_title" "Установить" 10 && driver press "$setup_title" "Готово" 60
}
ok "the installer's pages lead to \"Готово\"" pages_passed
driver wait "$app" 30 || true
parent=$(driver parent quellor.exe || true)
ok "the program is started by the desktop's shell (${parent:-not started})" test "$parent" = explorer.exe
opened=$(opened_guide)
ok "in its own folder: its first \"Справка\" item opens ${opened:-nothing}" test "$opened" = "$lab\\quellor.pdf"

echo
if ((failures)); then echo "release tests: $failures FAILED"; exit 1; fi
echo "release tests: all passed"
