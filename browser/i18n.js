// The extension's words, from _locales in the browser's language (English when there are
// none in it). An element of a page names its message in data-i18n; scripts ask say().
'use strict';

function say(name, ...substitutions) {
  return (globalThis.browser ?? globalThis.chrome).i18n.getMessage(name, substitutions.map(String));
}

// Fills the elements under `root` (a page, or a copy of a template) that name a message.
function fillTexts(root) {
  for (const element of root.querySelectorAll('[data-i18n]')) element.textContent = say(element.dataset.i18n);
}

if (typeof document !== 'undefined') {  // a page, not the background
  document.documentElement.lang = say('language');
  fillTexts(document);
}
