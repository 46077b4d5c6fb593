#!/bin/sh
# Puts Ostrel QR into the desktop menu of the current user, running the program from the folder
# this script lies in (the unpacked archive). Run it again after moving the folder;
# "install-menu.sh --remove" takes the entry out again.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}
apps="$data/applications"
icons="$data/icons/hicolor/scalable/apps"

if [ "${1:-}" = "--remove" ]; then
    rm -f "$apps/ostrel-qr.desktop" "$icons/ostrel-qr.svg"
    echo "Ostrel QR removed from the menu."
    exit 0
fi

if [ ! -x "$here/ostrel-qr" ]; then
    echo "install-menu.sh: $here/ostrel-qr not found; run this script from the unpacked folder." >&2
    exit 1
fi

mkdir -p "$apps" "$icons"
cp "$here/ostrel-qr.svg" "$icons/ostrel-qr.svg"
# Exec takes the program's absolute path, quoted as the desktop entry format asks.
escaped=$(printf '%s' "$here/ostrel-qr" | sed 's/\\/\\\\\\\\/g; s/"/\\\\"/g; s/`/\\\\`/g; s/\$/\\\\$/g')
sed -e "s|^Exec=.*|Exec=\"$escaped\"|" -e "s|^Icon=.*|Icon=$icons/ostrel-qr.svg|" \
    "$here/ostrel-qr.desktop" > "$apps/ostrel-qr.desktop"
chmod 644 "$apps/ostrel-qr.desktop"
if command -v update-desktop-database >/dev/null 2>&1; then
    update-desktop-database "$apps" >/dev/null 2>&1 || true
fi
echo "Ostrel QR added to the menu ($apps/ostrel-qr.desktop)."
