// Ports and what fits them, from the catalogue and the last build: the free
// ports of a station, the types that fit a port (directly, or through an
// adaptor), and the names people read.

// Port kinds as the catalogue numbers them, with a colour each.
export const PORT_KINDS = {
  1: { name: 'axial', colour: 0x4fc3f7 },
  2: { name: 'height face', colour: 0xffb74d },
  3: { name: 'width face', colour: 0xba68c8 },
  10: { name: 'habitat', colour: 0x81c784 },
  11: { name: 'docking', colour: 0xf06292 },
};

// The catalogue's category for blocks that turn one port kind into another.
const ADAPTORS = 'Adaptors';

// Every free port of a build: [{ block, port, name, kind, position, direction }].
export function freePorts(blocks) {
  const out = [];
  for (const b of blocks) {
    for (const p of b.ports) {
      if (!p.linked) out.push({ block: String(b.id), port: p.index, name: p.name, kind: p.kind, position: p.position, direction: p.direction });
    }
  }
  return out;
}

// The name of port `index` of a built block (or "port N" when unknown).
export function portName(blocks, blockId, index) {
  const b = blocks.find((x) => String(x.id) === String(blockId));
  const p = b && b.ports.find((q) => q.index === Number(index));
  return p && p.name ? p.name : `port ${index}`;
}

// The ways `type` attaches to a free port of `kind`, best first: by each of
// its own ports of that kind ({ port }), then through an adaptor
// ({ adaptor, adaptorIn, adaptorOut, port }: the adaptor's port `adaptorIn`
// on the free port, `type`'s `port` on the adaptor's `adaptorOut`).
export function waysToAttach(catalogue, type, kind) {
  const ways = type.ports.filter((p) => p.kind === kind).map((p) => ({ port: p.index, portName: p.name }));
  if (type.category === ADAPTORS) return ways;
  for (const a of catalogue.types) {
    if (a.category !== ADAPTORS) continue;
    for (const pin of a.ports) {
      if (pin.kind !== kind) continue;
      for (const pout of a.ports) {
        if (pout === pin) continue;
        const own = type.ports.find((p) => p.kind === pout.kind);
        if (own) ways.push({ adaptor: a.name, adaptorIn: pin.index, adaptorOut: pout.index, port: own.index, portName: own.name });
      }
    }
  }
  return ways;
}

// A way's label in menus: "by base" or "via Adaptor_A".
export function wayLabel(way) {
  return way.adaptor ? `via ${way.adaptor}` : `by ${way.portName || `port ${way.port}`}`;
}

// Direction as people read it: "+x" for an axis, else the rounded vector.
export function directionText(d) {
  const axes = ['x', 'y', 'z'];
  for (let i = 0; i < 3; ++i) {
    if (Math.abs(Math.abs(d[i]) - 1) < 1e-6) return `${d[i] > 0 ? '+' : '-'}${axes[i]}`;
  }
  return `(${d.map((v) => v.toFixed(2)).join(', ')})`;
}
