#!/usr/bin/env bash
# The operator's guide quellor.pdf from docs/guide/quellor.md and the pictures
# that scripts/guide-pictures.sh took: pandoc makes HTML, WeasyPrint the PDF.
# A picture that was not taken is left out of the guide (with a line saying so).
#   scripts/guide-pdf.sh [pictures-dir] [out.pdf]
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."

pictures=${1:-build/guide/pictures}
out=${2:-build/guide/quellor.pdf}
work=build/guide/html
rm -rf "$work"
mkdir -p "$work/pictures" "$(dirname "$out")"
cp docs/guide/guide.css "$work/"
[ -d "$pictures" ] && find "$pictures" -maxdepth 1 -name '*.png' -exec cp {} "$work/pictures/" \;

# A figure is a paragraph of its own: ![caption](pictures/name.png).
while IFS= read -r line; do
    if [[ $line =~ ^!\[.*\]\((pictures/[^\)]+)\)$ ]] && [ ! -f "$work/${BASH_REMATCH[1]}" ]; then
        echo "guide: without ${BASH_REMATCH[1]} (not taken)" >&2
        continue
    fi
    printf '%s\n' "$line"
done <docs/guide/quellor.md >"$work/quellor.md"

# The HTML title, the guide's own, becomes the title property of the PDF.
pandoc "$work/quellor.md" --from markdown --to html5 --standalone --toc --toc-depth=2 \
    --css guide.css -o "$work/quellor.html"
weasyprint --base-url "$work/" "$work/quellor.html" "$out"
echo "$out: $(pdfinfo "$out" 2>/dev/null | awk '/^Pages:/ { print $2 }') pages"
