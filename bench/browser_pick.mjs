// How long a pick from the extension's context menu takes to put the HTML on the clipboard,
// in the installed Chromium and Firefox ESR, beside the browser's own Ctrl+C of the same
// selection in the same run. Each time runs from the key press (the menu's Return, or
// Ctrl+C) to the moment xclip reads the expected text on the clipboard of a private display.
// Prints medians; asserts nothing. Run: node bench/browser_pick.mjs [ROUNDS] [BROWSER...]
// (QM_BUILD_DIR names the build tree, ./build by default).
import { Companion, selectPassage, PASSAGE } from '../tests/browser/companion.mjs';
import { sleep, limitRun } from '../tests/browser/session.mjs';

const rounds = Number(process.argv[2] ?? 20);
limitRun(60 + rounds * 20);  // whatever happens, the browsers and the display are ended
const browsers = process.argv.length > 3 ? process.argv.slice(3) : ['chromium', 'firefox'];

function median(values) {
  const s = [...values].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
}

async function clipboardBecomes(c, expected, since) {
  await c.session.waitClipboard(expected, 10000);
  return performance.now() - since;
}

const rows = [];
for (const name of browsers) {
  const c = new Companion(name);
  try {
    await c.start();
    const expected = `<a href="${c.url}">${PASSAGE}</a>`;
    const copy = [];
    const pick = [];
    for (let i = 0; i < rounds; i++) {
      await c.focusPage();
      // Ctrl+C goes to the page only when the page has the keyboard: click into it first.
      const point = await selectPassage(c.page);
      await c.session.xdotool('mousemove', String(point.x), String(point.y), 'click', '1');
      await selectPassage(c.page);
      await c.session.setClipboard(`before Ctrl+C ${i}`);
      const pressed = performance.now();
      await c.session.xdotool('key', '--clearmodifiers', 'ctrl+c');
      copy.push(await clipboardBecomes(c, PASSAGE, pressed));

      await c.session.setClipboard(`before the pick ${i}`);
      await c.pickFromMenu(1);
      pick.push(await clipboardBecomes(c, expected, c.pickedAt));
      await sleep(100);
    }
    rows.push({ name, copy: median(copy), pick: median(pick), min: Math.min(...pick), max: Math.max(...pick) });
  } finally {
    await c.stop();
  }
}

console.log(`median of ${rounds}, ms        Ctrl+C   menu pick   pick - Ctrl+C   (pick min..max)`);
for (const r of rows)
  console.log(`${r.name.padEnd(22)} ${r.copy.toFixed(0).padStart(8)} ${r.pick.toFixed(0).padStart(11)} ` +
    `${(r.pick - r.copy).toFixed(0).padStart(15)}   (${r.min.toFixed(0)}..${r.max.toFixed(0)})`);
