#!/usr/bin/env bash
# The Debian package: its dependencies resolve, lintian finds no error, it holds exactly the
# install tree, and the program unpacked from it opens an icon and finds its manual.
. "$(dirname "$0")/lib.sh"
build=$2
icontool=$build/cli/tarvo-icontool
out=$work/package
(cd "$build" && cpack -G DEB -B "$out" >/dev/null) || fail "cpack failed"
deb=$(ls "$out"/*.deb) || fail "no package built"
apt-get install --simulate "$deb" > "$work/simulate.txt" 2>&1 \
  || fail "dependencies do not resolve: $(tail -3 "$work/simulate.txt")"
lintian --fail-on error "$deb" > "$work/lintian.txt" 2>&1 \
  || fail "lintian: $(grep '^E:' "$work/lintian.txt")"

# The package's files are the install tree.
DESTDIR=$work/stage cmake --install "$build" --prefix /usr > /dev/null || fail "install failed"
(cd "$work/stage" && find . -type f -o -type l | sort) > "$work/installed.txt"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort > "$work/packaged.txt"
diff "$work/installed.txt" "$work/packaged.txt" > "$work/diff.txt" \
  || fail "package and install tree differ: $(head -5 "$work/diff.txt")"
for f in ./usr/bin/tarvo-iconworks ./usr/bin/tarvo-icontool \
         ./usr/share/tarvo-iconworks/help/index.html ./usr/share/applications/tarvo-iconworks.desktop \
         ./usr/share/icons/hicolor/48x48/apps/tarvo-iconworks.png \
         ./usr/share/man/man1/tarvo-icontool.1.gz; do
  grep -qx "$f" "$work/packaged.txt" || fail "the package lacks $f"
done

# The unpacked program opens an icon, and F1 finds the manual where the package put it.
dpkg-deb -x "$deb" "$work/root" || fail "cannot unpack"
/usr/bin/convert -size 16x16 xc:orange "PNG32:$work/orange.png" || fail "ImageMagick failed"
"$work/root/usr/bin/tarvo-icontool" create "$work/orange.ico" "$work/orange.png" \
  || fail "the packaged tarvo-icontool fails"
printf '[Main]\nChildMaximize=1\n' > "$TARVO_SETTINGS"
unset TARVO_HELP_DIR
app=$work/root/usr/bin/tarvo-iconworks
start "$work/orange.ico"
main=$(window '^Tarvo Iconworks - \[orange.ico\]$') || fail "the packaged editor did not open the icon"
xdotool windowfocus --sync "$main" key F1
window '^Tarvo Iconworks Help$' > /dev/null || fail "the packaged editor did not find its manual"
shot package-help
echo "ok: $(basename "$deb") resolves, is lintian-clean, holds the install tree and runs"
