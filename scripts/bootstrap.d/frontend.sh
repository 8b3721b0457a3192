# Front-end pieces, sourced at the end of scripts/bootstrap (it provides say, die, as_root and
# fetch_npm): Debian's chromium for the browser tests, the pinned Monaco editor bundle under
# public/vendor/monaco/, and the pinned playwright-core under tests/browser/node_modules.
# Every step first checks whether its work is already done, so a second run changes nothing.

# fetch_npm cleans up through a RETURN trap that outlives the call; left set, it would fire
# again, with its variable gone, when this file returns. Clear it before and after use.
trap - RETURN

monaco_version=0.52.2
monaco_integrity=sha512-GEQWEZmfkOGLdd3XK8ryrfWz3AIP8YymVXiPHEdewrUq7mh0qrKrfHLNCXcbB6sTnMLnOZ3ztSiKcciFUkIJwQ==
monaco_dir=public/vendor/monaco

# ---- chromium (the browser tests drive /usr/bin/chromium, never a downloaded build) ----
if [ ! -x /usr/bin/chromium ]; then
  say "installing Debian's chromium for the browser tests"
  export DEBIAN_FRONTEND=noninteractive
  if ! as_root apt-get install -y --no-install-recommends chromium >/dev/null 2>&1; then
    as_root apt-get update >/dev/null 2>&1 || true
    as_root apt-get install -y --no-install-recommends chromium >/dev/null 2>&1 \
      || die "could not install the Debian package chromium"
  fi
fi

# ---- Monaco: its min/vs folder becomes public/vendor/monaco/vs ----
if [ "$(cat "$monaco_dir/VERSION" 2>/dev/null)" != "$monaco_version" ] \
   || [ ! -f "$monaco_dir/vs/loader.js" ] || [ ! -f "$monaco_dir/vs/editor/editor.main.js" ]; then
  say "fetching monaco-editor $monaco_version"
  fetch_npm monaco-editor "$monaco_version" "$monaco_integrity" public/vendor/.monaco-pack
  trap - RETURN
  rm -rf "$monaco_dir" && mkdir -p "$monaco_dir"
  cp -R public/vendor/.monaco-pack/package/min/vs "$monaco_dir/vs"
  cp public/vendor/.monaco-pack/package/LICENSE "$monaco_dir/LICENSE"
  rm -rf public/vendor/.monaco-pack
  echo "$monaco_version" > "$monaco_dir/VERSION"
fi

# ---- playwright-core, exactly as tests/browser/package-lock.json pins it ----
# The tests run on Debian 12's own node, which is Node 18: the pin stays at 1.61.x, the last
# playwright-core that runs there (1.62 and later require Node 20).
command -v node >/dev/null 2>&1 || die "node is missing (the Debian package nodejs provides it)"
pw_wanted=$(cd tests/browser && node -p \
  'require("./package-lock.json").packages["node_modules/playwright-core"].version')
pw_have=$(cd tests/browser && node -p 'require("./node_modules/playwright-core/package.json").version' \
  2>/dev/null || true)
if [ "$pw_have" != "$pw_wanted" ]; then
  say "installing playwright-core $pw_wanted for the browser tests"
  (cd tests/browser && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund >/dev/null 2>&1) \
    || die "could not install the browser-test packages (npm ci in tests/browser)"
fi
