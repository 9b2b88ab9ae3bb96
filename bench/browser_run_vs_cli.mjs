#!/usr/bin/env node
// Verifies one large file (1,000,000 rows of the demo's good rows, about 60 MB;
// QUORAX_BENCH_ROWS for another size) through the browser's path -- the
// multipart POST to the run item, then the status item polled until the run
// ends -- and through the command line (`quorax verify`, its own process),
// against the same server in the same run, the two in turn BENCH_ROUNDS (2)
// times each. Prints rows per second of each and their ratio (median times),
// the server's resident memory growth during each browser run (its peak,
// VmHWM after the peak was reset, over VmRSS before the POST) and the time of
// the results page holding the next-to-last row. Exits 1 when a run fails or
// the two paths count the rows differently.
//
// Usage: bench/browser_run_vs_cli.mjs   (builds of quorax-server and quorax in build/,
// the settings file as for scripts/loadtest; the caller's cluster when QUORAX_PGPORT
// and QUORAX_PGDATA are set, else a throw-away one)

import { execFile } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { Session } from '../tests/browser/harness/client.mjs';
import { csvFile, goodRows } from '../tests/browser/harness/csv.mjs';
import { repoRoot, Stack } from '../tests/browser/harness/stack.mjs';

const ROWS = Number(process.env.QUORAX_BENCH_ROWS || 1_000_000);
const ROUNDS = Number(process.env.BENCH_ROUNDS || 2);
const PAGE_FETCHES = 20;
const CLI = process.env.QUORAX_CLI || path.join(repoRoot, 'build/src/cli/quorax');

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const half = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[half] : (sorted[half - 1] + sorted[half]) / 2;
};
const kib = (pid, field) => Number(new RegExp(`${field}:\\s+(\\d+)`).exec(fs.readFileSync(`/proc/${pid}/status`, 'utf8'))[1]);

// The row counts of a summary, from the results page or the command's output.
function counts(text) {
  const found = /(\d+) rows(?: read)?: (\d+) passed, (\d+) rejected, (\d+) database failure, (\d+) not processed/.exec(text);
  if (!found) throw new Error(`no summary in: ${text.slice(0, 300)}`);
  return found.slice(1).join(' ');
}

// One browser run: the upload form, the POST, the status until the run ends.
// Returns { seconds, grownKiB, counts }.
async function browserRun(session, pid, body) {
  await session.uploadForm();
  fs.writeFileSync(`/proc/${pid}/clear_refs`, '5'); // VmHWM starts again from VmRSS
  const before = kib(pid, 'VmRSS');
  const started = performance.now();
  const start = await session.startRun(body);
  if (start.status !== 302) throw new Error(`the run item answered ${start.status} ${start.text.slice(0, 300)}`);
  const status = await session.finishedRun(50);
  const seconds = (performance.now() - started) / 1000;
  const grownKiB = kib(pid, 'VmHWM') - before;
  if (status.stage !== 'done' || status.done !== ROWS) throw new Error(`the run ended ${status.stage} at ${status.done} rows`);
  return { seconds, grownKiB, counts: counts((await session.runResults(1)).text) };
}

// One `quorax verify` of the file; returns { seconds, counts }.
function commandLineRun(file, url) {
  const started = performance.now();
  return new Promise((resolve, reject) =>
    execFile(CLI, ['verify', file, '--quiet', '--user', 'demo', '--url', `${url}/Quorax.asp`],
      { env: { ...process.env, QUORAX_PASSWORD: 'demo' }, maxBuffer: 1 << 26 },
      (error, stdout, stderr) => {
        const seconds = (performance.now() - started) / 1000;
        try {
          resolve({ seconds, counts: counts(stdout + stderr) });
        } catch (failure) {
          reject(error ?? failure);
        }
      }),
  );
}

// Times of the results page holding data row `row`, in ms: the first fetch and the median.
async function pageTimes(session, row) {
  const times = [];
  for (let i = 0; i < PAGE_FETCHES; i++) {
    const page = await session.runResults(row);
    if (page.status !== 200 || !page.text.includes(`<td>${row}</td>`)) throw new Error(`results page of row ${row}: ${page.status}`);
    times.push(page.ms);
  }
  return { first: times[0], median: median(times) };
}

const good = goodRows();
const body = Buffer.from(csvFile(good.headers, Array.from({ length: ROWS }, (_, i) => good.rows[i % good.rows.length])), 'latin1');
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quorax-run-bench.'));
const file = path.join(dir, 'run.csv');
fs.writeFileSync(file, body);
const stack = await Stack.start();
let exitCode = 1;
try {
  const session = new Session(stack.url, { timeoutMs: 600_000 });
  if ((await session.signIn('demo', 'demo')).status !== 200) throw new Error('the demo login was refused');
  const browser = [];
  const commandLine = [];
  for (let round = 0; round < ROUNDS; round++) {
    browser.push(await browserRun(session, stack.server.pid, body));
    commandLine.push(await commandLineRun(file, stack.url));
  }
  const page = await pageTimes(session, ROWS - 1);
  const all = [...browser, ...commandLine].map((run) => run.counts);
  if (new Set(all).size !== 1) throw new Error(`the runs counted differently: ${all.join('; ')}`);
  const browserSeconds = median(browser.map((run) => run.seconds));
  const commandSeconds = median(commandLine.map((run) => run.seconds));
  console.log(`${ROWS} rows (${(body.length / 1e6).toFixed(1)} MB) verified ${ROUNDS} times each way, in turn; ` +
    `rows, passed, rejected, failures, not processed: ${all[0]}`);
  console.log(`  browser path (POST to the run item, status polled)  ${(ROWS / browserSeconds).toFixed(0)} rows/s (${browserSeconds.toFixed(1)} s)`);
  console.log(`  command line (quorax verify)                        ${(ROWS / commandSeconds).toFixed(0)} rows/s (${commandSeconds.toFixed(1)} s)`);
  console.log(`  browser path / command line (rows/s)                ${(commandSeconds / browserSeconds).toFixed(3)}`);
  console.log(`  server memory growth during a browser run           ${browser.map((run) => (run.grownKiB / 1024).toFixed(1)).join(', ')} MiB`);
  console.log(`  ${`results page of row ${ROWS - 1}`.padEnd(52)}first ${page.first.toFixed(1)} ms, median of ${PAGE_FETCHES} ${page.median.toFixed(1)} ms`);
  exitCode = 0;
} catch (error) {
  console.error(`bench: ${error.message}`);
} finally {
  await stack.close();
  fs.rmSync(dir, { recursive: true, force: true });
}
process.exit(exitCode);
