#!/usr/bin/env bash
# Installs this build into a temporary prefix and checks what a user gets: the
# program folder, relative links in bin that find the installed templates, a
# manual page per command, the desktop entry with the letter file type, the
# icons and the AppStream metainfo. Installing again over an earlier install,
# also one whose program folder was removed, and staging with DESTDIR must work.
#
# Usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR WITH_APP(0|1)
set -uo pipefail

if (($# != 4)); then
  echo "usage: $0 CMAKE BUILD_DIR SOURCE_DIR WITH_APP" >&2
  exit 2
fi
cmake=$1
build=$2
source=$3
with_app=$4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DESTDIR

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

install_into() {  # PREFIX [DESTDIR]
  if ! DESTDIR=${2:-} "$cmake" --install "$build" --prefix "$1" >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install --prefix $1 ${2:+(DESTDIR=$2)}" >&2
    exit 1
  fi
}

programs=(wordlark-render wordlark-brand)
if [[ $with_app == 1 ]]; then
  programs+=(wordlark)
fi

# Checks the links of PREFIX/bin: one per program, relative, resolving to the
# executable in the program folder, and nothing else.
check_links() {  # ROOT (the prefix as seen on disk)
  local root=$1 program link entry
  for program in "${programs[@]}"; do
    link=$root/bin/$program
    if [[ ! -L $link ]]; then
      fail "$link is not a symbolic link"
      continue
    fi
    [[ $(readlink "$link") == "../lib/wordlark/$program" ]] ||
      fail "$link points to '$(readlink "$link")', not ../lib/wordlark/$program"
    [[ -x $link && $(readlink -f "$link") == $(readlink -f "$root/lib/wordlark/$program") ]] ||
      fail "$link does not reach the installed executable"
  done
  for entry in "$root"/bin/*; do
    [[ -L $entry && -e $entry ]] || fail "$entry in bin is not a working link"
  done
  if [[ $with_app != 1 && (-e $root/bin/wordlark || -L $root/bin/wordlark) ]]; then
    fail "a wordlark link without the application"
  fi
}

# Install, install again over it, then once more after removing the program
# folder (the links dangle until then).
prefix=$work/prefix
install_into "$prefix"
install_into "$prefix"
rm -rf "$prefix/lib/wordlark"
install_into "$prefix"
folder=$prefix/lib/wordlark

# The program folder: executables, and the repository's Templates and
# examples folders file for file.
for program in "${programs[@]}"; do
  [[ -f $folder/$program && ! -L $folder/$program && -x $folder/$program ]] ||
    fail "$folder/$program is not an executable file"
  if [[ -f $folder/$program ]] && command -v ldd >/dev/null && ldd "$folder/$program" | grep -q 'not found'; then
    fail "$program misses libraries once installed: $(ldd "$folder/$program" | grep 'not found')"
  fi
  grep -Fxq "$prefix/bin/$program" "$build/install_manifest.txt" ||
    fail "the link bin/$program is missing from the install manifest"
done
if [[ $with_app != 1 && -e $folder/wordlark ]]; then
  fail "wordlark installed although the application is not built"
fi
if [[ -d $build/bin/qtwebengine_dictionaries ]]; then
  diff -r "$build/bin/qtwebengine_dictionaries" "$folder/qtwebengine_dictionaries" >&2 ||
    fail "the spelling dictionaries are not installed as built"
  grep -q "^Files: lib/wordlark/qtwebengine_dictionaries/" "$prefix/share/doc/wordlark/copyright" &&
    grep -q "SCOWL" "$prefix/share/doc/wordlark/copyright" ||
    fail "the copyright file does not carry the spelling dictionary's"
elif [[ -e $folder/qtwebengine_dictionaries ]]; then
  fail "dictionaries installed although the build has none"
fi
compgen -G "$source/Templates/*.tem" >/dev/null || fail "no templates in $source/Templates"
for dir in Templates examples; do
  diff -r "$source/$dir" "$folder/$dir" >&2 || fail "$folder/$dir differs from $source/$dir"
  [[ -z $(find "$folder/$dir" -type f -perm /111) ]] || fail "executable files in $folder/$dir"
done
check_links "$prefix"

# Every command answers --version with the project's version and has a manual
# page that man reads without complaint.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
for program in "${programs[@]}"; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$program" --version 2>&1)
  [[ $out == "$version" ]] || fail "$program --version prints '$out', not '$version'"
  page=$prefix/share/man/man1/$program.1.gz
  if [[ ! -f $page ]]; then
    fail "no manual page $page"
  elif command -v man >/dev/null; then
    text=$(MANWIDTH=80 man --warnings -l "$page" 2>"$work/man.err")
    [[ ! -s $work/man.err ]] || fail "man complains about $page: $(cat "$work/man.err")"
    grep -Eq "^ *$program +- " <<<"$text" || fail "$page has no NAME line for $program"
    grep -q -- "--version" <<<"$text" || fail "$page does not describe --version"
  fi
done
[[ -f $prefix/share/doc/wordlark/copyright ]] || fail "no copyright file in share/doc/wordlark"
[[ $(zcat "$prefix/share/doc/wordlark/changelog.gz" 2>/dev/null | sed -n 1p) == "wordlark ($version) "* ]] ||
  fail "the changelog does not start with version $version"

# Desktop entry and icons, with the application only.
desktop=$prefix/share/applications/wordlark.desktop
svg=$prefix/share/icons/hicolor/scalable/apps/wordlark.svg
png=$prefix/share/icons/hicolor/256x256/apps/wordlark.png
if [[ $with_app == 1 ]]; then
  if [[ ! -f $desktop ]]; then
    fail "no $desktop"
  else
    if command -v desktop-file-validate >/dev/null; then
      desktop-file-validate "$desktop" >&2 || fail "desktop-file-validate rejects $desktop"
    else
      echo "desktop-file-validate not found: the desktop entry is not validated" >&2
    fi
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [[ -n $exec_name && -L $prefix/bin/$exec_name && -x $prefix/bin/$exec_name ]] ||
      fail "the desktop entry starts '$exec_name', which is not installed in bin"
    icon_name=$(sed -n 's/^Icon=//p' "$desktop")
    [[ $icon_name == wordlark ]] || fail "the desktop entry names the icon '$icon_name'"
    grep -qx 'Exec=wordlark %f' "$desktop" || fail "the desktop entry does not pass the file (%f)"
    grep -qx 'MimeType=application/x-wordlark-letter;' "$desktop" ||
      fail "the desktop entry does not name the letter type"
  fi
  # The letter type as the file manager's database sees it: *.set files, and
  # letters by their first entry whatever their name.
  mime=$prefix/share/mime/packages/wordlark.xml
  if [[ ! -f $mime ]]; then
    fail "no $mime"
  elif command -v update-mime-database >/dev/null; then
    mkdir -p "$work/mime/packages"
    cp "$mime" "$work/mime/packages/"
    if ! XDG_DATA_DIRS=$work update-mime-database "$work/mime" >"$work/mime.log" 2>&1 || [[ -s $work/mime.log ]]; then
      fail "update-mime-database rejects $mime: $(cat "$work/mime.log")"
    fi
    grep -qx '[0-9]*:application/x-wordlark-letter:\*\.set' "$work/mime/globs2" ||
      fail "the letter type does not claim *.set"
    grep -Fq 'application/x-wordlark-letter' "$work/mime/magic" ||
      fail "the letter type has no magic"
    [[ $(head -c 15 "$source/examples/sample-letter/letter.set") == '<%%PageTitle%%>' ]] ||
      fail "the sample letter does not start as the magic expects"
  fi
  # The software centre's entry.
  metainfo=$(compgen -G "$prefix/share/metainfo/*.metainfo.xml")
  if [[ -z $metainfo ]]; then
    fail "no AppStream metainfo in $prefix/share/metainfo"
  else
    if command -v appstreamcli >/dev/null; then
      appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
        fail "appstreamcli rejects $metainfo: $(cat "$work/appstream.log")"
    else
      echo "appstreamcli not found: the metainfo is not validated" >&2
    fi
    [[ $(basename "$metainfo") == "$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "$metainfo").metainfo.xml" ]] ||
      fail "$metainfo is not named after its component id"
    grep -Fq '<launchable type="desktop-id">wordlark.desktop</launchable>' "$metainfo" ||
      fail "the metainfo does not launch wordlark.desktop"
    shots=$(sed -n 's|.*<image>.*/\([^/<]*\)</image>.*|\1|p' "$metainfo")
    [[ -n $shots ]] || fail "the metainfo shows no screenshots"
    for shot in $shots; do
      [[ -f $source/docs/screenshots/$shot ]] || fail "the metainfo shows $shot, which docs/screenshots lacks"
    done
  fi
  if [[ ! -f $svg ]] || ! grep -q '<svg' "$svg"; then
    fail "no SVG icon at $svg"
  elif command -v xmllint >/dev/null && ! xmllint --noout "$svg"; then
    fail "$svg is not well-formed"
  fi
  # A PNG starts with its signature and the IHDR chunk: width and height as
  # big-endian 32-bit numbers at offsets 16 and 20.
  if [[ ! -f $png ]]; then
    fail "no PNG icon at $png"
  else
    read -r -a head <<<"$(od -An -v -tu1 -N24 "$png" | tr -s "\n" " ")"
    signature="${head[*]:0:8}"
    width=$(((head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19]))
    height=$(((head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23]))
    [[ $signature == "137 80 78 71 13 10 26 10" && $width == 256 && $height == 256 ]] ||
      fail "$png is not a 256x256 PNG (signature $signature, ${width}x$height)"
  fi
else
  for dir in applications icons mime metainfo; do
    [[ ! -e $prefix/share/$dir ]] || fail "share/$dir installed without the application"
  done
fi

# The sample letter rendered through the link, from an unrelated folder, with
# the installed copy of the example.
letter=$folder/examples/sample-letter/letter.set
mkdir -p "$work/site" "$work/elsewhere"
if ! (cd "$work/elsewhere" &&
  "$prefix/bin/wordlark-render" "$letter" "$work/site/index.html" >/dev/null 2>"$work/render.err"); then
  fail "wordlark-render through the link failed: $(cat "$work/render.err")"
else
  [[ ! -s $work/render.err ]] || fail "wordlark-render complained: $(cat "$work/render.err")"
  page=$work/site/index.html
  for text in "Marta Kowalski" "Finally: Bake a Crackling, Open-Crumb Sourdough Loaf" \
    "https://example.com/order/sourdough-made-simple"; do
    grep -Fq "$text" "$page" || fail "the page lacks '$text'"
  done
  ! grep -Fq '%%' "$page" || fail "the page still holds template fields"
  for picture in header.jpg cover.jpg; do
    cmp -s "$folder/examples/sample-letter/$picture" "$work/site/$picture" ||
      fail "$picture was not copied beside the page"
  done
fi

# Without the installed Templates folder the same command fails and names that
# folder: the page above came from the installed templates.
mv "$folder/Templates" "$work/Templates.away"
mkdir "$work/site2"
if (cd "$work/elsewhere" &&
  "$prefix/bin/wordlark-render" "$letter" "$work/site2/index.html" >/dev/null 2>"$work/render.err"); then
  fail "wordlark-render succeeded without the installed templates"
fi
grep -Fq "$folder/Templates" "$work/render.err" ||
  fail "the failure does not name $folder/Templates: $(cat "$work/render.err")"
[[ ! -e $work/site2/index.html ]] || fail "a page was written without templates"
mv "$work/Templates.away" "$folder/Templates"

# Staged with DESTDIR: everything lands under the stage, nothing at the prefix.
final=$work/final
install_into "$final" "$work/stage"
[[ ! -e $final ]] || fail "installing with DESTDIR wrote to the prefix itself"
check_links "$work/stage$final"
diff -r "$source/Templates" "$work/stage$final/lib/wordlark/Templates" >&2 ||
  fail "the staged Templates folder differs from $source/Templates"

if ((failures > 0)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "install layout: all checks passed (${programs[*]})"
