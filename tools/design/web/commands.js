// Every edit of the station is a command with execute and undo over the
// description object, and a serialisable form (toJSON / commandFromJSON).
// The history is a list of them: undo walks back, redo walks forward, and a
// new edit drops what could have been redone.

import { parseRef, ref, findBlock } from './description.js';

// Adds `block` ({ id, type, params? }) at the end of the block list and links
// its port `childPort` to `parent`'s port `parentPort`.
export class AddBlockCommand {
  constructor(block, parent, parentPort, childPort) {
    Object.assign(this, { block, parent, parentPort, childPort });
  }
  get label() { return `add ${this.block.id} (${this.block.type})`; }
  execute(desc) {
    desc.blocks.push(JSON.parse(JSON.stringify(this.block)));
    if (this.parent !== null) {
      desc.links = desc.links || {};
      desc.links[ref(this.parent, this.parentPort)] = ref(this.block.id, this.childPort);
    }
  }
  undo(desc) {
    desc.blocks = desc.blocks.filter((b) => String(b.id) !== String(this.block.id));
    if (this.parent !== null) delete desc.links[ref(this.parent, this.parentPort)];
  }
  toJSON() {
    return { command: 'AddBlock', block: this.block, parent: this.parent, parentPort: this.parentPort, childPort: this.childPort };
  }
}

// Sets parameter `name` of block `blockId` to `after` (undefined: the
// parameter is left out, so the block takes the catalogue's default).
export class SetParamCommand {
  constructor(blockId, name, before, after) {
    Object.assign(this, { blockId, name, before, after });
  }
  get label() { return `${this.blockId}: ${this.name} = ${this.after === undefined ? 'default' : this.after}`; }
  static write(desc, blockId, name, value) {
    const b = findBlock(desc, blockId);
    if (value === undefined) {
      if (b.params) {
        delete b.params[name];
        if (!Object.keys(b.params).length) delete b.params;
      }
    } else {
      b.params = b.params || {};
      b.params[name] = value;
    }
  }
  execute(desc) { SetParamCommand.write(desc, this.blockId, this.name, this.after); }
  undo(desc) { SetParamCommand.write(desc, this.blockId, this.name, this.before); }
  toJSON() {
    return { command: 'SetParam', blockId: this.blockId, name: this.name, before: this.before ?? null, after: this.after ?? null };
  }
}

// Removes the blocks `ids` and every link that touches them. The removed
// blocks and links are remembered by execute, so undo puts them back in place.
export class DeleteBlocksCommand {
  constructor(ids) {
    this.ids = ids.map(String);
    this.removed = null;   // [{ index, block }] in ascending index
    this.links = null;     // [[a, b]] as written
  }
  get label() { return `delete ${this.ids.join(', ')}`; }
  execute(desc) {
    const gone = new Set(this.ids);
    this.removed = [];
    desc.blocks.forEach((b, index) => { if (gone.has(String(b.id))) this.removed.push({ index, block: b }); });
    desc.blocks = desc.blocks.filter((b) => !gone.has(String(b.id)));
    this.links = [];
    for (const [a, b] of Object.entries(desc.links || {})) {
      if (gone.has(String(parseRef(a).block)) || gone.has(String(parseRef(b).block))) {
        this.links.push([a, b]);
        delete desc.links[a];
      }
    }
  }
  undo(desc) {
    for (const { index, block } of this.removed) desc.blocks.splice(index, 0, block);
    desc.links = desc.links || {};
    for (const [a, b] of this.links) desc.links[a] = b;
  }
  toJSON() { return { command: 'DeleteBlocks', ids: this.ids, removed: this.removed, links: this.links }; }
}

// Adds `blocks` ([{ id, type, params? }]) at the end of the block list and
// `links` ([[a, b]], "block.port" refs) at the end of the links: an
// attachment through an adaptor, a paste, a duplicate, a symmetric set.
export class AddBlocksCommand {
  constructor(blocks, links, label) {
    this.blocks = JSON.parse(JSON.stringify(blocks));
    this.links = links.map(([a, b]) => [a, b]);
    this.text = label;
  }
  get label() { return this.text; }
  execute(desc) {
    for (const b of this.blocks) desc.blocks.push(JSON.parse(JSON.stringify(b)));
    desc.links = desc.links || {};
    for (const [a, b] of this.links) desc.links[a] = b;
  }
  undo(desc) {
    const gone = new Set(this.blocks.map((b) => String(b.id)));
    desc.blocks = desc.blocks.filter((b) => !gone.has(String(b.id)));
    for (const [a] of this.links) delete desc.links[a];
  }
  toJSON() { return { command: 'AddBlocks', blocks: this.blocks, links: this.links, label: this.text }; }
}

// Re-attaches a block, with everything hanging from it: the link `from`
// ([a, b] as written) gives way to `to` ([parentRef, childRef]), written last.
// Parameters and every other link stay as they were; undo puts `from` back in
// its place among the links.
export class MoveBlockCommand {
  constructor(id, from, to) {
    this.id = String(id);
    this.from = [...from];
    this.to = [...to];
  }
  get label() { return `move ${this.id} to ${this.to[0]}`; }
  execute(desc) {
    this.at = Object.keys(desc.links).indexOf(this.from[0]);
    delete desc.links[this.from[0]];
    desc.links[this.to[0]] = this.to[1];
  }
  undo(desc) {
    const entries = Object.entries(desc.links).filter(([a]) => a !== this.to[0]);
    entries.splice(this.at, 0, this.from);
    desc.links = Object.fromEntries(entries);
  }
  toJSON() { return { command: 'MoveBlock', id: this.id, from: this.from, to: this.to, at: this.at }; }
}

// Several commands as one step: executed in order, undone in reverse.
export class CompoundCommand {
  constructor(commands, label) {
    this.commands = commands;
    this.text = label;
  }
  get label() { return this.text; }
  execute(desc) { for (const c of this.commands) c.execute(desc); }
  undo(desc) { for (const c of [...this.commands].reverse()) c.undo(desc); }
  toJSON() { return { command: 'Compound', label: this.text, commands: this.commands.map((c) => c.toJSON()) }; }
}

// Replaces the whole description: opening a file, generating, taking a
// variation. `keepsView`: the layout stays (a variation), so the view is not
// framed anew when it is done or undone.
export class ReplaceStationCommand {
  constructor(before, after, label = 'open a description', keepsView = false) {
    this.before = JSON.parse(JSON.stringify(before));
    this.after = JSON.parse(JSON.stringify(after));
    this.text = label;
    this.keepsView = keepsView;
  }
  get label() { return this.text; }
  static put(desc, value) {
    for (const k of Object.keys(desc)) delete desc[k];
    Object.assign(desc, JSON.parse(JSON.stringify(value)));
  }
  execute(desc) { ReplaceStationCommand.put(desc, this.after); }
  undo(desc) { ReplaceStationCommand.put(desc, this.before); }
  toJSON() { return { command: 'ReplaceStation', before: this.before, after: this.after, label: this.text, keepsView: this.keepsView }; }
}

export function commandFromJSON(json) {
  switch (json.command) {
    case 'AddBlock': return new AddBlockCommand(json.block, json.parent, json.parentPort, json.childPort);
    case 'SetParam': return new SetParamCommand(json.blockId, json.name, json.before ?? undefined, json.after ?? undefined);
    case 'DeleteBlocks': {
      const c = new DeleteBlocksCommand(json.ids);
      c.removed = json.removed;
      c.links = json.links;
      return c;
    }
    case 'ReplaceStation': return new ReplaceStationCommand(json.before, json.after, json.label, json.keepsView);
    case 'AddBlocks': return new AddBlocksCommand(json.blocks, json.links, json.label);
    case 'MoveBlock': {
      const c = new MoveBlockCommand(json.id, json.from, json.to);
      c.at = json.at;
      return c;
    }
    case 'Compound': return new CompoundCommand(json.commands.map(commandFromJSON), json.label);
    default: throw new Error(`unknown command ${json.command}`);
  }
}

export class History {
  constructor() {
    this.undos = [];
    this.redos = [];
  }
  // Records a command that has been executed.
  push(cmd) {
    this.undos.push(cmd);
    this.redos = [];
  }
  get canUndo() { return this.undos.length > 0; }
  get canRedo() { return this.redos.length > 0; }
  toJSON() { return { undos: this.undos.map((c) => c.toJSON()), redos: this.redos.map((c) => c.toJSON()) }; }
  static fromJSON(json) {
    const h = new History();
    h.undos = json.undos.map(commandFromJSON);
    h.redos = json.redos.map(commandFromJSON);
    return h;
  }
}
