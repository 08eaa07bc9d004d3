// The server's API (see tools/design/design_api.hpp).

// The server fills in a token of its own for each run and answers a request
// that changes or builds anything only when the token comes back with it: a
// page of another site cannot read it.
const token = document.querySelector('meta[name="quilbet-token"]')?.content ?? '';

async function post(path, text, headers = {}) {
  return fetch(path, {
    method: 'POST',
    headers: { 'Content-Type': 'application/json', 'X-Quilbet-Token': token, ...headers },
    body: text,
  });
}

export async function getCatalogue() {
  return (await fetch('/api/catalogue')).json();
}

// One block's geometry as glb bytes (an ArrayBuffer); throws when it is not held.
export async function getMesh(key) {
  const r = await fetch(`/api/mesh/${key}.glb`);
  if (!r.ok) throw new Error(`mesh ${key}: HTTP ${r.status}`);
  return r.arrayBuffer();
}

export async function getStation() {
  return (await fetch('/api/station')).json();
}

// Checks and, when the command-line tool accepts it, builds: { ok: true,
// result } for a built station; { ok: false, error, diagnostics } when it was
// refused (nothing was built).
export async function build(desc) {
  const r = await post('/api/edit', JSON.stringify(desc));
  const body = await r.json();
  if (r.ok && body.ok) return { ok: true, result: body };
  if (r.ok) return { ok: false, error: 'refused', diagnostics: body.diagnostics };
  return { ok: false, error: body.error, diagnostics: [] };
}

// Saves to the opened file while it still has `version` (what getStation or
// the last save gave); a 409 with { changed: true, version } when it changed on disk.
export async function save(desc, version) {
  const r = await post('/api/save', JSON.stringify(desc), { 'X-Quilbet-Base-Version': version });
  return { ok: r.ok, status: r.status, body: await r.json() };
}

// The bytes of an export ('glb' or 'blob'), or an error text.
export async function exportBytes(kind, desc) {
  const r = await post(`/api/export/${kind}`, JSON.stringify(desc));
  if (!r.ok) return { ok: false, error: (await r.json()).error };
  return { ok: true, blob: await r.blob() };
}

// A generated station description: { ok: true, text, name } or { ok: false, error }.
export async function generate(options) {
  const r = await post('/api/generate', JSON.stringify(options));
  const body = await r.json();
  return r.ok ? body : { ok: false, error: body.error };
}

// The ports of a block equivalent to one of its ports under the symmetry
// rule: { ok: true, ports } (the port itself first) or { ok: false, error }.
export async function symmetry(request) {
  const r = await post('/api/symmetry', JSON.stringify(request));
  const body = await r.json();
  return r.ok ? { ok: true, ports: body.ports } : { ok: false, error: body.error };
}

// Six variations of a description, each { variation, text, redrawn, picture
// (a PNG data URL, or '' with picture_error) }, and the numbers that could not
// be made with why: { ok: true, variations, missing } or { ok: false, error }.
export async function variations(desc) {
  const r = await post('/api/variations', JSON.stringify(desc));
  const body = await r.json();
  return r.ok ? body : { ok: false, error: body.error };
}
