// Load test: many testers signed in at once, each verifying its own file over
// and over against the real server and database on the loopback. Every
// results page is checked against the tester's own file. Reports requests per
// second, upload latency, errors and the server's memory; exits 1 on any error.

import { parseArgs } from 'node:util';
import { Session } from '../../tests/browser/harness/client.mjs';
import { goodRows } from '../../tests/browser/harness/csv.mjs';
import { Stack } from '../../tests/browser/harness/stack.mjs';
import { checkBadRows, quantile, testerFile } from './workload.mjs';

const { values: opts } = parseArgs({
  options: {
    sessions: { type: 'string', default: '50' },
    duration: { type: 'string', default: '60' },
    rows: { type: 'string', default: '100' },
    threads: { type: 'string' },
  },
});
const SESSIONS = Number(opts.sessions);
const DURATION_MS = Number(opts.duration) * 1000;
const ROWS = Number(opts.rows);
const USER = process.env.QUORAX_DEMO_USER || 'demo';
const PASSWORD = process.env.QUORAX_DEMO_PASSWORD || 'demo';

const stats = { requests: 0, uploads: [], errors: [] };

// Runs one step of `requests` requests and counts them.
function step(requests, call) {
  stats.requests += requests;
  return call();
}

function fail(id, what) {
  stats.errors.push(`tester ${id}: ${what}`);
}

// One tester: signs in, then until the deadline returns to the upload form and
// verifies its file, checking every results page.
async function tester(id, baseUrl, good, deadline) {
  const session = new Session(baseUrl);
  const file = testerFile(id, ROWS, good);
  try {
    const signIn = await step(2, () => session.signIn(USER, PASSWORD));
    if (signIn.status !== 200 || !signIn.text.includes('name="csvfile"')) {
      return fail(id, `sign-in answered ${signIn.status} ${signIn.location}`);
    }
  } catch (error) {
    return fail(id, `sign-in: ${error.message}`);
  }
  let first = true;
  while (Date.now() < deadline) {
    try {
      if (!first) {
        const form = await step(1, () => session.uploadForm());
        if (form.status !== 200) fail(id, `upload form answered ${form.status}`);
      }
      first = false;
      const page = await step(1, () => session.upload(file.text));
      stats.uploads.push(page.ms);
      const problem = checkBadRows(page, file);
      if (problem) fail(id, problem);
    } catch (error) {
      fail(id, error.message);
    }
  }
}

const stack = await Stack.start({
  ownCluster: true,
  serverArgs: opts.threads ? ['--threads', opts.threads] : [],
});
let exitCode = 1;
try {
  const good = goodRows();
  const rssStart = stack.server.rssKiB();
  const started = performance.now();
  const deadline = Date.now() + DURATION_MS;
  let rssWarm = null;
  const warm = setTimeout(() => (rssWarm = stack.server.rssKiB()), Math.min(10_000, DURATION_MS / 4));
  await Promise.all(Array.from({ length: SESSIONS }, (_, i) => tester(i + 1, stack.url, good, deadline)));
  clearTimeout(warm);
  const seconds = (performance.now() - started) / 1000;
  const rssEnd = stack.server.rssKiB();
  const uploads = [...stats.uploads].sort((a, b) => a - b);
  const size = testerFile(1, ROWS, good).text.length;
  console.log(`load: ${SESSIONS} testers, ${ROWS}-row files (${size} bytes), ${seconds.toFixed(1)} s`);
  console.log(`requests: ${stats.requests} (${(stats.requests / seconds).toFixed(1)}/s)`);
  console.log(
    `uploads: ${uploads.length} (${(uploads.length / seconds).toFixed(1)}/s, ` +
      `${((uploads.length * ROWS) / seconds).toFixed(0)} rows/s); latency ms p50 ${quantile(uploads, 0.5).toFixed(1)}, ` +
      `p99 ${quantile(uploads, 0.99).toFixed(1)}, max ${uploads.at(-1)?.toFixed(1)}`,
  );
  console.log(`server RSS KiB: start ${rssStart}, after warm-up ${rssWarm ?? '-'}, end ${rssEnd}`);
  console.log(`errors: ${stats.errors.length}`);
  for (const error of stats.errors.slice(0, 10)) console.log(`  ${error}`);
  if (!stack.server.alive()) console.log('the server is no longer running');
  exitCode = stats.errors.length === 0 && uploads.length > 0 && stack.server.alive() ? 0 : 1;
} finally {
  await stack.close();
}
process.exit(exitCode);
