'use strict';
// Runs the front-end tests: the checks of public/ that need no browser, then the pages in
// Debian's chromium against a quorbel server started here.
//   node tests/browser/run.js [--binary build/quorbel] [--screenshots build/screenshots] [filter]

const path = require('node:path');
const {runAll} = require('./lib/harness');

const root = path.resolve(__dirname, '..', '..');
const args = process.argv.slice(2);
let binary = path.join(root, 'build', 'quorbel');
let screenshots = path.join(root, 'build', 'screenshots');
let filter = '';
for (let i = 0; i < args.length; i++) {
  if (args[i] === '--binary') binary = path.resolve(args[++i]);
  else if (args[i] === '--screenshots') screenshots = path.resolve(args[++i]);
  else filter = args[i];
}

require('./static.test');
const pages = require('./pages.test');

async function main() {
  pages.configure({binary, root, screenshots});
  let ok = false;
  try {
    await pages.setUp();
    ok = await runAll(filter);
  } finally {
    await pages.tearDown();
  }
  console.log(`screenshots: ${screenshots}`);
  process.exitCode = ok ? 0 : 1;
}

main().catch((error) => {
  console.error(error && error.stack ? error.stack : error);
  console.log('0 passed, 1 failed');
  process.exitCode = 1;
});
