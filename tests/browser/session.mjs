// Support for the browser tests and the benchmark: a private Xvfb with openbox, bounded
// runs of X clients on it, a page server on 127.0.0.1, a profile with the host manifest,
// and the installed Chromium or Firefox ESR with the extension loaded. Every wait is
// bounded, nothing reaches the user's own display or clipboard, and whatever is started
// here is ended when the run ends, however it ends.
import { spawn, execFile } from 'node:child_process';
import { mkdtempSync, rmSync, mkdirSync, writeFileSync, existsSync, readFileSync, copyFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceDir = path.resolve(here, '../..');
export const extensionDir = path.join(sourceDir, 'browser');
export const buildDir = process.env.QM_BUILD_DIR ?? path.join(sourceDir, 'build');
export const EXTENSION_ID = 'jgcpamnnnpmnggajmpdfmnfahmbihlik';
// Firefox names an add-on's pages by an internal id; the test profile fixes it.
const FIREFOX_UUID = '5a1c6f0e-8b7d-4c2a-9e3f-0d4b6a7c8e91';

// Process groups and folders to end and remove when the run ends.
const groups = new Set();
const folders = new Set();
function endAll() {
  for (const pid of groups) {
    try { process.kill(-pid, 'SIGKILL'); } catch { /* gone already */ }
  }
  groups.clear();
  for (const dir of folders) rmSync(dir, { recursive: true, force: true });
  folders.clear();
}
process.on('exit', endAll);
for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
  process.on(signal, () => {
    endAll();
    process.exit(128 + (signal === 'SIGINT' ? 2 : signal === 'SIGTERM' ? 15 : 1));
  });
}

// Ends the whole run, and all it started, after `seconds`: a run never outlives its bound.
export function limitRun(seconds) {
  setTimeout(() => {
    console.error(`the run took longer than ${seconds} s and was stopped`);
    endAll();
    process.exit(124);
  }, seconds * 1000).unref();
}

export function tempDir(name) {
  const dir = mkdtempSync(path.join(tmpdir(), `qm-${name}-`));
  folders.add(dir);
  return dir;
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Polls `probe` until it returns something other than undefined/false, at most `ms`.
export async function waitFor(probe, ms, what) {
  const deadline = Date.now() + ms;
  const late = Symbol('late');
  for (;;) {
    // A probe that never answers (a page call during a navigation) is bounded as well.
    let timer;
    const expiry = new Promise((resolve) => { timer = setTimeout(resolve, Math.max(0, deadline - Date.now()), late); });
    const last = await Promise.race([probe(), expiry]).finally(() => clearTimeout(timer));
    if (last !== late && last !== undefined && last !== false && last !== null) return last;
    if (last === late || Date.now() >= deadline) throw new Error(`timed out after ${ms} ms waiting for ${what}`);
    await sleep(40);
  }
}

// The environment of everything started here: never the user's desktop.
function baseEnv(display, extra = {}) {
  const env = { ...process.env };
  for (const name of ['DISPLAY', 'WAYLAND_DISPLAY', 'XAUTHORITY', 'LC_ALL', 'DBUS_SESSION_BUS_ADDRESS'])
    delete env[name];
  return { ...env, LANG: 'C.UTF-8', DISPLAY: display, ...extra };
}

// Runs a program to its end, killed at the bound.
export function run(argv, { env, timeout = 5000, input } = {}) {
  return new Promise((resolve) => {
    const child = execFile(argv[0], argv.slice(1), { env, timeout, killSignal: 'SIGKILL', encoding: 'utf8',
      maxBuffer: 64 << 20 }, (error, stdout, stderr) => {
      resolve({ status: error ? (error.killed ? -1 : (error.code ?? -1)) : 0, stdout, stderr,
        timedOut: Boolean(error?.killed) });
    });
    if (input !== undefined) child.stdin.end(input);
  });
}

function startGroup(argv, options) {
  const child = spawn(argv[0], argv.slice(1), { detached: true, ...options });
  groups.add(child.pid);
  child.on('exit', () => groups.delete(child.pid));
  return child;
}

export class XSession {
  static async start() {
    const session = new XSession();
    const xvfb = startGroup(['Xvfb', '-displayfd', '3', '-noreset', '-nolisten', 'tcp', '-screen', '0', '1280x1024x24'],
      { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    session.xvfb = xvfb;
    const number = await new Promise((resolve, reject) => {
      let text = '';
      const timer = setTimeout(() => reject(new Error('Xvfb did not start in 20 s')), 20000);
      xvfb.stdio[3].on('data', (chunk) => {
        text += chunk;
        if (text.includes('\n')) { clearTimeout(timer); resolve(text.trim()); }
      });
      xvfb.on('exit', () => { clearTimeout(timer); reject(new Error('Xvfb exited')); });
    });
    session.display = `:${number}`;
    session.env = baseEnv(session.display);
    // The system-wide configuration, whatever the user has, as the C++ test sessions do.
    session.wm = startGroup(['openbox', '--config-file', '/etc/xdg/openbox/rc.xml'], { stdio: 'ignore', env: session.env });
    await waitFor(async () => (await session.run(['xprop', '-root', '_NET_SUPPORTING_WM_CHECK'])).stdout.includes('window id'),
      10000, 'openbox');
    return session;
  }

  run(argv, options = {}) {
    return run(argv, { ...options, env: { ...this.env, ...(options.env ?? {}) } });
  }

  // The clipboard's text as xclip reads it, or null when there is none.
  async clipboard() {
    const r = await this.run(['xclip', '-o', '-selection', 'clipboard'], { timeout: 3000 });
    return r.status === 0 ? r.stdout : null;
  }

  // Puts a text on the clipboard through xclip, which stays behind as its owner.
  async setClipboard(text) {
    const file = path.join(tempDir('clip'), 'text');
    writeFileSync(file, text);
    await this.run(['sh', '-c', 'xclip -selection clipboard -i "$0" >/dev/null 2>&1 </dev/null', file], { timeout: 5000 });
    await waitFor(async () => (await this.clipboard()) === text, 5000, 'xclip to own the clipboard');
  }

  // Polls the clipboard until it holds exactly `expected`; returns the time it took.
  async waitClipboard(expected, ms = 5000) {
    const start = performance.now();
    let last = null;
    const deadline = Date.now() + ms;
    while (Date.now() < deadline) {
      last = await this.clipboard();
      if (last === expected) return performance.now() - start;
      await sleep(10);
    }
    throw new Error(`the clipboard did not become ${JSON.stringify(expected)} in ${ms} ms; it holds ${JSON.stringify(last)}`);
  }

  xdotool(...args) {
    return this.run(['xdotool', ...args], { timeout: 5000 });
  }

  // Ids of the mapped windows whose title matches.
  async windows(titleRegex) {
    const r = await this.xdotool('search', '--onlyvisible', '--name', titleRegex);
    return r.stdout.split('\n').filter(Boolean);
  }

  // Ids of every mapped window, the menus (override-redirect) among them.
  async mapped() {
    const r = await this.run(['xwininfo', '-root', '-children'], { timeout: 3000 });
    return new Set([...r.stdout.matchAll(/^\s+(0x[0-9a-f]+) .*?(\d+)x(\d+)\+/gm)].map((m) => m[1]));
  }

  async close() {
    for (const child of [this.wm, this.xvfb]) {
      if (!child || child.exitCode !== null) continue;
      try { process.kill(-child.pid, 'SIGKILL'); } catch { /* gone */ }
    }
  }
}

// A tiny page server on 127.0.0.1: `pages` maps a path to [content type, body].
export async function serve(pages) {
  const server = createServer((req, res) => {
    const page = pages[new URL(req.url, 'http://x').pathname];
    if (!page) { res.writeHead(404); res.end(); return; }
    res.writeHead(200, { 'content-type': page[0], 'cache-control': 'no-store' });
    res.end(page[1]);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { origin: `http://127.0.0.1:${server.address().port}`,
    close: () => new Promise((resolve) => { server.closeAllConnections?.(); server.close(resolve); }) };
}

// The host's manifest for one browser, as the built host prints it.
export async function hostManifest(browserName) {
  const host = path.join(buildDir, 'quotemill-host');
  const override = process.env.QM_TEST_HOST;  // a stand-in host while none is built
  if (override) {
    const base = { name: 'quotemill', description: 'Quotemill', path: override, type: 'stdio' };
    return JSON.stringify(browserName === 'chromium'
      ? { ...base, allowed_origins: [`chrome-extension://${EXTENSION_ID}/`] }
      : { ...base, allowed_extensions: ['companion@quotemill'] });
  }
  if (!existsSync(host)) throw new Error(`${host} is not built`);
  const argv = browserName === 'chromium' ? [host, '--manifest', 'chromium', EXTENSION_ID] : [host, '--manifest', 'firefox'];
  const r = await run(argv, { timeout: 5000 });
  if (r.status !== 0) throw new Error(`quotemill-host --manifest failed: ${r.stderr}`);
  return r.stdout;
}

export function executable(browserName) {
  const candidates = browserName === 'chromium'
    ? [process.env.QM_CHROMIUM, '/usr/bin/chromium', '/usr/lib/chromium/chromium']
    : [process.env.QM_FIREFOX, '/usr/bin/firefox-esr', '/usr/lib/firefox-esr/firefox-esr'];
  const found = candidates.find((p) => p && existsSync(p));
  if (!found) throw new Error(`no ${browserName} installed (scripts/setup.sh installs it)`);
  return found;
}

// The browsers reach nothing but this machine: every other address goes to a closed port
// on 127.0.0.1, and no name is looked up.
const OFFLINE_CHROMIUM = ['--proxy-server=http://127.0.0.1:9', '--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1'];
const OFFLINE_FIREFOX = {
  'network.proxy.type': 1, 'network.proxy.socks': '127.0.0.1', 'network.proxy.socks_port': 9,
  'network.proxy.socks_version': 5, 'network.proxy.socks_remote_dns': true, 'network.proxy.socks5_remote_dns': true,
  'network.proxy.no_proxies_on': '127.0.0.1', 'network.trr.mode': 5, 'network.dns.disablePrefetch': true,
  'network.dns.disablePrefetchFromHTTPS': true, 'network.predictor.enabled': false,
  'network.captive-portal-service.enabled': false, 'network.connectivity-service.enabled': false,
  'network.dns.native_https_query': false, 'network.dns.use_https_rr_as_altsvc': false,
  'network.dns.echconfig.enabled': false, 'app.normandy.enabled': false, 'browser.safebrowsing.update.enabled': false,
  'services.settings.server': 'http://127.0.0.1:9/v1', 'messaging-system.rsexperimentloader.enabled': false,
  'browser.region.network.url': '',
};

// The extension's messages in one language, as _locales holds them: name -> text.
export function extensionMessages(lang) {
  const file = JSON.parse(readFileSync(path.join(extensionDir, '_locales', lang, 'messages.json'), 'utf8'));
  return Object.fromEntries(Object.entries(file).map(([name, m]) => [name, m.message]));
}

// A browser with the extension loaded into a fresh profile whose host manifest is in place.
// With `installed`, the browser as a user starts it, through Debian's own launcher and a fresh
// profile, with whatever extension and host the system has installed and nothing of the test's.
// `lang`: the browser's language, 'en' or 'ja'.
export class Browser {
  static async launch(name, session, extra = {}, { installed = false, lang = 'en' } = {}) {
    const b = new Browser();
    b.name = name;
    b.session = session;
    b.home = tempDir(`${name}-home`);
    if (name === 'chromium') {
      b.profile = tempDir('chromium-profile');
      b.manifestFile = path.join(b.profile, 'NativeMessagingHosts', 'quotemill.json');
    } else {
      b.profile = tempDir('firefox-profile');
      b.manifestFile = path.join(b.home, '.mozilla', 'native-messaging-hosts', 'quotemill.json');
    }
    if (!installed) {
      b.manifestText = await hostManifest(name);
      b.restoreHost();
    }
    // MOZ_REMOTE_SETTINGS_DEVTOOLS: Firefox honours its services.settings.server only so.
    const env = { ...session.env, MOZ_REMOTE_SETTINGS_DEVTOOLS: '1', HOME: b.home, XDG_CONFIG_HOME: path.join(b.home, '.config'),
      XDG_CACHE_HOME: path.join(b.home, '.cache') };
    const launcher = installed ? (name === 'chromium' ? '/usr/bin/chromium' : '/usr/bin/firefox-esr') : executable(name);
    const common = { executablePath: launcher, headless: false, env, handleSIGINT: false,
      handleSIGTERM: false, handleSIGHUP: false, protocolTimeout: 20000, timeout: 30000,
      defaultViewport: null, dumpio: Boolean(process.env.QM_BROWSER_LOG) };
    if (name === 'chromium') {
      const { args: extraArgs = [], ...extraOptions } = extra;
      b.browser = await puppeteer.launch({ ...common, ...extraOptions, browser: 'chrome', userDataDir: b.profile,
        pipe: true, enableExtensions: true,
        args: ['--window-position=0,0', '--window-size=1100,800', '--no-first-run', '--no-default-browser-check',
          '--password-store=basic', '--disable-gpu', '--disable-dev-shm-usage', '--disable-features=Translate,MediaRouter',
          lang === 'ja' ? '--lang=ja' : '--lang=en-US', ...OFFLINE_CHROMIUM, ...(process.getuid?.() === 0 ? ['--no-sandbox', '--test-type'] : []), ...extraArgs] });
      b.track();
      b.extensionId = installed ? EXTENSION_ID : await b.browser.installExtension(extensionDir);
      b.optionsUrl = `chrome-extension://${b.extensionId}/options.html`;
      b.closedPage = 'chrome://version/';
    } else {
      b.browser = await puppeteer.launch({ ...common, browser: 'firefox', userDataDir: b.profile,
        // The options page and about: pages are opened by the test itself.
        args: ['--width=1100', '--height=800', '--remote-allow-system-access'],
        extraPrefsFirefox: { 'browser.shell.checkDefaultBrowser': false, 'intl.locale.requested': lang === 'ja' ? 'ja' : 'en-US',
          'browser.aboutwelcome.enabled': false, 'datareporting.policy.dataSubmissionEnabled': false,
          'extensions.webextensions.restrictedDomains': '',
          'extensions.webextensions.uuids': JSON.stringify({ 'companion@quotemill': FIREFOX_UUID }), 'devtools.policy.disabled': true,
          // Firefox's own scopes, which puppeteer narrows: the system's add-ons load as for a user.
          ...(installed ? { 'extensions.enabledScopes': 15 } : {}) } });
      b.track();
      b.extensionId = installed ? 'companion@quotemill' : await b.browser.installExtension(extensionDir);
      b.optionsUrl = `moz-extension://${FIREFOX_UUID}/options.html`;
      b.closedPage = 'about:mozilla';
    }
    return b;
  }

  track() {
    const pid = this.browser.process()?.pid;
    if (pid) groups.add(pid);  // puppeteer starts the browser in a group of its own
    this.pid = pid;
  }

  // The add-ons of the Firefox profile that are loaded, as Firefox lists them once started.
  firefoxAddons() {
    try {
      const list = JSON.parse(readFileSync(path.join(this.profile, 'extensions.json'), 'utf8'));
      return list.addons.filter((a) => a.active).map((a) => `${a.id} ${a.location}`);
    } catch {
      return undefined;  // not written yet
    }
  }

  removeHost() { rmSync(this.manifestFile, { force: true }); }
  // Names a host that gives its workers only `ms` to finish.
  impatientHost(ms) {
    const manifest = JSON.parse(this.manifestText);
    const wrapper = path.join(this.home, 'impatient-host');
    writeFileSync(wrapper, `#!/bin/sh\nQUOTEMILL_HOST_TIMEOUT_MS=${ms} exec '${manifest.path}' "$@"\n`, { mode: 0o755 });
    writeFileSync(this.manifestFile, JSON.stringify({ ...manifest, path: wrapper }));
  }
  // Names a copy of the host that writes a line "helper" to `log` when it starts, and whose
  // workers write their name and the environment's QUOTEMILL_RICH (or "unset") there before
  // the built worker runs.
  spyHost(log) {
    const manifest = JSON.parse(this.manifestText);
    const dir = path.join(this.home, 'spy');
    mkdirSync(dir, { recursive: true });
    copyFileSync(manifest.path, path.join(dir, 'quotemill-host'));
    const script = (file, line, program) => writeFileSync(path.join(dir, file),
      `#!/bin/sh\necho "${line}" >> '${log}'\nexec '${program}' "$@"\n`, { mode: 0o755 });
    script('helper', 'helper', path.join(dir, 'quotemill-host'));
    for (const worker of ['quotemill', 'quotemill3'])
      script(worker, `${worker} \${QUOTEMILL_RICH-unset}`, path.join(path.dirname(manifest.path), worker));
    writeFileSync(this.manifestFile, JSON.stringify({ ...manifest, path: path.join(dir, 'helper') }));
  }
  restoreHost() {
    mkdirSync(path.dirname(this.manifestFile), { recursive: true });
    writeFileSync(this.manifestFile, this.manifestText);
  }

  async close() {
    try {
      await Promise.race([this.browser.close(), sleep(8000)]);
    } catch { /* killed below */ }
    if (this.pid) {
      try { process.kill(-this.pid, 'SIGKILL'); } catch { /* gone */ }
      groups.delete(this.pid);
    }
  }
}
