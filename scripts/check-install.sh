#!/usr/bin/env bash
# Checks the program as a user gets it: installs the build into a staging folder, builds and
# inspects the Debian package, validates the menu entry and the AppStream file, then starts the
# installed program with an empty home under Xvfb, saves the settings and a playlist as a user
# would (mouse clicks), and checks where the files went and that the installed folder is
# untouched.
#   scripts/check-install.sh        # uses the build folder "build" (NESVARA_BUILD_DIR)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${NESVARA_BUILD_DIR:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT  # NESVARA_KEEP=1 keeps it, with the screenshots
[ -z "${NESVARA_KEEP:-}" ] || trap 'echo "kept $work" >&2' EXIT
fail() { echo "check-install: $*" >&2; exit 1; }

stage=$work/stage
DESTDIR=$stage cmake --install "$BUILD_DIR" --prefix /usr >/dev/null
app=example.nesvara.Nesvara
for f in usr/bin/nesvara usr/share/applications/$app.desktop usr/share/icons/hicolor/scalable/apps/$app.svg \
         usr/share/metainfo/$app.metainfo.xml usr/share/man/man1/nesvara.1.gz \
         usr/share/nesvara/Sounds/Ostrel/MedEnds usr/share/nesvara/Sounds/BackSounds/heavyrain.mp3; do
    [ -e "$stage/$f" ] || fail "not installed: $f"
done
desktop-file-validate "$stage/usr/share/applications/$app.desktop"
appstreamcli validate --no-net "$stage/usr/share/metainfo/$app.metainfo.xml" >/dev/null \
    || appstreamcli validate --no-net "$stage/usr/share/metainfo/$app.metainfo.xml"

(cd "$BUILD_DIR" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/nesvara_*.deb)
dpkg-deb -c "$deb" >"$work/contents"
for f in ./usr/bin/nesvara ./usr/share/applications/$app.desktop ./usr/share/nesvara/Sounds/Marvane/MedEnds/ \
         ./usr/share/man/man1/nesvara.1.gz; do
    grep -q " $f\$" "$work/contents" || fail "the package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libsdl2-2.0-0 libmpg123-0 qt6-qpa-plugins; do
    [[ $depends == *"$lib"* ]] || fail "the package does not depend on $lib: $depends"
done
dpkg-deb -I "$deb" >/dev/null

# The installed program, as a user with an empty home starts it.
snapshot() { (cd "$stage" && find . -printf '%p %s %T@\n' | sort); }
snapshot >"$work/before"
home=$work/home
mkdir -p "$home"
cat >"$work/drive.sh" <<'DRIVE'
#!/usr/bin/env bash
set -euo pipefail
"$STAGE/usr/bin/nesvara" >"$WORK/program.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
main=$(xdotool search --sync --name '^Nesvara v\. 1\.0 b89$' | head -1)
sleep 1
import -window root "$WORK/main.png"
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 1; }
click "$main" 100 518           # "Сохранить настройки"
click "$main" 229 419           # "Редактировать список муз. файлов"
editor=$(xdotool search --onlyvisible --class nesvara | grep -vx "$main" | head -1)
import -window root "$WORK/editor.png"
click "$editor" 81 536          # "Сохранить список"
click "$editor" 808 536         # "Отмена"
DRIVE
chmod +x "$work/drive.sh"
env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    STAGE="$stage" WORK="$work" SDL_AUDIODRIVER=dummy \
    DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/no-system-bus-here \
    timeout 120 xvfb-run -a -s '-screen 0 1280x800x24' "$work/drive.sh" \
    || { cat "$work/program.log" >&2; fail "the installed program could not be driven"; }

[ "$(stat -c %s "$home/.config/nesvara/options.bin" 2>/dev/null)" = 61 ] || fail "no options.bin in \$XDG_CONFIG_HOME"
[ -s "$home/.local/share/nesvara/musiclists.bin" ] || fail "no musiclists.bin in \$XDG_DATA_HOME"
grep -q 'Ostrel' <(ls "$stage/usr/share/nesvara/Sounds") || fail "the installed library is missing"
[ "$(ls -A "$home/.config/nesvara" | tr "\n" " ")" = "extraoptions.bin options.bin " ] || fail "unexpected files in \$XDG_CONFIG_HOME/nesvara"
snapshot >"$work/after"
diff -u "$work/before" "$work/after" || fail "the installed folder changed"
echo "check-install: installed, packaged, validated; the installed program keeps its files in the XDG folders"
