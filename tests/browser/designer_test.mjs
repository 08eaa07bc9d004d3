// The designer driven in a real headless Chromium, as a person uses it: open
// a station, see it, attach a block at a free port by clicking its marker,
// change a parameter, undo, refuse a value beyond the hard limit, save. Each
// step leaves a screenshot in --out for a person to look at.
//
//   node designer_test.mjs --quilbet BUILD/tools/quilbet --chromium /usr/bin/chromium
//                          --source REPO --out DIR
import { strict as assert } from 'node:assert';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { launchDesigner, stopDesigner, launchBrowser, parseArgs, canvasCoverage, waitIdle, serveOtherOrigin }
  from './designer_support.mjs';

const args = parseArgs(process.argv.slice(2));
fs.rmSync(args.out, { recursive: true, force: true });
fs.mkdirSync(args.out, { recursive: true });
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const work = fs.mkdtempSync(path.join(args.out, 'work-'));
const stationFile = path.join(work, 'station.json');
fs.copyFileSync(path.join(args.source, 'examples/small_station.json'), stationFile);

// What the command-line tool says about a description file: its messages
// (without the file prefix) and, with `blob`, the blob it writes.
function cli(desc, name, blob = false) {
  const file = path.join(work, name + '.json');
  fs.writeFileSync(file, typeof desc === 'string' ? desc : JSON.stringify(desc, null, 2));
  const out = path.join(work, name + '.blob');
  let stderr = '';
  try {
    execFileSync(args.quilbet, ['describe', file, ...(blob ? ['-o', out] : [])], { stdio: ['ignore', 'ignore', 'pipe'] });
  } catch (e) {
    stderr = e.stderr.toString();
  }
  const messages = stderr.split('\n').filter(Boolean).map((l) => l.slice(file.length + 2).replace(/^(error|warning): /, ''));
  return { messages, blob: blob && fs.existsSync(out) ? fs.readFileSync(out) : null };
}

const results = [];
async function step(name, page, work) {
  try {
    await work();
    results.push([name, true]);
    console.log(`ok   ${name}`);
  } catch (e) {
    results.push([name, false]);
    console.log(`FAIL ${name}\n     ${e.message.split('\n').join('\n     ')}`);
  }
  await page.screenshot({ path: path.join(args.out, `${String(results.length).padStart(2, '0')}-${name.replace(/[^a-z0-9]+/gi, '-')}.png`) });
}

const server = await launchDesigner(args.quilbet, [stationFile]);
const browser = await launchBrowser(args.chromium, work);
const consoleErrors = [];
let exitCode = 1;
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 800 });
  page.on('console', (m) => { if (m.type() === 'error') consoleErrors.push(m.text()); });
  page.on('pageerror', (e) => consoleErrors.push(e.message));
  page.on('requestfailed', (r) => consoleErrors.push(`request failed: ${r.url()}`));
  page.on('dialog', (d) => (d.type() === 'prompt' ? d.accept('7 30 ring') : d.accept()));
  await page.goto(server.url, { waitUntil: 'load' });
  await page.waitForSelector('body[data-ready="true"]', { timeout: 60000 });

  const original = JSON.parse(fs.readFileSync(stationFile, 'utf8'));
  let truss = null;   // { port on hab, port on Truss_A }

  await step('open shows the station', page, async () => {
    const blocks = await page.evaluate(() => designer.state.build.blocks.map((b) => b.id));
    assert.deepEqual(blocks, original.blocks.map((b) => b.id));
    const coverage = await canvasCoverage(page);
    assert.ok(coverage > 0.05, `only ${(coverage * 100).toFixed(1)}% of the middle third differs from the background`);
  });

  await step('clicking a free port of the selected habitat lists the fitting types', page, async () => {
    const catalogue = await page.evaluate(() => designer.state.catalogue);
    const trussType = catalogue.types.find((t) => t.name === 'Truss_A');
    // Nothing selected, nothing picked: no markers clutter the view.
    assert.deepEqual(await page.evaluate(() => designer.markers()), []);
    await page.click('#tree .node[data-block="hab"]');
    const markers = await page.evaluate(() => designer.markers());
    assert.ok(markers.length && markers.every((m) => m.block === 'hab'), 'markers on other blocks than the selected one');
    const marker = markers.find((m) => m.visible && m.block === 'hab' && trussType.ports.some((p) => p.kind === m.kind));
    assert.ok(marker, 'no free port on hab that a Truss_A fits');
    const at = await page.evaluate((m) => designer.markerScreenPosition(m.block, m.port), marker);
    await page.mouse.click(at.x, at.y);
    await page.waitForSelector('#port-menu:not([hidden])', { timeout: 5000 });
    const offered = await page.$$eval('#port-menu .choice[data-type]:not([data-via])', (bs) => bs.map((b) => [b.dataset.type, Number(b.dataset.port)]));
    const fitting = catalogue.types.flatMap((t) => t.ports.filter((p) => p.kind === marker.kind).map((p) => [t.name, p.index]));
    assert.deepEqual(offered, fitting);
    truss = { habPort: marker.port, trussPort: trussType.ports.find((p) => p.kind === marker.kind).index };
  });

  await step('choosing Truss_A adds the block and its link', page, async () => {
    await page.click(`#port-menu .choice[data-type="Truss_A"][data-port="${truss.trussPort}"]`);
    await waitIdle(page);
    const s = await page.evaluate(() => ({ desc: designer.state.desc, ids: designer.state.build.blocks.map((b) => b.id), objects: [...designer.viewer.objects.keys()] }));
    assert.deepEqual(s.desc.blocks.at(-1), { id: 'truss_a', type: 'Truss_A' });
    assert.equal(s.desc.links[`hab.${truss.habPort}`], `truss_a.${truss.trussPort}`);
    assert.ok(s.ids.includes('truss_a') && s.objects.includes('truss_a'));
    assert.equal(await page.$eval('#tree .node.selected', (e) => e.dataset.block), 'truss_a');
  });

  const setBlockCount = async (value) => {
    const input = await page.$('#inspector tr[data-param="Block_count"] input');
    await input.click({ clickCount: 3 });
    await input.type(String(value));
    await input.press('Tab');
    await waitIdle(page);
  };

  let meshBefore = null;
  await step('changing Block_count rebuilds the truss', page, async () => {
    meshBefore = await page.evaluate(() => designer.state.build.blocks.find((b) => b.id === 'truss_a').mesh);
    await setBlockCount(5);
    const s = await page.evaluate(() => ({ desc: designer.state.desc, build: designer.state.build, last: designer.state.lastEdit }));
    assert.deepEqual(s.desc.blocks.at(-1).params, { Block_count: 5 });
    assert.notEqual(s.build.blocks.find((b) => b.id === 'truss_a').mesh, meshBefore);
    // Only the changed block's geometry was made anew.
    assert.equal(s.last.built, 1, `built ${s.last.built} blocks anew`);
  });

  await step('undo restores the default Block_count', page, async () => {
    await page.click('#undo');
    await waitIdle(page);
    const s = await page.evaluate(() => ({ desc: designer.state.desc, build: designer.state.build }));
    assert.deepEqual(s.desc.blocks.at(-1), { id: 'truss_a', type: 'Truss_A' });
    assert.equal(s.build.blocks.find((b) => b.id === 'truss_a').mesh, meshBefore);
    const def = await page.evaluate(() => designer.state.types.get('truss_a').parameters.find((p) => p.name === 'Block_count').default);
    assert.equal(await page.$eval('#inspector tr[data-param="Block_count"] input', (i) => i.value), String(def));
  });

  await step('a Block_count beyond the hard limit shows the CLI message and changes nothing', page, async () => {
    const before = await page.evaluate(() => ({ desc: designer.state.desc, undos: designer.state.history.undos.length }));
    await setBlockCount(100000);
    const after = await page.evaluate(() => ({ desc: designer.state.desc, undos: designer.state.history.undos.length }));
    assert.deepEqual(after, before);
    const refused = structuredClone(before.desc);
    refused.blocks.at(-1).params = { Block_count: 100000 };
    const expected = cli(refused, 'refused').messages.find((m) => m.includes('Block_count'));
    assert.ok(expected, 'the CLI accepted the refused value');
    const shown = await page.$$eval('#inspector tr[data-param="Block_count"] .field-message.error', (es) => es.map((e) => e.textContent));
    assert.ok(shown.includes(expected), `shown ${JSON.stringify(shown)}, the CLI says ${JSON.stringify(expected)}`);
  });

  await step('save writes the expected description', page, async () => {
    await page.click('#save');
    await page.waitForFunction(() => document.getElementById('status').textContent.startsWith('saved'), { timeout: 10000 });
    const savedText = fs.readFileSync(stationFile, 'utf8');
    const expected = structuredClone(original);
    expected.blocks.push({ id: 'truss_a', type: 'Truss_A' });
    expected.links[`hab.${truss.habPort}`] = `truss_a.${truss.trussPort}`;
    const saved = JSON.parse(savedText);
    assert.deepEqual(saved, expected);
    // The tool reads the saved file into the same blob as the expected description ...
    const a = cli(savedText, 'saved', true), b = cli(expected, 'expected', true);
    assert.ok(a.blob && b.blob && a.blob.equals(b.blob), 'the saved and expected descriptions give different blobs');
    // ... and the file is written in the tool's own layout: saving what was opened gives it back byte for byte.
    assert.equal(savedText, await page.evaluate(() => designer.state.build.canonical));
    assert.ok(savedText.endsWith('}\n') && savedText.includes('\n  "blocks": [\n    {\n      "id": "node",'));
  });

  await step('a page of another origin cannot change the station file', page, async () => {
    const before = fs.readFileSync(stationFile);
    const forged = JSON.stringify({ ...original, name: 'forged' });
    // A text/plain form's body is NAME=VALUE: a name that opens a JSON string makes the whole body JSON.
    const [name, value] = [forged.slice(0, -1) + ', "pad": "', '"}'];
    const other = await serveOtherOrigin(`<!doctype html><form method="POST" enctype="text/plain" action="${server.url}api/save">
      <input name='${name.replace(/'/g, '&#39;')}' value='${value}'></form>`);
    const attacker = await browser.newPage();
    try {
      await attacker.goto(other.url, { waitUntil: 'load' });
      // The answer is withheld from the page either way (opaque, or a network
      // error under Cross-Origin-Resource-Policy); what counts is the file.
      await attacker.evaluate(async (url, body) => {
        await fetch(url + 'api/save', { method: 'POST', mode: 'no-cors', body }).catch(() => null);
      }, server.url, forged);
      await Promise.all([attacker.waitForNavigation(), attacker.$eval('form', (f) => f.submit())]);
      assert.match(await attacker.evaluate(() => document.body.textContent), /nothing was changed/);
    } finally {
      await attacker.close();
      other.close();
    }
    assert.ok(fs.readFileSync(stationFile).equals(before), 'the station file was changed');
  });

  let beforeGenerate = null;
  await step('generate opens a generated station', page, async () => {
    beforeGenerate = await page.evaluate(() => designer.state.desc);
    await page.click('#generate');
    await page.waitForSelector('#generate-dialog[open]');
    await page.$eval('#gen-seed', (e) => { e.value = ''; });
    await page.type('#gen-seed', '7');
    await page.$eval('#gen-blocks', (e) => { e.value = ''; });
    await page.type('#gen-blocks', '30');
    await page.select('#gen-style', 'ring');
    await page.screenshot({ path: path.join(args.out, '08a-the-generate-form.png') });
    await page.click('#gen-go');
    await page.waitForFunction(() => (designer.state.desc.name || '').startsWith('Generated ring station, seed 7'), { timeout: 60000 });
    await waitIdle(page);
    const count = await page.evaluate(() => designer.state.build.blocks.length);
    // A station stops short by at most a piece of twins and the power it needs (a ring's piece:
    // four habitats and their panels), and goes at most a tenth over.
    assert.ok(count >= 22 && count <= 33, `${count} blocks built for 30 asked for`);
    // The form closed, and the seed is named where a person looks.
    assert.ok(!(await page.$eval('#generate-dialog', (d) => d.open)));
    assert.match(await page.$eval('#status', (e) => e.textContent), /^generated seed 7, 30 blocks, style ring/);
  });

  await step('save after generate downloads it under its own name and leaves the opened file alone', page, async () => {
    const before = fs.readFileSync(stationFile, 'utf8');
    const downloads = path.join(work, 'downloads');
    fs.mkdirSync(downloads);
    const cdp = await page.target().createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    assert.match(await page.$eval('#station-name', (e) => e.textContent), /unnamed/);
    await page.keyboard.down('Control');
    await page.keyboard.press('s');
    await page.keyboard.up('Control');
    await waitIdle(page);
    const deadline = Date.now() + 10000;
    while (!fs.readdirSync(downloads).some((f) => f.endsWith('.json')) && Date.now() < deadline) await sleep(100);
    const blocks = await page.evaluate(() => designer.state.desc.blocks.length);
    assert.deepEqual(fs.readdirSync(downloads), [`generated_ring_station_seed_7_${blocks}_blocks.json`]);
    assert.equal(fs.readFileSync(stationFile, 'utf8'), before);
  });

  await step('one undo brings back the station before generate', page, async () => {
    await page.click('#undo');
    await waitIdle(page);
    assert.deepEqual(await page.evaluate(() => designer.state.desc), beforeGenerate);
  });

  // Opens a description through the Open… button and its file chooser.
  const openFile = async (name, desc) => {
    const file = path.join(work, name);
    fs.writeFileSync(file, JSON.stringify(desc));
    const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('#open')]);
    await chooser.accept([file]);
    await sleep(300);
    await waitIdle(page);
  };

  await step('the figures panel shows the station against the host limits', page, async () => {
    const rows = await page.$$eval('#figures .figure', (r) => r.map((e) => [e.dataset.figure, e.className, e.textContent]));
    assert.deepEqual(rows.map(([k]) => k), ['mesh_groups', 'vertices', 'texture_pixels', 'build_work']);
    const groups = await page.evaluate(() => designer.state.build.figures.built.mesh_groups.value);
    assert.ok(rows[0][2].startsWith(`mesh groups: ${groups.toLocaleString('en')} of 1,000`), rows[0][2]);
  });

  await step('the mesh groups bar turns amber at 968 of the host\'s 1000 groups', page, async () => {
    const wings = Array.from({ length: 11 }, (_, i) => ({ id: `w${i}`, type: 'Power_wing_C' }));
    await openFile('968-groups.json', { blocks: wings, links: Object.fromEntries(wings.slice(1).map((w, i) => [`w${i}.0`, `${w.id}.1`])) });
    const rows = await page.$$eval('#figures .figure', (r) => r.map((e) => [e.dataset.figure, e.className, e.textContent]));
    assert.deepEqual(rows.map(([k, c]) => [k, c]), [['mesh_groups', 'figure near'], ['vertices', 'figure ok'],
      ['texture_pixels', 'figure ok'], ['build_work', 'figure ok']]);
    assert.ok(rows[0][2].startsWith('mesh groups: 968 of 1,000 (97%)'), rows[0][2]);
  });

  await step('two blocks that cut into each other are drawn in red and named in a warning', page, async () => {
    await openFile('crossing.json', {
      blocks: [{ id: 'lab', type: 'Hab_B', params: { Length: 8 } }, { id: 'truss', type: 'Truss_A', params: { Block_count: 3 } },
        { id: 'power', type: 'Power_wing_A' }],
      links: { 'lab.2': 'truss.1', 'truss.4': 'power.1' },
    });
    const red = await page.evaluate(() => designer.viewer.overlapBoxes.map((b) => b.userData.overlap).sort());
    assert.deepEqual(red, ['lab', 'power']);
    const warnings = await page.$$eval('#messages li.warning', (l) => l.map((e) => e.textContent));
    assert.ok(warnings.some((w) => w.includes('"lab" and "power"')), warnings.join(' | '));
  });

  await step('a faulty description opens with its messages, nothing built, and one undo brings back the station', page, async () => {
    const before = await page.evaluate(() => designer.state.desc);
    await openFile('faulty.json', { blocks: [{ id: 'node', type: 'Hab_Node_A' }, { id: 'tank', type: 'Tank_A', params: { Radius: 'big' } }],
      links: { 'node.0': 'tank.0' } });
    const tree = await page.$$eval('#tree .node', (n) => n.map((e) => [e.dataset.block, e.className.includes('has-error')]));
    assert.deepEqual(tree, [['node', false], ['tank', true]]);
    assert.equal(await page.evaluate(() => designer.state.build.blocks.length), 0);
    const messages = await page.$$eval('#messages li.error', (l) => l.map((e) => e.textContent));
    assert.ok(messages.some((m) => m.includes('block "tank" (Tank_A), parameter "Radius"')), messages.join(' | '));
    await page.click('#undo');
    await waitIdle(page);
    assert.deepEqual(await page.evaluate(() => designer.state.desc), before);
  });

  await step('the console shows no error', page, async () => {
    assert.deepEqual(consoleErrors, []);
  });
  exitCode = results.every(([, ok]) => ok) ? 0 : 1;
} finally {
  await browser.close();
  const stopped = await stopDesigner(server);
  if (stopped !== 0) {
    console.log(`FAIL the server did not stop cleanly on SIGINT (exit ${stopped})`);
    exitCode = 1;
  }
  fs.rmSync(work, { recursive: true, force: true });
}
const passed = results.filter(([, ok]) => ok).length;
console.log(`${passed} passed, ${results.length - passed} failed`);
console.log(`screenshots: ${args.out}`);
process.exit(exitCode);
