// The server's API (see tools/design/design_api.hpp).

async function post(path, text) {
  return fetch(path, { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: text });
}

export async function getCatalogue() {
  return (await fetch('/api/catalogue')).json();
}

export async function getStation() {
  return (await fetch('/api/station')).json();
}

// The command-line tool's verdict on a description: { ok, diagnostics, canonical? }.
// Always answered (a refusal here is not an HTTP error, so the page asks
// before it builds and the browser logs nothing for a refused edit).
export async function validate(desc) {
  const r = await post('/api/validate', JSON.stringify(desc));
  const body = await r.json();
  if (r.ok) return body;
  return { ok: false, diagnostics: [{ severity: 'error', text: body.error, block: '', field: '' }] };
}

// Validates, then builds: { ok: true, result } for a built station;
// { ok: false, status, error, diagnostics } when it was refused (nothing was built).
export async function build(desc) {
  const check = await validate(desc);
  if (!check.ok) return { ok: false, status: 422, error: 'refused', diagnostics: check.diagnostics };
  const r = await post('/api/build', JSON.stringify(desc));
  const body = await r.json();
  if (r.ok) return { ok: true, result: body };
  return { ok: false, status: r.status, error: body.error, diagnostics: body.diagnostics || [] };
}

export async function save(desc) {
  const r = await post('/api/save', JSON.stringify(desc));
  return { ok: r.ok, status: r.status, body: await r.json() };
}

// The bytes of an export ('glb' or 'blob'), or an error text.
export async function exportBytes(kind, desc) {
  const r = await post(`/api/export/${kind}`, JSON.stringify(desc));
  if (!r.ok) return { ok: false, error: (await r.json()).error };
  return { ok: true, blob: await r.blob() };
}
