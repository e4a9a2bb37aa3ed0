// The Debian package as a user gets it: built with Debian's tools and checked by lintian,
// installed with dpkg, then Debian's chromium and firefox-esr, started as a user starts them
// with fresh profiles, quote a selection through the extension and the host the package
// brought; purged, it leaves nothing and the browsers offer nothing. The machine ends as it
// was: a package already installed skips the test, and a guard that outlives this process
// purges what it installed however the run ends.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, execFileSync } from 'node:child_process';
import { existsSync, lstatSync, readFileSync, readdirSync } from 'node:fs';
import path from 'node:path';
import { run, sourceDir, buildDir, limitRun, waitFor, tempDir, extensionDir } from '../browser/session.mjs';
import { Companion, PASSAGE } from '../browser/companion.mjs';

limitRun(540);  // below CTest's limit, so that whatever was started is still ended here

const asRoot = process.getuid() === 0 ? [] : ['sudo', '-n'];
const installedAlready = () => run(['dpkg-query', '-W', '-f=${Status}', 'quotemill']).then((r) => r.stdout.includes('ok installed'));
let skip = '';
let deb = '';
let files = [];  // what the package put on the machine (dpkg -L), with whether each was there before

// The extension's files, its languages among them, as an install must hold them.
const extensionFiles = readdirSync(extensionDir, { recursive: true, withFileTypes: true }).filter((e) => e.isFile())
  .map((e) => path.relative(extensionDir, path.join(e.parentPath ?? e.path, e.name))).sort();

before(async () => {
  if (asRoot.length && (await run(['sudo', '-n', 'true'])).status !== 0) skip = 'installing a package needs root or sudo';
  else if (await installedAlready()) skip = 'a quotemill package is installed on this machine already';
  if (skip) return;
  const built = await run(['sh', path.join(sourceDir, 'packaging/deb.sh'), path.join(buildDir, 'package-deb')],
    { timeout: 400000 });
  assert.equal(built.status, 0, built.stderr);
  deb = built.stdout.trim().split('\n').pop();
  assert.match(deb, /quotemill_\d+\.\d+\.\d+_[a-z0-9]+\.deb$/);
}, { timeout: 420000 });

test('lintian finds no error in the package', async (t) => {
  if (skip) return t.skip(skip);
  const r = await run(['lintian', '--fail-on', 'error', deb], { timeout: 120000 });
  assert.equal(r.status, 0, r.stdout + r.stderr);
  assert.doesNotMatch(r.stdout, /^E: /m);
});

test('installed, the browsers offer the default entries and quote through them; purged, nothing is left', { timeout: 300000 }, async (t) => {
  if (skip) return t.skip(skip);
  const listed = (await run(['dpkg-deb', '-c', deb])).stdout.split('\n').filter(Boolean)
      .map((line) => line.slice(line.indexOf('./') + 1).replace(/ -> .*$/, '').replace(/\/$/, '') || '/');
  // What the package's scripts make besides its files, and the folders above them.
  assert.deepEqual(extensionFiles.filter((f) => !listed.includes(`/usr/share/webext/quotemill/${f}`)), [],
    'the package lacks these files of the extension');
  const made = ['/etc/opt', '/etc/opt/chrome', '/etc/opt/chrome/native-messaging-hosts', '/etc/opt/edge',
    '/etc/opt/edge/native-messaging-hosts', '/var/lib/quotemill'];
  const existedBefore = new Map([...listed, ...made].map((p) => [p, existsIncludingLinks(p)]));
  // Purges the package once this process is gone, whatever ended it.
  const guard = spawn('sh', ['-c', `while kill -0 ${process.pid} 2>/dev/null; do sleep 1; done; ` +
    `dpkg-query -W -f='\${Status}' quotemill 2>/dev/null | grep -q 'ok installed' && ${asRoot.join(' ')} dpkg --purge quotemill`],
  { detached: true, stdio: 'ignore' });
  guard.unref();

  const installed = await run([...asRoot, 'dpkg', '-i', deb], { timeout: 120000 });
  assert.equal(installed.status, 0, installed.stdout + installed.stderr);
  files = [...listed, ...made];
  // Every browser's system-wide manifest names the installed host.
  for (const manifest of ['/etc/chromium/native-messaging-hosts/quotemill.json', '/etc/opt/chrome/native-messaging-hosts/quotemill.json',
    '/etc/opt/edge/native-messaging-hosts/quotemill.json', '/usr/lib/mozilla/native-messaging-hosts/quotemill.json'])
    assert.equal(JSON.parse(readFileSync(manifest, 'utf8')).path, '/usr/lib/quotemill/quotemill-host', manifest);

  for (const name of ['chromium', 'firefox']) {
    const c = new Companion(name, { installed: true });
    try {
      await c.start();
      assert.ok(await c.offersEntries(), `${name} offers the extension's entries`);
      await c.session.setClipboard(`before the pick in ${name}`);
      await c.pickFromMenu(1);
      await c.session.waitClipboard(`<a href="${c.url}">${PASSAGE}</a>`, 10000);
    } finally {
      await c.stop();
    }
  }

  const purged = await run([...asRoot, 'dpkg', '--purge', 'quotemill'], { timeout: 120000 });
  assert.equal(purged.status, 0, purged.stdout + purged.stderr);
  const changed = files.filter((p) => existedBefore.get(p) !== existsIncludingLinks(p));
  assert.deepEqual(changed, [], 'these are not as they were before the package');

  for (const name of ['chromium', 'firefox']) {
    const c = new Companion(name, { installed: true });
    try {
      await c.start();
      assert.equal(await c.offersEntries(), false, `${name} offers no entry once the package is gone`);
      if (name === 'firefox') {
        const addons = await waitFor(() => c.b.firefoxAddons(), 10000, 'Firefox to list its add-ons');
        assert.ok(!addons.some((a) => a.startsWith('companion@quotemill')), addons.join(', '));
      }
    } finally {
      await c.stop();
    }
  }
});

// A link counts as there even when what it names is gone.
function existsIncludingLinks(p) {
  try {
    lstatSync(p);
    return true;
  } catch {
    return false;
  }
}

// From source: an install into another prefix writes nothing outside it, its manifests name
// the host it installed, and the command on the PATH is that host; an install that may not
// write where the browsers look system-wide (no root) says so and finishes.
test('an install from source writes only where it may, and its manifests name its host', { timeout: 60000 }, async (t) => {
  if (skip) return t.skip(skip);
  const systemWide = ['/etc/chromium/native-messaging-hosts/quotemill.json', '/etc/opt/chrome/native-messaging-hosts/quotemill.json',
    '/etc/opt/edge/native-messaging-hosts/quotemill.json', '/usr/lib/mozilla/native-messaging-hosts/quotemill.json'];
  assert.deepEqual(systemWide.filter(existsIncludingLinks), [], 'no manifest of a package is installed');
  const home = tempDir('source-install');
  const prefix = path.join(home, 'prefix');
  const installed = await run(['cmake', '--install', buildDir, '--prefix', prefix], { timeout: 60000 });
  assert.equal(installed.status, 0, installed.stdout + installed.stderr);
  assert.deepEqual(systemWide.filter(existsIncludingLinks), [], 'the install wrote outside its prefix');
  const extension = path.join(prefix, 'share/quotemill/browser');
  assert.deepEqual(extensionFiles.filter((f) => !existsSync(path.join(extension, f))), [],
    'the install lacks these files of the extension');
  const host = path.join(prefix, 'lib/quotemill/quotemill-host');
  for (const browser of ['chromium', 'firefox'])
    assert.equal(JSON.parse(readFileSync(path.join(prefix, `lib/quotemill/manifests/${browser}.json`), 'utf8')).path, host);
  const printed = await run([path.join(prefix, 'bin/quotemill-host'), '--manifest', 'firefox']);
  assert.equal(JSON.parse(printed.stdout).path, host, 'the command on the PATH is the installed host');
  if (process.getuid() !== 0) return;
  // As a user without root, where the browsers look system-wide.
  execFileSync('chown', ['65534:65534', home]);
  const script = await run(['setpriv', '--reuid=65534', '--regid=65534', '--clear-groups', 'cmake',
    `-Dhost_program=${path.join(buildDir, 'quotemill-host')}`, '-Dprivate_dir=lib/quotemill', '-Dmode=copy',
    `-DCMAKE_INSTALL_PREFIX=${home}/user`, '-P', path.join(sourceDir, 'packaging/install_manifests.cmake')], { timeout: 30000 });
  assert.equal(script.status, 0, script.stdout + script.stderr);
  assert.equal((script.stdout.match(/Skipped: \/(etc|usr)\//g) ?? []).length, 4, script.stdout);
  assert.ok(existsSync(path.join(home, 'user/lib/quotemill/manifests/firefox.json')));
});

after(async () => {
  if (skip || !deb) return;
  if (await installedAlready()) await run([...asRoot, 'dpkg', '--purge', 'quotemill'], { timeout: 120000 });
});
