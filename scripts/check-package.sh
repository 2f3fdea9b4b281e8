#!/usr/bin/env bash
# Makes the Debian package of a built tree in a scratch folder and checks it: the files it
# installs, the libraries it depends on, and pictavia-cli run from the unpacked package finding
# its data folders there (it renders the sample scene as the build tree's program does).
#   scripts/check-package.sh [BUILD_DIR]      exit status 77: the Debian tools are missing
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "$tool not found: the package is not checked"; exit 77; }
done
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  exit 1
fi
deb="$(ls "$scratch"/out/pictavia_*.deb)"
echo "made $(basename "$deb")"

failed=0
listing="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for path in usr/bin/pictavia usr/bin/pictavia-cli \
  usr/share/applications/pictavia.desktop \
  usr/share/icons/hicolor/scalable/apps/pictavia.svg usr/share/icons/hicolor/48x48/apps/pictavia.png \
  usr/share/metainfo/io.github.pictavia.Pictavia.metainfo.xml \
  usr/share/man/man1/pictavia.1.gz usr/share/man/man1/pictavia-cli.1.gz \
  usr/share/pictavia/help.html usr/share/pictavia/Masks/1.jpg usr/share/pictavia/Clips/ \
  usr/share/pictavia/BackGround_Photo/ usr/share/pictavia/examples/birthday.json; do
  if ! grep -qx "\./$path" <<<"$listing"; then
    echo "missing from the package: /$path"
    failed=1
  fi
done

depends="$(dpkg-deb -f "$deb" Depends)"
for package in libqt6widgets6 libqt6gui6 libjpeg62-turbo zlib1g; do
  if ! grep -q "\b$package\b" <<<"$depends"; then
    echo "Depends lacks $package: $depends"
    failed=1
  fi
done

dpkg-deb -x "$deb" "$scratch/root"
"$scratch/root/usr/bin/pictavia-cli" render "$scratch/root/usr/share/pictavia/examples/birthday.json" \
  "$scratch/installed.png" >/dev/null
"$build/bin/pictavia-cli" render "$build/bin/examples/birthday.json" "$scratch/built.png" >/dev/null
if ! cmp -s "$scratch/installed.png" "$scratch/built.png"; then
  echo "the unpacked pictavia-cli renders the sample scene differently from the built one"
  failed=1
fi
[ "$failed" -eq 0 ] && echo "the package holds what it should"
exit "$failed"
