// The catalogue panel: the block types by category, one button each, and a
// filter box over them (type to filter, Enter takes the first shown).

import { PORT_KINDS } from './ports.js';

// The types whose name or category holds every word of `query` (any case), in catalogue order.
export function filterTypes(types, query) {
  const words = query.toLowerCase().split(/\s+/).filter(Boolean);
  return types.filter((t) => {
    const text = `${t.name} ${t.category}`.toLowerCase();
    return words.every((w) => text.includes(w));
  });
}

// Fills `box` with a button per type of `catalogue`; `pick(type)` runs on a
// click, and on Enter in `filter` for the first type shown.
export function renderPalette(box, filter, catalogue, pick) {
  box.replaceChildren();
  const byCat = new Map();
  for (const t of catalogue.types) {
    if (!byCat.has(t.category)) byCat.set(t.category, []);
    byCat.get(t.category).push(t);
  }
  for (const [cat, types] of byCat) {
    const div = document.createElement('div');
    div.className = 'palette-cat';
    const h = document.createElement('h3');
    h.textContent = cat;
    div.append(h);
    for (const t of types) {
      const b = document.createElement('button');
      b.textContent = t.name;
      b.dataset.type = t.name;
      b.className = 'edit';
      const kinds = [...new Set(t.ports.map((p) => (PORT_KINDS[p.kind] || { name: p.kind }).name))];
      b.title = `${t.name}: ${t.ports.length} ports (${kinds.join(', ')})`;
      b.onclick = () => pick(t);
      div.append(b);
    }
    box.append(div);
  }
  const apply = () => {
    const shown = new Set(filterTypes(catalogue.types, filter.value).map((t) => t.name));
    for (const b of box.querySelectorAll('button')) b.hidden = !shown.has(b.dataset.type);
    for (const div of box.querySelectorAll('.palette-cat')) div.hidden = !div.querySelector('button:not([hidden])');
  };
  filter.oninput = apply;
  filter.onkeydown = (e) => {
    if (e.key === 'Enter') {
      const first = filterTypes(catalogue.types, filter.value)[0];
      if (first) pick(first);
    } else if (e.key === 'Escape') {
      filter.value = '';
      apply();
      filter.blur();
    }
  };
  apply();
}
