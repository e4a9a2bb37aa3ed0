// Shared by the background and the options page: the entries in use, the talk with
// quotemill-host, and the words a user reads when something goes wrong.
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

async function saveEntries(entries, lines) {
  if (!Array.isArray(entries) || entries.length === 0) throw new Error('no entries to save');
  await api.storage.local.set({ entries, lines });
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

async function askHost(message) {
  let reply;
  try {
    reply = await api.runtime.sendNativeMessage(HOST_NAME, message);
  } catch (error) {
    const text = String(error?.message ?? error);
    throw new HostError(hostErrorKind(text), text);
  }
  if (reply === null || typeof reply !== 'object')
    throw new HostError('failed', 'the helper gave no answer');
  return reply;
}

const TEXTS = {
  hostMissing: {
    title: 'Quotemill is not installed for this browser',
    text: 'The extension needs Quotemill\'s helper program, quotemill-host, and it is not ' +
      'installed for this browser. Install Quotemill (the Debian package, the Windows ' +
      'installer, or "make install" from source), run "quotemill-host --register" once as ' +
      'yourself where this browser needs it, then restart the browser (see the README, ' +
      '"Install"). Nothing was copied.',
  },
  hostFailed: {
    title: 'Quotemill\'s helper stopped',
    text: 'Quotemill\'s helper program, quotemill-host, stopped without an answer.',
  },
  notCopyable: {
    title: 'This page cannot be copied from',
    text: 'The browser does not let extensions copy from this page: its own pages ' +
      '(settings, new tab, the extension store), its PDF viewer and pages shown as ' +
      'source are closed to them. Nothing was copied and the clipboard is as it was.',
  },
  noSelection: {
    title: 'Nothing is selected',
    text: 'Select the passage to quote first, then use the shortcut again. Nothing was copied.',
  },
  copyRefused: {
    title: 'The selection could not be copied',
    text: 'The browser refused to copy the selection, so the worker was not started and ' +
      'the clipboard is as it was.',
  },
  workerError: {
    title: 'The worker reported an error',
    text: 'The worker said:',
  },
  timedOut: {
    title: 'The worker did not finish in time',
    text: 'The worker did not finish in time and was stopped: a message box of it may have ' +
      'waited for an answer, or the clipboard\'s owner did not answer. The clipboard holds ' +
      'the copied selection as plain text.',
  },
  refused: {
    title: 'Quotemill refused this entry',
    text: 'Quotemill\'s helper did not start the worker:',
  },
};
