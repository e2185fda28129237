#!/usr/bin/env bash
# Builds the Debian package from a build tree into a temporary folder and checks its name, its
# control fields and its file list. Usage: check-package.sh CPACK BUILD-DIR VERSION
set -euo pipefail
cpack=$1 build=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# gzip instead of xz: the check is about the contents, and xz takes long on large test builds.
"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip \
    >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
arch=$(dpkg --print-architecture)
deb="$work/ledra_${version}_${arch}.deb"
[ -f "$deb" ] || { echo "no $deb:"; ls "$work"; exit 1; }

fail=0
field() { dpkg-deb --field "$deb" "$1"; }
expect_field() {
    local got
    got=$(field "$1")
    case "$got" in
        $2) ;;
        *) echo "field $1 is '$got', expected $2"; fail=1 ;;
    esac
}
expect_field Package ledra
expect_field Version "$version"
expect_field Architecture "$arch"
for dep in 'libqt6widgets6*' 'libqt6gui6*' 'libqt6core6*' 'libsqlite3-0*' qt6-qpa-plugins \
           libqt6svg6 breeze-icon-theme; do
    field Depends | tr ',' '\n' | sed 's/^ *//' | grep -q "^${dep//\*/.*}\$" ||
        { echo "Depends lacks $dep: $(field Depends)"; fail=1; }
done

# Files (not folders): mode, owner and path.
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $1, $2, $6 }' | sort -k3 >"$work/files"
cat >"$work/expected" <<LIST
-rwxr-xr-x root/root ./usr/bin/ledra
-rwxr-xr-x root/root ./usr/bin/ledra-cli
-rw-r--r-- root/root ./usr/share/applications/ledra.desktop
-rw-r--r-- root/root ./usr/share/bash-completion/completions/ledra-cli
-rw-r--r-- root/root ./usr/share/doc/ledra/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/ledra/copyright
-rw-r--r-- root/root ./usr/share/icons/hicolor/scalable/apps/ledra.svg
-rw-r--r-- root/root ./usr/share/man/man1/ledra-cli.1.gz
-rw-r--r-- root/root ./usr/share/man/man1/ledra.1.gz
-rw-r--r-- root/root ./usr/share/mime/packages/ledra-catalog.xml
LIST
sort -k3 -o "$work/expected" "$work/expected"
diff -u "$work/expected" "$work/files" || { echo "file list differs"; fail=1; }

# Folders are world-readable, whatever the builder's umask.
if dpkg-deb --contents "$deb" | awk '$1 ~ /^d/ && $1 != "drwxr-xr-x"' | grep .; then
    echo "folders with other modes"; fail=1
fi

# The packaged program is the one built, and tells its version.
dpkg-deb -x "$deb" "$work/root"
got=$("$work/root/usr/bin/ledra-cli" --version)
[ "$got" = "ledra-cli $version" ] || { echo "ledra-cli --version said '$got'"; fail=1; }
exit $fail
