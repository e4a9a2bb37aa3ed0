// Makes docs/context-menu.png: the extension's entries in Chromium's context menu over a
// selection, on a private display. Run: node tests/browser/context_menu_picture.mjs
// (needs ImageMagick's convert and xwd).
import path from 'node:path';
import { XSession, Browser, serve, waitFor, sleep, sourceDir, tempDir } from './session.mjs';
import { open, selectPassage } from './companion.mjs';

const article = `<!DOCTYPE html>
<html lang="ja"><head><meta charset="utf-8"><title>春の庭から - ある庭師の日記</title>
<style>
body { font-family: "IPAPGothic", sans-serif; margin: 0; background: #fbfaf7; color: #222; }
header { background: #3d5a40; color: #fff; padding: 14px 40px; font-size: 22px; }
main { max-width: 760px; margin: 24px 40px; font-size: 17px; line-height: 1.8; }
h1 { font-size: 26px; margin: 0 0 10px; }
.date { color: #777; font-size: 14px; }
</style></head>
<body><header>ある庭師の日記</header><main>
<h1>春の庭から</h1><p class="date">2026年4月12日</p>
<p>今朝、梅の木の下に最初の菫が咲いているのを見つけました。
去年の秋に植えた球根も、ようやく芽を出しています。</p>
<p id="passage">庭仕事でいちばん大切なのは、待つことだと思います。<br>
The most important part of gardening, I think, is waiting.</p>
<p>午後は雨になりそうなので、苗の植え付けは明日にします。</p>
</main></body></html>`;

const session = await XSession.start();
const server = await serve({ '/diary.html': ['text/html; charset=utf-8', article] });
let b;
try {
  b = await Browser.launch('chromium', session, { ignoreDefaultArgs: ['--enable-automation'],
    args: ['--window-size=1280,760'] });
  const page = (await b.browser.pages())[0];
  await open(page, `${server.origin}/diary.html`);
  const window = await waitFor(async () => (await session.windows('ある庭師の日記'))[0], 10000, 'the window');
  await session.xdotool('windowactivate', '--sync', window);
  const point = await selectPassage(page);
  await session.xdotool('mousemove', String(point.x), String(point.y), 'click', '3');
  await sleep(800);
  await session.xdotool('key', 'q');   // opens the extension's submenu
  await sleep(500);
  await session.xdotool('key', 'Down');
  await sleep(500);
  const dir = tempDir('picture');
  const xwd = path.join(dir, 'screen.xwd');
  await session.run(['xwd', '-root', '-silent', '-out', xwd], { timeout: 10000 });
  const out = path.join(sourceDir, 'docs', 'context-menu.png');
  const r = await session.run(['convert', xwd, '-crop', '1280x700+0+0', '+repage', '-strip', out], { timeout: 20000 });
  if (r.status !== 0) throw new Error(`convert failed: ${r.stderr}`);
  await session.xdotool('key', 'Escape', 'Escape');
  console.log(`wrote ${out}`);
} finally {
  await b?.close();
  await server.close();
  await session.close();
}
