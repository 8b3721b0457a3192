'use strict';
// The pages in Debian's chromium against the real server: analyze, the form without
// JavaScript, the IDE's Run, the history, the CLI guide and an unreachable server.

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');
const {test} = require('./lib/harness');
const {startServer} = require('./lib/server');

const NESTED_LOOPS = [
  '#include <iostream>',
  'using namespace std;',
  '',
  'int main() {',
  '    int n;',
  '    cin >> n;',
  '    long long pairs = 0;',
  '    for (int i = 0; i < n; i++) {',
  '        for (int j = 0; j < n; j++) {',
  '            pairs += i ^ j;',
  '        }',
  '    }',
  '    cout << pairs << endl;',
  '    return 0;',
  '}',
  '',
].join('\n');
// The rows of the nested loop may point at either of the two for lines.
const LOOP_LINES = [8, 9];

const HELLO = '#include <cstdio>\n\nint main() {\n    std::puts("hello");\n    return 0;\n}\n';
const ADD_INPUT = '#include <cstdio>\n\nint main() {\n    int a, b;\n' +
    '    if (std::scanf("%d %d", &a, &b) == 2) std::printf("%d\\n", a + b);\n    return 0;\n}\n';
const MISSING_SEMICOLON = 'int main() {\n    return 0\n}\n';
const FLOOD = '#include <cstdio>\n\nint main() {\n    for (;;) std::puts("spam spam spam spam");\n}\n';
const SPIN = 'int main() {\n    volatile unsigned long long x = 0;\n    for (;;) x = x + 1;\n}\n';

const CHROMIUM_FLAGS = ['--headless', '--no-sandbox', '--disable-gpu',
  '--disable-background-networking', '--disable-component-update', '--no-first-run'];

let settings = null;  // {binary, root, screenshots}
let server = null;
let browser = null;
let historyContext = null;  // keeps the analysis of the first case for the history case

function configure(options) {
  settings = options;
}

async function setUp() {
  const {chromium} = require('playwright-core');
  fs.mkdirSync(settings.screenshots, {recursive: true});
  server = await startServer(settings.binary, settings.root);
  const launched = await chromium.launch({executablePath: '/usr/bin/chromium', args: CHROMIUM_FLAGS});
  // Every context may paste into the editor.
  browser = {
    newContext: async (options) => {
      const context = await launched.newContext(options);
      await context.grantPermissions(['clipboard-read', 'clipboard-write']);
      return context;
    },
    close: () => launched.close(),
  };
}

async function tearDown() {
  if (browser) await browser.close().catch(() => {});
  if (server) await server.stop();
}

async function shoot(page, name) {
  await page.screenshot({path: path.join(settings.screenshots, name), fullPage: true});
}

// A page that fails its case on any script error or any request that leaves the server.
async function openPage(context, url, origin = server.url) {
  const page = await context.newPage();
  page.problems = [];
  page.allowFailedLoads = false;  // set by the cases that make requests fail on purpose
  page.on('pageerror', (error) => page.problems.push('script error: ' + error.message));
  page.on('console', (message) => {
    if (message.type() !== 'error') return;
    if (page.allowFailedLoads && message.text().startsWith('Failed to load resource')) return;
    page.problems.push('console error: ' + message.text() + ' at ' + message.location().url);
  });
  page.on('request', (request) => {
    const target = request.url();
    if (!target.startsWith(origin + '/') && !/^(data|blob):/.test(target)) {
      page.problems.push('outside request: ' + target);
    }
  });
  await page.goto(origin + url);
  return page;
}

function assertClean(page) {
  assert.deepEqual(page.problems, [], 'page problems: ' + page.problems.join('; '));
}

async function editorReady(page) {
  await page.waitForFunction(() => window.quorbelEditor && window.quorbelEditor.kind === 'monaco',
      null, {timeout: 20000});
}

// Monaco starts its background worker a moment after the editor appears, and the worker then
// loads its script from the server. A case that stops the server waits for that load first, or
// the worker's failed import would be the page's error rather than the case's.
async function editorWorkerLoaded(page) {
  const worker = page.workers()[0] || await page.waitForEvent('worker', {timeout: 20000});
  const deadline = Date.now() + 20000;
  while (!await worker.evaluate(() => typeof globalThis.define === 'function')) {
    assert.ok(Date.now() < deadline, 'editor worker loaded its script');
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// Replaces the editor's text the way a user would: select everything and paste over it
// (typing would let the editor indent every new line a second time).
async function typeIntoEditor(page, code) {
  await page.click('#editor .view-lines');
  await page.keyboard.press('Control+A');
  if (code === '') {
    await page.keyboard.press('Delete');
  } else {
    await page.evaluate((text) => navigator.clipboard.writeText(text), code);
    await page.keyboard.press('Control+V');
  }
  await page.waitForFunction((text) => window.quorbelEditor.getValue() === text, code,
      {timeout: 5000}).catch(() => {});
  const value = await page.evaluate(() => window.quorbelEditor.getValue());
  assert.equal(value, code, 'editor text after typing');
}

async function analyzeAndWait(page, trigger) {
  await trigger();
  await page.waitForSelector('#results[data-state="done"], #results[data-state="error"]');
  const state = await page.getAttribute('#results', 'data-state');
  if (state === 'error') {
    assert.fail('analysis failed: ' + await page.textContent('#results'));
  }
}

async function runAndWait(page) {
  await page.click('#run-button');
  await page.waitForSelector('#run-output[data-state="done"], #run-output[data-state="error"]',
      {timeout: 60000});
}

// The line number shown beside the editor line that carries the highlight (runs in the page).
function markedLineInPage() {
  const mark = document.querySelector('#editor .view-overlays .quorbel-line-highlight');
  if (!mark) return 'no highlight';
  const top = mark.parentElement.style.top;
  const numbers = [...document.querySelectorAll('#editor .margin-view-overlays .line-numbers')];
  const match = numbers.find((n) => n.parentElement.style.top === top);
  return match ? Number(match.textContent.trim()) : 'no line number at ' + top;
}

// Monaco draws a moved decoration at its next animation frame, not within the call that moved
// it, so the DOM is read once the mark shows on `expected` or after a few seconds.
async function highlightedLineNumber(page, expected) {
  await page.waitForFunction(`(${markedLineInPage})() === ${Number(expected)}`, null,
      {timeout: 5000}).catch(() => {});
  return page.evaluate(markedLineInPage);
}

test('analyze page: nested loops give O(n^2), rows reveal lines, chart drawn', async () => {
  historyContext = await browser.newContext({viewport: {width: 1440, height: 1000}});
  const page = await openPage(historyContext, '/');
  await editorReady(page);
  assert.equal(await page.getAttribute('#editor', 'data-editor'), 'monaco');
  assert.equal(await page.isVisible('#code'), false, 'the plain textarea gives way to Monaco');
  // Monaco colours C++: the keyword "int" gets another token class than a variable name.
  await typeIntoEditor(page, NESTED_LOOPS);
  await page.waitForSelector('#editor .view-line span span:text-is("int")');
  const keywordClasses = await page.evaluate(() => {
    const spans = [...document.querySelectorAll('#editor .view-line span span')];
    return [...new Set(spans.filter((s) => s.textContent === 'int').map((s) => s.className))];
  });
  const plainClasses = await page.evaluate(() => {
    const spans = [...document.querySelectorAll('#editor .view-line span span')];
    return [...new Set(spans.filter((s) => s.textContent.includes('pairs')).map((s) => s.className))];
  });
  assert.ok(keywordClasses.length > 0 && plainClasses.length > 0, 'tokens rendered');
  assert.notDeepEqual(keywordClasses, plainClasses, 'keywords are highlighted');

  await analyzeAndWait(page, () => page.click('#analyze-button'));
  assert.equal((await page.textContent('.time-notation')).trim(), 'O(n^2)');
  assert.ok((await page.textContent('.time-label')).trim().length > 0, 'label shown');
  assert.ok((await page.textContent('.space-notation')).startsWith('O('), 'space notation shown');
  assert.equal(Number(await page.textContent('.line-count')), NESTED_LOOPS.split('\n').length - 1);
  assert.match(await page.textContent('#constraint-budget'), /100M primitive operations/);
  // Every term was derived: a high badge on each notation, and no offer to measure.
  assert.equal((await page.textContent('#time-confidence')).trim(), 'high confidence');
  assert.equal((await page.textContent('#space-confidence')).trim(), 'high confidence');
  assert.equal(await page.locator('#measure-offer').count(), 0, 'nothing to check by running');

  const rows = await page.$$eval('#time-breakdown tbody tr', (trs) => trs.map((tr) => ({
    line: tr.dataset.line || '',
    cells: [...tr.cells].map((td) => td.textContent),
  })));
  assert.ok(rows.length >= 1, 'breakdown rows');
  const quadratic = rows.find((r) => r.cells[2] === 'O(n^2)' && r.line !== '');
  assert.ok(quadratic, 'a clickable O(n^2) row: ' + JSON.stringify(rows));
  const line = Number(quadratic.line);
  assert.ok(LOOP_LINES.includes(line), `row points at a loop line, got ${line}`);
  // The signals that restate a row are not listed a second time.
  assert.equal(await page.$$eval('#signals li', (lis) => lis.length), 0, 'no repeated signals');
  assert.doesNotMatch(await page.textContent('#results'), /Tree-sitter/, 'no internal note');

  // Scroll the line away first so that revealing it is a real move.
  await page.evaluate(() => window.quorbelEditor.revealLine(1));
  await page.click(`#time-breakdown tbody tr[data-line="${line}"]`);
  assert.equal(await page.evaluate(() => window.quorbelEditor.highlightedLine()), line);
  assert.equal(await highlightedLineNumber(page, line), line, 'the highlighted editor line');
  assert.equal(await page.getAttribute(`#time-breakdown tbody tr[data-line="${line}"]`, 'class'), 'selected');

  const curve = await page.getAttribute('#growth-chart path.growth-curve', 'd');
  assert.ok(curve && curve.split('L').length > 100, 'curve drawn with many points');
  assert.equal(await page.getAttribute('#growth-chart path.growth-curve', 'data-notation'), 'O(n^2)');
  assert.equal(await page.locator('#growth-chart .budget-line').count(), 1, 'budget line');
  assert.equal(await page.getAttribute('#growth-chart .fit-marker', 'data-n'), '10000');
  assert.match(await page.textContent('#growth-caption'), /10,000/);
  await shoot(page, 'analyze.png');
  assertClean(page);
});

test('analyze page: Ctrl+Enter analyzes, phone width and dark scheme render', async () => {
  const context = await browser.newContext({viewport: {width: 390, height: 844},
    colorScheme: 'dark', isMobile: true, hasTouch: true});
  const page = await openPage(context, '/');
  await editorReady(page);
  await typeIntoEditor(page, NESTED_LOOPS);
  await analyzeAndWait(page, () => page.keyboard.press('Control+Enter'));
  assert.equal((await page.textContent('.time-notation')).trim(), 'O(n^2)');
  const background = await page.evaluate(() => getComputedStyle(document.body).backgroundColor);
  assert.equal(background, 'rgb(15, 19, 24)', 'dark background');
  const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
  assert.ok(overflow <= 0, `page wider than the phone by ${overflow}px`);
  await shoot(page, 'analyze-phone-dark.png');
  assertClean(page);
  await context.close();
});

test('without JavaScript the form posts to /analyze and gets the result page', async () => {
  const context = await browser.newContext({javaScriptEnabled: false, viewport: {width: 1280, height: 900}});
  const page = await openPage(context, '/');
  assert.equal(await page.isVisible('#code'), true, 'plain textarea shown');
  await page.fill('#code', NESTED_LOOPS);
  await Promise.all([page.waitForURL('**/analyze'), page.click('#analyze-button')]);
  assert.equal((await page.textContent('.time-notation')).trim(), 'O(n^2)');
  assert.ok((await page.textContent('.time-label')).trim().length > 0, 'label shown');
  const costs = await page.$$eval('#time-breakdown tbody tr', (trs) => trs.map((tr) => tr.cells[2].textContent));
  assert.ok(costs.includes('O(n^2)'), 'breakdown rows: ' + costs);
  assert.equal(await page.inputValue('#code'), NESTED_LOOPS, 'the code comes back unchanged');
  assert.equal(Number(await page.textContent('.line-count')), NESTED_LOOPS.split('\n').length - 1);
  assert.match(await page.textContent('#verdict'), /n: no limit.*time: no verdict for time: no limit for n/);
  const html = await page.content();
  assert.doesNotMatch(html, /\{\{[A-Z_]+\}\}/, 'every placeholder replaced');
  await shoot(page, 'result-page.png');
  assertClean(page);
  await context.close();
});

test('an estimate that assumed something says so and offers to measure', async () => {
  const context = await browser.newContext({viewport: {width: 1440, height: 1000}, hasTouch: true});
  const page = await openPage(context, '/');
  await editorReady(page);
  await typeIntoEditor(page, '#include <iostream>\nint main() {\n  int n;\n  std::cin >> n;\n' +
      '  for (int i = 0; i < n; i++) { @@ }\n}\n');
  await analyzeAndWait(page, () => page.click('#analyze-button'));
  const badge = page.locator('#time-confidence');
  assert.equal((await badge.textContent()).trim(), 'low confidence');
  // On hover: the title holds the assumptions, with their line.
  assert.match(await badge.getAttribute('title'), /^line 5: the code from line 5 does not parse/);
  // On a tap: the list opens, and a second tap closes it.
  assert.equal(await page.isVisible('#time-assumptions'), false);
  await badge.tap();
  assert.equal(await page.isVisible('#time-assumptions'), true);
  assert.equal(await badge.getAttribute('aria-expanded'), 'true');
  assert.match(await page.textContent('#time-assumptions li'), /does not parse/);
  await badge.tap();
  assert.equal(await page.isVisible('#time-assumptions'), false);
  // The space notation rests on the same unread line.
  assert.equal((await page.textContent('#space-confidence')).trim(), 'low confidence');
  // Measuring is offered, and the offer runs the page's Measure.
  assert.equal(await page.isVisible('#measure-offer'), true);
  await page.click('#measure-offer-button');
  await page.waitForSelector('#measure-result', {timeout: 30000});
  await shoot(page, 'confidence.png');
  await context.close();
});

test('Measure runs the program and draws its times on the growth chart', async () => {
  const context = await browser.newContext({viewport: {width: 1440, height: 1000}});
  const page = await openPage(context, '/');
  await editorReady(page);
  await typeIntoEditor(page, '// 1 <= n <= 10^5\n#include <iostream>\nint main() {\n' +
      '  int n;\n  std::cin >> n;\n  long long s = 0;\n' +
      '  for (int i = 0; i < n; i++) { long long x; std::cin >> x; s += x; }\n' +
      '  std::cout << s << "\\n";\n}\n');
  await analyzeAndWait(page, () => page.click('#analyze-button'));
  await page.click('#measure-button');
  await page.waitForSelector('#measure-result[data-state="done"], #measure-result[data-state="error"]',
      {timeout: 120000});
  const status = await page.getAttribute('#measure-verdict', 'data-status');
  assert.ok(['measured', 'undecided'].includes(status), await page.textContent('#measure-result'));
  const rows = await page.locator('#measure-points tbody tr').count();
  assert.ok(rows >= 3, 'sizes run: ' + rows);
  // A dot for each size that took measurable time inside the chart's range: how many of the
  // smallest took none depends on the machine, so at least one, and never more than the rows.
  const dots = await page.locator('#growth-chart .measured-point').count();
  assert.ok(dots >= 1 && dots <= rows, 'dots on the chart: ' + dots + ' of ' + rows + ' sizes');
  assert.match(await page.getAttribute('#measure-download', 'download'), /^input-\d+\.txt$/);
  await shoot(page, 'measure.png');
  assertClean(page);
  await context.close();
});

test('IDE runs a program that prints hello', async () => {
  const context = await browser.newContext({viewport: {width: 1440, height: 1000}});
  const page = await openPage(context, '/ide');
  await editorReady(page);
  await typeIntoEditor(page, HELLO);
  await runAndWait(page);
  assert.equal(await page.getAttribute('#run-status', 'data-status'), 'success',
      await page.textContent('#run-output'));
  assert.equal(await page.textContent('#run-stdout'), 'hello\n');
  assert.equal((await page.textContent('.run-phase')).trim(), 'run');
  assert.equal((await page.textContent('.run-exit-code')).trim(), '0');
  assert.match(await page.textContent('.run-compile-ms'), /^\d+ ms$/);

  // Standard input reaches the program.
  await typeIntoEditor(page, ADD_INPUT);
  await page.fill('#stdin', '2 40\n');
  await runAndWait(page);
  assert.equal(await page.textContent('#run-stdout'), '42\n');

  // The contest snippets are offered while typing.
  await typeIntoEditor(page, '');
  await page.keyboard.type('fasti');
  await page.keyboard.press('Control+Space');
  await page.waitForSelector('.suggest-widget .monaco-list-row[aria-label^="fastio"]');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.quorbelEditor.getValue().includes('cin.tie(nullptr);'));
  const snippet = await page.evaluate(() => window.quorbelEditor.getValue());
  assert.match(snippet, /^#include <bits\/stdc\+\+\.h>\nusing namespace std;\n\nint main\(\) \{\n    ios::sync_with_stdio\(false\);/);

  // Analyze works on the IDE too, by its shortcut.
  await analyzeAndWait(page, async () => {
    await page.click('#editor .view-lines');
    await page.keyboard.press('Control+Enter');
  });
  assert.ok((await page.textContent('.time-notation')).startsWith('O('));
  await typeIntoEditor(page, HELLO);
  await runAndWait(page);
  await shoot(page, 'ide-run.png');
  assertClean(page);
  await context.close();
});

test('IDE shows a compile error', async () => {
  const context = await browser.newContext({viewport: {width: 1440, height: 1000}});
  const page = await openPage(context, '/ide');
  await editorReady(page);
  await typeIntoEditor(page, MISSING_SEMICOLON);
  await runAndWait(page);
  assert.equal(await page.getAttribute('#run-status', 'data-status'), 'compile_error');
  assert.equal((await page.textContent('#run-status')).trim(), 'Compile error');
  assert.equal((await page.textContent('.run-phase')).trim(), 'compile');
  assert.match(await page.textContent('#run-compiler-output'), /error/);
  assert.notEqual((await page.textContent('.run-exit-code')).trim(), '0');
  assert.equal((await page.textContent('.run-run-ms')).trim(), '–', 'nothing ran');
  // The missing semicolon is marked in the editor, at the end of line 2 or before line 3.
  const markers = await page.evaluate(() => window.monaco.editor
      .getModelMarkers({owner: 'quorbel-compiler'})
      .map((m) => ({line: m.startLineNumber, severity: m.severity, message: m.message})));
  assert.ok(markers.length >= 1, 'compiler markers');
  assert.ok([2, 3].includes(markers[0].line), JSON.stringify(markers));
  assert.match(markers[0].message, /expected/);
  await page.hover('#editor .squiggly-error', {force: true});
  await page.waitForSelector('.monaco-hover-content:has-text("expected")');
  await shoot(page, 'ide-compile-error.png');

  // A clean compile removes the marks.
  await typeIntoEditor(page, HELLO);
  await runAndWait(page);
  assert.equal(await page.evaluate(() =>
    window.monaco.editor.getModelMarkers({owner: 'quorbel-compiler'}).length), 0);
  assertClean(page);
  await context.close();
});

test('IDE: the standard is chosen and remembered, memory shows beside the time', async () => {
  const context = await browser.newContext({viewport: {width: 1440, height: 1000}});
  const page = await openPage(context, '/ide');
  await editorReady(page);
  assert.equal(await page.inputValue('#standard'), 'c++20', 'C++20 by default');
  assert.equal(await page.getAttribute('#time-limit', 'max'), '10', 'the operator\'s cap');
  await typeIntoEditor(page, '#include <cstdio>\nint main() { std::printf("%ld\\n", __cplusplus); }\n');
  await page.fill('#stdin', '');
  await page.fill('#expected', '');
  await runAndWait(page);
  assert.equal(await page.textContent('#run-stdout'), '202002\n');
  await page.selectOption('#standard', 'c++23');
  await runAndWait(page);
  assert.equal(await page.textContent('#run-stdout'), '202100\n');
  assert.match(await page.textContent('.run-memory'), /^\d+(\.\d)? (KB|MB)$/);
  // A judged single run says its verdict, not "Success".
  await page.fill('#expected', '202100\n');
  await runAndWait(page);
  assert.equal(await page.getAttribute('#run-status', 'data-status'), 'accepted');
  await page.fill('#expected', '1\n');
  await runAndWait(page);
  assert.equal(await page.getAttribute('#run-status', 'data-status'), 'wrong_answer');
  assert.equal((await page.textContent('#run-status')).trim(), 'Wrong answer');
  const again = await openPage(context, '/ide');
  await editorReady(again);
  assert.equal(await again.inputValue('#standard'), 'c++23', 'remembered on the next visit');
  assertClean(page);
  assertClean(again);
  await context.close();
});

test('IDE shows the output limit and the time limit plainly', async () => {
  const context = await browser.newContext({viewport: {width: 1440, height: 1000}});
  const page = await openPage(context, '/ide');
  await editorReady(page);
  await typeIntoEditor(page, FLOOD);
  await runAndWait(page);
  assert.equal(await page.getAttribute('#run-status', 'data-status'), 'runtime_error');
  assert.match(await page.textContent('#run-error'), /^Output limit exceeded\./);
  assert.equal((await page.textContent('#run-stdout')).length, 1 << 20, 'the first megabyte');
  assert.match(await page.textContent('#run-output'), /Showing the first 1 MB/);
  await shoot(page, 'ide-output-limit.png');

  await typeIntoEditor(page, SPIN);
  await runAndWait(page);
  assert.equal(await page.getAttribute('#run-status', 'data-status'), 'timeout');
  assert.match(await page.textContent('#run-timeout'), /Time limit exceeded\./);
  await shoot(page, 'ide-timeout.png');
  assertClean(page);
  await context.close();
});

test('history lists the analysis just made and opens it again', async () => {
  assert.ok(historyContext, 'the analyze case ran first');
  const page = await openPage(historyContext, '/storage');
  const items = page.locator('#history-list .history-item');
  assert.ok(await items.count() >= 1, 'history entries');
  const first = items.first();
  assert.equal(await first.locator('.history-time').textContent(), 'O(n^2)');
  assert.equal(await first.locator('.history-first-line').textContent(), '#include <iostream>');
  assert.ok((await first.locator('.history-space').textContent()).startsWith('O('));
  assert.ok((await first.locator('time').getAttribute('datetime')).length > 0);
  await shoot(page, 'storage.png');

  await Promise.all([page.waitForURL((url) => url.pathname === '/'), first.locator('a.open-analyze').click()]);
  await editorReady(page);
  assert.equal(await page.evaluate(() => window.quorbelEditor.getValue()), NESTED_LOOPS);
  await page.waitForSelector('#results[data-state="done"]');
  assert.equal((await page.textContent('.time-notation')).trim(), 'O(n^2)');
  assert.equal(new URL(page.url()).search, '', 'the open parameter is dropped');

  await page.goto(server.url + '/storage');
  page.once('dialog', (dialog) => dialog.accept());
  await page.click('#clear-history');
  await page.waitForSelector('.history-empty');
  assert.equal(await page.locator('#history-list .history-item').count(), 0);
  assertClean(page);
  await historyContext.close();
});

test('CLI page shows the usage text', async () => {
  const context = await browser.newContext({viewport: {width: 1280, height: 900}});
  const page = await openPage(context, '/cli');
  const usage = await page.textContent('#usage-text');
  assert.match(usage, /^quorbel CLI\n\nAnalyze local C\+\+ files without sending code to the web app\.\n/);
  assert.ok(usage.includes('  quorbel analyze full <file.cpp>\n'));
  assert.ok(usage.includes('  If you pass only a filename, quorbel also checks Downloads, Desktop, and Documents.'));
  await shoot(page, 'cli.png');
  assertClean(page);
  await context.close();
});

test('an unreachable server gives a clear message on analyze and run', async () => {
  const doomed = await startServer(settings.binary, settings.root);
  const context = await browser.newContext({viewport: {width: 1440, height: 1000}});
  try {
    const analyzePage = await openPage(context, '/', doomed.url);
    const idePage = await openPage(context, '/ide', doomed.url);
    await editorReady(analyzePage);
    await editorReady(idePage);
    await editorWorkerLoaded(analyzePage);
    await editorWorkerLoaded(idePage);
    analyzePage.allowFailedLoads = true;
    idePage.allowFailedLoads = true;
    await doomed.stop();
    await analyzePage.click('#analyze-button');
    await analyzePage.waitForSelector('#results[data-state="error"]');
    assert.match(await analyzePage.textContent('#results-error'), /Could not reach the quorbel server\./);
    assert.equal(await analyzePage.isEnabled('#analyze-button'), true, 'ready to try again');
    await shoot(analyzePage, 'unreachable.png');
    await idePage.click('#run-button');
    await idePage.waitForSelector('#run-output[data-state="error"]');
    assert.match(await idePage.textContent('#run-output-error'), /Could not reach the quorbel server\./);
    assertClean(analyzePage);
    assertClean(idePage);
  } finally {
    await doomed.stop();
    await context.close();
  }
});

test('an error answer is shown with its message; a pattern gets no curve', async () => {
  const context = await browser.newContext({viewport: {width: 1280, height: 900}});
  const page = await openPage(context, '/');
  await editorReady(page);
  page.allowFailedLoads = true;
  await page.route('**/api/analyze', (route) => route.fulfill({status: 400,
    contentType: 'application/json', body: '{"error":"Expected JSON body with a string code field."}'}));
  await page.click('#analyze-button');
  await page.waitForSelector('#results[data-state="error"]');
  const message = await page.textContent('#results-error');
  assert.match(message, /HTTP 400/);
  assert.match(message, /Expected JSON body with a string code field\./);

  // A custom pattern in words is not drawn as a curve.
  await page.unroute('**/api/analyze');
  await page.route('**/api/analyze', (route) => route.fulfill({status: 200,
    contentType: 'application/json', body: JSON.stringify({
      notation: 'O(unknown pattern)', label: 'Unknown pattern', pattern: 'Unknown pattern',
      space: {notation: 'O(1)', label: 'Constant', pattern: 'Constant storage', signals: [], breakdown: []},
      constraintBudget: 'Very rough estimate using about 100M primitive operations per second.',
      constraints: [], lineCount: 1, signals: ['Line 1: something contributes O(unknown pattern).'],
      breakdown: [{line: '1', signal: 'something', cost: 'O(unknown pattern)'}], notes: [], saved: false,
    })}));
  await page.click('#analyze-button');
  await page.waitForSelector('#results[data-state="done"]');
  assert.equal(await page.locator('#growth-chart').count(), 0, 'no chart for a pattern');
  assert.match(await page.textContent('#growth-chart-note'), /O\(unknown pattern\)/);
  assertClean(page);
  await context.close();
});

const LIMITED_PAIRS = [
  '#include <bits/stdc++.h>',
  'using namespace std;',
  '// Constraints: 1 <= n <= 2000',
  'int main() {',
  '    int n;',
  '    cin >> n;',
  '    long long pairs = 0;',
  '    for (int i = 0; i < n; i++)',
  '        for (int j = 0; j < n; j++) pairs += i ^ j;',
  '    cout << pairs << endl;',
  '}',
  '',
].join('\n');

test('verdict card: limits from a comment, edited limits change the verdict', async () => {
  const context = await browser.newContext({viewport: {width: 1440, height: 1000}});
  const page = await openPage(context, '/');
  await editorReady(page);
  await typeIntoEditor(page, LIMITED_PAIRS);
  await analyzeAndWait(page, () => page.click('#analyze-button'));
  // n = 2000 from the comment: 4 million operations fit in a second.
  assert.equal(await page.getAttribute('#verdict-card', 'data-time'), 'fits');
  assert.equal(await page.inputValue('input[data-size="n"]'), '2000');
  assert.match(await page.textContent('#verdict-card .verdict-source'), /constraints comment on line 3/);
  assert.equal(await page.textContent('#verdict-operations'), 'Operations: n^2 at n = 2000: 4 million');
  assert.equal(await page.getAttribute('#growth-chart .limit-marker', 'data-n'), '2000');

  // 10^5 gives 10^10 operations: more than 5 times the budget.
  await page.fill('input[data-size="n"]', '10^5');
  await page.waitForSelector('#verdict-card[data-time="too slow"]');
  assert.match(await page.textContent('#verdict-time'), /^Time: Too slow 10\^10 operations, more than 5 times the budget of 10\^8 for 1 s; the n\^2 term/);
  assert.equal(await page.getAttribute('#growth-chart .limit-marker', 'data-n'), '100000');
  // Within 5 times the budget of a 2 second limit: 2*10^4 squared is 4*10^8.
  await page.fill('input[data-size="n"]', '2*10^4');
  await page.fill('#limit-time', '2');
  await page.waitForSelector('#verdict-card[data-time="tight"]');
  await shoot(page, 'verdict.png');

  // A value not understood gives a message and no verdict (the answer is a 400 on purpose).
  page.allowFailedLoads = true;
  await page.fill('input[data-size="n"]', 'abc');
  await page.waitForSelector('#verdict-error:not([hidden])');
  assert.match(await page.textContent('#verdict-error'), /limits\.n: 'abc' is not a number/);
  assert.equal(await page.isVisible('#verdict-result'), false, 'no verdict beside the message');
  await page.fill('input[data-size="n"]', '1000');
  await page.waitForSelector('#verdict-card[data-time="fits"]');
  assert.equal(await page.isVisible('#verdict-error'), false);
  // The copied report is the verdict on the card, at the limits typed into it.
  await page.click('#copy-report');
  const report = await page.evaluate(() => navigator.clipboard.readText());
  assert.match(report, /\*\*Verdict:\*\* time fits: /, report);
  assert.match(report, /\*\*Limits:\*\* n = 1000, time 2 s, memory 256 MB/, report);
  assertClean(page);
  await context.close();
});

test('IDE hint under the input keeps its spaces around Run', async () => {
  const context = await browser.newContext({viewport: {width: 1440, height: 1000}});
  const page = await openPage(context, '/ide');
  const hint = page.locator('#run-output .placeholder.js-only');
  assert.match(await hint.innerText(), /^Press Run to compile the program on the server/);
  assert.equal(await hint.evaluate((p) => getComputedStyle(p).display), 'block');
  assertClean(page);
  await context.close();
});

// The rough-constraints rows and the growth chart read one evaluation of the time cost: the
// chart's largest n within 10^8 operations is the rows' value, to their three digits.
test('rough constraints and the growth chart agree on every fixture', async () => {
  const context = vm.createContext({});
  vm.runInContext(fs.readFileSync(path.join(settings.root, 'public', 'ide-runner.js'), 'utf8'), context);
  const chart = context.QuorbelChart;
  const scales = {K: 1e3, M: 1e6, B: 1e9, T: 1e12};
  const fixtures = path.join(settings.root, 'tests', 'fixtures');
  let compared = 0;
  for (const file of fs.readdirSync(fixtures).filter((name) => name.endsWith('.cpp'))) {
    const code = fs.readFileSync(path.join(fixtures, file), 'utf8');
    const reply = await fetch(server.url + '/api/analyze', {method: 'POST',
      headers: {'Content-Type': 'application/json'}, body: JSON.stringify({code, save: false})});
    const doc = await reply.json();
    const fit = chart.largestFittingN(doc.cost.time);
    for (const row of doc.constraints) {
      const m = /^~([0-9.]+)(?:([KMBT])|e([0-9]+))?$/.exec(row.maxValue);
      // A cost that does not grow is bound by nothing; one that fits past 10^18 by no size.
      const unbounded = ['not bound by Big-O', 'beyond 1e18'].includes(row.maxValue);
      const value = row.maxValue === '< 1' ? 0 : unbounded ? Infinity :
          Number(m[1]) * (m[2] ? scales[m[2]] : m[3] ? Math.pow(10, Number(m[3])) : 1);
      const where = `${file}: ${row.variable} ${row.maxValue}, chart ${fit.kind} ${fit.n}`;
      if (fit.kind === 'all') assert.ok(value >= 0.995e7, where);
      else if (fit.kind === 'none') assert.ok(value < 10, where);
      else assert.ok(Math.abs(value - fit.n) <= 0.005 * fit.n, where);
      compared++;
    }
  }
  assert.ok(compared >= 100, `only ${compared} rows compared`);
});

// ---- A contest programmer's first hour ----

const BROKEN = 'int main() {\n    int n;\n    for (int i = 0; i < n; i++ {\n    }\n}\n';
const PHONE = {viewport: {width: 390, height: 844}, isMobile: true, hasTouch: true};

async function noOverflow(page, what) {
  const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
  assert.ok(overflow <= 0, `${what}: page wider than the screen by ${overflow}px`);
}

for (const [width, height] of [[1366, 800], [390, 844]]) {
  test(`first hour at ${width}x${height}: result in view, one list, warnings, empty state`, async () => {
    const context = await browser.newContext(width < 500 ? PHONE : {viewport: {width, height}});
    const page = await openPage(context, '/');
    await editorReady(page);
    const sent = [];
    page.on('request', (r) => { if (r.url().endsWith('/api/analyze')) sent.push(JSON.parse(r.postData())); });
    await typeIntoEditor(page, '// 1 <= n <= 2000\n' + NESTED_LOOPS);
    await analyzeAndWait(page, () => page.click('#analyze-button'));
    await noOverflow(page, 'result');
    // The chart's label at the limit stays inside its plot.
    const [label, plot] = await page.evaluate(() => [document.querySelector('#growth-chart .limit-label'),
      document.getElementById('growth-chart')].map((node) => node.getBoundingClientRect().toJSON()));
    assert.ok(label.left >= plot.left && label.right <= plot.right, `label ${label.left}-${label.right} ` +
        `outside the chart ${plot.left}-${plot.right}`);
    const rowLine = await page.getAttribute('#time-breakdown tbody tr[data-line]', 'data-line');
    // The results scroll; the row is clicked far below the editor's first view.
    await page.evaluate(() => window.scrollTo(0, document.body.scrollHeight));
    await page.click(`#time-breakdown tbody tr[data-line="${rowLine}"]`);
    const editorTop = await page.evaluate(() => document.getElementById('editor').getBoundingClientRect().top);
    assert.ok(editorTop >= -5 && editorTop < height / 2, `editor in view after a row click, top ${editorTop}`);
    await page.evaluate(() => window.scrollTo(0, 0));
    await shoot(page, `result-${width}x${height}.png`);
    // A limit edited in the card judges again without another history row.
    await page.fill('input[data-size="n"]', '10^5');
    await page.waitForSelector('#verdict-card[data-time="too slow"]');
    assert.ok(sent.length >= 1 && sent[0].save === undefined, 'Analyze saves as before');
    assert.ok(sent.slice(1).every((body) => body.save === false), 'limit edits: ' + JSON.stringify(sent.slice(1)));

    // The edited n no longer names a size: refused (a 400 on purpose), then shown without it.
    page.allowFailedLoads = true;
    await typeIntoEditor(page, BROKEN);
    await analyzeAndWait(page, () => page.click('#analyze-button'));
    assert.match(await page.textContent('#parse-warning'), /does not parse cleanly.*line 3/);
    await typeIntoEditor(page, '');
    await page.click('#analyze-button');
    await page.waitForSelector('#results[data-state="empty"] #empty-state');
    assert.equal(await page.locator('#verdict-card, #growth-chart').count(), 0, 'no verdict, no chart');
    assertClean(page);
    await context.close();
  });
}

test('first hour: link reopens, copy, examples, glossary, open a file, Tab leaves after Esc', async () => {
  const context = await browser.newContext({viewport: {width: 1366, height: 800}});
  const page = await openPage(context, '/');
  await editorReady(page);
  await page.selectOption('#example-select', {label: 'Bitmask DP over subsets'});
  await page.waitForSelector('#results[data-state="done"]');
  assert.match(await page.evaluate(() => window.quorbelEditor.getValue()), /mask/);
  const link = await page.evaluate(() => location.href);
  assert.match(link, /#code=/);
  await page.click('#copy-report');
  assert.match(await page.evaluate(() => navigator.clipboard.readText()), /^\*\*Time:\*\* `O\(/);
  await page.click('#copy-notation');
  assert.match(await page.evaluate(() => navigator.clipboard.readText()), /^Time: O\(.*, space: O\(/);
  assert.equal(await page.locator('#glossary dt').count() >= 8, true, 'glossary terms');
  await page.setInputFiles('#file-input', {name: 'a.cpp', mimeType: 'text/plain', buffer: Buffer.from(HELLO)});
  await page.waitForFunction((text) => window.quorbelEditor.getValue() === text, HELLO);
  assert.match(await page.textContent('#file-status'), /Opened a\.cpp/);
  await page.setInputFiles('#file-input', {name: 'notes.txt', mimeType: 'text/plain', buffer: Buffer.from('x')});
  await page.waitForFunction(() => /not a C\+\+ file/.test(document.getElementById('file-status').textContent));
  // Tab indents; Escape then Tab moves on, and the text is unchanged.
  await page.click('#editor .view-lines');
  await page.keyboard.press('Escape');
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.getElementById('editor').contains(document.activeElement)), false, 'focus left the editor');
  assert.equal(await page.evaluate(() => window.quorbelEditor.getValue()), HELLO, 'no indentation typed');
  assert.match(await page.textContent('#editor-status'), /Esc.*then.*Tab/);
  // The link opens the same code in a fresh page and analyzes it.
  const again = await openPage(context, link.slice(server.url.length));
  await again.waitForSelector('#results[data-state="done"]');
  assert.match(await again.evaluate(() => window.quorbelEditor.getValue()), /mask/);
  assertClean(page);
  assertClean(again);
  await context.close();
});

for (const viewport of [{width: 1366, height: 800}, PHONE.viewport]) {
  test(`first hour IDE at ${viewport.width}: signals, memory, limits, expected output, several tests`, async () => {
    const context = await browser.newContext(viewport.width < 500 ? PHONE : {viewport});
    const page = await openPage(context, '/ide');
    await editorReady(page);
    await typeIntoEditor(page, '#include <cstdio>\nint main() { int a, b; std::scanf("%d %d", &a, &b); std::printf("%d\\n", a / b); }\n');
    await page.fill('#stdin', '6 3\n---\n7 0\n---\n8 2\n');
    await page.fill('#expected', '2\n---\n\n---\n5\n');
    await page.fill('#time-limit', '1.5');
    await runAndWait(page);
    const tests = await page.$$eval('.run-test', (boxes) => boxes.map((b) => b.textContent));
    assert.equal(tests.length, 3, 'three tests in one run: ' + await page.textContent('#run-output'));
    assert.match(tests[0], /Accepted.*matches the expected output/s);
    assert.match(tests[1], /Runtime error.*136 \(SIGFPE\).*division or modulo by zero/s);
    assert.match(tests[2], /Wrong answer.*line 1 differs.*expected: 5.*got: +4/s);
    // The summary and a row per test; the test without an expected output did not pass.
    assert.equal((await page.textContent('#run-passed')).trim(), '1/3 passed');
    const rows = await page.$$eval('#run-tests .run-test-row', (trs) =>
      trs.map((tr) => [...tr.cells].map((cell) => cell.textContent.trim())));
    assert.deepEqual(rows.map((row) => row.slice(0, 2)),
        [['Test 1', 'Accepted'], ['Test 2', 'Runtime error'], ['Test 3', 'Wrong answer']]);
    for (const row of rows) {
      assert.match(row[2], /^\d+ ms$/);
      assert.match(row[3], /^\d+(\.\d)? (KB|MB)$/);
    }
    assert.equal(await page.locator('#run-output .status-badge[data-status="success"]').count(), 0,
        'no success badge beside a wrong answer');
    assert.match(tests[0], /1\.5 s, 512 MB/);
    await noOverflow(page, 'IDE results');
    if (viewport.width > 500) await shoot(page, 'ide-tests.png');
    await page.click('#editor .view-lines');
    await page.keyboard.type(' ');
    await page.waitForSelector('#run-output[data-state="stale"] #run-stale');
    await typeIntoEditor(page, '#include <vector>\nint main() { std::vector<int> v(300000000); return v[5]; }\n');
    await page.fill('#stdin', '');
    await runAndWait(page);
    assert.equal(await page.getAttribute('#run-status', 'data-status'), 'memory_limit_exceeded');
    assert.match(await page.textContent('#run-output'), /Memory limit exceeded.*more than 512 MB/s);
    await typeIntoEditor(page, MISSING_SEMICOLON);
    await runAndWait(page);
    await page.evaluate(() => window.quorbelEditor.revealLine(1));
    await page.click('#run-compiler-output .compiler-line');
    assert.equal(await page.evaluate(() => window.quorbelEditor.highlightedLine()), 2, 'jumped to the error');
    assertClean(page);
    await context.close();
  }, {timeoutMs: 240000});
}

module.exports = {configure, setUp, tearDown};
