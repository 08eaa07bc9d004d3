// Designer benchmark: after one parameter change on the large example, how
// long the server's rebuild takes (geometry of the changed block, cache hits
// for the rest, placement) and how long until the new mesh is drawn in
// headless Chromium, from the input's change event to the frame after it.
// Every change sets a value not seen before, so no rebuild is a pure cache hit.
// Then, as events on the canvas the way a pointer sends them: a pointer move
// onto a marker until the highlighted marker is drawn (the pick against the
// station's depth image, the highlight, the tooltip, a frame drawn and
// finished by the rasteriser), and the paste of a ten-block subtree from the
// click on a port until the new blocks are drawn (the first paste builds the
// blocks' geometry; later ones, after an undo, take it from the cache).
//
//   node bench/designer_bench.mjs --quilbet BUILD/tools/quilbet --chromium /usr/bin/chromium
//                                 --source REPO --out DIR [--runs N]
import fs from 'node:fs';
import path from 'node:path';
import { launchDesigner, stopDesigner, launchBrowser, parseArgs } from '../tests/browser/designer_support.mjs';

const args = parseArgs(process.argv.slice(2));
const runs = Number(args.runs || 15);
fs.mkdirSync(args.out, { recursive: true });
const work = fs.mkdtempSync(path.join(args.out, 'bench-'));
const station = path.join(work, 'large_station.json');
fs.copyFileSync(path.join(args.source, 'examples/large_station.json'), station);

const median = (xs) => {
  const s = [...xs].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};

// The edits measured: a block and parameter, and the value of run i.
const cases = [
  { block: 'truss_r', param: 'Block_count', value: (i) => 13 + (i % 15) },
  { block: 'solar_a', param: 'Panel rotation', value: (i) => 0.41 + 0.01 * i },
  { block: 'hab_fwd', param: 'Length', value: (i) => 12.1 + 0.1 * i },
];

// Sends pointer events to the canvas at client (x, y), as a pointer does.
const pointerAt = (type, x, y) => document.getElementById('view').dispatchEvent(
  new PointerEvent(type, { clientX: x, clientY: y, bubbles: true, pointerType: 'mouse', buttons: type === 'pointermove' ? 0 : 1 }));

// Pointer moves between visible markers of a selected truss, each onto a
// marker other than the one lit: from the event until the frame is drawn.
async function pointerMoves(page) {
  const rows = await page.evaluate(async (runs, pointerAtText) => {
    const pointerAt = eval(pointerAtText);
    document.querySelector('#tree .node[data-block="truss_l"]').click();
    await designer.idle();
    const v = designer.viewer;
    const gl = v.renderer.getContext();
    const markers = designer.markers().filter((m) => m.visible);
    const out = [];
    for (let i = 0; i < runs; ++i) {
      const m = markers[i % markers.length];
      const at = designer.markerScreenPosition(m.block, m.port);
      await v.nextFrame();
      gl.finish();
      const t0 = performance.now();
      pointerAt('pointermove', at.x, at.y);
      v.renderer.render(v.scene, v.camera);
      gl.finish();
      out.push({ ms: performance.now() - t0, lit: v.hovered && v.hovered.userData.port === m.port });
    }
    return { out, markers: markers.length };
  }, runs, `(${pointerAt.toString()})`);
  const line = { edit: 'pointer move onto a marker', runs, markers: rows.markers, all_lit: rows.out.every((r) => r.lit),
                 drawn_ms_median: median(rows.out.map((r) => r.ms)) };
  console.log(`${line.edit.padEnd(28)} lit and drawn ${line.drawn_ms_median.toFixed(2)} ms (median of ${runs}, ` +
    `${line.markers} markers, every one lit: ${line.all_lit})`);
  return line;
}

// Pastes of truss_r with the nine blocks hanging from it onto a free port of
// hab_up, each undone before the next: from the click on the port until drawn.
async function pastes(page) {
  const rows = await page.evaluate(async (runs, pointerAtText) => {
    const pointerAt = eval(pointerAtText);
    const out = [];
    for (let i = 0; i < runs; ++i) {
      document.querySelector('#tree .node[data-block="truss_r"]').click();
      await designer.idle();
      window.dispatchEvent(new KeyboardEvent('keydown', { key: 'c', ctrlKey: true }));
      window.dispatchEvent(new KeyboardEvent('keydown', { key: 'v', ctrlKey: true }));
      const blocks = designer.state.clipboard.blocks.length;
      const m = designer.markers().find((x) => x.visible && x.block === 'hab_up');
      const at = designer.markerScreenPosition(m.block, m.port);
      await designer.viewer.nextFrame();
      const t0 = performance.now();
      pointerAt('pointerdown', at.x, at.y);
      pointerAt('pointerup', at.x, at.y);
      await designer.idle();
      await designer.viewer.nextFrame();
      const ms = performance.now() - t0;
      out.push({ ms, blocks, added: designer.state.desc.blocks.length, built: designer.state.lastEdit.built });
      await designer.undo();
    }
    return out;
  }, runs, `(${pointerAt.toString()})`);
  const line = { edit: 'paste of ten blocks', runs, blocks: rows[0].blocks, first_ms: rows[0].ms, first_built: rows[0].built,
                 drawn_ms_median: median(rows.map((r) => r.ms)), built_median: median(rows.map((r) => r.built)) };
  console.log(`${line.edit.padEnd(28)} drawn ${line.drawn_ms_median.toFixed(1)} ms (median of ${runs}, ${line.blocks} blocks, ` +
    `built ${line.built_median}); the first, building them: ${line.first_ms.toFixed(1)} ms`);
  return line;
}

const server = await launchDesigner(args.quilbet, [station]);
const browser = await launchBrowser(args.chromium, work);
const report = [];
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 800 });
  await page.goto(server.url, { waitUntil: 'load' });
  await page.waitForSelector('body[data-ready="true"]', { timeout: 120000 });
  for (const c of cases) {
    const rows = [];
    for (let i = 0; i < runs; ++i) {
      rows.push(await page.evaluate(async (c, value) => {
        // Select the block so the inspector shows its field, then change it as a person would.
        document.querySelector(`#tree .node[data-block="${c.block}"]`).click();
        const input = document.querySelector(`#inspector tr[data-param="${c.param}"] input`);
        await designer.idle();
        // The change is timed from a settled view, as a person makes it: the
        // selection's frame is drawn and the (software) rasteriser has finished it.
        await designer.viewer.nextFrame();
        designer.viewer.renderer.getContext().finish();
        await new Promise((r) => setTimeout(r, 300));
        const t0 = performance.now();
        input.value = String(value);
        input.dispatchEvent(new Event('change'));
        await designer.idle();
        await designer.viewer.nextFrame();
        const drawn = performance.now() - t0;
        const e = designer.state.lastEdit;
        return { drawn, server: e.serverMs, roundTrip: e.roundTripMs, built: e.built, reused: e.reused };
      }, c, c.value(i)));
    }
    const line = {
      edit: `${c.block}.${c.param}`,
      runs,
      server_rebuild_ms_median: median(rows.map((r) => r.server)),
      round_trip_ms_median: median(rows.map((r) => r.roundTrip)),
      drawn_ms_median: median(rows.map((r) => r.drawn)),
      blocks_built_median: median(rows.map((r) => r.built)),
      blocks_reused_median: median(rows.map((r) => r.reused)),
    };
    report.push(line);
    console.log(`${line.edit.padEnd(24)} server rebuild ${line.server_rebuild_ms_median.toFixed(1)} ms · ` +
      `round trip ${line.round_trip_ms_median.toFixed(1)} ms · drawn ${line.drawn_ms_median.toFixed(1)} ms · ` +
      `built ${line.blocks_built_median}, reused ${line.blocks_reused_median} (medians of ${runs})`);
  }
  report.push(await pointerMoves(page));
  report.push(await pastes(page));
} finally {
  await browser.close();
  await stopDesigner(server);
  fs.rmSync(work, { recursive: true, force: true });
}
fs.writeFileSync(path.join(args.out, 'designer_bench.json'), JSON.stringify(report, null, 2) + '\n');
