#!/usr/bin/env bash
# Fetches the pinned source of the database engine (SQLCipher's amalgamation, as carried
# by an npm package) into external/sqlcipher/, checks its sha256 and keeps only the
# source and the licences. Nothing of it is committed; CMake builds it from there.
set -euo pipefail
cd "$(dirname "$0")/.."
package=@journeyapps/sqlcipher
version=6.0.0
sha256=ad3ee0e551de315b230db78e2294d41868b5c166d44c0c87da35fb6b87bde54c
target=external/sqlcipher
stamp=$target/PINNED

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$package@$version $sha256" ]; then
    exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "$package@$version" >/dev/null)
tarball=$(ls "$work"/*.tgz)
if ! echo "$sha256  $tarball" | sha256sum --check --status; then
    echo "fetch-engine: $package@$version does not have the pinned sha256; not using it" >&2
    exit 1
fi
tar -xzf "$tarball" -C "$work" package/LICENSE package/deps/sqlcipher-amalgamation
rm -rf "$target"
mkdir -p "$target"
cp "$work"/package/deps/sqlcipher-amalgamation/{sqlite3.c,sqlite3.h,VERSION.txt} "$target"/
cp "$work"/package/LICENSE "$target"/LICENSE.npm-package
# SQLCipher's own licence is the notice at the head of its part of the amalgamation.
sed -n '/Copyright (c) 2008-20[0-9]*, ZETETIC LLC/,/SUCH DAMAGE\./p' "$target"/sqlite3.c > "$target"/LICENSE.sqlcipher
echo "$package@$version $sha256" > "$stamp"
