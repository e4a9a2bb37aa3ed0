// Shows what went wrong, as the background handed it over in the address's fragment.
'use strict';
let message = { title: 'Quotemill', text: '', details: [] };
try {
  message = { ...message, ...JSON.parse(decodeURIComponent(location.hash.slice(1))) };
} catch (_) { /* an empty message */ }
document.title = `Quotemill: ${message.title}`;
document.getElementById('title').textContent = message.title;
document.getElementById('text').textContent = message.text;
const list = document.getElementById('details');
for (const line of message.details ?? []) {
  const item = document.createElement('li');
  item.textContent = line;
  list.append(item);
}
document.getElementById('close').addEventListener('click', () => window.close());
document.addEventListener('keydown', (event) => { if (event.key === 'Escape') window.close(); });
