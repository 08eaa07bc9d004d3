// The editor's state and its command loop, apart from the page: the current
// description, the last accepted build, the history of edits. Every edit is
// tried on a copy of the description; the server checks and builds it with
// the command-line tool's own code, and only a description it accepts
// becomes the current one. Edits run one after another.
//
// The view is told through hooks: busy(on) while a build runs, built(build)
// (resolves once the view shows it; the frame follows), refused(text),
// changed() after any answer.

import * as api from './api.js';
import { History, ReplaceStationCommand } from './commands.js';
import { clone, emptyDescription } from './description.js';

export class Editor {
  constructor(hooks) {
    this.hooks = hooks;
    this.desc = emptyDescription();
    this.build = null;          // the last accepted build: { canonical, diagnostics, blocks, stats }
    this.diagnostics = [];      // messages of the last check (also of a refused edit)
    this.refused = null;        // { blockId, field, text } of the last refused edit
    this.history = new History();
    this.busy = Promise.resolve();
    this.building = 0;          // builds running now
    this.lastEdit = null;       // { serverMs, roundTripMs, shownMs (until the view and panels show it), built, reused } of the last accepted edit
    this.summary = '';          // a line about the last build
  }

  // Checks and builds desc; on success it becomes the current description.
  // Resolves true when accepted. A refused description changes nothing; its
  // messages stay in `diagnostics` and `refused` (naming `refusedField`, { blockId, field }).
  async adopt(desc, refusedField = null) {
    const started = performance.now();
    if (!desc.blocks.length) {
      this.desc = desc;
      this.build = { canonical: '', diagnostics: [], blocks: [] };
      this.diagnostics = [];
      await this.hooks.built(this.build);
      this.hooks.changed();
      return true;
    }
    ++this.building;
    this.hooks.busy(true);
    let r;
    try {
      r = await api.build(desc);
    } catch (e) {
      r = { ok: false, error: `the server did not answer (${e.message})`, diagnostics: [] };
    } finally {
      --this.building;
      this.hooks.busy(this.building > 0);
    }
    const answered = performance.now();
    this.lastRefusalChecked = !r.ok && r.error === 'refused';
    if (!r.ok) {
      this.diagnostics = r.diagnostics.length ? r.diagnostics : [{ severity: 'error', text: r.error, block: '', field: '' }];
      const first = this.diagnostics.find((d) => d.severity === 'error') || this.diagnostics[0];
      this.refused = refusedField ? { ...refusedField, text: first.text } : null;
      // A station that could not be built at all (opened with errors) is still shown in the tree.
      if (!this.build) this.desc = desc;
      this.hooks.changed();
      this.hooks.refused(first.text);
      return false;
    }
    this.refused = null;
    this.desc = desc;
    this.build = r.result;
    this.diagnostics = r.result.diagnostics;
    await this.hooks.built(r.result);
    const s = r.result.stats;
    this.lastEdit = { serverMs: s.milliseconds, roundTripMs: answered - started, shownMs: performance.now() - started, built: s.built, reused: s.reused };
    this.summary = `${r.result.blocks.length} blocks · built ${s.built}, reused ${s.reused} · ${s.milliseconds.toFixed(1)} ms`;
    return true;
  }

  // Runs `work` after every edit started before it has finished.
  serial(work) {
    this.busy = this.busy.then(work, work);
    return this.busy;
  }

  // Waits for `promise` before any edit started after this call.
  after(promise) {
    this.busy = this.busy.then(() => promise.then(() => {}, () => {}));
  }

  // Resolves when no edit is running or waiting, also one an edit started meanwhile.
  async idle() {
    for (let p = null; p !== this.busy;) {
      p = this.busy;
      await p;
    }
  }

  // Executes `cmd` on a copy; kept in the history when the server accepts the result.
  edit(cmd, refusedField = null) {
    return this.serial(async () => {
      const next = clone(this.desc);
      cmd.execute(next);
      if (!(await this.adopt(next, refusedField))) return false;
      this.history.push(cmd);
      this.hooks.changed();
      return true;
    });
  }

  // Executes `cmd` (an open or a generate) and keeps the result even when the
  // command-line checks refuse it: a faulty description opens as it is, its
  // blocks in the tree and its messages beside them, nothing built until an
  // edit makes it pass; the station shown before is one undo away. Resolves
  // 'built', 'unbuilt' (opened with errors), or false when the server could
  // not check it (nothing changed then).
  open(cmd) {
    return this.serial(async () => {
      const next = clone(this.desc);
      cmd.execute(next);
      if (await this.adopt(next)) {
        this.history.push(cmd);
        this.hooks.changed();
        return 'built';
      }
      if (!this.lastRefusalChecked) return false;
      this.desc = next;
      this.refused = null;
      this.build = { canonical: '', diagnostics: this.diagnostics, blocks: [] };
      await this.hooks.built(this.build);
      this.history.push(cmd);
      this.hooks.changed();
      return 'unbuilt';
    });
  }

  // Undoes (back = true) or redoes the last command; resolves with it, or null when there was none or it was refused.
  step(back) {
    return this.serial(async () => {
      const from = back ? this.history.undos : this.history.redos;
      const to = back ? this.history.redos : this.history.undos;
      if (!from.length) return null;
      const cmd = from[from.length - 1];
      const next = clone(this.desc);
      if (back) cmd.undo(next);
      else cmd.execute(next);
      if (!(await this.adopt(next))) return null;
      to.push(from.pop());
      this.hooks.changed();
      return cmd;
    });
  }

  // True when `cmd` replaced the whole station with another layout (an open or a generate).
  static replacesStation(cmd) {
    return cmd instanceof ReplaceStationCommand && !cmd.keepsView;
  }
}
