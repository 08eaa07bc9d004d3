// Starting the designer's server and a headless Chromium for the browser test
// and the benchmark, and reading what the page shows.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { createRequire } from 'node:module';

// puppeteer-core is installed in tools/ (pinned by tools/package-lock.json).
const require = createRequire(new URL('../../tools/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');

export function parseArgs(argv) {
  const out = {};
  for (let i = 0; i < argv.length; i += 2) out[argv[i].replace(/^--/, '')] = argv[i + 1];
  for (const k of ['quilbet', 'chromium', 'source', 'out']) {
    if (!out[k]) throw new Error(`missing --${k}`);
  }
  return out;
}

// Starts `quilbet design FILE --port 0 --no-open` and resolves with its address.
export function launchDesigner(quilbet, files) {
  const child = spawn(quilbet, ['design', ...files, '--port', '0', '--no-open'], { stdio: ['ignore', 'pipe', 'pipe'] });
  let out = '';
  let err = '';
  child.stderr.on('data', (d) => { err += d; });
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`quilbet design printed no address: ${out}${err}`)), 60000);
    child.stdout.on('data', (d) => {
      out += d;
      const m = out.match(/serving (http:\/\/127\.0\.0\.1:\d+\/)/);
      if (m) {
        clearTimeout(timer);
        resolve({ child, url: m[1] });
      }
    });
    child.on('exit', (code) => reject(new Error(`quilbet design exited with ${code}: ${err}`)));
  });
}

// Sends SIGINT and resolves with the exit code (-1 when it had to be killed).
export function stopDesigner(server) {
  return new Promise((resolve) => {
    if (server.child.exitCode !== null) return resolve(server.child.exitCode);
    const timer = setTimeout(() => { server.child.kill('SIGKILL'); resolve(-1); }, 10000);
    server.child.on('exit', (code) => { clearTimeout(timer); resolve(code); });
    server.child.kill('SIGINT');
  });
}

// Serves one page at http://127.0.0.1:PORT/ on a free port (another origin
// than the designer's, the same site): resolves with { url, close }.
export function serveOtherOrigin(html) {
  const srv = http.createServer((req, res) => {
    res.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
    res.end(html);
  });
  return new Promise((resolve) => {
    srv.listen(0, '127.0.0.1', () => resolve({ url: `http://127.0.0.1:${srv.address().port}/`, close: () => srv.close() }));
  });
}

export async function launchBrowser(chromium, work) {
  const profile = fs.mkdtempSync(path.join(work, 'chromium-'));
  return puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--headless', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--use-angle=swiftshader', '--enable-unsafe-swiftshader', `--user-data-dir=${profile}`],
  });
}

// Waits until every edit the page started has been answered and drawn.
export async function waitIdle(page) {
  await page.evaluate(async () => {
    await designer.idle();
    await designer.viewer.nextFrame();
  });
}

// The share of pixels in the middle third of the canvas (both ways) that
// differ from the background colour.
export async function canvasCoverage(page) {
  return page.evaluate(async () => {
    await designer.viewer.nextFrame();
    const src = designer.viewer.canvas;
    const c = document.createElement('canvas');
    c.width = src.width;
    c.height = src.height;
    const g = c.getContext('2d');
    g.drawImage(src, 0, 0);
    const x0 = Math.floor(c.width / 3), y0 = Math.floor(c.height / 3);
    const w = Math.floor(c.width / 3), h = Math.floor(c.height / 3);
    const px = g.getImageData(x0, y0, w, h).data;
    const bg = [0x1b, 0x22, 0x30];
    let differ = 0;
    for (let i = 0; i < px.length; i += 4) {
      if (Math.abs(px[i] - bg[0]) + Math.abs(px[i + 1] - bg[1]) + Math.abs(px[i + 2] - bg[2]) > 24) ++differ;
    }
    return differ / (w * h);
  });
}

// Named steps of a browser test: each runs, is reported as ok or FAIL, and
// leaves a screenshot numbered in order in `out`.
export class Steps {
  constructor(out) {
    this.out = out;
    this.results = [];
  }
  async run(name, page, work) {
    try {
      await work();
      this.results.push([name, true]);
      console.log(`ok   ${name}`);
    } catch (e) {
      this.results.push([name, false]);
      console.log(`FAIL ${name}\n     ${e.message.split('\n').join('\n     ')}`);
    }
    const file = `${String(this.results.length).padStart(2, '0')}-${name.replace(/[^a-z0-9]+/gi, '-')}.png`;
    await page.screenshot({ path: path.join(this.out, file) });
  }
  // A picture in the middle of the next step, named after it.
  async shot(page, label) {
    const file = `${String(this.results.length + 1).padStart(2, '0')}a-${label.replace(/[^a-z0-9]+/gi, '-')}.png`;
    await page.screenshot({ path: path.join(this.out, file) });
  }
  get ok() { return this.results.every(([, ok]) => ok); }
}

// A small seeded generator (mulberry32) so that "random" choices repeat run to run.
export function seeded(seed) {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}
