// The context-menu entries and shortcuts: copy the selection as the browser's own Copy
// does, then have quotemill-host run the entry's worker on it.
'use strict';

if (typeof importScripts === 'function') importScripts('i18n.js', 'workers.js', 'entries.js');  // Chromium's service worker

// Menu rebuilds run one after another, so that items never collide.
let menusReady = Promise.resolve();
function buildMenus() {
  menusReady = menusReady.then(async () => {
    const { entries } = await loadEntries();
    await api.contextMenus.removeAll();
    entries.forEach((entry, i) => {
      // Firefox reads "&" as an access key mark.
      const title = isFirefox ? entry.caption.replaceAll('&', '&&') : entry.caption;
      api.contextMenus.create({ id: `entry-${i}`, title, contexts: ['selection'] });
    });
  }).catch((error) => console.error('Quotemill: menus', error));
  return menusReady;
}

api.runtime.onInstalled.addListener(buildMenus);
api.runtime.onStartup.addListener(buildMenus);
api.storage.onChanged.addListener((changes, area) => {
  if (area === 'local' && 'entries' in changes) buildMenus();
});

api.contextMenus.onClicked.addListener((info, tab) => {
  const index = Number(/^entry-(\d+)$/.exec(String(info.menuItemId))?.[1]);
  if (!Number.isInteger(index) || !tab) return;
  runEntry(index, tab, info.frameId ?? 0, info.pageUrl || tab.url);
});

api.commands.onCommand.addListener(async (command, tab) => {
  const index = Number(/^run-entry-(\d+)$/.exec(command)?.[1]) - 1;
  if (!Number.isInteger(index) || index < 0) return;
  tab ??= (await api.tabs.query({ active: true, currentWindow: true }))[0];
  if (tab) runEntry(index, tab, null, tab.url);
});

function showMessage(message, details = []) {
  const url = api.runtime.getURL('message.html') + '#' +
    encodeURIComponent(JSON.stringify({ title: message.title, text: message.text, details }));
  return api.windows.create({ url, type: 'popup', width: 520, height: 300 });
}

// Whether quotemill-host answered and nothing has failed since, kept for the browser's
// session (a service worker that was stopped does not ask again): then a pick need not wait
// for the helper's answer before it copies.
const HOST_ANSWERS = 'hostAnswers';
async function hostAnswers() {
  return (await api.storage.session.get(HOST_ANSWERS))[HOST_ANSWERS] === true;
}
function rememberHost(answers) {
  return api.storage.session.set({ [HOST_ANSWERS]: answers });
}

// The caption of the browser window the request came from, as quotemill3 reads it.
async function windowCaption(tab) {
  let name = 'Chromium';
  if (isFirefox) {
    name = 'Mozilla Firefox';
  } else {
    const brand = (navigator.userAgentData?.brands ?? [])
      .map((b) => b.brand).find((b) => !/not.?a.?brand|^chromium$/i.test(b));
    if (brand) name = brand;
  }
  return `${tab.title ?? ''} - ${name}`;
}

// Run in the page. Whether the frame holds a selection (in its text or in a text field),
// whether it has the focus, and whether it is a PDF document.
function findSelection() {
  const active = document.activeElement;
  const inField = active !== null && typeof active.selectionStart === 'number' &&
    active.selectionStart !== active.selectionEnd;
  const selection = getSelection();
  return {
    selected: inField || (selection !== null && !selection.isCollapsed && String(selection) !== ''),
    focused: document.hasFocus(),
    pdf: document.contentType === 'application/pdf',  // Chromium's viewer is closed to extensions
  };
}

// Run in the page: copy as Edit > Copy does, in the frame that holds the selection. (An
// injected function takes nothing along, so it tells a selection as findSelection does.)
function copyInPage() {
  const active = document.activeElement;
  const inField = active !== null && typeof active.selectionStart === 'number' &&
    active.selectionStart !== active.selectionEnd;
  const selection = getSelection();
  const selected = inField || (selection !== null && !selection.isCollapsed && String(selection) !== '');
  return { selected, copied: selected && document.execCommand('copy') };
}

// Copies the selection; frameId null: the frame with a selection, the focused one first.
// Returns 'copied', 'none' (nothing selected) or 'refused'; throws where the page is closed.
async function copySelection(tabId, frameId) {
  if (frameId === null) {
    const found = await api.scripting.executeScript({ target: { tabId, allFrames: true }, func: findSelection });
    const withSelection = found.filter((r) => r.result?.selected);
    if (withSelection.length === 0) {
      if (found.some((r) => r.result?.pdf)) throw new Error('a PDF document');
      return 'none';
    }
    frameId = (withSelection.find((r) => r.result.focused) ?? withSelection[0]).frameId;
  }
  const [done] = await api.scripting.executeScript({
    target: { tabId, frameIds: [frameId] }, func: copyInPage,
  });
  if (!done?.result?.selected) return 'none';
  return done.result.copied ? 'copied' : 'refused';
}

// Firefox tells when its menu opens with the entries in it: the helper starts then, and the
// pick finds it running. A menu closed without a pick ends it.
let spare = null;
if (isFirefox) {
  api.contextMenus.onShown.addListener((info) => {
    if (info.menuIds.length === 0) return;
    spare?.close();
    spare = openHost();
  });
  api.contextMenus.onHidden.addListener(() => {
    const unused = spare;
    setTimeout(() => {
      if (spare !== unused) return;
      spare = null;
      unused?.close();
    }, 2000);
  });
}

// Long enough for the browser to have claimed the desktop's clipboard; a pick stays well
// within what Ctrl+C then Alt+Tab would take.
const COPY_SETTLE_MS = 12;

async function runEntry(index, tab, frameId, pageUrl) {
  // One helper for the whole pick, started while the entry is read and the selection copied.
  const host = spare ?? openHost();
  spare = null;
  try {
    const [{ entries }, answered] = await Promise.all([loadEntries(), hostAnswers()]);
    const entry = entries[index];
    if (!entry) return;
    const done = await pick(host, entry, tab, frameId, pageUrl, answered);
    if (done !== answered) await rememberHost(done);
  } finally {
    host.close();
  }
}

// One pick: copies the selection and has the helper run the entry on it. Returns whether all
// went well; otherwise it has said what went wrong.
async function pick(host, entry, tab, frameId, pageUrl, answered) {
  let copied = false;
  try {
    // Unless the helper is known to answer, its answer comes first, so that a missing one
    // leaves the clipboard as it was.
    if (!answered) await host.ask({ kind: 'version' });
    let result;
    try {
      result = await copySelection(tab.id, frameId);
    } catch (error) {
      console.warn('Quotemill: copy', error);
      return fail(MESSAGES.notCopyable);
    }
    if (result === 'none') return fail(MESSAGES.noSelection);
    if (result === 'refused') return fail(MESSAGES.copyRefused);
    copied = true;
    // The browser hands the page's copy to the desktop's clipboard a moment after the copy
    // returns; a worker started at once can read the text before it. A helper started for the
    // run used to cover that moment; a running one does not.
    await new Promise((resolve) => setTimeout(resolve, COPY_SETTLE_MS));
    const reply = await host.ask({
      kind: 'run', program: entry.program, arguments: entry.arguments,
      url: pageUrl, caption: await windowCaption(tab), rich: isRich(entry),
    });
    const messages = Array.isArray(reply.messages) ? reply.messages.map(String) : [];
    if (reply.ok === false && reply.timedOut) return fail(MESSAGES.timedOut, messages);
    if (reply.ok === false) return fail(MESSAGES.refused, [String(reply.error ?? '')]);
    if (reply.status !== 0 || messages.length > 0) return fail(MESSAGES.workerError, messages);
    return true;
  } catch (error) {
    if (error instanceof HostError && error.kind === 'missing')
      return fail(copied ? MESSAGES.hostMissingAfterCopy : MESSAGES.hostMissing);
    if (!(error instanceof HostError)) console.error('Quotemill:', error);
    return fail(MESSAGES.hostFailed, [String(error?.message ?? error)]);
  }
}

function fail(message, details) {
  showMessage(message, details).catch((error) => console.error('Quotemill: message window', error));
  return false;
}
