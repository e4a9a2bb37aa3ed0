// Shows what went wrong: the background hands over, in the address's fragment, the names of
// the title's and the text's messages and the details, which are the helper's and the
// worker's own words.
'use strict';
let message = { title: 'extName', text: '', details: [] };
try {
  message = { ...message, ...JSON.parse(decodeURIComponent(location.hash.slice(1))) };
} catch (_) { /* an empty message */ }
const title = say(message.title) || say('extName');
document.title = say('windowTitle', title);
document.getElementById('title').textContent = title;
document.getElementById('text').textContent = message.text ? say(message.text) : '';
const list = document.getElementById('details');
for (const line of message.details ?? []) {
  const item = document.createElement('li');
  item.textContent = line;
  list.append(item);
}
document.getElementById('close').addEventListener('click', () => window.close());
document.addEventListener('keydown', (event) => { if (event.key === 'Escape') window.close(); });
