// Makes docs/rich-paste.png: a passage of a diary quoted from Chromium's context menu, pasted
// with Ctrl+V into a blog editor's visual field (a real block quotation) and its HTML field
// (the source), on a private display. Run: node tests/browser/rich_paste_picture.mjs (needs
// ImageMagick's convert and xwd, and a built tree).
import path from 'node:path';
import { XSession, Browser, serve, waitFor, sleep, sourceDir, tempDir } from './session.mjs';
import { open, selectPassage } from './companion.mjs';

const diary = `<!DOCTYPE html>
<html lang="ja"><head><meta charset="utf-8"><title>春の庭から - ある庭師の日記</title></head>
<body style="font-family:'IPAPGothic',sans-serif;margin:40px;font-size:18px">
<p id="passage">庭仕事でいちばん大切なのは、待つことだと思います。</p></body></html>`;

const editor = `<!DOCTYPE html>
<html lang="ja"><head><meta charset="utf-8"><title>記事を書く - ブログ</title>
<style>
body { font-family: "IPAPGothic", sans-serif; margin: 0; background: #f4f5f7; color: #222; }
header { background: #2f4858; color: #fff; padding: 12px 32px; font-size: 20px; }
.pane { background: #fff; margin: 18px 32px; padding: 14px 20px; border: 1px solid #ccd; border-radius: 6px; }
.label { color: #667; font-size: 13px; margin-bottom: 8px; }
#visual { min-height: 150px; font-size: 17px; line-height: 1.8; outline: none; }
#visual blockquote { border-left: 4px solid #8aa; margin: 8px 0; padding: 4px 14px; color: #334; background: #f3f7f7; }
#source { width: 100%; height: 110px; font: 14px monospace; border: 0; resize: none; }
</style></head>
<body><header>記事を書く</header>
<div class="pane"><div class="label">見たまま</div><div id="visual" contenteditable="true"><p>今日読んだ日記から。</p><p id="here"><br></p></div></div>
<div class="pane"><div class="label">HTML</div><textarea id="source"></textarea></div>
</body></html>`;

const session = await XSession.start();
const server = await serve({ '/diary.html': ['text/html; charset=utf-8', diary],
  '/editor.html': ['text/html; charset=utf-8', editor] });
let b;
try {
  b = await Browser.launch('chromium', session, { ignoreDefaultArgs: ['--enable-automation'],
    args: ['--window-size=1100,640'] });
  const page = (await b.browser.pages())[0];
  const window = async (title) => {
    const id = await waitFor(async () => (await session.windows(title))[0], 10000, title);
    await session.xdotool('windowactivate', '--sync', id);
  };
  // The block quotation first (a single entry would stand in the menu itself, not in a submenu).
  const options = await b.browser.newPage();
  await open(options, b.optionsUrl);
  await options.$eval('#lines', (box) => {
    box.value = 'item, "blockquoteタグで引用してコピー" = Copy & Execute program,"/usr/bin/quotemill"," -b10 %u"\r\n' +
      'item, "aタグを挿入してコピー" = Copy & Execute program,"/usr/bin/quotemill"," -a %u"';
    box.dispatchEvent(new Event('input'));
  });
  await options.click('#check');
  await options.waitForFunction(() => !document.getElementById('save').disabled, { timeout: 10000 });
  await options.click('#save');
  await options.waitForFunction(() => document.querySelectorAll('#in-use tbody tr').length === 2, { timeout: 10000 });
  await options.close();
  await open(page, `${server.origin}/diary.html`);
  await window('ある庭師の日記');
  const point = await selectPassage(page);
  await session.xdotool('mousemove', String(point.x), String(point.y), 'click', '3');
  await sleep(800);
  await session.xdotool('key', 'q');  // the extension's submenu
  await sleep(500);
  await session.xdotool('key', 'Down', 'Return');
  await waitFor(async () => (await session.clipboard())?.startsWith('<blockquote cite='), 10000, 'the quote on the clipboard');

  await open(page, `${server.origin}/editor.html`);
  await window('ブログ');
  for (const field of ['visual', 'source']) {
    await page.evaluate((id) => {
      const e = document.getElementById(id);
      e.focus();
      if (e.isContentEditable) getSelection().collapse(document.getElementById('here'), 0);
    }, field);
    await session.xdotool('key', '--clearmodifiers', 'ctrl+v');
    await sleep(500);
  }
  await page.evaluate(() => { document.activeElement.blur(); getSelection().removeAllRanges(); });
  await sleep(300);
  const dir = tempDir('picture');
  const xwd = path.join(dir, 'screen.xwd');
  await session.run(['xwd', '-root', '-silent', '-out', xwd], { timeout: 10000 });
  const out = path.join(sourceDir, 'docs', 'rich-paste.png');
  const r = await session.run(['convert', xwd, '-crop', '1100x560+0+0', '+repage', '-strip', out], { timeout: 20000 });
  if (r.status !== 0) throw new Error(`convert failed: ${r.stderr}`);
  console.log(`wrote ${out}`);
} finally {
  await b?.close();
  await server.close();
  await session.close();
}
