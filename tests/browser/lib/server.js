'use strict';
// Starts the real quorbel server on a free loopback port, with its own temporary history
// database, and stops it again.

const {spawn} = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');

function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer();
    probe.unref();
    probe.on('error', reject);
    probe.listen(0, '127.0.0.1', () => {
      const {port} = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Switches of the server that a caller's environment must not leak into the tests.
const CLEARED_VARIABLES = [
  'PORT', 'QUORBEL_RUNNER_VALIDATE_ON_START', 'QUORBEL_RUNNER_REQUIRE_VALIDATED',
  'QUORBEL_RUNNER_SHARED_SECRET', 'QUORBEL_RUNNER_REQUIRE_SHARED_SECRET',
  'QUORBEL_RUNNER_REQUIRE_CHROOT', 'QUORBEL_RUNNER_REQUIRE_NETNS', 'QUORBEL_RUNNER_STATIC',
];

async function startOnce(binary, root, port) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quorbel-browser-'));
  const env = {...process.env};
  for (const name of CLEARED_VARIABLES) delete env[name];
  env.QUORBEL_HOST = '127.0.0.1';
  env.QUORBEL_DB_PATH = path.join(dir, 'history.db');
  env.QUORBEL_SAVE_ANALYSES = '1';
  env.QUORBEL_ENABLE_BACKEND_RUN = '1';
  const child = spawn(binary, [String(port)], {cwd: root, env, stdio: ['ignore', 'pipe', 'pipe']});
  let output = '';
  child.stdout.on('data', (chunk) => (output += chunk));
  child.stderr.on('data', (chunk) => (output += chunk));
  let exited = null;
  const exit = new Promise((resolve) => child.on('exit', (code, signal) => {
    exited = {code, signal};
    resolve(exited);
  }));
  child.on('error', (error) => {
    output += String(error);
    exited = exited || {code: -1, signal: null};
  });

  const url = `http://127.0.0.1:${port}`;
  const deadline = Date.now() + 20000;
  while (Date.now() < deadline && !exited) {
    try {
      const answer = await fetch(url + '/healthz', {signal: AbortSignal.timeout(2000)});
      if (answer.ok) break;
    } catch (error) {
      // not listening yet
    }
    await sleep(100);
  }
  const cleanUp = () => fs.rmSync(dir, {recursive: true, force: true});
  if (exited || Date.now() >= deadline) {
    if (!exited) child.kill('SIGKILL');
    cleanUp();
    return {error: `quorbel did not answer on ${url}: ${output.trim() || 'no output'}`};
  }

  async function stop() {
    if (!exited) {
      child.kill('SIGTERM');
      const stopped = await Promise.race([exit, sleep(3000).then(() => null)]);
      if (!stopped) {
        child.kill('SIGKILL');
        await exit;
      }
    }
    cleanUp();
  }
  return {url, port, stop, output: () => output};
}

// Starts `binary` from the repository `root` (it serves public/ relative to its directory).
async function startServer(binary, root) {
  let last = 'not started';
  for (let attempt = 0; attempt < 3; attempt++) {
    const started = await startOnce(binary, root, await freePort());
    if (!started.error) return started;
    last = started.error;
  }
  throw new Error(last);
}

module.exports = {startServer};
