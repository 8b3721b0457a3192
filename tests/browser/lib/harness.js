'use strict';
// A minimal test runner: named async cases run one after another, one line per case, and the
// closing line "N passed, N failed" that CI reads.

const cases = [];

function test(name, fn, {timeoutMs = 120000} = {}) {
  cases.push({name, fn, timeoutMs});
}

function withTimeout(promise, ms, name) {
  let timer = null;
  const limit = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${name}: no result after ${ms} ms`)), ms);
  });
  return Promise.race([promise, limit]).finally(() => clearTimeout(timer));
}

function indent(text) {
  return String(text).split('\n').map((line) => '    ' + line).join('\n');
}

// Runs every case whose name contains `filter` (all when empty); true when none failed.
async function runAll(filter = '') {
  let passed = 0;
  let failed = 0;
  for (const c of cases) {
    if (filter && !c.name.includes(filter)) continue;
    const start = Date.now();
    try {
      await withTimeout(Promise.resolve().then(c.fn), c.timeoutMs, c.name);
      passed++;
      console.log(`ok - ${c.name} (${Date.now() - start} ms)`);
    } catch (error) {
      failed++;
      console.log(`not ok - ${c.name} (${Date.now() - start} ms)`);
      console.log(indent(error && error.stack ? error.stack : error));
    }
  }
  console.log(`${passed} passed, ${failed} failed`);
  return failed === 0 && passed > 0;
}

module.exports = {test, runAll};
