// The station description as the page holds it: the same JSON object the
// command-line tool reads ({ name, blocks: [{ id, type, params }], links:
// { "a.0": "b.1" } }), with helpers that read and change it.

export function clone(desc) {
  return JSON.parse(JSON.stringify(desc));
}

// "hab.2" -> { block: "hab", port: 2 }; the block id may itself hold dots.
export function parseRef(ref) {
  const dot = ref.lastIndexOf('.');
  return { block: ref.slice(0, dot), port: Number(ref.slice(dot + 1)) };
}

export function ref(block, port) {
  return `${block}.${port}`;
}

export function findBlock(desc, id) {
  return desc.blocks.find((b) => String(b.id) === String(id)) || null;
}

// Every link as [refA, refB], in the order written.
export function linkList(desc) {
  return Object.entries(desc.links || {});
}

// The blocks linked to `id`, each with the port on each side.
export function neighbours(desc, id) {
  const out = [];
  for (const [a, b] of linkList(desc)) {
    const ra = parseRef(a), rb = parseRef(b);
    if (String(ra.block) === String(id)) out.push({ id: rb.block, ownPort: ra.port, theirPort: rb.port });
    if (String(rb.block) === String(id)) out.push({ id: ra.block, ownPort: rb.port, theirPort: ra.port });
  }
  return out;
}

// The ids of `id` and of every block that hangs from it: the blocks reached
// from it without passing back towards the root (the first block).
export function subtree(desc, id) {
  if (!desc.blocks.length) return [];
  const root = String(desc.blocks[0].id);
  // Parents by a walk from the root.
  const parent = new Map([[root, null]]);
  const queue = [root];
  while (queue.length) {
    const cur = queue.shift();
    for (const n of neighbours(desc, cur)) {
      if (!parent.has(String(n.id))) {
        parent.set(String(n.id), cur);
        queue.push(String(n.id));
      }
    }
  }
  const out = [String(id)];
  for (let i = 0; i < out.length; ++i) {
    for (const n of neighbours(desc, out[i])) {
      if (parent.get(String(n.id)) === out[i]) out.push(String(n.id));
    }
  }
  return out;
}

// A new block id from the type name: "truss_a", then "truss_a_2", ...
export function newBlockId(desc, typeName) {
  const base = typeName.toLowerCase().replace(/[^a-z0-9_]+/g, '_');
  const taken = new Set(desc.blocks.map((b) => String(b.id)));
  if (!taken.has(base)) return base;
  for (let n = 2; ; ++n) if (!taken.has(`${base}_${n}`)) return `${base}_${n}`;
}

export function emptyDescription() {
  return { blocks: [], links: {} };
}
