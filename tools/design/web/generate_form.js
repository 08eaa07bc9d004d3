// Generate as a form: seed, block count and style, Generate and Re-roll (a
// new random seed). The seed used stays in the form after generating.

const $ = (id) => document.getElementById(id);

// A random seed as people type them: a whole number below a million.
export function randomSeed() {
  return String(Math.floor(Math.random() * 1e6));
}

// Wires the form; `generate({ seed, blocks, style })` resolves true when the
// generated station was opened. The form stays open on a failure.
export function wireGenerateForm(generate) {
  const dialog = $('generate-dialog');
  const form = $('generate-form');
  const run = async (reroll) => {
    if (reroll) $('gen-seed').value = randomSeed();
    const options = { seed: $('gen-seed').value.trim() || '1', blocks: Number($('gen-blocks').value), style: $('gen-style').value };
    for (const b of form.querySelectorAll('button')) b.disabled = true;
    try {
      if (await generate(options)) dialog.close();
    } finally {
      for (const b of form.querySelectorAll('button')) b.disabled = false;
    }
  };
  form.onsubmit = (e) => { e.preventDefault(); run(false); };
  $('gen-reroll').onclick = () => run(true);
  $('gen-cancel').onclick = () => dialog.close();
  return () => {
    if (!$('gen-seed').value) $('gen-seed').value = randomSeed();
    dialog.showModal();
    $('gen-seed').select();
  };
}
