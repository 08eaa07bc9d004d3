// Variations: the server draws six variations of the current station (the
// same blocks and links, a few designs drawn anew) with a thumbnail each; the
// dialog shows them, and a click on one replaces the station with it as one
// undoable edit.

import * as api from './api.js';
import { setStatus, setBusy } from './status.js';

const $ = (id) => document.getElementById(id);

// Wires the dialog. ctx: { state, take(desc, label) resolving true when the
// station was replaced }. Returns what the toolbar button runs.
export function wireVariations(ctx) {
  const dialog = $('variations-dialog');
  const grid = $('variations-grid');
  $('variations-close').onclick = () => dialog.close();

  function thumbnail(v) {
    const figure = document.createElement('figure');
    figure.dataset.variation = v.variation;
    const img = document.createElement('img');
    img.alt = `variation ${v.variation}`;
    if (v.picture) img.src = v.picture;
    else img.title = `no picture: ${v.picture_error}`;
    const caption = document.createElement('figcaption');
    caption.textContent = `${v.variation}: ${v.redrawn.join(', ')}`;
    caption.title = `variation ${v.variation}, drawn anew: ${v.redrawn.join(', ')}`;
    figure.append(img, caption);
    figure.onclick = async () => {
      dialog.close();
      if (await ctx.take(JSON.parse(v.text), `variation ${v.variation} (${v.redrawn.join(', ')})`)) {
        setStatus(`took variation ${v.variation}: ${v.redrawn.join(', ')} drawn anew · ${ctx.state.summary} (Undo gives the station back)`);
      }
    };
    return figure;
  }

  return async () => {
    const { state } = ctx;
    await state.busy;
    if (!state.desc.blocks.length || !state.build || !state.build.blocks.length) {
      return setStatus('variations need a station that builds: open, generate or mend one first', 'error');
    }
    setBusy(true, 'drawing variations');
    const asked = JSON.stringify(state.desc);
    let reply;
    try {
      reply = await api.variations(state.desc);
    } catch (e) {
      reply = { ok: false, error: e.message };
    } finally {
      setBusy(false);
    }
    if (!reply.ok) return setStatus(`Variations: ${reply.error}`, 'error');
    // Variations of a station edited meanwhile would undo those edits.
    if (JSON.stringify(state.desc) !== asked) return setStatus('the station changed while its variations were drawn: ask again', 'error');
    grid.replaceChildren(...reply.variations.map(thumbnail));
    const missing = reply.missing.map((m) => `${m.variation}: ${m.why}`);
    $('variations-hint').textContent = reply.variations.length
      ? `The same blocks and links; two or three designs drawn anew. Click one to take it (Undo gives the station back).${missing.length ? ` Not made: ${missing.join('; ')}.` : ''}`
      : `No variation could be made: ${missing.join('; ')}.`;
    dialog.showModal();
  };
}
