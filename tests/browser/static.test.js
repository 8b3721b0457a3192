'use strict';
// Checks of the files under public/ that need no browser: the result-page template, the
// rule that nothing is loaded from outside the server, and the growth chart's arithmetic.

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');
const {test} = require('./lib/harness');

const PUBLIC = path.join(__dirname, '..', '..', 'public');
const read = (name) => fs.readFileSync(path.join(PUBLIC, name), 'utf8');

test('result page template holds every placeholder', () => {
  const page = read('complexity.html');
  const placeholders = ['{{CODE}}', '{{LINE_COUNT}}', '{{COMPLEXITY}}', '{{LABEL}}',
    '{{SPACE_COMPLEXITY}}', '{{SPACE_LABEL}}', '{{SPACE_PATTERN}}', '{{SPACE_SIGNALS}}',
    '{{PATTERN}}', '{{CONSTRAINT_BUDGET}}', '{{CONSTRAINTS}}', '{{SIGNALS}}', '{{BREAKDOWN}}',
    '{{NOTES}}', '{{VERDICT}}'];
  for (const p of placeholders) assert.ok(page.includes(p), `missing ${p}`);
  // A textarea drops one line feed right after its start tag: the template spends it, so
  // code that starts with an empty line keeps it.
  assert.match(page, /<textarea[^>]*name="code"[^>]*>\n\{\{CODE\}\}<\/textarea>/);
  // The lists are written without white space around the placeholder so :empty can say "None."
  assert.match(page, /<ul class="list" id="signals">\{\{SIGNALS\}\}<\/ul>/);
  assert.match(page, /<tbody>\{\{BREAKDOWN\}\}<\/tbody>/);
});

test('pages load nothing from outside the server', () => {
  const files = fs.readdirSync(PUBLIC).filter((f) => /\.(html|css|js)$/.test(f));
  assert.ok(files.length >= 10, `only ${files.length} files`);
  for (const file of files) {
    const text = read(file);
    // The SVG namespace is a name, not a download.
    const external = text.replace(/http:\/\/www\.w3\.org\/2000\/svg/g, '')
        .match(/(?:src|href|url)\s*[=(]\s*["']?\s*(?:https?:)?\/\/[^"')\s]+/gi);
    assert.equal(external, null, `${file} loads ${external}`);
    assert.doesNotMatch(text, /@import|fonts\.googleapis|cdn\./i, file);
  }
});

test('every page script is one the server serves', () => {
  const served = new Set(['/ide-runner.js', '/ide-worker.js', '/ide-cp-completions.js',
    '/ide-editor.js', '/quorbel-storage.js', '/verdict.js', '/conveniences.js',
    '/measure.js']);
  for (const page of ['index.html', 'ide.html', 'storage.html', 'cli.html', 'complexity.html']) {
    for (const [, src] of read(page).matchAll(/<script[^>]*\ssrc="([^"]+)"/g)) {
      assert.ok(served.has(src), `${page} loads ${src}`);
    }
    for (const [, href] of read(page).matchAll(/<link[^>]*\shref="([^"]+)"/g)) {
      // The icon is drawn inline, so the browser does not ask the server for /favicon.ico.
      assert.ok(href === '/styles.css' || href.startsWith('data:image/svg+xml,'), `${page} links ${href}`);
    }
  }
});

// ---- The growth chart's evaluation of the server's costs ----

function loadChart() {
  const context = vm.createContext({});
  vm.runInContext(read('ide-runner.js'), context, {filename: 'ide-runner.js'});
  return context.QuorbelChart;
}

// Costs as /api/analyze sends them: terms, each a product of factors with its constant.
const factor = (size, parts) => Object.assign({size, power: 0, logs: 0, logLogs: 0, alphas: 0,
  exponential: 1, exponentialSize: '', factorial: false}, parts);
const term = (factors, constant = 1) => ({factors, constant});
const cost = (...terms) => ({terms});
const single = (parts, constant) => cost(term([factor('n', parts)], constant));

// The largest integer n in [10, 10^7] with f(n) <= 10^8, computed directly from f.
function largestByFormula(f) {
  if (f(1e7) <= 1e8) return {kind: 'all', n: 1e7};
  if (f(10) > 1e8) return {kind: 'none', n: 10};
  let lo = 10;
  let hi = 1e7;
  while (hi - lo > 1) {
    const mid = Math.floor((lo + hi) / 2);
    if (f(mid) <= 1e8) lo = mid;
    else hi = mid;
  }
  return {kind: 'some', n: lo};
}

const log2 = (x) => Math.max(1, Math.log2(x));

test('chart finds the largest n within 10^8 operations', () => {
  const chart = loadChart();
  const cases = [
    {name: 'quadratic: 10^4 squared is exactly the budget', cost: single({power: 2}), want: {kind: 'some', n: 10000}},
    {name: 'cubic: 464^3 fits, 465^3 does not', cost: single({power: 3}), want: {kind: 'some', n: 464}},
    {name: 'linear fits the whole range', cost: single({power: 1}), want: {kind: 'all', n: 1e7}},
    {name: 'constant fits the whole range', cost: cost(), want: {kind: 'all', n: 1e7}},
    {name: '60 passes over n: 60 * 1666666 fits', cost: single({power: 1}, 60), want: {kind: 'some', n: 1666666}},
    {name: 'two to the n: 2^26 fits, 2^27 does not', cost: single({exponential: 2}), want: {kind: 'some', n: 26}},
    {name: 'two to the n times n: 22 * 2^22 fits', cost: single({exponential: 2, power: 1}), want: {kind: 'some', n: 22}},
    {name: 'three to the n: 3^16 fits, 3^17 does not', cost: single({exponential: 3}), want: {kind: 'some', n: 16}},
    {name: 'factorial: 11! fits, 12! does not', cost: single({factorial: true}), want: {kind: 'some', n: 11}},
    {name: 'n to the n: 10^10 is over budget where the chart starts', cost: single({exponentialSize: 'n'}), want: {kind: 'none', n: 10}},
    {name: 'independent passes add up', cost: cost(term([factor('n', {power: 1})]), term([factor('m', {power: 1})])),
      want: {kind: 'all', n: 1e7}},
    {name: 'a sum just over the budget at 10^4', cost: cost(term([factor('n', {power: 2})]), term([factor('m', {power: 1})])),
      want: {kind: 'some', n: 9999}},
    {name: 'n log n', cost: single({power: 1, logs: 1}), want: largestByFormula((n) => n * log2(n))},
    {name: 'n squared log n', cost: single({power: 2, logs: 1}), want: largestByFormula((n) => n * n * log2(n))},
    {name: 'graph traversal with a heap',
      cost: cost(term([factor('vertices', {power: 1, logs: 1})]), term([factor('edges', {power: 1}), factor('vertices', {logs: 1})])),
      want: largestByFormula((n) => 2 * n * log2(n))},
    {name: 'n sqrt n', cost: single({power: 1.5}), want: largestByFormula((n) => n * Math.sqrt(n))},
    {name: 'squared log', cost: single({power: 1, logs: 2}), want: largestByFormula((n) => n * log2(n) ** 2)},
    {name: 'fourth root', cost: single({power: 2.25}), want: largestByFormula((n) => n * n * n ** 0.25)},
    {name: 'cube root squared', cost: single({power: 2 / 3}), want: {kind: 'all', n: 1e7}},
    {name: 'log log', cost: single({power: 1, logLogs: 1}), want: {kind: 'all', n: 1e7}},
    {name: 'inverse Ackermann', cost: cost(term([factor('edges', {power: 1}), factor('n', {alphas: 1})])), want: {kind: 'all', n: 1e7}},
  ];
  for (const c of cases) {
    const got = chart.largestFittingN(c.cost);
    assert.ok(got, `${c.name} was refused`);
    assert.deepEqual({kind: got.kind, n: got.n}, c.want, c.name);
  }
  // Without a cost there is nothing to draw.
  for (const missing of [undefined, null, {}, {terms: 'n'}]) assert.equal(chart.largestFittingN(missing), null);
});

test('chart evaluates operations on log scales', () => {
  const chart = loadChart();
  const near = (got, want, name) => assert.ok(Math.abs(got - want) < 1e-9, `${name}: ${got} != ${want}`);
  near(chart.operationsLog10(single({power: 2}), 1000), 6, 'n^2 at 1000');
  near(chart.operationsLog10(cost(), 1e7), 0, 'constant');
  near(chart.operationsLog10(single({power: 1, logs: 1}), 1024), Math.log10(1024 * 10), 'n log n at 1024');
  near(chart.operationsLog10(single({exponential: 2}), 1e7), 1e7 * Math.log10(2), '2^n stays finite at 10^7');
  near(chart.operationsLog10(single({power: 0.5}), 1e6), 3, 'sqrt');
  near(chart.operationsLog10(single({power: 1}, 60), 1000), Math.log10(60000), '60 passes over n');
  near(chart.operationsLog10(cost(term([factor('n', {power: 1})]), term([factor('m', {power: 1})])), 100),
      Math.log10(200), 'sum of two sizes');
});

test('chart shows an exponential over the sizes where it rises', () => {
  const chart = loadChart();
  for (const [name, parts, want] of [['n^2', {power: 2}, 7], ['n log n', {power: 1, logs: 1}, 7],
    ['2^n', {exponential: 2}, 2], ['2^n * n', {exponential: 2, power: 1}, 2], ['n!', {factorial: true}, 2],
    ['n^8', {power: 8}, 4]]) {
    assert.equal(chart.chartDomainLog10(single(parts)), want, name);
  }
});

test('compiler messages about the file become editor marks', () => {
  const context = vm.createContext({});
  vm.runInContext(read('ide-runner.js'), context, {filename: 'ide-runner.js'});
  const parse = (text) => JSON.parse(JSON.stringify(context.QuorbelRunner.compilerDiagnostics(text)));
  const output = [
    "main.cpp: In function 'int main()':",
    "main.cpp:2:13: error: expected ';' before '}' token",
    '    2 |     return 0',
    "main.cpp:5:9: warning: unused variable 'x' [-Wunused-variable]",
    "main.cpp:7:1: note: in expansion of macro 'F'",
    "/usr/include/c++/12/bits/stl_vector.h:10:2: error: inside a system header",
    "main.cpp:9:3: fatal error: missing.h: No such file or directory",
    'other.cpp:1:1: error: another file',
  ].join('\n');
  assert.deepEqual(parse(output), [
    {line: 2, column: 13, severity: 'error', message: "expected ';' before '}' token"},
    {line: 5, column: 9, severity: 'warning', message: "unused variable 'x' [-Wunused-variable]"},
    {line: 9, column: 3, severity: 'error', message: 'missing.h: No such file or directory'},
  ]);
  assert.deepEqual(parse(''), []);
  assert.deepEqual(parse(undefined), []);
});
