// The designer's edits as command objects: each undo gives back exactly the
// description before it, the history survives its serialised form, and a
// delete takes the blocks hanging from a block (away from the root) with it.
import { test } from 'node:test';
import { strict as assert } from 'node:assert';
import fs from 'node:fs';
import { fileURLToPath } from 'node:url';
import { AddBlockCommand, AddBlocksCommand, MoveBlockCommand, CompoundCommand, SetParamCommand, DeleteBlocksCommand,
  ReplaceStationCommand, History, commandFromJSON } from '../../tools/design/web/commands.js';
import { clone, subtree, newBlockId, copySubtree, pastedBlocks, parentLink } from '../../tools/design/web/description.js';

const small = JSON.parse(fs.readFileSync(fileURLToPath(new URL('../../examples/small_station.json', import.meta.url)), 'utf8'));

test('subtree: a block and what hangs from it, never towards the root', () => {
  assert.deepEqual(subtree(small, 'node'), ['node', 'hab', 'lab', 'dock', 'truss', 'mast', 'solar', 'mount', 'power']);
  assert.deepEqual(subtree(small, 'lab'), ['lab', 'truss', 'mast', 'solar', 'mount', 'power']);
  assert.deepEqual(subtree(small, 'hab'), ['hab', 'dock']);
  assert.deepEqual(subtree(small, 'solar'), ['solar']);
});

test('new ids come from the type name and never repeat', () => {
  const d = clone(small);
  assert.equal(newBlockId(d, 'Truss_A'), 'truss_a');
  d.blocks.push({ id: 'truss_a', type: 'Truss_A' });
  assert.equal(newBlockId(d, 'Truss_A'), 'truss_a_2');
  assert.equal(newBlockId(d, 'DG_Hab_Port'), 'dg_hab_port');
});

test('every command undoes to the exact description, also after a round trip through JSON', () => {
  const commands = [
    new AddBlockCommand({ id: 'truss_a', type: 'Truss_A' }, 'hab', 2, 0),
    new SetParamCommand('truss', 'Block_count', 3, 5),
    new SetParamCommand('dock', 'Length', undefined, 6),      // a parameter not written before
    new SetParamCommand('hab', 'Length', 10, undefined),      // back to the default: the key goes
    new SetParamCommand('node', 'Windows', undefined, 1),     // params object created and removed again
    new DeleteBlocksCommand(subtree(small, 'lab')),
    new ReplaceStationCommand(small, { name: 'other', blocks: [{ id: 'x', type: 'Tank_A' }], links: {} }),
    new ReplaceStationCommand(small, { ...small, blocks: [{ ...small.blocks[0], params: { Windows: 3 } }, ...small.blocks.slice(1)] }, 'variation 3', true),
    new AddBlocksCommand([{ id: 'a', type: 'Adaptor_A' }, { id: 'w', type: 'Solar_wing_A' }], [['truss.2', 'a.0'], ['a.1', 'w.0']], 'via'),
    // The middle link moves: undo must put it back in its place among the links.
    new MoveBlockCommand('truss', ['lab.2', 'truss.1'], ['hab.3', 'truss.1']),
    new CompoundCommand([new SetParamCommand('truss', 'Block_count', 3, 4), new SetParamCommand('hab', 'Length', 10, 12)], 'twins'),
  ];
  for (const cmd of commands) {
    for (const c of [cmd, commandFromJSON(JSON.parse(JSON.stringify(cmd)))]) {
      assert.deepEqual([c.label, c.keepsView], [cmd.label, cmd.keepsView], 'the label or the view setting was lost');
      const d = clone(small);
      c.execute(d);
      assert.notDeepEqual(d, small, `${c.label} changed nothing`);
      const done = clone(d);
      c.undo(d);
      assert.deepEqual(d, small, `${c.label} did not undo exactly`);
      // Redo after undo gives the same result again.
      c.execute(d);
      assert.deepEqual(d, done, `${c.label} redid differently`);
    }
  }
});

test('a delete removes the subtree and every link touching it, and undo puts blocks back in place', () => {
  const d = clone(small);
  const del = new DeleteBlocksCommand(subtree(d, 'lab'));
  del.execute(d);
  assert.deepEqual(d.blocks.map((b) => b.id), ['node', 'hab', 'dock']);
  assert.deepEqual(d.links, { 'node.0': 'hab.1', 'hab.0': 'dock.0' });
  del.undo(d);
  assert.deepEqual(d.blocks, small.blocks);
});

test('copy and paste: the subtree under new ids, hanging by the same port, its links renamed', () => {
  const clip = copySubtree(small, 'mast');
  assert.deepEqual(clip.blocks.map((b) => b.id), ['mast', 'mount', 'power']);
  assert.deepEqual(clip.links, [['mast.0', 'mount.1'], ['mount.0', 'power.1']]);
  assert.equal(clip.rootPort, 1);
  const { blocks, links } = pastedBlocks(small, clip, 'hab', 3);
  assert.deepEqual(blocks, [{ id: 'truss_a', type: 'Truss_A', params: { Block_count: 1 } }, { id: 'adaptor_b', type: 'Adaptor_B' },
    { id: 'power_wing_a', type: 'Power_wing_A', params: { 'Panel rotation': 0.3 } }]);
  assert.deepEqual(links, [['hab.3', 'truss_a.1'], ['truss_a.0', 'adaptor_b.1'], ['adaptor_b.0', 'power_wing_a.1']]);
  // Pasting twice never reuses an id.
  const d = clone(small);
  new AddBlocksCommand(blocks, links, 'paste').execute(d);
  assert.deepEqual(pastedBlocks(d, clip, 'hab', 4).blocks.map((b) => b.id), ['truss_a_2', 'adaptor_b_2', 'power_wing_a_2']);
  assert.deepEqual(parentLink(d, 'truss_a'), { written: ['hab.3', 'truss_a.1'], own: 1, parent: 'hab', parentPort: 3 });
  assert.equal(parentLink(d, 'node'), null);
});

test('history: undo and redo stacks, a new edit drops the redos, serialisable', () => {
  const h = new History();
  const a = new SetParamCommand('truss', 'Block_count', 3, 4);
  const b = new SetParamCommand('truss', 'Block_count', 4, 5);
  h.push(a);
  h.push(b);
  h.redos.push(h.undos.pop());
  assert.ok(h.canUndo && h.canRedo);
  const back = History.fromJSON(JSON.parse(JSON.stringify(h)));
  assert.deepEqual(back.toJSON(), h.toJSON());
  h.push(new SetParamCommand('truss', 'Block_count', 4, 6));
  assert.ok(!h.canRedo);
  assert.equal(h.undos.length, 2);
});

test('picking: the nearest marker on screen within the radius, never one the station hides', async () => {
  const { nearestVisible } = await import('../../tools/design/web/picking.js');
  // The station is drawn at depth 10 left of x = 50, nothing to the right.
  const station = (x) => (x < 50 ? 10 : Infinity);
  const at = (x, y, depth) => ({ x, y, depth, slack: 0.5 });
  const rows = [
    [[at(10, 10, 5), at(14, 10, 5)], 13, 1],      // the nearer of two in front
    [[at(10, 10, 20), at(16, 10, 5)], 10, 1],     // the one under the pointer is behind the station
    [[at(10, 10, 10.4)], 10, 0],                  // on the surface, within the slack
    [[at(60, 10, 99)], 60, 0],                    // far away, but nothing in front
    [[at(10, 10, 5)], 30, -1],                    // beyond the radius
  ];
  for (const [points, x, want] of rows) assert.equal(nearestVisible(points, x, 10, station), want, JSON.stringify(points));
});

test('ways to attach: own ports of the kind first, then through each adaptor; the filter finds by name and category', async () => {
  const { waysToAttach, wayLabel } = await import('../../tools/design/web/ports.js');
  const { filterTypes } = await import('../../tools/design/web/palette.js');
  const port = (index, kind, name) => ({ index, kind, name });
  const catalogue = { types: [
    { name: 'Truss', category: 'Scaffolding', ports: [port(0, 1, 'end +z'), port(1, 1, 'end -z'), port(2, 2, 'bay 1 +x')] },
    { name: 'Adaptor', category: 'Adaptors', ports: [port(0, 2, 'base'), port(1, 1, 'end +z')] },
    { name: 'Wing', category: 'Solar power', ports: [port(0, 1, 'base')] },
    { name: 'Hab', category: 'Habitats', ports: [port(0, 10, 'end +z')] },
  ] };
  const [truss, adaptor, wing, hab] = catalogue.types;
  assert.deepEqual(waysToAttach(catalogue, wing, 1).map(wayLabel), ['by base']);
  assert.deepEqual(waysToAttach(catalogue, wing, 2), [{ adaptor: 'Adaptor', adaptorIn: 0, adaptorOut: 1, port: 0, portName: 'base' }]);
  assert.deepEqual(waysToAttach(catalogue, truss, 2).map(wayLabel), ['by bay 1 +x', 'via Adaptor']);
  assert.deepEqual(waysToAttach(catalogue, adaptor, 1).map(wayLabel), ['by end +z']);   // never through another adaptor
  assert.deepEqual(waysToAttach(catalogue, hab, 2), []);
  assert.deepEqual(filterTypes(catalogue.types, 'HAB').map((t) => t.name), ['Hab']);
  assert.deepEqual(filterTypes(catalogue.types, 'power  WI').map((t) => t.name), ['Wing']);   // every word, name or category
  assert.equal(filterTypes(catalogue.types, '').length, 4);
});
