#!/usr/bin/env bash
# Tests of what operators receive: the guide quellor.pdf and the installer.
#   - the PDF has its pages, its pictures (one for each picture taken), every
#     message box of the program, and no blank page;
#   - quellor-setup.exe /S in a fresh Wine prefix installs both files, the
#     Start-menu and desktop shortcuts with the program's folder as their
#     working folder, and the entry of "Programs and Features";
#   - the program started from the shortcut finds its guide: the first
#     "Справка" item opens quellor.pdf of that folder (a stand-in viewer
#     notes what it was given), where the same item started from another
#     folder brings "Не найден файл справки.";
#   - uninstall.exe /S removes the program, its shortcuts and its entry, and
#     leaves %APPDATA%\KRMD\quellor.ini as it was; so does a reinstall.
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
[ -f "$guide" ] || { echo "no $guide: run make doc first" >&2; exit 2; }

failures=0
# ok <description> <command...>: one check, its line, its count.
ok() {
    local what=$1; shift
    if "$@"; then echo "[  OK  ] $what"; else echo "[FAILED] $what"; failures=$((failures + 1)); fi
}

# --- The guide -----------------------------------------------------------
pages=$(pdfinfo "$guide" | awk '/^Pages:/ { print $2 }')
ok "the guide has its pages ($pages)" test "$pages" -ge 10
taken=$(find "$pictures" -maxdepth 1 -name '*.png' 2>/dev/null | wc -l)
images=$(pdfimages -list "$guide" | awk 'NR > 2 && $3 == "image"' | wc -l)
ok "the guide holds every picture taken ($images of $taken)" test "$images" -eq "$taken" -a "$taken" -ge 3

text=$(pdftotext -raw "$guide" - | tr -s ' \n' ' ')
# The first words of every message box the program shows, and the guide's
# own menu item. A box's text can wrap inside a table cell: compared with
# runs of blanks and line ends made single blanks.
messages=(
    "Не удалось открыть или создать файл конфигурации."
    "Не найдено ни одного COM-порта"
    "Не могу открыть порт COM"
    "Порт отсутствует или занят другим приложением."
    "- термостат выключен; - не правильно выбран порт; - не подключен соединительный кабель."
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

render=build/guide/render
rm -rf "$render" && mkdir -p "$render"
pdftoppm -r 20 -gray "$guide" "$render/page"
blank=0
for page in "$render"/page-*.pgm; do
    mean=$(convert "$page" -format '%[fx:mean]' info:)
    awk -v m="$mean" 'BEGIN { exit !(m > 0.995) }' && blank=$((blank + 1))
done
ok "no page of the guide is blank ($(ls "$render" | wc -l) rendered)" test "$blank" -eq 0

# --- The installer --------------------------------------------------------
if runs_32bit; then
    arch=i686
else
    arch=x86_64
    echo "This machine cannot run 32-bit programs: testing the installer script built with Target amd64-unicode around the x86_64 program."
fi
release=build/release-test-$arch
scripts/release.sh "$arch" "$release" >/dev/null
setup="$release/quellor-setup.exe"

prefix="$wine_dir/release-test"
new_prefix "$prefix" headless
export WINEPREFIX="$prefix"
trap 'wineserver -k 2>/dev/null || true' EXIT
drive_c="$prefix/drive_c"
build_drive_quellor x86_64 "$drive_c/tools/drive-quellor.exe"
driver() { $(wine_cmd) 'C:\tools\drive-quellor.exe' "$@" 2>/dev/null | tr -d '\r'; }
wine_to_unix() { $(wine_cmd) winepath -u "$1" 2>/dev/null | tr -d '\r'; }

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

$(wine_cmd) "$setup" /S
wineserver -w
dir=$(wine_to_unix "$install_dir")
ok "silent install puts quellor.exe in place, byte for byte" cmp -s "$dir/quellor.exe" "build/$arch/quellor.exe"
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
rm -f "$drive_c/opened.txt"
driver menu 200 || true
for _ in $(seq 100); do [ -s "$drive_c/opened.txt" ] && break; sleep 0.1; done
opened=$(tr -d '\r\n' <"$drive_c/opened.txt" 2>/dev/null || true)
ok "and opens ${opened:-nothing}" test "$opened" = "$install_dir\\quellor.pdf"
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

echo
if ((failures)); then echo "release tests: $failures FAILED"; exit 1; fi
echo "release tests: all passed"
