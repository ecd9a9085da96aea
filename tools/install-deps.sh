#!/usr/bin/env bash
# Installs the Debian packages listed in tools/debian-packages.txt (and the comma-decimal
# locale that the tests use) when they are missing. Does nothing when all are present.
# Works as root or through sudo.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$here/debian-packages.txt" | grep -v '^$')
missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -q
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# A comma-decimal locale, so the tests can prove numbers never follow the user's locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "install-deps: generating the de_DE.UTF-8 locale"
  if [ -f /etc/locale.gen ] && grep -q '^# *de_DE.UTF-8 UTF-8' /etc/locale.gen; then
    as_root sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'de_DE.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  fi
  as_root locale-gen >/dev/null
fi

# npm packages, when the project has any: installed exactly as tools/npm/package-lock.json pins
# them, with `npm ci`, again whenever the lock file changes. Browsers are Debian's (chromium in the
# list above); nothing here downloads one.
npm_dir="$here/npm"
if [ -f "$npm_dir/package.json" ]; then
  if ! command -v npm >/dev/null 2>&1; then
    echo "install-deps: installing npm"
    export DEBIAN_FRONTEND=noninteractive
    as_root apt-get update -q
    as_root apt-get install -y -q --no-install-recommends npm
  fi
  lock_sum=$(sha256sum "$npm_dir/package-lock.json" | cut -d' ' -f1)
  stamp="$npm_dir/node_modules/.installed-lock"
  if [ "$(cat "$stamp" 2>/dev/null || true)" != "$lock_sum" ]; then
    echo "install-deps: installing npm packages"
    (cd "$npm_dir" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
    echo "$lock_sum" > "$stamp"
  fi
fi
