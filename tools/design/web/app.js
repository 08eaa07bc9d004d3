// The designer page: the panels around the 3D view, the keys and pointer,
// and the editing actions, over the editor's state and command loop
// (editor.js) and the view (viewer.js).

import * as api from './api.js';
import { AddBlockCommand, AddBlocksCommand, MoveBlockCommand, CompoundCommand, SetParamCommand, DeleteBlocksCommand, ReplaceStationCommand } from './commands.js';
import { Editor } from './editor.js';
import { findBlock, subtree, newBlockId, emptyDescription, parentLink, ref, copySubtree, pastedBlocks } from './description.js';
import { Viewer } from './viewer.js';
import { setStatus, setBusy, toast, setHoverInfo } from './status.js';
import { renderPalette } from './palette.js';
import { wireGenerateForm } from './generate_form.js';
import { wireVariations } from './variations.js';
import { stationPicture, MAX_WIDTH, MAX_HEIGHT } from './picture.js';
import { createPanels } from './panels.js';
import { renderFigures } from './figures.js';
import { PORT_KINDS, freePorts, portName, waysToAttach, directionText } from './ports.js';

const $ = (id) => document.getElementById(id);

// The editor's state and command loop, and what the page keeps beside it.
const state = new Editor({
  busy: (on) => { setBusy(on); renderToolbar(); },
  // Resolves once the build is in the scene and the panels, without waiting
  // for a frame: what the edit's caller does next (a selection, markers) is
  // drawn in the same frame. A software-rendered frame takes a good part of
  // the edit's time, so an edit is drawn once.
  built: async (build) => {
    await viewer.showBuild(build.blocks);
    drawOverlaps();
    renderFigures($('figures'), build.figures || null);
    if (state.selected !== null && !findBlock(state.desc, state.selected)) state.selected = null;
    refreshMarkers();
    renderAll();
    if (build.stats) {
      const s = build.stats;
      setStatus(`${build.blocks.length} blocks · built ${s.built}, reused ${s.reused} · ${s.milliseconds.toFixed(1)} ms`);
    }
  },
  refused: (text) => setStatus('refused: ' + text, 'error'),
  changed: () => renderAll(),
});
Object.assign(state, {
  catalogue: null,
  types: new Map(),     // name -> catalogue entry
  selected: null,
  armed: null,          // what a click on a marker does: { mode: 'attach', type } | { mode: 'paste' } | { mode: 'move', id } (else the port menu opens)
  twins: new Map(),     // block id -> the Set of ids attached together by symmetry (editor state, not saved)
  clipboard: null,      // a copied block with what hangs from it (copySubtree), and `kind`: the kind of port it hangs by
  path: '',             // the file Save writes; '' for an unnamed description (Save downloads it)
  version: 'none',      // the version of that file as last read or written
  savedText: '',        // the text last read from or written to that file (nothing unsaved while equal)
});

const viewer = new Viewer($('view'));

const adopt = (desc, refusedField) => state.adopt(desc, refusedField);
const serial = (work) => state.serial(work);
const edit = (cmd, refusedField) => state.edit(cmd, refusedField);

async function undo() {
  const cmd = await state.step(true);
  if (!cmd) return false;
  if (state.selected !== null && !findBlock(state.desc, state.selected)) select(null);
  // A whole station coming back (an open or a generate undone) is framed as when it was opened.
  if (Editor.replacesStation(cmd)) viewer.frameAll();
  return true;
}

async function redo() {
  const cmd = await state.step(false);
  if (!cmd) return false;
  if (Editor.replacesStation(cmd)) viewer.frameAll();
  return true;
}

// ---- editing actions ----

// The free ports of `parent` where the symmetry mode puts twins of a block
// attached at `port`: [port] with symmetry off, else the equivalent ports
// the server's symmetry rule gives that are free, `port` first.
async function twinPorts(parent, port) {
  const mode = $('symmetry').value;
  if (mode === 'off') return [port];
  const b = findBlock(state.desc, parent);
  const r = await api.symmetry({ block: { type: b.type, params: b.params || {} }, port, mode: mode === 'mirror' ? 'mirror' : 'radial', n: Number(mode) || 2 });
  if (!r.ok) {
    setStatus(`symmetry: ${r.error}`, 'error');
    return [port];
  }
  const built = state.build.blocks.find((x) => String(x.id) === String(parent));
  const free = r.ports.filter((p) => p === port || !built.ports.find((q) => q.index === p).linked);
  if (free.length < r.ports.length) toast(`${r.ports.length - free.length} of the ${r.ports.length} equivalent ports of ${parent} are taken: attached at the others`, 'warning');
  if (r.ports.length === 1) toast(`${parent} has no ${mode === 'mirror' ? 'mirror' : `radial ${mode}`} symmetry at ${portName(state.build.blocks, parent, port)}: attached once`, 'warning');
  return free;
}

// Attaches a block of `typeName` at `parent`'s port `parentPort` in one of
// the ways waysToAttach gives (by its own port, or through an adaptor), with
// its twins at the equivalent ports when symmetry is on: one undo step for all.
async function attach(parent, parentPort, typeName, way) {
  closePortMenu();
  const asked = twinPorts(parent, parentPort);
  // Edits started meanwhile wait for this one; so does idle().
  state.after(asked);
  const ports = await asked;
  const scratch = { blocks: [...state.desc.blocks] };
  const fresh = (type) => {
    const id = newBlockId(scratch, type);
    scratch.blocks.push({ id, type });
    return id;
  };
  const blocks = [], links = [], heads = [], adaptors = [];
  for (const port of ports) {
    let on = ref(parent, port);
    if (way.adaptor) {
      const aid = fresh(way.adaptor);
      blocks.push({ id: aid, type: way.adaptor });
      links.push([on, ref(aid, way.adaptorIn)]);
      on = ref(aid, way.adaptorOut);
      adaptors.push(aid);
    }
    const id = fresh(typeName);
    blocks.push({ id, type: typeName });
    links.push([on, ref(id, way.port)]);
    heads.push(id);
  }
  const cmd = blocks.length === 1
    ? new AddBlockCommand(blocks[0], parent, parentPort, way.port)
    : new AddBlocksCommand(blocks, links, `add ${heads.join(', ')} (${typeName})${way.adaptor ? ` via ${way.adaptor}` : ''}`);
  const ok = await edit(cmd);
  if (ok) {
    for (const group of [heads, adaptors]) if (group.length > 1) linkTwins(group);
    select(heads[0]);
  }
  return ok;
}

// ---- twins ----

function linkTwins(ids) {
  const group = new Set(ids);
  for (const id of ids) state.twins.set(id, group);
}

// The blocks attached together with `id` that still exist and are still linked to it.
function twinsOf(id) {
  const group = state.twins.get(String(id));
  return group ? [...group].filter((t) => t !== String(id) && findBlock(state.desc, t)) : [];
}

function unlinkTwin(id) {
  const group = state.twins.get(String(id));
  if (group) group.delete(String(id));
  state.twins.delete(String(id));
  renderInspector();
  setStatus(`${id} is no longer linked to its twins: edits change it alone`);
}

// ---- markers and what a click on one does ----

// The free ports worth a marker now: after a type is picked, every free port
// it fits (directly or through an adaptor); else the selected block's.
function markerPorts() {
  if (!state.build) return [];
  const free = freePorts(state.build.blocks);
  const a = state.armed;
  if (a && a.mode === 'attach') return free.filter((p) => waysToAttach(state.catalogue, a.type, p.kind).length);
  if (a && a.mode === 'paste') return free.filter((p) => p.kind === state.clipboard.kind);
  if (a && a.mode === 'move') {
    const moving = new Set(subtree(state.desc, a.id));
    return free.filter((p) => p.kind === a.kind && !moving.has(p.block));
  }
  if (state.selected !== null) return free.filter((p) => p.block === state.selected);
  return [];
}

function refreshMarkers() {
  viewer.showMarkers(markerPorts());
  hideTooltip();
}

// Picks `type` from the catalogue: its places light up; a click on one attaches it.
function arm(type) {
  setArmed(type ? { mode: 'attach', type } : null);
  if (type) setStatus(`${type.name}: click a lit port to attach it (${viewer.markers.children.length} fit; Shift keeps ${type.name} picked, Esc stops)`);
}

// What a click on a marker does next (null: open the port menu); the markers
// follow, now or (redraw false) with the next edit's answer.
function setArmed(armed, redraw = true) {
  if (state.armed && !armed && state.summary) setStatus(state.summary);
  state.armed = armed;
  const type = armed && armed.mode === 'attach' ? armed.type.name : null;
  for (const b of document.querySelectorAll('#palette button')) b.classList.toggle('armed', b.dataset.type === type);
  if (redraw) refreshMarkers();
  renderToolbar();
}

// The kind of port block `id` hangs by (its port 0 for the root).
function hangingKind(id) {
  const link = parentLink(state.desc, id);
  const b = state.build.blocks.find((x) => String(x.id) === String(id));
  const p = b && b.ports.find((q) => q.index === (link ? link.own : 0));
  return p ? p.kind : null;
}

function copySelected() {
  if (state.selected === null) return false;
  state.clipboard = { ...copySubtree(state.desc, state.selected), kind: hangingKind(state.selected) };
  const n = state.clipboard.blocks.length;
  setStatus(`copied ${state.selected}${n > 1 ? ` and the ${n - 1} block${n > 2 ? 's' : ''} hanging from it` : ''}: Ctrl+V, then click a lit port`);
  renderToolbar();
  return true;
}

// Lights the free ports the clipboard fits; a click pastes there.
function armPaste() {
  if (!state.clipboard) return setStatus('nothing copied yet: select a block and press Ctrl+C', 'error');
  setArmed({ mode: 'paste' });
  setStatus(`paste ${state.clipboard.root} (${state.clipboard.blocks.length} blocks): click a lit port (${viewer.markers.children.length} fit; Esc stops)`);
}

function duplicateSelected() {
  if (copySelected()) armPaste();
}

// Lights the free ports the selected block can hang by; a click re-attaches it there with its subtree.
function armMove() {
  const id = state.selected;
  if (id === null) return;
  if (!parentLink(state.desc, id)) return setStatus(`${id} is the root: it hangs from nothing, so it cannot move`, 'error');
  setArmed({ mode: 'move', id, kind: hangingKind(id) });
  setStatus(`move ${id}: click a lit port (${viewer.markers.children.length} fit; Esc stops)`);
}

function paste(parent, parentPort) {
  const { blocks, links } = pastedBlocks(state.desc, state.clipboard, parent, parentPort);
  return edit(new AddBlocksCommand(blocks, links, `paste ${blocks[0].id} on ${parent}`)).then((ok) => {
    if (ok) select(blocks[0].id);
    return ok;
  });
}

function moveTo(id, parent, parentPort) {
  const link = parentLink(state.desc, id);
  return edit(new MoveBlockCommand(id, link.written, [ref(parent, parentPort), ref(id, link.own)])).then((ok) => {
    if (ok) select(id);
    return ok;
  });
}

// The tree's drag and drop: `id` (with its subtree) onto block `target`.
function dropOn(id, target) {
  if (!id || id === target || state.building > 0) return Promise.resolve(false);
  if (subtree(state.desc, id).includes(target)) {
    setStatus(`${target} hangs from ${id}: a block cannot move onto its own subtree`, 'error');
    return Promise.resolve(false);
  }
  const kind = hangingKind(id);
  const port = freePorts(state.build.blocks).find((p) => p.block === target && p.kind === kind);
  if (!port) {
    setStatus(`${target} has no free port of the kind ${id} hangs by`, 'error');
    return Promise.resolve(false);
  }
  return moveTo(id, target, port.port);
}

// F: the selected block fills the view; with nothing selected, the whole station.
function frameSelection() {
  if (state.selected === null || !viewer.frameBlock(state.selected)) viewer.frameAll();
}

function clickMarker(marker, e) {
  const a = state.armed;
  if (!a) {
    openPortMenu(marker, e.clientX, e.clientY);
    return Promise.resolve(false);
  }
  // The lit markers go out in the edit's own frame: a frame drawn now, while
  // the request is under way, delays its answer (software WebGL).
  const disarm = !e.shiftKey;
  if (disarm) setArmed(null, false);
  const done = a.mode === 'attach' ? attach(marker.block, marker.port, a.type.name, waysToAttach(state.catalogue, a.type, marker.kind)[0])
    : a.mode === 'paste' ? paste(marker.block, marker.port) : moveTo(a.id, marker.block, marker.port);
  return done.then((ok) => {
    if (disarm && !ok) refreshMarkers();
    return ok;
  });
}

// Kind, block and port name of a marker, as the tooltip and the hover line show them.
function markerText(m) {
  const kind = PORT_KINDS[m.kind] || { name: `kind ${m.kind}` };
  return `${m.block} · ${m.name} · ${kind.name} · facing ${directionText(m.direction)}`;
}

function showTooltip(m, x, y) {
  const tip = $('tooltip');
  const wrap = $('view-wrap').getBoundingClientRect();
  tip.textContent = markerText(m);
  tip.style.left = `${Math.min(x - wrap.left + 14, wrap.width - 260)}px`;
  tip.style.top = `${Math.max(4, y - wrap.top - 30)}px`;
  tip.hidden = false;
  setHoverInfo(markerText(m));
}

function hideTooltip() {
  $('tooltip').hidden = true;
  setHoverInfo('');
}

function addRoot(typeName) {
  return edit(new AddBlockCommand({ id: newBlockId(state.desc, typeName), type: typeName }, null, 0, 0));
}

// The value written for a parameter input, or undefined for an empty field.
function inputValue(input, param) {
  if (param.kind === 'switch') return input.checked;
  if (input.value.trim() === '') return undefined;
  return Number(input.value);
}

// Sets a parameter of a block and of its linked twins, as one step.
function setParam(blockId, param, value) {
  const cmds = [];
  for (const id of [String(blockId), ...twinsOf(blockId)]) {
    const b = findBlock(state.desc, id);
    const before = b.params ? b.params[param.name] : undefined;
    if (before !== value) cmds.push(new SetParamCommand(id, param.name, before, value));
  }
  if (!cmds.length) return Promise.resolve(true);
  const cmd = cmds.length === 1 ? cmds[0] : new CompoundCommand(cmds, `${cmds.map((c) => c.blockId).join(', ')}: ${param.name} = ${value === undefined ? 'default' : value}`);
  return edit(cmd, { blockId: String(blockId), field: param.name });
}

function deleteSelected() {
  if (state.selected === null) return Promise.resolve(false);
  const ids = subtree(state.desc, state.selected);
  const others = ids.slice(1);
  const text = others.length
    ? `Delete ${ids[0]} and the ${others.length} block${others.length > 1 ? 's' : ''} hanging from it (${others.join(', ')})?`
    : `Delete ${ids[0]}?`;
  if (!window.confirm(text)) return Promise.resolve(false);
  return edit(new DeleteBlocksCommand(ids)).then((ok) => {
    if (ok) select(null);
    return ok;
  });
}

async function openText(text, label) {
  let desc;
  try {
    desc = JSON.parse(text);
  } catch (e) {
    setStatus(`${label}: not JSON (${e.message})`, 'error');
    return false;
  }
  if (!desc || !Array.isArray(desc.blocks)) {
    setStatus(`${label}: not a station description (no "blocks" list)`, 'error');
    return false;
  }
  desc.links = desc.links || {};
  select(null);
  const opened = await state.open(new ReplaceStationCommand(state.desc, desc));
  if (opened) {
    // An opened or generated station is a new, unnamed description: Save
    // never writes it over the file the designer was started with.
    state.path = '';
    state.version = 'none';
    state.savedText = '';
    if (opened === 'built') viewer.frameAll();
    else setStatus(`${label} opened with errors: nothing is built until the messages are mended`, 'error');
    renderToolbar();
  }
  return opened === 'built';
}

function download(name, blob) {
  const a = document.createElement('a');
  a.href = URL.createObjectURL(blob);
  a.download = name;
  a.click();
  setTimeout(() => URL.revokeObjectURL(a.href), 1000);
}

async function save() {
  await state.busy;
  if (!state.path) {
    downloadJson();
    return;
  }
  let r = await api.save(state.desc, state.version);
  if (r.status === 409 && r.body.changed) {
    if (!window.confirm(`${state.path} changed on disk since it was opened. Replace it with the station shown here?`)) {
      setStatus(`not saved: ${r.body.error}`, 'error');
      return;
    }
    r = await api.save(state.desc, r.body.version);
  }
  if (r.ok) {
    state.version = r.body.version;
    state.savedText = r.body.canonical;
    renderToolbar();
  }
  setStatus(r.ok ? `saved ${r.body.path}` : `not saved: ${r.body.error}`, r.ok ? 'info' : 'error');
}

// A file name for downloads: the opened file's name, else the station's own name.
function fileName(ext) {
  const opened = state.path.split(/[\\/]/).pop().replace(/\.json$/i, '');
  const named = (state.desc.name || '').toLowerCase().replace(/[^a-z0-9]+/g, '_').replace(/^_+|_+$/g, '').slice(0, 60);
  return `${opened || named || 'station'}.${ext}`;
}

function unsaved() {
  return Boolean(state.build && state.build.canonical && state.build.canonical !== state.savedText && state.desc.blocks.length);
}

function downloadJson() {
  if (state.build && state.build.canonical) download(fileName('json'), new Blob([state.build.canonical], { type: 'application/json' }));
}

async function exportBytes(kind) {
  const r = await api.exportBytes(kind, state.desc);
  if (!r.ok) return setStatus(`export failed: ${r.error}`, 'error');
  download(kind === 'host' ? fileName('zip').replace(/\.zip$/, '_host.zip') : fileName(kind), r.blob);
}

// Export PNG: a form for the size and background, then the picture drawn off screen.
function wirePictureForm() {
  const dialog = $('picture-dialog');
  $('picture-form').onsubmit = async (e) => {
    e.preventDefault();
    const w = Number($('pic-width').value), h = Number($('pic-height').value);
    if (!(w >= 16 && w <= MAX_WIDTH && h >= 16 && h <= MAX_HEIGHT)) {
      return setStatus(`a picture is 16 to ${MAX_WIDTH} pixels wide and 16 to ${MAX_HEIGHT} high`, 'error');
    }
    setBusy(true, 'drawing');
    try {
      const blob = await stationPicture(viewer, w, h, $('pic-transparent').checked);
      const name = fileName('png');
      download(name, blob);
      setStatus(`picture ${w} × ${h}${$('pic-transparent').checked ? ', transparent' : ''} saved as ${name}`);
      dialog.close();
    } finally {
      setBusy(false);
    }
  };
  $('pic-cancel').onclick = () => dialog.close();
  return () => dialog.showModal();
}

// ---- panels ----

// Red boxes around blocks that cut into each other: around the selected block
// and the blocks it crosses; with nothing of that selected, around all of them
// while they are few enough to read (a station full of crossings would
// vanish behind its boxes; the messages list them all, a click selects one).
const MAX_OVERLAPS_SHOWN = 4;
function drawOverlaps() {
  const pairs = (state.build && state.build.overlaps) || [];
  const mine = pairs.filter((p) => p.includes(state.selected));
  viewer.markOverlaps((mine.length ? mine : pairs.length <= MAX_OVERLAPS_SHOWN ? pairs : []).flat());
}

function select(id) {
  state.selected = id === null ? null : String(id);
  viewer.select(state.selected);
  drawOverlaps();
  refreshMarkers();
  renderTree();
  renderInspector();
  renderToolbar();
}

function pickType(t) {
  if (!state.desc.blocks.length) addRoot(t.name);
  else arm(state.armed && state.armed.type === t ? null : t);
}

const { renderToolbar, renderTree, renderInspector, renderAll, openPortMenu, closePortMenu } = createPanels({
  state, unsaved, select, setParam, inputValue, copySelected, armPaste, duplicateSelected, armMove, twinsOf, unlinkTwin, dropOn, attach, markerText,
});

// ---- start ----

// Generate: the seeded generator's station for the form's seed, block count
// and style, opened as one undoable edit; the seed is named in the status bar.
async function generateStation(options) {
  await state.busy;
  setBusy(true, 'generating');
  let reply;
  try {
    reply = await api.generate(options);
  } catch (e) {
    reply = { ok: false, error: e.message };
  } finally {
    setBusy(false);
  }
  if (!reply.ok) {
    setStatus(`Generate: ${reply.error}`, 'error');
    return false;
  }
  const ok = await openText(reply.text, reply.name);
  if (ok) setStatus(`generated seed ${options.seed}, ${options.blocks} blocks, style ${options.style} · ${state.summary}`);
  return ok;
}

function wire() {
  $('generate').onclick = wireGenerateForm(generateStation);
  // A variation keeps the file Save writes: it is this station with other designs.
  $('variations').onclick = wireVariations({ state, take: (desc, label) => edit(new ReplaceStationCommand(state.desc, desc, label, true)) });
  $('symmetry').onchange = (e) => {
    e.target.blur();
    const v = e.target.value;
    setStatus(v === 'off' ? 'symmetry off' : `symmetry ${v === 'mirror' ? 'mirror' : `radial ${v}`}: an attached block gets twins at the equivalent ports of its parent, edited together until unlinked`);
  };
  $('undo').onclick = undo;
  $('redo').onclick = redo;
  $('delete').onclick = deleteSelected;
  $('frame').onclick = () => viewer.frameAll();
  $('save').onclick = save;
  $('download').onclick = downloadJson;
  $('export-glb').onclick = () => exportBytes('glb');
  $('export-blob').onclick = () => exportBytes('blob');
  $('export-png').onclick = wirePictureForm();
  $('export-host').onclick = () => exportBytes('host');
  $('open').onclick = () => $('open-file').click();
  $('open-file').onchange = async (e) => {
    const file = e.target.files[0];
    if (file) await openText(await file.text(), file.name);
    e.target.value = '';
  };
  // A click (not a drag) on the view takes the marker nearest the pointer, or the block under it.
  let down = null;
  const canvas = $('view');
  canvas.addEventListener('pointerdown', (e) => { down = { x: e.clientX, y: e.clientY }; });
  canvas.addEventListener('pointerup', (e) => {
    if (!down || Math.hypot(e.clientX - down.x, e.clientY - down.y) > 4) return;
    down = null;
    const marker = viewer.markerAt(e.clientX, e.clientY);
    if (marker) {
      if (state.building > 0) return setStatus('wait for the build to finish', 'info');
      clickMarker(marker, e);
      return;
    }
    closePortMenu();
    select(viewer.blockAt(e.clientX, e.clientY));
  });
  // Hovering lights the marker a click would take and names its port.
  canvas.addEventListener('pointermove', (e) => {
    if (e.buttons) return;
    const marker = viewer.markerAt(e.clientX, e.clientY);
    viewer.hover(marker);
    if (marker) showTooltip(marker, e.clientX, e.clientY);
    else hideTooltip();
  });
  // Double-click frames the block under the pointer (the whole station over empty space).
  canvas.addEventListener('dblclick', (e) => {
    const id = viewer.blockAt(e.clientX, e.clientY);
    if (id === null) return viewer.frameAll();
    select(id);
    viewer.frameBlock(id);
  });
  canvas.addEventListener('pointerleave', () => { viewer.hover(null); hideTooltip(); });
  window.addEventListener('keydown', (e) => {
    if (e.target.closest && e.target.closest('input, select, textarea, dialog')) return;
    const key = e.key.toLowerCase();
    // While a build runs only the view keys work; edits wait for its answer.
    if (state.building > 0 && key !== 'f' && key !== 'home' && key !== 'escape') return;
    if ((e.ctrlKey || e.metaKey) && key === 'z' && !e.shiftKey) { e.preventDefault(); undo(); }
    else if ((e.ctrlKey || e.metaKey) && (key === 'y' || (key === 'z' && e.shiftKey))) { e.preventDefault(); redo(); }
    else if ((e.ctrlKey || e.metaKey) && key === 's') { e.preventDefault(); save(); }
    else if ((e.ctrlKey || e.metaKey) && key === 'c') copySelected();
    else if ((e.ctrlKey || e.metaKey) && key === 'v') { e.preventDefault(); armPaste(); }
    else if ((e.ctrlKey || e.metaKey) && key === 'd') { e.preventDefault(); duplicateSelected(); }
    else if (key === 'g' && !e.ctrlKey && !e.metaKey) armMove();
    else if (key === '/' || key === 'f3') { e.preventDefault(); $('type-filter').focus(); }
    else if (key === 'delete') deleteSelected();
    else if (key === 'f') frameSelection();
    else if (key === 'home') { e.preventDefault(); viewer.frameAll(); }
    else if (key === 'escape') { closePortMenu(); setArmed(null); }
  });
}

async function start() {
  wire();
  state.catalogue = await api.getCatalogue();
  for (const t of state.catalogue.types) {
    state.types.set(t.name.toLowerCase(), t);
    state.types.set(String(t.id), t);
  }
  renderPalette($('palette'), $('type-filter'), state.catalogue, pickType);
  const opened = await api.getStation();
  state.path = opened.path;
  state.version = opened.version;
  if (opened.text) {
    let desc = null;
    try {
      desc = JSON.parse(opened.text);
    } catch (e) {
      setStatus(`${opened.path}: not JSON (${e.message})`, 'error');
    }
    if (desc && Array.isArray(desc.blocks)) {
      desc.links = desc.links || {};
      await serial(() => adopt(desc));
      if (state.build) state.savedText = state.build.canonical;   // what was read, in the form Save writes
      viewer.frameAll();
    }
  } else {
    await serial(() => adopt(emptyDescription()));
  }
  renderAll();
  await viewer.nextFrame();
  document.body.dataset.ready = 'true';
}

// For tests and benchmarks: what a person sees, in numbers.
window.designer = {
  state,
  viewer,
  undo,
  redo,
  idle: () => state.idle(),
  markerScreenPosition: (block, port) => viewer.markerScreenPosition(block, port),
  markerAt: (x, y) => viewer.markerAt(x, y),
  markers: () => viewer.markerList(),
};

// Closing or reloading the page with unsaved changes asks first.
window.addEventListener('beforeunload', (e) => {
  if (!unsaved()) return;
  e.preventDefault();
  e.returnValue = '';
});

start().catch((e) => {
  setStatus(`start failed: ${e.message}`, 'error');
  console.error(e);
});
