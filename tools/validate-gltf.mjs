// Builds each station description with the quilbet CLI and validates every
// .glb it writes with the Khronos glTF validator (npm package gltf-validator).
//
//   node tools/validate-gltf.mjs QUILBET_BINARY OUT_DIR STATION.json...
//
// Exit 0 when every file has no validation errors, 1 otherwise, 77 (skipped)
// when the validator package is not installed (run `npm ci` in tools/).
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync } from 'node:fs';
import { basename, join } from 'node:path';

let validator;
try {
    validator = await import('gltf-validator');
} catch (e) {
    console.error('gltf-validator is not installed (run `npm ci` in tools/); skipping');
    process.exit(77);
}
const validateBytes = validator.validateBytes ?? validator.default.validateBytes;

const [cli, outDir, ...stations] = process.argv.slice(2);
if (!cli || !outDir || stations.length === 0) {
    console.error('usage: node validate-gltf.mjs QUILBET_BINARY OUT_DIR STATION.json...');
    process.exit(2);
}
mkdirSync(outDir, { recursive: true });

let failed = false;
for (const station of stations) {
    const glb = join(outDir, basename(station).replace(/\.json$/, '') + '.glb');
    try {
        execFileSync(cli, ['build', station, '-o', glb], { stdio: ['ignore', 'inherit', 'inherit'] });
    } catch (e) {
        console.error(`${station}: quilbet build failed (${e.status})`);
        failed = true;
        continue;
    }
    const report = await validateBytes(new Uint8Array(readFileSync(glb)), { uri: glb, maxIssues: 100 });
    const { numErrors, numWarnings, numInfos } = report.issues;
    console.log(`${glb}: ${numErrors} errors, ${numWarnings} warnings, ${numInfos} infos` +
                ` (${report.info?.drawCallCount ?? '?'} draw calls, ${report.info?.totalTriangleCount ?? '?'} triangles)`);
    for (const m of report.issues.messages) {
        if (m.severity <= 1) console.log(`  ${m.severity === 0 ? 'error' : 'warning'} ${m.code} ${m.pointer ?? ''}: ${m.message}`);
    }
    if (numErrors > 0) failed = true;
}
process.exit(failed ? 1 : 0);
