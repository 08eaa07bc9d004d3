// The designer as an editor, on the large example at 1280x800, each step a
// task a person does with what they see: markers clicked where they are
// drawn, catalogue buttons, keys, the tree. Every edit is undone at the end of
// its step and must give back the description byte for byte. Screenshots go
// to --out.
//
//   node editor_test.mjs --quilbet BUILD/tools/quilbet --chromium /usr/bin/chromium
//                        --source REPO --out DIR
import { strict as assert } from 'node:assert';
import fs from 'node:fs';
import path from 'node:path';
import { launchDesigner, stopDesigner, launchBrowser, parseArgs, waitIdle, Steps, seeded } from './designer_support.mjs';

const args = parseArgs(process.argv.slice(2));
fs.rmSync(args.out, { recursive: true, force: true });
fs.mkdirSync(args.out, { recursive: true });
const work = fs.mkdtempSync(path.join(args.out, 'work-'));
const stationFile = path.join(work, 'large_station.json');
fs.copyFileSync(path.join(args.source, 'examples/large_station.json'), stationFile);

const server = await launchDesigner(args.quilbet, [stationFile]);
const browser = await launchBrowser(args.chromium, work);
const steps = new Steps(args.out);
const consoleErrors = [];
let exitCode = 1;
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 800 });
  page.on('pageerror', (e) => consoleErrors.push(e.message));
  page.on('console', (m) => { if (m.type() === 'error') consoleErrors.push(m.text()); });
  await page.goto(server.url, { waitUntil: 'load' });
  await page.waitForSelector('body[data-ready="true"]', { timeout: 120000 });

  const text = () => page.evaluate(() => JSON.stringify(designer.state.desc));
  const original = await text();
  // Undoes every edit the step made and checks the description is back byte for byte.
  const undoAll = async (before) => {
    while (await page.evaluate(() => designer.state.history.canUndo)) {
      await page.keyboard.down('Control');
      await page.keyboard.press('z');
      await page.keyboard.up('Control');
      await waitIdle(page);
    }
    assert.equal(await text(), before, 'undo did not give back the description byte for byte');
  };
  // Clicks the marker of a port where it is drawn.
  const clickMarker = async (block, port, options = {}) => {
    const at = await page.evaluate((b, p) => designer.markerScreenPosition(b, p), block, port);
    assert.ok(at, `no marker on ${block}.${port}`);
    if (options.shift) await page.keyboard.down('Shift');
    await page.mouse.click(at.x, at.y);
    if (options.shift) await page.keyboard.up('Shift');
  };
  const pickType = (name) => page.click(`#palette button[data-type="${name}"]`);

  await steps.run('the status bar is seen at 1280x800 and shows a busy sign while a build runs', page, async () => {
    const bar = await page.$eval('#status', (e) => { const r = e.getBoundingClientRect(); return { w: r.width, bottom: r.bottom, text: e.textContent }; });
    assert.ok(bar.w > 400 && bar.bottom <= 800 && /blocks/.test(bar.text), JSON.stringify(bar));
    await page.click('#tree .node[data-block="hab_fwd"]');
    const during = await page.evaluate(async () => {
      const input = document.querySelector('#inspector tr[data-param="Length"] input');
      input.value = '12.5';
      input.dispatchEvent(new Event('change'));
      await new Promise((r) => setTimeout(r, 0));
      return { busy: !document.getElementById('busy').hidden, undo: document.getElementById('undo').disabled,
               palette: document.querySelector('#palette button').disabled };
    });
    assert.deepEqual(during, { busy: true, undo: true, palette: true });
    await waitIdle(page);
    assert.ok(await page.$eval('#busy', (e) => e.hidden), 'the busy sign stayed after the build');
    await undoAll(original);
  });

  await steps.run('hovering a marker lights it and names its port', page, async () => {
    await page.click('#tree .node[data-block="truss_r"]');
    const m = (await page.evaluate(() => designer.markers())).find((x) => x.visible);
    assert.ok(m, 'no visible marker on the selected truss');
    const at = await page.evaluate((b, p) => designer.markerScreenPosition(b, p), m.block, m.port);
    await page.mouse.move(at.x + 5, at.y + 4);
    const hovered = await page.evaluate(() => designer.viewer.hovered && designer.viewer.hovered.userData.port);
    assert.equal(hovered, m.port);
    const tip = await page.$eval('#tooltip', (e) => (e.hidden ? '' : e.textContent));
    assert.ok(tip.startsWith(`truss_r · ${m.name} · `), tip);
  });

  await steps.run('twenty free ports clicked at random attach exactly there', page, async () => {
    await page.keyboard.press('Escape');
    const random = seeded(23);
    const wrong = [];
    for (let i = 0; i < 20; ++i) {
      await pickType('Solar_wing_A');
      const markers = (await page.evaluate(() => designer.markers())).filter((m) => m.visible);
      const m = markers[Math.floor(random() * markers.length)];
      await clickMarker(m.block, m.port);
      await waitIdle(page);
      const desc = await page.evaluate(() => designer.state.desc);
      if (!desc.links[`${m.block}.${m.port}`]) wrong.push(`${m.block}.${m.port}`);
    }
    await steps.shot(page, 'twenty attached');
    assert.deepEqual(wrong, [], 'clicks that did not attach at the port clicked');
    await undoAll(original);
  });

  await steps.run('a mirrored pair of solar wings on a truss in three clicks', page, async () => {
    // The truss's free bay ports facing +x whose -x partner is free too.
    const free = await page.evaluate(() => designer.state.build.blocks.find((b) => b.id === 'truss_r').ports.filter((p) => !p.linked).map((p) => p.name));
    await page.select('#symmetry', 'mirror');                                  // click 1
    await pickType('Solar_wing_A');                                            // click 2
    const m = (await page.evaluate(() => designer.markers())).find((x) => x.visible && x.block === 'truss_r' &&
      /^bay \d+ \+x$/.test(x.name) && free.includes(x.name.replace('+x', '-x')));
    assert.ok(m, 'no visible bay port facing +x with a free partner on truss_r');
    await clickMarker(m.block, m.port);                                        // click 3
    await waitIdle(page);
    await steps.shot(page, 'mirrored wings');
    const s = await page.evaluate(() => ({ desc: designer.state.desc, blocks: designer.state.build.blocks }));
    const wings = s.desc.blocks.filter((b) => b.type === 'Solar_wing_A' && !JSON.parse(original).blocks.some((o) => o.id === b.id));
    assert.equal(wings.length, 2, `${wings.length} wings attached`);
    const placed = (id) => s.blocks.find((b) => b.id === id);
    // Mirror the first wing's position in the truss's own x plane: it must land on the second.
    const truss = placed('truss_r');
    const [qx, qy, qz, qw] = truss.rotation;
    const normal = [1 - 2 * (qy * qy + qz * qz), 2 * (qx * qy + qw * qz), 2 * (qx * qz - qw * qy)];   // rotation applied to +x
    const [a, b] = wings.map((w) => placed(w.id).position);
    const d = a.reduce((sum, v, i) => sum + (v - truss.position[i]) * normal[i], 0);
    const mirrored = a.map((v, i) => v - 2 * d * normal[i]);
    const error = Math.hypot(...mirrored.map((v, i) => v - b[i]));
    assert.ok(error < 1e-3, `the twins are ${error} m from mirror images`);
    // Twins stay linked: one edit changes both, and one undo takes it back.
    const before = await text();
    await page.click(`#tree .node[data-block="${wings[1].id}"]`);
    const input = await page.$('#inspector tr[data-param="Panel rotation"] input');
    await input.click({ clickCount: 3 });
    await input.type('0.5');
    await input.press('Tab');
    await waitIdle(page);
    const edited = await page.evaluate(() => designer.state.desc.blocks);
    for (const w of wings) assert.deepEqual(edited.find((b) => b.id === w.id).params, { 'Panel rotation': 0.5 });
    await page.click('#undo');
    await waitIdle(page);
    assert.equal(await text(), before);
    await page.select('#symmetry', 'off');
    await undoAll(original);
  });

  await steps.run('copy a three-block subtree and paste it on another port', page, async () => {
    await page.click('#tree .node[data-block="adaptor_a"]');
    const before = await page.evaluate(() => designer.state.desc);
    await page.keyboard.down('Control');
    await page.keyboard.press('c');
    await page.keyboard.press('v');
    await page.keyboard.up('Control');
    const m = (await page.evaluate(() => designer.markers())).find((x) => x.visible && x.block !== 'adaptor_a');
    await clickMarker(m.block, m.port);
    await waitIdle(page);
    const after = await page.evaluate(() => designer.state.desc);
    const copied = ['adaptor_a', 'tank_a', 'panel_b'];
    const added = after.blocks.slice(before.blocks.length);
    await steps.shot(page, 'pasted');
    assert.deepEqual(after.blocks.slice(0, before.blocks.length), before.blocks);
    // The same types and parameters under new ids, in the same order ...
    assert.deepEqual(added.map(({ id, ...rest }) => rest), copied.map((id) => { const { id: _, ...rest } = before.blocks.find((b) => b.id === id); return rest; }));
    // ... hanging from the port clicked, linked among themselves as the originals.
    const rename = new Map(copied.map((id, i) => [id, added[i].id]));
    const renamed = (r) => { const dot = r.lastIndexOf('.'); return `${rename.get(r.slice(0, dot))}${r.slice(dot)}`; };
    const inner = Object.entries(before.links).filter(([a, b]) => copied.includes(a.slice(0, a.lastIndexOf('.'))) && copied.includes(b.slice(0, b.lastIndexOf('.'))));
    const hangs = Object.entries(before.links).find(([, b]) => b.startsWith('adaptor_a.'))[1];
    assert.deepEqual(Object.entries(after.links).slice(Object.keys(before.links).length),
      [[`${m.block}.${m.port}`, renamed(hangs)], ...inner.map(([a, b]) => [renamed(a), renamed(b)])]);
    assert.deepEqual(Object.entries(after.links).slice(0, Object.keys(before.links).length), Object.entries(before.links));
    await undoAll(original);
  });

  await steps.run('move a block with changed parameters to another port, one undo puts it back', page, async () => {
    await page.click('#tree .node[data-block="solar_a"]');
    const input = await page.$('#inspector tr[data-param="Panel rotation"] input');
    await input.click({ clickCount: 3 });
    await input.type('0.7');
    await input.press('Tab');
    await waitIdle(page);
    const changed = await text();
    await page.click('#move');
    const m = (await page.evaluate(() => designer.markers())).find((x) => x.visible);
    assert.ok(m, 'no port lit for the move');
    await clickMarker(m.block, m.port);
    await waitIdle(page);
    await steps.shot(page, 'moved');
    const after = await page.evaluate(() => designer.state.desc);
    assert.deepEqual(after.blocks, JSON.parse(changed).blocks, 'the move changed a block');
    assert.equal(after.links[`${m.block}.${m.port}`], 'solar_a.0');
    assert.ok(!Object.values(JSON.parse(changed).links).includes(`${m.block}.${m.port}`));
    await page.click('#undo');
    await waitIdle(page);
    assert.equal(await text(), changed);
    await undoAll(original);
  });

  await steps.run('dragging a block in the tree onto another block re-attaches it there, one undo puts it back', page, async () => {
    // A block and a target whose rows are both in sight, the target with a free port of the kind the block hangs by.
    const plan = await page.evaluate(() => {
      const { desc, build } = designer.state;
      const tree = document.getElementById('tree').closest('aside').getBoundingClientRect();
      const row = (id) => document.querySelector(`#tree .node[data-block="${id}"]`).getBoundingClientRect();
      // Clear of the edges, where a drag scrolls the tree under the pointer.
      const seen = (id) => row(id).top >= tree.top + 48 && row(id).bottom <= tree.bottom - 48;
      const hanging = (id) => Object.entries(desc.links).find(([, b]) => b.startsWith(`${id}.`));
      const placed = (id) => build.blocks.find((b) => b.id === id);
      for (const b of desc.blocks.slice(1)) {
        const [parentRef, own] = hanging(b.id);
        const kind = placed(b.id).ports.find((p) => p.index === Number(own.split('.').pop())).kind;
        const below = new Set([b.id]);
        for (let grew = true; grew;) {
          grew = false;
          for (const [x, y] of Object.entries(desc.links)) {
            const [px, py] = [x.slice(0, x.lastIndexOf('.')), y.slice(0, y.lastIndexOf('.'))];
            if (below.has(px) && !below.has(py)) { below.add(py); grew = true; }
          }
        }
        for (const t of desc.blocks) {
          const port = placed(t.id).ports.find((p) => !p.linked && p.kind === kind);
          if (port && !below.has(t.id) && !parentRef.startsWith(`${t.id}.`) && seen(b.id) && seen(t.id)) {
            return { id: b.id, own, from: parentRef, target: t.id, port: port.index };
          }
        }
      }
      return null;
    });
    assert.ok(plan, 'no block and target in sight in the tree');
    const before = await text();
    const centre = async (id) => {
      const box = await (await page.$(`#tree .node[data-block="${id}"]`)).boundingBox();
      return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
    };
    const [a, b] = [await centre(plan.id), await centre(plan.target)];
    await page.mouse.move(a.x, a.y);
    await page.mouse.down();
    await page.mouse.move(a.x + 10, a.y + 6, { steps: 3 });
    await page.mouse.move(b.x, b.y, { steps: 12 });
    // Chromium drops with the answer of the last dragover it has handled:
    // let one arrive over the target before the button is let go.
    await new Promise((resolve) => setTimeout(resolve, 150));
    await page.mouse.move(b.x + 2, b.y, { steps: 2 });
    await new Promise((resolve) => setTimeout(resolve, 150));
    await page.mouse.up();
    await waitIdle(page);
    await steps.shot(page, 'dropped in the tree');
    const links = await page.evaluate(() => designer.state.desc.links);
    assert.equal(links[`${plan.target}.${plan.port}`], plan.own, `${plan.id} was not re-attached on ${plan.target}`);
    assert.equal(links[plan.from], undefined, `${plan.id} still hangs from ${plan.from}`);
    await page.click('#undo');
    await waitIdle(page);
    assert.equal(await text(), before);
  });

  await steps.run('six variations shown as thumbnails; taking one changes the station, one undo gives it back', page, async () => {
    await page.click('#variations');
    await page.waitForSelector('#variations-dialog[open] #variations-grid figure', { timeout: 120000 });
    const sizes = await page.$$eval('#variations-grid img', (imgs) => imgs.map((i) => `${i.naturalWidth}x${i.naturalHeight}`));
    assert.deepEqual(sizes, Array(6).fill('240x160'));
    await steps.shot(page, 'variations');
    const box = await (await page.$('#variations-grid figure[data-variation="3"] img')).boundingBox();
    await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
    await waitIdle(page);
    const [was, now] = [JSON.parse(original), JSON.parse(await text())];
    assert.notDeepEqual(now.blocks, was.blocks, 'the station did not change');
    assert.deepEqual(now.blocks.map((b) => [b.id, b.type]), was.blocks.map((b) => [b.id, b.type]));
    assert.deepEqual(now.links, was.links);
    assert.equal(await page.evaluate(() => designer.state.history.undos.length), 1);
    await page.click('#undo');
    await waitIdle(page);
    assert.equal(await text(), original);
  });

  await steps.run('every toolbar control is inside the window at 1280x800 and at 1920x1080', page, async () => {
    for (const [width, height] of [[1920, 1080], [1280, 800]]) {
      await page.setViewport({ width, height });
      await page.evaluate(() => designer.viewer.nextFrame());
      const outside = await page.$$eval('#toolbar button, #toolbar select', (els, w, h) => els.filter((e) => {
        const r = e.getBoundingClientRect();
        return r.width === 0 || r.left < 0 || r.top < 0 || r.right > w || r.bottom > h;
      }).map((e) => e.id), width, height);
      assert.deepEqual(outside, [], `cut or hidden at ${width}x${height}`);
      await steps.shot(page, `toolbar ${width}`);
    }
  });

  await steps.run('searching "hab" lists the habitat types, Enter picks the first', page, async () => {
    await page.click('#type-filter');
    await page.keyboard.type('hab');
    const shown = await page.$$eval('#palette button:not([hidden])', (bs) => bs.map((b) => b.dataset.type));
    const habitats = await page.evaluate(() => designer.state.catalogue.types.filter((t) => t.category === 'Habitats').map((t) => t.name));
    for (const h of habitats) assert.ok(shown.includes(h), `${h} is not listed: ${shown}`);
    assert.ok(shown.every((n) => /hab/i.test(n)), `listed without "hab": ${shown}`);
    await page.keyboard.press('Enter');
    assert.equal(await page.evaluate(() => designer.state.armed && designer.state.armed.type.name), shown[0]);
    await steps.shot(page, 'hab picked');
    await page.$eval('#type-filter', (e) => { e.value = ''; e.dispatchEvent(new Event('input')); e.blur(); });
    await page.keyboard.press('Escape');
    assert.equal(await page.evaluate(() => designer.state.armed), null);
  });

  await steps.run('F frames the selected block, the wheel zooms toward the pointer, Home frames all', page, async () => {
    // The screen box of a block (or of the station) as a share of the view, and its centre.
    const extent = (id) => page.evaluate((id) => {
      const v = designer.viewer;
      const objects = id ? [v.objects.get(id).object] : v.blocksGroup.children;
      const boxes = objects.map((o) => v.boxOf([o]));
      const box = v.boxOf(objects);
      const r = v.canvas.getBoundingClientRect();
      let x0 = Infinity, y0 = Infinity, x1 = -Infinity, y1 = -Infinity;
      for (const b of boxes) {
        for (let i = 0; i < 8; ++i) {
          const p = v.project([i & 1 ? b.max.x : b.min.x, i & 2 ? b.max.y : b.min.y, i & 4 ? b.max.z : b.min.z]);
          x0 = Math.min(x0, p.x); x1 = Math.max(x1, p.x); y0 = Math.min(y0, p.y); y1 = Math.max(y1, p.y);
        }
      }
      const c = v.project(box.getCenter(box.min.clone()).toArray());
      return { w: (x1 - x0) / r.width, h: (y1 - y0) / r.height, cx: c.x, cy: c.y, r: { left: r.left, top: r.top, width: r.width, height: r.height } };
    }, id);
    await page.click('#tree .node[data-block="tank_a"]');
    await page.keyboard.press('f');
    const tank = await extent('tank_a');
    assert.ok(Math.max(tank.w, tank.h) > 0.7 && Math.max(tank.w, tank.h) <= 1.01, JSON.stringify(tank));
    assert.ok(Math.abs(tank.cx - (tank.r.left + tank.r.width / 2)) < 3 && Math.abs(tank.cy - (tank.r.top + tank.r.height / 2)) < 3, JSON.stringify(tank));
    await page.keyboard.press('Home');
    const all = await extent(null);
    assert.ok(Math.max(all.w, all.h) > 0.7 && Math.max(all.w, all.h) <= 1.01, JSON.stringify(all));
    await steps.shot(page, 'framed all');
    // A point of the station off the centre stays under the pointer while the wheel zooms in.
    const point = await page.evaluate(() => designer.viewer.objects.get('dock_up').object.getWorldPosition(designer.viewer.camera.position.clone()).toArray());
    const before = await page.evaluate((p) => designer.viewer.project(p), point);
    await page.mouse.move(before.x, before.y);
    for (let i = 0; i < 3; ++i) await page.mouse.wheel({ deltaY: -120 });
    await page.evaluate(() => designer.viewer.nextFrame());
    const after = await page.evaluate((p) => designer.viewer.project(p), point);
    const zoomed = await extent(null);
    assert.ok(zoomed.w > all.w * 1.2, 'the wheel did not zoom in');
    assert.ok(Math.hypot(after.x - before.x, after.y - before.y) < 4, `the point under the pointer moved from ${JSON.stringify(before)} to ${JSON.stringify(after)}`);
    await page.keyboard.press('Home');
  });

  await steps.run('Export PNG draws the station alone at the size asked for, on a transparent background', page, async () => {
    const cdp = await page.target().createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: work });
    await page.click('#tree .node[data-block="truss_r"]');
    await page.click('#export-png');
    for (const [id, v] of [['#pic-width', '1600'], ['#pic-height', '900']]) {
      await page.$eval(id, (e) => { e.value = ''; });
      await page.type(id, v);
    }
    await page.click('#pic-transparent');
    await steps.shot(page, 'picture form');
    await page.click('#pic-go');
    // Downloads are named after the opened station file.
    const file = path.join(work, `${path.basename(stationFile, '.json')}.png`);
    for (let i = 0; i < 200 && !fs.existsSync(file); ++i) await new Promise((r) => setTimeout(r, 100));
    fs.copyFileSync(file, path.join(args.out, 'exported-picture.png'));
    // The selection's yellow and the markers are on the screen; the picture has the station alone.
    const count = (pixels) => {
      let yellow = 0, opaque = 0, corners = 0;
      for (let i = 0; i < pixels.data.length; i += 4) {
        const [r, g, b, a] = pixels.data.slice(i, i + 4);
        if (Math.abs(r - 0xff) + Math.abs(g - 0xe0) + Math.abs(b - 0x66) < 8) ++yellow;
        if (a === 255) ++opaque;
      }
      for (const i of [0, pixels.width - 1, (pixels.height - 1) * pixels.width]) corners += pixels.data[i * 4 + 3];
      return { width: pixels.width, height: pixels.height, yellow, opaque: opaque / (pixels.width * pixels.height), corners };
    };
    const read = async (base64) => page.evaluate(async (b64, countText) => {
      const count = eval(countText);
      const src = b64 ? await createImageBitmap(await (await fetch(`data:image/png;base64,${b64}`)).blob()) : designer.viewer.canvas;
      const c = document.createElement('canvas');
      c.width = src.width;
      c.height = src.height;
      const g = c.getContext('2d');
      g.drawImage(src, 0, 0);
      return count(g.getImageData(0, 0, c.width, c.height));
    }, base64, `(${count.toString()})`);
    await page.evaluate(() => designer.viewer.nextFrame());
    const screen = await read(null);
    const picture = await read(fs.readFileSync(file).toString('base64'));
    assert.ok(screen.yellow > 0, 'the selection is not drawn on screen');
    assert.deepEqual({ ...picture, opaque: picture.opaque > 0.01 }, { width: 1600, height: 900, yellow: 0, opaque: true, corners: 0 });
  });

  await steps.run('the console shows no error', page, async () => {
    assert.deepEqual(consoleErrors, []);
  });
  exitCode = steps.ok ? 0 : 1;
} finally {
  await browser.close();
  await stopDesigner(server);
  fs.rmSync(work, { recursive: true, force: true });
}
const passed = steps.results.filter(([, ok]) => ok).length;
console.log(`${passed} passed, ${steps.results.length - passed} failed; screenshots: ${args.out}`);
process.exit(exitCode);
