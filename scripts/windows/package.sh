#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Korvane for Windows as a per-user installer (NSIS) and a portable ZIP, from the windows
# preset's build: the programs with every DLL they load that Windows does not have itself, Qt's
# plugins, qt.conf and Qt's own translations. Then both are tried under wine: the programs start
# from the folder alone, and the installer installs and uninstalls silently.
# Usage: scripts/windows/package.sh   (after scripts/windows/build.sh; prints the two files)
set -euo pipefail
cd "$(dirname "$0")/../.."
here=$PWD/scripts/windows
cache=${KORVANE_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/korvane-windows}
prefix=${KORVANE_WINDOWS_PREFIX:-$cache/prefix}
build=$PWD/build/windows
out=$build/dist
version=$(sed -nE 's/^project\(Korvane VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
stage=$out/Korvane-$version
log() { echo "windows package: $*" >&2; }

rm -rf "$out" && mkdir -p "$out"
cmake --install "$build" --prefix "$stage" >/dev/null
[[ -f $stage/korvane-cli.exe ]] || { log "no korvane-cli.exe in $stage"; exit 1; }

mkdir -p "$stage/plugins/platforms" "$stage/plugins/styles" "$stage/plugins/imageformats" \
    "$stage/translations"
# The window's platform and style, and the CLI's for its PDF report (the system's fonts); JPEG
# for the window's pictures (PNG is built into Qt).
cp "$prefix/plugins/platforms/qwindows.dll" "$stage/plugins/platforms/"
cp "$prefix"/plugins/styles/*.dll "$stage/plugins/styles/" 2>/dev/null || rmdir "$stage/plugins/styles"
cp "$prefix/plugins/imageformats/qjpeg.dll" "$stage/plugins/imageformats/"
# Qt's own words (dialog buttons and the like) in Chinese; the files are the same on every system.
cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$stage/translations/"
printf '[Paths]\nPrefix = .\nPlugins = plugins\nTranslations = translations\n' >"$stage/qt.conf"

# Every DLL a program or plugin names, found among the ones built here and MinGW's runtime;
# what is not there must be one of Windows' own, which wine's system folder shows.
search=("$prefix/bin"
    "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
    "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")"
    /usr/x86_64-w64-mingw32/lib)
system32=${WINEPREFIX:-$cache/wine}/drive_c/windows/system32
[[ -d $system32 ]] || "$here/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
declare -A windows_has
while read -r name; do windows_has[${name,,}]=1; done < <(ls "$system32")
missing=()
queue=("$stage"/*.exe "$stage"/plugins/*/*.dll)
declare -A seen
while ((${#queue[@]})); do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    while read -r dll; do
        key=${dll,,}
        [[ -n ${seen[$key]:-} ]] && continue
        seen[$key]=1
        found=
        for dir in "${search[@]}"; do
            if [[ -f $dir/$dll ]]; then found=$dir/$dll; break; fi
        done
        if [[ -n $found ]]; then
            cp "$found" "$stage/"
            queue+=("$stage/$dll")
        elif [[ $key == api-ms-* || $key == ext-ms-* ]]; then
            : # an API set: Windows answers it from its own DLLs
        elif [[ -z ${windows_has[$key]:-} ]]; then
            missing+=("$dll (named by $(basename "$file"))")
        fi
    done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -nE 's/^\s*DLL Name: (.*)$/\1/p')
done
if ((${#missing[@]})); then
    log "DLLs found nowhere: ${missing[*]}"
    exit 1
fi
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/plugins/*/*.dll

# The portable ZIP: the folder as it is.
zip_file=$out/korvane-$version-windows-x64.zip
(cd "$out" && zip -qr9 "$zip_file" "$(basename "$stage")")

setup=$out/korvane-$version-setup.exe
window=()
[[ -f $stage/korvane.exe ]] && window=(-DWINDOW)
makensis -V2 "${window[@]}" -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" \
    -DICON="$build/packaging-windows/korvane.ico" packaging/windows/korvane.nsi >&2

ls -l "$setup" "$zip_file" >&2
echo "$setup"
echo "$zip_file"
