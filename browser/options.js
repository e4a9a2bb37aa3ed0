// The options page: pasted lines go to quotemill-host, which parses them; the page shows
// what it understood and what it refused, and saves only a list with nothing refused.
'use strict';

const linesBox = document.getElementById('lines');
const checkButton = document.getElementById('check');
const saveButton = document.getElementById('save');
const statusLine = document.getElementById('status');
let checked = null;  // { text, entries } of the last check that refused nothing

function setStatus(text, isError = false) {
  statusLine.textContent = text;
  statusLine.className = isError ? 'error' : '';
}

// The entries in a table; those in use (with `shortcuts`) also get their shortcut and their
// rich-paste switch.
function fillTable(table, entries, shortcuts) {
  const body = table.querySelector('tbody');
  body.replaceChildren();
  entries.forEach((entry, i) => {
    const row = body.insertRow();
    const cells = [String(i + 1), entry.caption, entry.program, entry.arguments];
    if (shortcuts) cells.push(shortcuts.get(`run-entry-${i + 1}`) ?? '');
    cells.forEach((text, c) => {
      const cell = row.insertCell();
      cell.textContent = text;
      cell.className = ['number', 'caption', 'program', 'arguments', 'shortcut'][c];
    });
    if (shortcuts) {
      const cell = row.insertCell();
      cell.className = 'rich';
      cell.append(document.getElementById('rich-switch').content.cloneNode(true));
      fillTexts(cell);
      const box = cell.querySelector('input');
      box.checked = isRich(entry);
      box.addEventListener('change', () => switchRich(i, box));
    }
  });
}

async function showInUse() {
  const { entries, lines } = await loadEntries();
  const shortcuts = new Map();
  for (const command of await api.commands.getAll()) shortcuts.set(command.name, command.shortcut ?? '');
  fillTable(document.getElementById('in-use'), entries, shortcuts);
  return lines;
}

async function switchRich(index, box) {
  try {
    await setRich(index, box.checked);
    setStatus(box.checked ? say('statusRichOn', index + 1) : say('statusRichOff', index + 1));
  } catch (error) {
    box.checked = !box.checked;
    setStatus(say('statusNotSaved', error.message), true);
  }
}

async function check() {
  const text = linesBox.value;
  checked = null;
  saveButton.disabled = true;
  document.getElementById('result').hidden = true;
  let reply;
  try {
    reply = await askHost({ kind: 'parse', text });
  } catch (error) {
    if (error.kind === 'missing') setStatus(say('statusHostMissing'), true);
    else setStatus(say('statusHostFailed', error.message), true);
    return;
  }
  if (!reply.ok) {
    setStatus(say('statusUnreadable', reply.error), true);
    return;
  }
  const entries = Array.isArray(reply.entries) ? reply.entries : [];
  const refused = Array.isArray(reply.refused) ? reply.refused : [];
  // The helper lists refused lines only as far as its answer has room, and counts the rest.
  const leftOut = Number.isInteger(reply.refusedLeftOut) && reply.refusedLeftOut > 0 ? reply.refusedLeftOut : 0;
  const refusedCount = refused.length + leftOut;
  document.getElementById('result').hidden = false;
  fillTable(document.getElementById('understood'), entries, null);
  const list = document.getElementById('refused');
  list.replaceChildren();
  for (const item of refused) {
    const li = document.createElement('li');
    const line = document.createElement('code');
    line.textContent = item.line;
    li.append(line, document.createTextNode(item.reason));
    list.append(li);
  }
  if (leftOut > 0) {
    const li = document.createElement('li');
    li.id = 'refused-left-out';
    li.textContent = say('refusedLeftOut', leftOut);
    list.append(li);
  }
  document.getElementById('refused-part').hidden = refusedCount === 0;
  if (refusedCount > 0) {
    setStatus(leftOut > 0 ? say('statusRefusedNotListed', refusedCount, leftOut) : say('statusRefused', refusedCount), true);
  } else if (entries.length === 0) {
    setStatus(say('statusNoEntry'), true);
  } else {
    checked = { text, entries };
    saveButton.disabled = false;
    setStatus(entries.length === 1 ? say('statusUnderstoodOne') : say('statusUnderstood', entries.length));
  }
}

async function save() {
  if (!checked || checked.text !== linesBox.value) return;
  await saveEntries(checked.entries, checked.text);
  checked = null;
  saveButton.disabled = true;
  await showInUse();
  setStatus(say('statusSaved'));
}

checkButton.addEventListener('click', check);
saveButton.addEventListener('click', save);
linesBox.addEventListener('input', () => {
  checked = null;
  saveButton.disabled = true;
});
showInUse().then((lines) => { linesBox.value = lines; });
