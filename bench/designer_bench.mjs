// Designer benchmark: after one parameter change on the large example, how
// long the server's rebuild takes (geometry of the changed block, cache hits
// for the rest, placement) and how long until the new mesh is drawn in
// headless Chromium, from the input's change event to the frame after it.
// Every change sets a value not seen before, so no rebuild is a pure cache hit.
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
} finally {
  await browser.close();
  await stopDesigner(server);
  fs.rmSync(work, { recursive: true, force: true });
}
fs.writeFileSync(path.join(args.out, 'designer_bench.json'), JSON.stringify(report, null, 2) + '\n');
