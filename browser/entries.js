// Shared by the background and the options page: the entries in use, the talk with
// quotemill-host, and the messages a user reads when something goes wrong.
'use strict';

const api = globalThis.browser ?? globalThis.chrome;
const isFirefox = typeof globalThis.browser !== 'undefined' && typeof api.runtime.getBrowserInfo === 'function';
const HOST_NAME = 'quotemill';

// The lines the settings window generates at its start values for the a-tag and q-tag
// styles: a fresh install works before any set-up. They name the installed quotemill
// (workers.js).
const DEFAULT_LINES =
  `item, "aタグを挿入してコピー" = Copy & Execute program,"${WORKER_DIR}/quotemill"," -a  %u"\n` +
  `item, "qタグを挿入してコピー" = Copy & Execute program,"${WORKER_DIR}/quotemill"," -q  %u"\n`;

// The entries of the default lines, read here so that the menu stands before quotemill-host
// answers, or without it. Only those lines' own shape is read: pasted lines go to the host,
// which knows the whole grammar. A line of another shape gives no entry, as the host would
// refuse it.
function defaultEntries(text) {
  const entries = [];
  for (const line of text.split('\n')) {
    if (line === '') continue;
    const item = /^item, "([^"]*)" = Copy & Execute program,"([^"]*)","(.*)"$/.exec(line);
    if (item) entries.push({ caption: item[1], program: item[2], arguments: item[3] });
    else console.error('Quotemill: a default line is no menu item:', line);
  }
  return entries;
}
const DEFAULT_ENTRIES = defaultEntries(DEFAULT_LINES);

async function loadEntries() {
  const stored = await api.storage.local.get(['entries', 'lines']);
  if (Array.isArray(stored.entries) && stored.entries.length > 0)
    return { entries: stored.entries, lines: stored.lines ?? '' };
  return { entries: DEFAULT_ENTRIES, lines: DEFAULT_LINES };
}

// Whether the worker offers its result as HTML beside the plain text. Entries stored before
// the switch have none, and paste rich.
function isRich(entry) {
  return entry.rich !== false;
}

// Saves the entries read from `lines`; an entry whose line is in use already keeps its switch.
async function saveEntries(entries, lines) {
  if (!Array.isArray(entries) || entries.length === 0) throw new Error('no entries to save');
  const { entries: inUse } = await loadEntries();
  const same = (a, b) => a.caption === b.caption && a.program === b.program && a.arguments === b.arguments;
  const switched = entries.map((e) => ({ ...e, rich: isRich(inUse.find((old) => same(old, e)) ?? e) }));
  await api.storage.local.set({ entries: switched, lines });
}

// Switches rich paste on or off for the entry in use at `index`.
async function setRich(index, rich) {
  const { entries, lines } = await loadEntries();
  if (!entries[index]) throw new Error(`no entry ${index + 1}`);
  await api.storage.local.set({ entries: entries.map((e, i) => (i === index ? { ...e, rich } : e)), lines });
}

// Why a question to the host got no answer.
class HostError extends Error {
  constructor(kind, detail) {
    super(detail);
    this.kind = kind;  // 'missing': not installed or not registered; 'failed': it broke off
  }
}

// Chromium says "Specified native messaging host not found." (or "forbidden" when the
// manifest does not name this extension); Firefox says "No such native application".
function hostErrorKind(message) {
  return /not found|no such native application|forbidden|not allowed/i.test(message) ? 'missing' : 'failed';
}

// A conversation with quotemill-host, started at once: the browser starts the helper while
// the caller goes on (a pick copies the selection meanwhile). Each question waits for its
// answer; close() ends the helper.
function openHost() {
  const port = api.runtime.connectNative(HOST_NAME);
  const waiting = [];
  let gone = null;
  port.onMessage.addListener((reply) => {
    const { resolve, reject } = waiting.shift() ?? {};
    if (reply !== null && typeof reply === 'object') resolve?.(reply);
    else reject?.(new HostError('failed', say('helperNoAnswer')));
  });
  port.onDisconnect.addListener((p) => {
    // Firefox tells why on the port, Chromium in lastError.
    const text = String(p.error?.message ?? api.runtime.lastError?.message ?? say('helperEnded'));
    gone = new HostError(hostErrorKind(text), text);
    for (const { reject } of waiting.splice(0)) reject(gone);
  });
  return {
    ask(message) {
      if (gone) return Promise.reject(gone);
      return new Promise((resolve, reject) => {
        waiting.push({ resolve, reject });
        port.postMessage(message);
      });
    },
    close() {
      if (!gone) port.disconnect();
    },
  };
}

async function askHost(message) {
  const host = openHost();
  try {
    return await host.ask(message);
  } finally {
    host.close();
  }
}

// What the message window says for each failure: the names of its title's and its text's
// messages (_locales).
const MESSAGES = {
  hostMissing: { title: 'hostMissingTitle', text: 'hostMissingText' },
  hostMissingAfterCopy: { title: 'hostMissingTitle', text: 'hostMissingAfterCopyText' },
  hostFailed: { title: 'hostFailedTitle', text: 'hostFailedText' },
  notCopyable: { title: 'notCopyableTitle', text: 'notCopyableText' },
  noSelection: { title: 'noSelectionTitle', text: 'noSelectionText' },
  copyRefused: { title: 'copyRefusedTitle', text: 'copyRefusedText' },
  workerError: { title: 'workerErrorTitle', text: 'workerErrorText' },
  timedOut: { title: 'timedOutTitle', text: 'timedOutText' },
  refused: { title: 'refusedTitle', text: 'refusedText' },
};
