#!/usr/bin/env bash
# Builds the Debian package of this build and checks it as the package manager
# and a user see it: its control fields and contents, lintian, the metainfo,
# desktop entry and letter type it ships; then, as root, installs it with dpkg,
# renders the sample letter with /usr/bin/wordlark-render as an ordinary user,
# removes it and checks that every file it brought has gone, and installs it
# once more with apt-get, which must resolve its dependencies (also on a
# machine with no package installed yet, simulated).
#
# The machine is left as it was: the package is removed at the end whatever
# happened, the test does nothing when a wordlark package or any of its files
# is already there, and one lock keeps two runs of it apart.
#
# Usage: package_test.sh CPACK BUILD_DIR SOURCE_DIR SANITIZED(0|1) WITH_APP(0|1)
# Exit status 77: skipped (a sanitizer build, or the part that needs root).
set -uo pipefail

if (($# != 5)); then
  echo "usage: $0 CPACK BUILD_DIR SOURCE_DIR SANITIZED WITH_APP" >&2
  exit 2
fi
cpack=$1
build=$2
source=$3
sanitized=$4
with_app=$5

if [[ $sanitized == 1 ]]; then
  echo "skipped: the package is made from the plain build, not from the sanitizer build"
  exit 77
fi
for tool in dpkg-deb lintian; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAIL: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done

work=$(mktemp -d)
chmod 755 "$work"
installed_by_us=0
apt_added=()
package_status() { dpkg-query -W -f='${Status}' wordlark 2>/dev/null; }
cleanup() {
  local status
  status=$(package_status)
  if ((installed_by_us)) && [[ -n $status && $status != *not-installed ]]; then
    echo "removing the package left behind ($status)" >&2
    dpkg --purge wordlark >&2
  fi
  if ((${#apt_added[@]} > 0)); then
    echo "removing what apt-get installed with it: ${apt_added[*]}" >&2
    dpkg --purge "${apt_added[@]}" >&2
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
finish() {
  if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
programs=(wordlark-render wordlark-brand)
if [[ $with_app == 1 ]]; then
  programs+=(wordlark)
fi

# --- The package file ---------------------------------------------------------
if ! (cd "$build" && "$cpack" --config CPackConfig.cmake -G DEB -B "$work/out" >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack could not build the package" >&2
  exit 1
fi
deb=$work/out/wordlark_${version}_${arch}.deb
if [[ ! -f $deb ]]; then
  ls "$work/out" >&2
  echo "FAIL: no $deb" >&2
  exit 1
fi

field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == wordlark ]] || fail "Package is '$(field Package)'"
[[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)', not $version"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture is '$(field Architecture)'"
[[ -n $(field Section) ]] || fail "no Section"
[[ $(field Maintainer) == *'<'*'@'*'>' ]] || fail "Maintainer '$(field Maintainer)' has no address"
description=$(field Description)
[[ $(wc -l <<<"$description") -ge 3 ]] || fail "the description has no extended text"
# Computed from the executables: the C library, and Qt only with the application.
depends=$(field Depends)
[[ $depends == *"libc6 (>= "* && $depends == *"libssl3"* ]] || fail "Depends lacks libc6 or libssl3: $depends"
if [[ $with_app == 1 && $depends != *libqt6webenginewidgets6* ]]; then
  fail "Depends lacks the web engine: $depends"
fi

dpkg-deb --extract "$deb" "$work/root" || fail "dpkg-deb cannot extract the package"
root=$work/root
dpkg-deb --contents "$deb" | awk '{print $1, $2}' | grep -v '^[dl-][rwx-]\{9\} root/root$' >&2 &&
  fail "entries not owned by root or of an odd type"
folder=$root/usr/lib/wordlark
for program in "${programs[@]}"; do
  [[ -f $folder/$program && -x $folder/$program ]] || fail "no executable /usr/lib/wordlark/$program"
  [[ $(readlink "$root/usr/bin/$program") == "../lib/wordlark/$program" ]] ||
    fail "/usr/bin/$program is not a link to ../lib/wordlark/$program"
  [[ -f $root/usr/share/man/man1/$program.1.gz ]] || fail "no manual page for $program"
  out=$("$folder/$program" --version 2>&1)
  [[ $out == "$version" ]] || fail "$program --version prints '$out', not $version"
  if [[ $(file -b "$folder/$program") == *"not stripped"* ]]; then
    fail "$program is not stripped"
  fi
done
for dir in Templates examples; do
  diff -r "$source/$dir" "$folder/$dir" >&2 || fail "/usr/lib/wordlark/$dir differs from $dir"
done
if [[ -d $build/bin/qtwebengine_dictionaries ]]; then
  diff -r "$build/bin/qtwebengine_dictionaries" "$folder/qtwebengine_dictionaries" >&2 ||
    fail "the spelling dictionaries are not packed as built"
else
  [[ ! -e $folder/qtwebengine_dictionaries ]] || fail "dictionaries packed although none were built"
fi
[[ -f $root/usr/share/doc/wordlark/copyright ]] || fail "no copyright file"
[[ $(zcat "$root/usr/share/doc/wordlark/changelog.gz" 2>/dev/null | sed -n 1p) == "wordlark ($version) "* ]] ||
  fail "the changelog's first entry is not version $version"

if [[ $with_app == 1 ]]; then
  desktop=$root/usr/share/applications/wordlark.desktop
  metainfo=$(compgen -G "$root/usr/share/metainfo/*.metainfo.xml")
  mime=$root/usr/share/mime/packages/wordlark.xml
  for file in "$desktop" "$mime" "$metainfo" "$root/usr/share/icons/hicolor/256x256/apps/wordlark.png" \
    "$root/usr/share/icons/hicolor/scalable/apps/wordlark.svg"; do
    [[ -n $file && -f $file ]] || fail "missing from the package: ${file#"$root"}"
  done
  grep -qx 'MimeType=application/x-wordlark-letter;' "$desktop" || fail "the desktop entry names no letter type"
  grep -q '^Exec=wordlark %f$' "$desktop" || fail "the desktop entry does not pass the file (%f)"
  grep -Fq 'type="application/x-wordlark-letter"' "$mime" && grep -Fq 'pattern="*.set"' "$mime" ||
    fail "the shared-mime-info file does not define the letter type for *.set"
fi

# Lintian, as an ordinary user when this runs as root (it unpacks the package).
as_user=()
if [[ $(id -u) == 0 ]] && command -v setpriv >/dev/null && id nobody >/dev/null 2>&1; then
  as_user=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups env HOME=/nonexistent)
  chmod 644 "$deb"
  chmod 755 "$work/out"
fi
(cd / && "${as_user[@]}" lintian --fail-on error,warning --display-info "$deb") >"$work/lintian.log" 2>&1
lintian_status=$?
echo "lintian:"
sed 's/^/  /' "$work/lintian.log"
((lintian_status == 0)) || fail "lintian reports errors or warnings"

finish

# --- Installed with dpkg and apt-get (root only) -------------------------------
if [[ $(id -u) != 0 ]]; then
  echo "skipped: installing and removing the package needs root (the package itself passed)"
  exit 77
fi

# One run at a time on this machine: another worktree's suite may run it too.
lock_dir=/run/lock
[[ -d $lock_dir && -w $lock_dir ]] || lock_dir=/tmp
exec 9>"$lock_dir/wordlark-package-test.lock"
if ! flock -w 600 9; then
  echo "FAIL: another run of this test holds the lock for too long" >&2
  exit 1
fi

status=$(package_status)
if [[ -n $status && $status != *not-installed ]]; then
  echo "skipped: a wordlark package is on this machine already ($status); it is left alone"
  exit 77
fi
# Files the package would bring and the directories it would create.
mapfile -t entries < <(dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | grep -v '^/*$')
new_dirs=()
for entry in "${entries[@]}"; do
  if [[ -d $root$entry && ! -L $root$entry ]]; then
    [[ -e $entry ]] || new_dirs+=("$entry")
  elif [[ -e $entry || -L $entry ]]; then
    echo "skipped: $entry is on this machine already; installing over it would replace it"
    exit 77
  fi
done

# What the package manager's triggers rebuild must come back as it was.
caches=(/usr/share/mime/globs2 /usr/share/mime/magic /usr/share/applications/mimeinfo.cache
  /usr/share/icons/hicolor/icon-theme.cache)
snapshot() {
  local cache
  for cache in "${caches[@]}"; do
    if [[ -e $cache ]]; then sha256sum "$cache"; else echo "absent $cache"; fi
  done
}
snapshot >"$work/caches.before"

installed_packages() {
  dpkg-query -W -f='${db:Status-Abbrev} ${Package}:${Architecture}\n' | awk '$1 ~ /^.i/ {print $2}' | sort
}
installed_packages >"$work/packages.before"

installed_by_us=1
if ! dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
  cat "$work/dpkg.log" >&2
  fail "dpkg -i failed"
  finish
fi

# Rendered through the command on the PATH by a user who cannot write to
# the program folder, into a folder of their own.
site=$work/site
mkdir -p "$site"
render_user=()
if ((${#as_user[@]} > 0)); then
  chown nobody "$site"
  render_user=("${as_user[@]}")
fi
if ! (cd "$site" && "${render_user[@]}" /usr/bin/wordlark-render \
  /usr/lib/wordlark/examples/sample-letter/letter.set "$site/index.html" >"$work/render.out" 2>&1); then
  fail "wordlark-render failed: $(cat "$work/render.out")"
else
  for text in "Marta Kowalski" "https://example.com/order/sourdough-made-simple"; do
    grep -Fq "$text" "$site/index.html" || fail "the rendered page lacks '$text'"
  done
  cmp -s /usr/lib/wordlark/examples/sample-letter/cover.jpg "$site/cover.jpg" ||
    fail "the cover picture was not copied beside the page"
fi
for program in "${programs[@]}"; do
  out=$("/usr/bin/$program" --version 2>&1)
  [[ $out == "$version" ]] || fail "/usr/bin/$program --version prints '$out'"
  if command -v man >/dev/null; then
    [[ $(man -w "$program" 2>/dev/null) == "/usr/share/man/man1/$program.1.gz" ]] ||
      fail "man does not find the page of $program"
  fi
done
# The triggers registered the letter type and the program that opens it.
if [[ $with_app == 1 ]]; then
  if command -v update-mime-database >/dev/null; then
    grep -q ':application/x-wordlark-letter:\*\.set$' /usr/share/mime/globs2 ||
      fail "the shared MIME database does not know *.set letters"
  fi
  if command -v update-desktop-database >/dev/null; then
    grep -q '^application/x-wordlark-letter=wordlark.desktop;' /usr/share/applications/mimeinfo.cache ||
      fail "the desktop database does not open letters with wordlark.desktop"
  fi
  # As a file manager sees a letter: by its name, and by its content without one.
  if command -v gio >/dev/null; then
    cp /usr/lib/wordlark/examples/sample-letter/letter.set "$work/letter.set"
    cp "$work/letter.set" "$work/letter-without-extension"
    for letter in "$work/letter.set" "$work/letter-without-extension"; do
      type=$(gio info -a standard::content-type "$letter" | sed -n 's/^ *standard::content-type: //p')
      [[ $type == application/x-wordlark-letter ]] || fail "gio takes $(basename "$letter") for '$type'"
    done
    handler=$(LC_ALL=C gio mime application/x-wordlark-letter 2>&1)
    grep -q '^Default application .*: wordlark.desktop$' <<<"$handler" ||
      fail "wordlark.desktop is not the default application for letters: $handler"
  fi
fi

mapfile -t owned < <(dpkg-query -L wordlark)
if ! dpkg -r wordlark >"$work/dpkg.log" 2>&1; then
  cat "$work/dpkg.log" >&2
  fail "dpkg -r failed"
fi
for path in "${owned[@]}"; do
  [[ $path == /. || -d $path && ! -L $path && ! " ${new_dirs[*]} " =~ " $path " ]] && continue
  [[ ! -e $path && ! -L $path ]] || fail "$path is still there after dpkg -r"
done
[[ $(package_status) == *not-installed || -z $(package_status) ]] ||
  fail "dpkg still lists wordlark after dpkg -r: $(package_status)"

# apt-get installs the file with its dependencies (all present on a machine
# that builds the program; whatever it adds is removed again at the end).
cp "$deb" "$work/apt.deb" && chmod 644 "$work/apt.deb"
mkdir -m 755 "$work/apt" && mv "$work/apt.deb" "$work/apt/$(basename "$deb")"
if ! DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
  -o DPkg::Lock::Timeout=300 "$work/apt/$(basename "$deb")" >"$work/apt.log" 2>&1; then
  cat "$work/apt.log" >&2
  fail "apt-get install failed"
fi
mapfile -t apt_added < <(comm -13 "$work/packages.before" <(installed_packages) | grep -v '^wordlark:')
[[ $(package_status) == "install ok installed" ]] ||
  fail "apt-get did not install wordlark"
/usr/bin/wordlark-render --version >/dev/null 2>&1 || fail "wordlark-render does not run after apt-get"
dpkg -r wordlark >"$work/dpkg.log" 2>&1 || fail "dpkg -r after apt-get failed: $(cat "$work/dpkg.log")"
if ((${#apt_added[@]} > 0)); then
  dpkg --purge "${apt_added[@]}" >&2 && apt_added=()
fi
installed_by_us=0

snapshot >"$work/caches.after"
diff "$work/caches.before" "$work/caches.after" >&2 ||
  fail "the package manager's caches differ from before the installation"

# A machine on which nothing is installed yet: apt must find every package the
# dependencies need in the archive (simulated against an empty package state).
if compgen -G "/var/lib/apt/lists/*_Packages*" >/dev/null; then
  : >"$work/empty-status"
  if ! apt-get -s -o Dir::State::status="$work/empty-status" install \
    "$work/apt/$(basename "$deb")" >"$work/fresh.log" 2>&1; then
    tail -20 "$work/fresh.log" >&2
    fail "apt-get cannot resolve the dependencies on a machine with nothing installed"
  elif ! grep -q "^Inst wordlark ($version " "$work/fresh.log"; then
    fail "the simulated installation on a fresh machine does not install wordlark"
  else
    echo "a fresh machine: apt-get resolves $(grep -c '^Inst ' "$work/fresh.log") packages"
  fi
else
  echo "no package lists (apt-get update has not run): the fresh-machine resolution is not checked"
fi

finish
echo "debian package: all checks passed ($(basename "$deb"))"
