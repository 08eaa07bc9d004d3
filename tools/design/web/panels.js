// The panels around the 3D view: the toolbar's state, the station tree, the
// inspector of the selected block, the messages, and the port menu. They
// read the editor's state and call back the page's actions (`ctx`).

import { findBlock, parents, parentLinks } from './description.js';
import { portName, waysToAttach, wayLabel } from './ports.js';

const $ = (id) => document.getElementById(id);

// ctx: { state, select, setParam, inputValue, copySelected, armPaste,
// duplicateSelected, armMove, twinsOf, unlinkTwin, dropOn, attach, markerText }.
export function createPanels(ctx) {
  const { state, unsaved, select, setParam, inputValue, copySelected, armPaste, duplicateSelected, armMove, twinsOf, unlinkTwin,
    dropOn, attach, markerText } = ctx;

  function messagesFor(blockId, field) {
    return state.diagnostics.filter((d) => d.block === String(blockId) && (field === undefined || d.field === field));
  }

  function renderToolbar() {
    const busy = state.building > 0;
    for (const b of document.querySelectorAll('button.edit, #inspector input, #port-menu button.choice')) b.disabled = busy;
    if ($('paste')) $('paste').disabled = busy || !state.clipboard;
    $('undo').disabled = busy || !state.history.canUndo;
    $('redo').disabled = busy || !state.history.canRedo;
    $('delete').disabled = busy || state.selected === null;
    $('undo').title = state.history.canUndo ? `Undo ${state.history.undos.at(-1).label} (Ctrl+Z)` : 'Nothing to undo';
    $('redo').title = state.history.canRedo ? `Redo ${state.history.redos.at(-1).label} (Ctrl+Y)` : 'Nothing to redo';
    // Which file Save writes, and whether there is anything unsaved: beside the tree and in the tab's title.
    const title = (unsaved() ? '\u25cf ' : '') + (state.desc.name || '') +
      (state.path ? ` — ${state.path}` : ' — unnamed (Save downloads it)');
    $('station-name').textContent = title;
    $('station-name').title = title;
    document.title = `${title} · quilbet designer`;
  }

  function renderTree() {
    const tree = $('tree');
    tree.replaceChildren();
    if (!state.desc.blocks.length) {
      tree.innerHTML = '<li class="hint">Empty station: choose a type from the catalogue to place the first block.</li>';
      return;
    }
    const root = String(state.desc.blocks[0].id);
    const seen = new Set();
    const built = state.build ? state.build.blocks : [];
    const parent = parents(state.desc);
    const links = parentLinks(state.desc);
    const children = new Map();
    for (const [c, p] of parent) if (p !== null) children.set(p, [...(children.get(p) || []), c]);
    const item = (id, via) => {
      seen.add(id);
      const b = findBlock(state.desc, id);
      const li = document.createElement('li');
      const span = document.createElement('span');
      span.className = 'node';
      span.dataset.block = id;
      span.textContent = `${id} (${b ? b.type : '?'})`;
      const msgs = messagesFor(id);
      if (msgs.some((m) => m.severity === 'error')) span.classList.add('has-error');
      else if (msgs.length) span.classList.add('has-warning');
      if (state.selected === id) span.classList.add('selected');
      span.onclick = () => select(id);
      // Dropping a block on another re-attaches it at that block's first free port of its kind.
      span.draggable = id !== root;
      span.ondragstart = (e) => e.dataTransfer.setData('text/plain', id);
      span.ondragover = (e) => { e.preventDefault(); span.classList.add('drop-target'); };
      span.ondragleave = () => span.classList.remove('drop-target');
      span.ondrop = (e) => {
        e.preventDefault();
        span.classList.remove('drop-target');
        dropOn(e.dataTransfer.getData('text/plain'), id);
      };
      li.append(span);
      if (via) {
        const p = document.createElement('span');
        p.className = 'port';
        p.textContent = ` ${via}`;
        li.append(p);
      }
      const kids = children.get(id) || [];
      if (kids.length) {
        const ul = document.createElement('ul');
        for (const cid of kids) {
          const link = links.get(cid);
          if (!seen.has(cid)) ul.append(item(cid, `on ${id} · ${portName(built, id, link.parentPort)}`));
        }
        li.append(ul);
      }
      return li;
    };
    tree.append(item(root, ''));
    for (const b of state.desc.blocks) if (!seen.has(String(b.id))) tree.append(item(String(b.id), '(not linked)'));
  }

  function fieldMessage(parent, msgs) {
    for (const m of msgs) {
      const div = document.createElement('div');
      div.className = `field-message ${m.severity}`;
      div.textContent = m.text;
      parent.append(div);
    }
  }

  function renderInspector() {
    const box = $('inspector');
    box.replaceChildren();
    const h = document.createElement('h2');
    h.textContent = 'Block';
    box.append(h);
    const b = state.selected !== null ? findBlock(state.desc, state.selected) : null;
    if (!b) {
      box.insertAdjacentHTML('beforeend', '<p class="hint">Select a block in the view or the tree.</p>');
      return;
    }
    const type = state.types.get(String(b.type).toLowerCase());
    const title = document.createElement('p');
    title.innerHTML = `<strong></strong> <span class="kind"></span>`;
    title.querySelector('strong').textContent = String(b.id);
    title.querySelector('.kind').textContent = type ? `${type.name} · ${type.category}` : String(b.type);
    box.append(title);
    const actions = document.createElement('div');
    actions.className = 'block-actions';
    for (const [id, label, title, run] of [
      ['copy', 'Copy', 'Copy this block with the blocks hanging from it (Ctrl+C)', copySelected],
      ['paste', 'Paste', 'Paste what was copied on a free port (Ctrl+V)', armPaste],
      ['duplicate', 'Duplicate', 'Copy and paste at once (Ctrl+D)', duplicateSelected],
      ['move', 'Move…', 'Re-attach this block, with what hangs from it, at another port (G)', armMove],
    ]) {
      const b = document.createElement('button');
      b.id = id;
      b.className = 'edit';
      b.textContent = label;
      b.title = title;
      b.onclick = run;
      b.disabled = state.building > 0 || (id === 'paste' && !state.clipboard);
      actions.append(b);
    }
    box.append(actions);
    const twins = twinsOf(b.id);
    if (twins.length) {
      const p = document.createElement('p');
      p.className = 'twins';
      p.textContent = `Twins (edited together): ${twins.join(', ')}`;
      const unlink = document.createElement('button');
      unlink.id = 'unlink';
      unlink.textContent = 'Unlink';
      unlink.title = 'Edit this block alone from now on';
      unlink.onclick = () => unlinkTwin(b.id);
      p.append(unlink);
      box.append(p);
    }
    fieldMessage(box, messagesFor(b.id).filter((m) => !type || !type.parameters.some((p) => p.name === m.field)));
    if (!type) return;
    if (!type.parameters.length) box.insertAdjacentHTML('beforeend', '<p class="hint">This type has no parameters.</p>');
    const table = document.createElement('table');
    for (const p of type.parameters) {
      const tr = document.createElement('tr');
      tr.dataset.param = p.name;
      const value = b.params && b.params[p.name] !== undefined ? b.params[p.name] : p.default;
      const label = document.createElement('td');
      label.innerHTML = '<div class="name"></div><div class="kind"></div>';
      label.querySelector('.name').textContent = p.name;
      label.querySelector('.kind').textContent = p.kind === 'switch' ? 'switch' : `${p.kind === 'whole' ? 'whole number' : 'real number'} · ${p.min} to ${p.max} · default ${p.default}`;
      const cell = document.createElement('td');
      const input = document.createElement('input');
      input.name = p.name;
      if (p.kind === 'switch') {
        input.type = 'checkbox';
        input.checked = value === true || value > 0;
      } else {
        input.type = 'number';
        input.step = p.kind === 'whole' ? '1' : 'any';
        input.value = String(value);
        if (typeof value === 'number' && (value < p.min || value > p.max)) tr.classList.add('out-of-range');
      }
      input.onchange = () => setParam(b.id, p, inputValue(input, p));
      cell.append(input);
      const msgs = messagesFor(b.id, p.name);
      const refused = state.refused;
      if (refused && refused.blockId === String(b.id) && refused.field === p.name && !msgs.some((m) => m.text === refused.text)) {
        msgs.unshift({ severity: 'error', text: refused.text });
      }
      fieldMessage(cell, msgs);
      tr.append(label, cell);
      table.append(tr);
    }
    box.append(table);
  }

  function renderMessages() {
    const ul = $('messages');
    ul.replaceChildren();
    if (!state.diagnostics.length) {
      ul.innerHTML = '<li class="hint">No messages: the command-line tool accepts this description.</li>';
      return;
    }
    for (const d of state.diagnostics) {
      const li = document.createElement('li');
      li.className = d.severity;
      li.textContent = `${d.severity}: ${d.text}`;
      if (d.block && findBlock(state.desc, d.block)) {
        li.dataset.block = d.block;
        li.onclick = () => select(d.block);
      }
      ul.append(li);
    }
  }

  function renderAll() {
    renderToolbar();
    renderTree();
    renderInspector();
    renderMessages();
  }

  // ---- the port menu ----

  function closePortMenu() {
    $('port-menu').hidden = true;
  }

  // The types that fit a free port, by name, each with a button per way it
  // attaches (by which of its ports, or through which adaptor).
  function openPortMenu(marker, x, y) {
    const menu = $('port-menu');
    menu.replaceChildren();
    const h = document.createElement('h3');
    h.textContent = `${markerText(marker)}: attach`;
    menu.append(h);
    for (const t of state.catalogue.types) {
      const ways = waysToAttach(state.catalogue, t, marker.kind);
      if (!ways.length) continue;
      const row = document.createElement('div');
      row.className = 'choice-row';
      const name = document.createElement('span');
      name.textContent = t.name;
      row.append(name);
      for (const way of ways) {
        const b = document.createElement('button');
        b.className = 'choice';
        b.dataset.type = t.name;
        b.dataset.port = way.port;
        if (way.adaptor) b.dataset.via = way.adaptor;
        b.textContent = wayLabel(way);
        b.title = way.adaptor ? `attach ${way.adaptor}, then ${t.name} on it by its ${way.portName}` : `attach ${t.name} by its ${way.portName}`;
        b.onclick = () => attach(marker.block, marker.port, t.name, way);
        row.append(b);
      }
      menu.append(row);
    }
    const cancel = document.createElement('button');
    cancel.className = 'cancel';
    cancel.textContent = 'Cancel';
    cancel.onclick = closePortMenu;
    menu.append(cancel);
    const wrap = $('view-wrap').getBoundingClientRect();
    // Measured while invisible, then placed beside the pointer inside the view.
    menu.style.visibility = 'hidden';
    menu.style.left = '0px';
    menu.style.top = '0px';
    menu.hidden = false;
    const w = menu.offsetWidth, hgt = menu.offsetHeight;
    menu.style.left = `${Math.max(4, Math.min(x - wrap.left + 8, wrap.width - w - 4))}px`;
    menu.style.top = `${Math.max(4, Math.min(y - wrap.top + 8, wrap.height - hgt - 4))}px`;
    menu.style.visibility = '';
  }

  return { renderToolbar, renderTree, renderInspector, renderMessages, renderAll, openPortMenu, closePortMenu };
}
