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
  const parent = parents(desc);
  const out = [String(id)];
  for (let i = 0; i < out.length; ++i) {
    for (const n of neighbours(desc, out[i])) {
      if (parent.get(String(n.id)) === out[i]) out.push(String(n.id));
    }
  }
  return out;
}

// Each block's parent (the block it hangs from, null for the root) by a walk from the root.
export function parents(desc) {
  if (!desc.blocks.length) return new Map();
  const root = String(desc.blocks[0].id);
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
  return parent;
}

// The link by which each block hangs from its parent: id -> { written: [a, b]
// as in the links, own: its port, parent, parentPort }. The root and blocks
// no link reaches have none.
export function parentLinks(desc) {
  const parent = parents(desc);
  const out = new Map();
  for (const [a, b] of linkList(desc)) {
    const ra = parseRef(a), rb = parseRef(b);
    if (parent.get(String(ra.block)) === String(rb.block) && !out.has(String(ra.block))) {
      out.set(String(ra.block), { written: [a, b], own: ra.port, parent: String(rb.block), parentPort: rb.port });
    } else if (parent.get(String(rb.block)) === String(ra.block) && !out.has(String(rb.block))) {
      out.set(String(rb.block), { written: [a, b], own: rb.port, parent: String(ra.block), parentPort: ra.port });
    }
  }
  return out;
}

// The link by which `id` hangs from its parent (see parentLinks), or null.
export function parentLink(desc, id) {
  return parentLinks(desc).get(String(id)) || null;
}

// A copy of `id` and every block hanging from it, for pasting: { blocks (in
// description order), links among them ([[a, b]] as written), root: id,
// rootPort: the port `id` hangs by (0 for the root) }.
export function copySubtree(desc, id) {
  const ids = new Set(subtree(desc, id));
  const link = parentLink(desc, id);
  return {
    blocks: clone(desc.blocks.filter((b) => ids.has(String(b.id)))),
    links: linkList(desc).filter(([a, b]) => ids.has(String(parseRef(a).block)) && ids.has(String(parseRef(b).block))),
    root: String(id),
    rootPort: link ? link.own : 0,
  };
}

// The blocks and links that paste `clip` with its root on `parent`'s port
// `parentPort`: each block gets a new id from its type name, the links follow.
export function pastedBlocks(desc, clip, parent, parentPort) {
  const scratch = { blocks: [...desc.blocks] };
  const rename = new Map();
  const blocks = clip.blocks.map((b) => {
    const id = newBlockId(scratch, b.type);
    rename.set(String(b.id), id);
    const copy = { ...clone(b), id };
    scratch.blocks.push(copy);
    return copy;
  });
  const moved = (r) => { const p = parseRef(r); return ref(rename.get(String(p.block)), p.port); };
  const links = [[ref(parent, parentPort), ref(rename.get(clip.root), clip.rootPort)], ...clip.links.map(([a, b]) => [moved(a), moved(b)])];
  return { blocks, links };
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
