// The companion extension in a real browser: entries picked from the context menu with a
// right-click and the keyboard, a shortcut, the options page talking to quotemill-host,
// and the failures a user must be told of, each checked on the clipboard of a private
// display.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, mkdirSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { XSession, Browser, serve, waitFor, sleep, limitRun, tempDir, extensionDir, extensionMessages } from './session.mjs';

export const PAGE_TITLE = '引用のテスト - Quotemill test page';
export const PASSAGE = '日本語の一行目です。\nAnd a second line in English.';

export function quotePage() {
  return ['text/html; charset=utf-8', `<!DOCTYPE html>
<html lang="ja"><head><meta charset="utf-8"><title>${PAGE_TITLE}</title></head>
<body style="margin:0;font-family:sans-serif">
<p id="passage" style="font-size:40px;line-height:1.3;margin:40px">日本語の一行目です。<br>And a second line in English.</p>
<p id="rest" style="font-size:20px;margin:40px">Text that is never selected.</p>
</body></html>`];
}

// A page that tries to run its script on the blog a quote is pasted into: through its title,
// and through text a reader cannot see, which is copied with the paragraph all the same.
export function hostilePage() {
  return ['text/html; charset=utf-8', `<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">
<title>Breaking" onmouseover="alert(document.cookie)" x=" &lt;b&gt;&amp;&lt;/b&gt; - Quotemill test page</title></head>
<body style="margin:0;font-family:sans-serif">
<p id="passage" style="font-size:40px;margin:40px">a &lt; b &amp;&amp; "c"<span style="color:transparent;font-size:2px">&lt;img src=x onerror=alert(1)&gt;</span></p>
</body></html>`];
}

// How each browser's context menu reaches the extension's submenu from the keyboard once
// it is open: Chromium selects the only item that begins with the letter typed ("q" for
// "Quotemill") and opens it; Firefox's "q" is the access key of "Inspect", so there the
// extension's submenu is reached as the last item (developer tools are turned off in the
// test profile, so "Inspect" is not shown).
const MENU_KEYS = {
  chromium: { open: ['q'], pick: (n) => [...Array(n).fill('Down'), 'Return'] },
  firefox: { open: ['Up', 'Right'], pick: (n) => [...Array(n - 1).fill('Down'), 'Return'] },
};

// Selects the passage, in the page or in its frame named `frameName`, and returns the
// screen point of its first line.
export async function selectPassage(page, frameName = null) {
  const frame = frameName ? innerFrame(page) : page.mainFrame();
  if (!frame) throw new Error(`no frame ${frameName}`);
  const rect = await frame.evaluate(() => {
    const p = document.getElementById('passage');
    const range = document.createRange();
    range.selectNodeContents(p);
    getSelection().removeAllRanges();
    getSelection().addRange(range);
    const r = p.getBoundingClientRect();
    return { left: r.left, top: r.top };
  });
  return page.evaluate((inner, name) => {
    const outer = name ? document.querySelector(`iframe[name="${name}"]`).getBoundingClientRect() : { left: 0, top: 0 };
    // Firefox knows where its page starts on the screen; for Chromium, the window's border
    // is as wide on each side and its toolbars sit on top.
    const border = (outerWidth - innerWidth) / 2;
    const left = window.mozInnerScreenX ?? screenX + border;
    const top = window.mozInnerScreenY ?? screenY + outerHeight - innerHeight - border;
    return { x: Math.round(left + outer.left + inner.left + 80), y: Math.round(top + outer.top + inner.top + 26) };
  }, rect, frameName);
}

// A one-page PDF document with a line of text, for the browsers' PDF viewers.
export function pdfDocument(text) {
  const stream = `BT /F1 36 Tf 72 700 Td (${text}) Tj ET`;
  const objects = ['<< /Type /Catalog /Pages 2 0 R >>', '<< /Type /Pages /Kids [3 0 R] /Count 1 >>',
    '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>',
    `<< /Length ${stream.length} >>\nstream\n${stream}\nendstream`, '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>'];
  let out = '%PDF-1.4\n';
  const offsets = objects.map((o, i) => {
    const at = out.length;
    out += `${i + 1} 0 obj\n${o}\nendobj\n`;
    return at;
  });
  const xref = out.length;
  out += `xref\n0 ${objects.length + 1}\n0000000000 65535 f \n` +
    offsets.map((o) => `${String(o).padStart(10, '0')} 00000 n \n`).join('') +
    `trailer\n<< /Size ${objects.length + 1} /Root 1 0 R >>\nstartxref\n${xref}\n%%EOF\n`;
  return ['application/pdf', out];
}

// The frame of the framed page (WebDriver BiDi tells no frame names, so it goes by address).
function innerFrame(page) {
  return page.frames().find((f) => f !== page.mainFrame() && f.url().endsWith('/quote.html'));
}

// A blog editor's two kinds of field: a visual one, which pastes HTML as what it shows, and a
// source one, which pastes text.
export function editorPage() {
  return ['text/html; charset=utf-8', `<!DOCTYPE html>
<html lang="ja"><head><meta charset="utf-8"><title>Editor - Quotemill test page</title></head>
<body style="margin:0;font-family:sans-serif">
<div id="visual" contenteditable="true" style="min-height:120px;margin:20px;border:1px solid #888"></div>
<textarea id="source" style="width:600px;height:120px;margin:20px"></textarea>
</body></html>`];
}

export function framedPage() {
  return ['text/html; charset=utf-8', `<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>A framed passage - Quotemill test page</title></head>
<body style="margin:0"><p style="margin:10px 40px;font-size:16px">Above the frame.</p>
<iframe name="inner" src="/quote.html" style="border:0;width:1000px;height:300px;display:block"></iframe>
</body></html>`];
}

// Opens an address in a tab and waits until it has loaded. Firefox's WebDriver BiDi opens
// add-on and about: pages without ever reporting that they loaded, so the page is asked.
export async function open(page, url) {
  const navigation = page.goto(url, { timeout: 10000 }).catch(() => {});
  await waitFor(async () => {
    try {
      return await page.evaluate((u) => location.href === u && document.readyState === 'complete', url);
    } catch {
      return false;  // between two documents
    }
  }, 10000, `${url} to load`);
  void navigation;  // Firefox's ends in a time-out, already caught
}

async function address(page) {
  try {
    return await page.evaluate(() => location.href);
  } catch {
    return '';
  }
}

export class Companion {
  // `installed`: the browser as a user starts it, with the extension the system has installed.
  constructor(name, { installed = false } = {}) {
    this.name = name;
    this.installed = installed;
    this.lang = 'en';
  }

  async start() {
    this.session = await XSession.start();
    this.server = await serve({ '/quote.html': quotePage(), '/framed.html': framedPage(), '/hostile.html': hostilePage(),
      '/editor.html': editorPage(),
      '/passage.pdf': pdfDocument('A passage in a PDF document') });
    this.url = `${this.server.origin}/quote.html`;
    await this.launch();
  }

  async launch() {
    this.b = await Browser.launch(this.name, this.session, {}, { installed: this.installed, lang: this.lang });
    this.page = (await this.b.browser.pages())[0] ?? await this.b.browser.newPage();
    await open(this.page, this.url);
    this.window = await waitFor(async () => (await this.session.windows('Quotemill test page'))[0], 10000,
      'the browser window');
  }

  // Closes the browser and starts it again with a fresh profile, in `lang`.
  async relaunch(lang = this.lang) {
    this.lang = lang;
    await this.b?.close();
    await this.launch();
  }

  // Whether the context menu over the selected passage has the extension's submenu: it is
  // opened as a pick would, and whatever opened is closed again.
  async offersEntries() {
    await this.focusPage();
    const point = await selectPassage(this.page);
    const before = await this.menus();
    const opened = async (count) => [...await this.menus()].filter((w) => !before.has(w)).length >= count;
    await this.session.xdotool('mousemove', String(point.x), String(point.y));
    await this.session.xdotool('click', '3');
    await waitFor(() => opened(1), 10000, 'the context menu');
    await sleep(100);
    for (const key of MENU_KEYS[this.name].open) await this.session.xdotool('key', key);
    let submenu = true;
    try {
      await waitFor(() => opened(2), 3000, 'the extension\'s submenu');
    } catch {
      submenu = false;
    }
    for (let i = 0; i < 3 && await opened(1); ++i) {
      await this.session.xdotool('key', 'Escape');
      await sleep(100);
    }
    return submenu;
  }

  async stop() {
    await this.b?.close();
    await this.server?.close();
    await this.session?.close();
  }

  async focusPage(url = this.url) {
    if ((await address(this.page)) !== url) await open(this.page, url);
    await this.page.bringToFront();
    await this.session.xdotool('windowactivate', '--sync', this.window);
  }

  // Visible override-redirect windows at the top of the screen: the open menus.
  async menus() {
    const r = await this.session.xdotool('search', '--onlyvisible', '--maxdepth', '1', '--name', '');
    return new Set(r.stdout.split('\n').filter(Boolean));
  }

  // Right-clicks the selected passage and picks the extension's entry number n (from 1).
  async pickFromMenu(n, { url = this.url, frame = null } = {}) {
    await this.focusPage(url);
    if (frame) await waitFor(() => innerFrame(this.page), 10000, 'the frame');
    const point = await selectPassage(this.page, frame);
    const before = await this.menus();
    const opened = async (count) => [...await this.menus()].filter((w) => !before.has(w)).length >= count;
    await this.session.xdotool('mousemove', String(point.x), String(point.y));
    await this.session.xdotool('click', '3');
    await waitFor(() => opened(1), 10000, 'the context menu');
    await sleep(100);  // the menu takes the keyboard just after it shows
    const keys = MENU_KEYS[this.name];
    for (const key of keys.open) await this.session.xdotool('key', key);
    await waitFor(() => opened(2), 10000, 'the extension\'s submenu');
    await sleep(100);
    const pick = keys.pick(n);
    for (const [i, key] of pick.entries()) {
      if (i === pick.length - 1) this.pickedAt = performance.now();  // the pick itself
      await this.session.xdotool('key', key);
    }
  }

  async pressShortcut(keys) {
    await this.session.xdotool('windowactivate', '--sync', this.window);
    await this.session.xdotool('key', '--clearmodifiers', keys);
  }

  // The text of the extension's message page, once it is open.
  async messageText() {
    return waitFor(async () => {
      for (const page of await this.b.browser.pages()) {
        try {
          const text = await page.evaluate(() => (location.pathname.endsWith('/message.html') &&
            document.getElementById('text').textContent !== '' ? document.body.innerText : ''));
          if (text) return text;
        } catch { /* a page between two documents */ }
      }
      return undefined;
    }, 10000, 'the message page');
  }

  // Waits for the extension's message window; returns its caption and text, and closes it
  // with its OK button.
  async takeMessage(titlePart) {
    const id = await waitFor(async () => (await this.session.windows(`Quotemill: ${titlePart}`))[0], 10000,
      `the message window "${titlePart}"`);
    const caption = (await this.session.xdotool('getwindowname', id)).stdout.trim();
    const text = await this.messageText();
    await this.session.xdotool('windowactivate', '--sync', id);
    await waitFor(async () => {
      await this.session.xdotool('key', 'Return');
      return !(await this.session.windows(`Quotemill: ${titlePart}`)).includes(id);
    }, 10000, 'the message window to close');
    return { caption, text };
  }

  // Opens the options page in a tab of its own.
  async openOptions() {
    const options = await this.b.browser.newPage();
    await open(options, this.b.optionsUrl);
    await options.waitForSelector('#in-use tbody tr', { timeout: 10000 });
    return options;
  }
}

// A system-wide manifest (an installed Quotemill) would be found when the profile has none.
const SYSTEM_MANIFESTS = {
  chromium: ['/etc/chromium/native-messaging-hosts/quotemill.json'],
  firefox: ['/usr/lib/mozilla/native-messaging-hosts/quotemill.json', '/usr/lib64/mozilla/native-messaging-hosts/quotemill.json'],
};

// Every text of a page that names a message shows that message, and the page is in its language.
async function assertPageTexts(page, messages) {
  const shown = await page.$$eval('[data-i18n]', (elements) => elements.map((e) => [e.dataset.i18n, e.textContent]));
  assert.ok(shown.length >= 10, `${shown.length} texts`);
  for (const [name, text] of shown) assert.equal(text, messages[name], name);
  assert.equal(await page.evaluate(() => document.documentElement.lang), messages.language);
}

// The extension's pages and scripts with the message names in them: data-i18n="NAME",
// say('NAME', the failures' { title: 'NAME', text: 'NAME' } and the manifest's __MSG_NAME__.
function namedMessages() {
  const named = new Set();
  for (const file of readdirSync(extensionDir).filter((f) => /\.(js|html|json)$/.test(f))) {
    const text = readFileSync(path.join(extensionDir, file), 'utf8');
    for (const m of text.matchAll(/data-i18n="(\w+)"|say\('(\w+)'|(?:title|text): '(\w+)'|__MSG_(\w+)__/g))
      named.add(m.slice(1).find(Boolean));
  }
  return named;
}

// Puts `text` in the options page's box, presses "Check" and waits for the page's word.
async function checkLines(options, text, ms = 10000) {
  await options.$eval('#lines', (box, t) => {
    box.value = t;
    box.dispatchEvent(new Event('input'));
  }, text);
  await options.$eval('#status', (s) => { s.textContent = ''; });
  await options.click('#check');
  await options.waitForFunction(() => document.getElementById('status').textContent !== '', { timeout: ms });
}

export function companionTests(name) {
  const c = new Companion(name);
  const bound = { timeout: 20000 };
  limitRun(160);  // below CTest's limit, so that whatever was started is still ended here
  before(() => c.start(), { timeout: 40000 });
  after(() => c.stop(), { timeout: 20000 });

  const aTag = () => `<a href="${c.url}">${PASSAGE}</a>`;

  test('a fresh install offers the a-tag and q-tag entries; each quotes the selection as it was copied', bound, async () => {
    await c.session.setClipboard('before the a-tag entry');
    await c.pickFromMenu(1);
    await c.session.waitClipboard(aTag());
    await c.session.setClipboard('before the q-tag entry');
    await c.pickFromMenu(2);
    await c.session.waitClipboard(`<q cite="${c.url}">${PASSAGE}</q>`);
  });

  test('both languages hold every message the extension names and no other, with the same placeholders', () => {
    const files = Object.fromEntries(['en', 'ja'].map((lang) =>
      [lang, JSON.parse(readFileSync(path.join(extensionDir, '_locales', lang, 'messages.json'), 'utf8'))]));
    assert.deepEqual([...namedMessages()].sort(), Object.keys(files.en).sort());
    assert.deepEqual(Object.keys(files.ja).sort(), Object.keys(files.en).sort());
    for (const [name, { placeholders = {} }] of Object.entries(files.en)) {
      assert.deepEqual(files.ja[name].placeholders ?? {}, placeholders, name);
      for (const lang of ['en', 'ja']) {
        const used = [...files[lang][name].message.matchAll(/\$(\w+)\$/g)].map((m) => m[1].toLowerCase());
        assert.deepEqual(used.sort(), Object.keys(placeholders).sort(), `${lang} ${name}`);
      }
    }
  });

  test('the options page shows what the host understood and refused, and saves only a list with nothing refused', bound, async () => {
    const options = await c.openOptions();
    try {
      await assertPageTexts(options, extensionMessages('en'));
      const inUse = () => options.$$eval('#in-use tbody tr', (rows) => rows.map((r) => r.cells[1].textContent));
      assert.deepEqual(await inUse(), ['aタグを挿入してコピー', 'qタグを挿入してコピー']);
      const check = (text) => checkLines(options, text);
      const good = '[Hotclick Popup Menu]\r\n' +
        'item, "title" = Copy & Execute program,"/x/quotemill3"," -a %u"\r\n' +
        '; a comment\r\n' +
        'item, "aタグを挿入してコピー" = Copy & Execute program,"/usr/local/bin/quotemill"," -a  %u"\r\n' +
        'item, "broken number" = Copy & Execute program,"/usr/local/bin/quotemill"," -b6a %u"\r\n';
      const bad = 'item, "list" = Copy & Execute program,"/bin/ls"," %u"\r\n';
      await check(good + bad);
      const refused = await options.$$eval('#refused li', (items) => items.map((li) => li.textContent));
      assert.equal(refused.length, 1);
      assert.match(refused[0], /^item, "list" = Copy & Execute program,"\/bin\/ls"," %u".*\/bin\/ls/);
      assert.equal(await options.$eval('#save', (b) => b.disabled), true);
      assert.deepEqual(await options.$$eval('#understood tbody tr', (rows) => rows.map((r) => r.cells[1].textContent)),
        ['title', 'aタグを挿入してコピー', 'broken number']);
      assert.deepEqual(await inUse(), ['aタグを挿入してコピー', 'qタグを挿入してコピー'], 'nothing saved yet');

      await check(good);
      assert.equal(await options.$eval('#save', (b) => b.disabled), false);
      await options.click('#save');
      await options.waitForFunction(() => document.getElementById('status').textContent.startsWith('Saved'),
        { timeout: 10000 });
      assert.deepEqual(await inUse(), ['title', 'aタグを挿入してコピー', 'broken number']);
      assert.deepEqual(await options.$$eval('#in-use tbody tr', (rows) => rows.map((r) => r.cells[3].textContent)),
        [' -a %u', ' -a  %u', ' -b6a %u']);
    } finally {
      await options.close();
    }
  });

  // Thousands of list items take a browser several seconds to lay out: a test of its own.
  test('more refused lines than the helper\'s answer has room for are counted, not lost', { timeout: 60000 }, async () => {
    const options = await c.openOptions();
    try {
      await checkLines(options, 'x\n'.repeat(21000), 40000);
      const listed = await options.$$eval('#refused li:not(#refused-left-out)', (items) => items.length);
      const more = await options.$eval('#refused-left-out', (li) => li.textContent);
      const leftOut = Number(/^and (\d+) more refused line/.exec(more)?.[1]);
      assert.ok(listed > 0 && leftOut > 0, more);
      assert.equal(listed + leftOut, 21000);
      assert.match(await options.$eval('#status', (s) => s.textContent), new RegExp(`^21000 line\\(s\\) refused \\(${leftOut} of them not listed\\)`));
    } finally {
      await options.close();
    }
  });

  test('a quotemill3 entry takes the page title from the browser window', bound, async () => {
    await c.session.setClipboard('before the quotemill3 entry');
    await c.pickFromMenu(1);
    await c.session.waitClipboard(`<a title="${PAGE_TITLE}" href="${c.url}">${PASSAGE}</a>`);
  });

  test('an entry\'s rich-paste switch, on by default and for entries stored before it, goes with its runs; a pick starts the helper once', { timeout: 40000 }, async () => {
    const en = extensionMessages('en');
    const log = path.join(tempDir('rich'), 'runs');
    const runs = () => (existsSync(log) ? readFileSync(log, 'utf8').split('\n').filter(Boolean) : []);
    c.b.spyHost(log);
    let options = await c.openOptions();
    try {
      await options.evaluate(async () => {  // the entries as stored before the switch
        const api = globalThis.browser ?? globalThis.chrome;
        const { entries } = await api.storage.local.get('entries');
        await api.storage.local.set({ entries: entries.map(({ rich, ...entry }) => entry) });
      });
      await options.close();
      options = await c.openOptions();
      const switches = () => options.$$eval('#in-use input.rich', (boxes) => boxes.map((b) => b.checked));
      const switchSecond = async (status) => {
        await options.$eval('#in-use tbody tr:nth-child(2) input.rich', (box) => box.click());
        await options.waitForFunction((t) => document.getElementById('status').textContent === t, { timeout: 10000 }, status);
      };
      assert.deepEqual(await switches(), [true, true, true]);
      await switchSecond(en.statusRichOff.replace('$NUMBER$', '2'));

      await c.session.setClipboard('before the pick without rich paste');
      await c.pickFromMenu(2);
      await c.session.waitClipboard(aTag());
      await c.session.setClipboard('before the rich pick');
      await c.pickFromMenu(1);
      await c.session.waitClipboard(`<a title="${PAGE_TITLE}" href="${c.url}">${PASSAGE}</a>`);
      // A pick starts the helper once.
      assert.deepEqual(runs(), ['helper', 'quotemill 0', 'helper', 'quotemill3 unset']);

      // The same lines saved again keep each entry's switch; switched on again, it runs rich.
      await options.bringToFront();
      await checkLines(options, await options.$eval('#lines', (box) => box.value));
      await options.click('#save');
      await options.waitForFunction((t) => document.getElementById('status').textContent === t, { timeout: 10000 },
        en.statusSaved);
      assert.deepEqual(await switches(), [true, false, true]);
      await switchSecond(en.statusRichOn.replace('$NUMBER$', '2'));
      await c.session.setClipboard('before the pick with rich paste again');
      await c.pickFromMenu(2);
      await c.session.waitClipboard(aTag());
      assert.deepEqual(runs().slice(4), ['helper', 'helper', 'quotemill unset']);  // the check, the pick
    } finally {
      await options.close();
      c.b.restoreHost();
    }
  });

  test('the title and hidden text of a page that tries to inject arrive escaped, from both workers', bound, async () => {
    const url = `${c.server.origin}/hostile.html`;
    const passage = 'a &lt; b &amp;&amp; &quot;c&quot;&lt;img src=x onerror=alert(1)&gt;';
    const title = 'Breaking&quot; onmouseover=&quot;alert(document.cookie)&quot; x=&quot; &lt;b&gt;&amp;&lt;/b&gt; - Quotemill test page';
    await c.session.setClipboard('before the quotemill3 entry on the hostile page');
    await c.pickFromMenu(1, { url });
    await c.session.waitClipboard(`<a title="${title}" href="${url}">${passage}</a>`);
    await c.session.setClipboard('before the quotemill entry on the hostile page');
    await c.pickFromMenu(2, { url });
    await c.session.waitClipboard(`<a href="${url}">${passage}</a>`);
    await c.focusPage();
  });

  test('a keyboard shortcut runs its entry on the current selection', bound, async () => {
    await c.focusPage();
    await selectPassage(c.page);
    await c.session.setClipboard('before the shortcut');
    await c.pressShortcut('alt+shift+2');
    await c.session.waitClipboard(aTag());
  });

  test('a passage in a frame is copied in that frame, from the menu and by a shortcut', bound, async () => {
    const framed = `${c.server.origin}/framed.html`;
    const want = `<a href="${framed}">${PASSAGE}</a>`;
    await c.session.setClipboard('before the pick in a frame');
    await c.pickFromMenu(2, { url: framed, frame: 'inner' });
    await c.session.waitClipboard(want);
    await c.session.setClipboard('before the shortcut in a frame');
    await selectPassage(c.page, 'inner');
    await c.pressShortcut('alt+shift+2');
    await c.session.waitClipboard(want);
    await c.focusPage();
  });

  test('a worker error is shown with the worker\'s own message, and the copied text stays', bound, async () => {
    await c.session.setClipboard('before the broken entry');
    await c.pickFromMenu(3);
    // The worker's own box, on the test's display, waits for an answer first.
    const box = await waitFor(async () => (await c.session.windows('^アプリケーション エラー$'))[0], 10000,
      'the worker\'s box');
    await c.session.xdotool('windowactivate', '--sync', box);
    await waitFor(async () => {
      await c.session.xdotool('key', 'Return');
      return !(await c.session.windows('^アプリケーション エラー$')).includes(box);
    }, 10000, 'the worker\'s box to close');
    const { text } = await c.takeMessage('The worker reported an error');
    assert.match(text, /アプリケーション エラー: .*'06a' は整数ではありません/);
    assert.equal(await c.session.clipboard(), PASSAGE);
  });

  test('a worker that does not finish in time is reported so, and its box goes with it', bound, async () => {
    c.b.impatientHost(3000);
    try {
      await c.session.setClipboard('before the worker that waits');
      await c.pickFromMenu(3);  // its box stays unanswered
      await waitFor(async () => (await c.session.windows('^アプリケーション エラー$')).length > 0, 10000,
        'the worker\'s box');
      await c.takeMessage('The worker did not finish in time');
      await waitFor(async () => (await c.session.windows('^アプリケーション エラー$')).length === 0, 5000,
        'the stopped worker\'s box to go');
      assert.equal(await c.session.clipboard(), PASSAGE);
    } finally {
      c.b.restoreHost();
    }
  });

  test('with the host missing, a pick says how to install it and copies nothing; back, it runs; gone again, it is missed after the copy', { timeout: 50000 }, async (t) => {
    const installed = SYSTEM_MANIFESTS[name].find((f) => existsSync(f));
    if (installed) {
      t.skip(`a system-wide host manifest is installed (${installed})`);
      return;
    }
    const en = extensionMessages('en');
    c.b.removeHost();
    try {
      // Whatever the extension knew of the helper before, this pick finds it missing.
      await c.pickFromMenu(2);
      await c.takeMessage(en.hostMissingTitle);
      await c.session.setClipboard('kept while the host is missing');
      await c.pickFromMenu(2);
      const { caption, text } = await c.takeMessage('Quotemill is not installed');
      assert.match(caption, /Quotemill is not installed for this browser/);
      assert.ok(text.includes(en.hostMissingText), text);
      assert.equal(await c.session.clipboard(), 'kept while the host is missing');

      const options = await c.openOptions();
      try {
        await options.click('#check');
        await options.waitForFunction(() => document.getElementById('status').textContent !== '', { timeout: 10000 });
        assert.match(await options.$eval('#status', (s) => s.textContent), /not installed.*entries in use are unchanged/);
        assert.equal(await options.$$eval('#in-use tbody tr', (rows) => rows.length), 3);
      } finally {
        await options.close();
      }

      c.b.restoreHost();
      await c.session.setClipboard('before the helper came back');
      await c.pickFromMenu(2);
      await c.session.waitClipboard(aTag());
      // Known to answer, the helper is not asked before the copy: the selection stays copied.
      c.b.removeHost();
      await c.session.setClipboard('before the helper went away');
      await c.pickFromMenu(2);
      const gone = await c.takeMessage(en.hostMissingTitle);
      assert.ok(gone.text.includes(en.hostMissingAfterCopyText), gone.text);
      assert.equal(await c.session.clipboard(), PASSAGE);
    } finally {
      c.b.restoreHost();
    }
  });

  test('a browser page and the PDF viewer, closed to extensions, are not copied from', bound, async () => {
    // Each in a tab of its own: Chromium's page calls may never answer in a tab that
    // comes back from its PDF viewer.
    for (const url of [c.b.closedPage, `${c.server.origin}/passage.pdf`]) {
      const tab = await c.b.browser.newPage();
      try {
        await open(tab, url);
        await tab.bringToFront();
        await c.session.xdotool('key', '--clearmodifiers', 'ctrl+a');
        await c.session.setClipboard(`kept on ${url}`);
        await c.pressShortcut('alt+shift+2');
        const { caption } = await c.takeMessage('This page cannot be copied from');
        assert.match(caption, /This page cannot be copied from/);
        assert.equal(await c.session.clipboard(), `kept on ${url}`);
      } finally {
        await tab.close();
      }
    }
    await c.focusPage();
  });

  // What Ctrl+V puts into the editor's field `id` ("visual" or "source"), emptied first: its
  // HTML and its text, or a text field's value.
  async function paste(id) {
    const url = `${c.server.origin}/editor.html`;
    await c.focusPage(url);
    await c.page.evaluate((field) => {
      const e = document.getElementById(field);
      if (e.isContentEditable) e.innerHTML = ''; else e.value = '';
      e.focus();
    }, id);
    await c.session.xdotool('key', '--clearmodifiers', 'ctrl+v');
    return waitFor(() => c.page.evaluate((field) => {
      const e = document.getElementById(field);
      if (!e.isContentEditable) return e.value || undefined;
      return e.innerHTML ? { html: e.innerHTML, text: e.textContent } : undefined;
    }, id), 5000, `the paste into #${id}`);
  }

  test('a pick pastes as a real link or quotation into a visual editor and as its source into a text field; without rich paste, as source in both', { timeout: 90000 }, async () => {
    // quotemill3 -u reads its template in the workers' folder, which the helper makes.
    const template = path.join(c.b.home, '.config', 'quotemill', 'paste-test.txt');
    mkdirSync(path.dirname(template), { recursive: true });
    writeFileSync(template, '<q cite="%u">%C</q>');
    const options = await c.openOptions();
    try {
      await checkLines(options, [
        'item, "a" = Copy & Execute program,"/usr/bin/quotemill"," -a %u"',
        'item, "b60" = Copy & Execute program,"/usr/bin/quotemill"," -b60 %u"',
        'item, "hd" = Copy & Execute program,"/usr/bin/quotemill"," -hd %u"',
        'item, "u" = Copy & Execute program,"/usr/bin/quotemill3"," -u paste-test.txt %u"',
      ].join('\r\n'));
      await options.click('#save');
      await options.waitForFunction(() => document.querySelectorAll('#in-use tbody tr').length === 4, { timeout: 10000 });
      // The passage as a page shows it: its line break is white space there.
      const shown = PASSAGE.replace('\n', ' ');
      const picks = [
        { entry: 1, source: `<a href="${c.url}">${PASSAGE}</a>`, element: 'a[href]', attribute: 'href' },
        { entry: 2, source: `<blockquote cite="${c.url}"><p>${PASSAGE}</p></blockquote>`, element: 'blockquote[cite] > p', attribute: null },
        { entry: 3, source: `*<a href="${c.url}">${PASSAGE}</a>\n\n`, element: 'a[href]', attribute: 'href' },
        { entry: 4, source: `<q cite="${c.url}">${PASSAGE}</q>`, element: 'q[cite]', attribute: 'cite' },
      ];
      for (const rich of [true, false]) {
        if (!rich) {
          await options.bringToFront();
          for (let n = 1; n <= 4; ++n) {
            await options.$eval(`#in-use tbody tr:nth-child(${n}) input.rich`, (box) => box.click());
            await options.waitForFunction((t) => document.getElementById('status').textContent === t, { timeout: 10000 },
              extensionMessages('en').statusRichOff.replace('$NUMBER$', String(n)));
          }
        }
        for (const p of picks) {
          const what = `entry ${p.entry}${rich ? '' : ' without rich paste'}`;
          await c.session.setClipboard(`before ${what}`);
          await c.pickFromMenu(p.entry);
          await c.session.waitClipboard(p.source);
          assert.equal(await paste('source'), p.source, what);
          const visual = await paste('visual');
          const found = await c.page.evaluate((selector, attribute) => {
            const e = document.querySelector(`#visual ${selector}`);
            return e && { text: e.textContent.replace(/\s+/g, ' ').trim(), target: attribute && e.closest('[' + attribute + ']').getAttribute(attribute) };
          }, p.element, p.attribute);
          if (rich) {
            assert.ok(found, `${what}: no ${p.element} in ${visual.html}`);
            assert.equal(found.text, shown, what);
            if (p.attribute) assert.equal(found.target, c.url, what);
          } else {
            assert.equal(found, null, `${what}: ${visual.html}`);
            // The source as text; each editor lays its line breaks out its own way.
            assert.equal(visual.text.replace(/\s+/g, ''), p.source.replace(/\s+/g, ''), what);
          }
        }
      }
    } finally {
      await options.close();
      rmSync(template, { force: true });
    }
  });

  // Last: the browser starts afresh, in Japanese.
  test('in Japanese, the options page, the message window and the shortcuts speak Japanese', { timeout: 40000 }, async () => {
    const ja = extensionMessages('ja');
    await c.relaunch('ja');
    const options = await c.openOptions();
    try {
      await assertPageTexts(options, ja);
      const commands = await options.evaluate(async () => (await (globalThis.browser ?? globalThis.chrome).commands.getAll())
        .map((command) => [command.name, command.description]).sort());
      assert.deepEqual(commands, [1, 2, 3, 4].map((n) => [`run-entry-${n}`, ja[`commandRunEntry${n}`]]));
    } finally {
      await options.close();
    }
    await c.focusPage();
    await c.page.evaluate(() => getSelection().removeAllRanges());
    await c.pressShortcut('alt+shift+2');
    const { caption, text } = await c.takeMessage(ja.noSelectionTitle);
    assert.ok(caption.includes(ja.windowTitle.replace('$TITLE$', ja.noSelectionTitle)), caption);
    assert.ok(text.includes(ja.noSelectionText), text);
  });

}
