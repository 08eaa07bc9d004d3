// The station's figures against the limits the host applies, as bars that
// turn amber from 90% of a limit and red beyond it (the server's survey of
// the build: see figures in the build answer).

const ROWS = [
  ['mesh_groups', 'mesh groups', "the host's mesh holds 1000 groups"],
  ['vertices', 'vertices', 'the station budget'],
  ['texture_pixels', 'texture pixels', 'the station budget'],
  ['build_work', 'build work', 'the station budget (about a second of build in the host)'],
];

function number(v) {
  return v >= 1e6 ? `${(v / 1e6).toFixed(1)} M` : v.toLocaleString('en');
}

// The bar's state for a share of its limit: 'ok', 'near' (from 90%) or 'over'.
export function barState(value, limit) {
  if (value > limit) return 'over';
  return value >= 0.9 * limit ? 'near' : 'ok';
}

// Fills `box` with the figures of a build answer (null: nothing built).
export function renderFigures(box, figures) {
  box.replaceChildren();
  if (!figures) {
    box.innerHTML = '<p class="hint">Nothing is built: the figures appear once the station passes the checks.</p>';
    return;
  }
  const size = figures.extent_m.map((v) => v.toFixed(1)).join(' × ');
  const head = document.createElement('p');
  const count = (n, one, many) => `${n} ${n === 1 ? one : many}`;
  head.textContent = [count(figures.blocks, 'block', 'blocks'), count(figures.habitats, 'habitat', 'habitats'),
    count(figures.free_docking_ports, 'free docking port', 'free docking ports'), `${size} m`].join(' · ');
  box.append(head);
  for (const [key, label, limitName] of ROWS) {
    const f = (figures.built && figures.built[key]) || figures.estimate[key];
    const row = document.createElement('div');
    row.className = `figure ${barState(f.value, f.limit)}`;
    row.dataset.figure = key;
    row.title = `limit: ${limitName}`;
    const share = Math.min(100, (100 * f.value) / f.limit);
    row.innerHTML = '<div class="figure-label"></div><div class="bar"><div class="fill"></div></div>';
    row.querySelector('.figure-label').textContent = `${label}: ${number(f.value)} of ${number(f.limit)} (${share.toFixed(0)}%)`;
    row.querySelector('.fill').style.width = `${share}%`;
    box.append(row);
  }
}
