// Feedback a person always sees: the status bar along the bottom of the
// window (never squeezed away by the toolbar), a toast for every refusal and
// error, and the busy sign while a build runs.

const $ = (id) => document.getElementById(id);

// Writes the status bar's text; `kind` 'error' also raises a toast, so a
// refusal is never only in a line a person may not be looking at.
export function setStatus(text, kind = 'info') {
  const s = $('status');
  s.textContent = text;
  s.className = kind;
  s.title = text;
  if (kind === 'error') toast(text, 'error');
}

// A message in the top-right corner of the view for a few seconds; a click dismisses it.
export function toast(text, kind = 'info', ms = 6000) {
  const box = $('toasts');
  const t = document.createElement('div');
  t.className = `toast ${kind}`;
  t.textContent = text;
  t.onclick = () => t.remove();
  box.append(t);
  while (box.children.length > 4) box.firstElementChild.remove();
  setTimeout(() => t.remove(), ms);
}

// Shows or hides the busy sign; `what` says what is running.
export function setBusy(busy, what = 'building') {
  const b = $('busy');
  b.hidden = !busy;
  b.textContent = `${what}…`;
  document.body.classList.toggle('busy', busy);
}

// A line about the thing under the pointer (a marker or a block), beside the status.
export function setHoverInfo(text) {
  $('hover-info').textContent = text;
}
