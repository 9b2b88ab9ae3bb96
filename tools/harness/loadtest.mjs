// Load test: many testers signed in at once, each verifying its own file over
// and over against the real server and database on the loopback. Every
// results page is checked against the tester's own file. Reports requests per
// second, upload latency, errors and the server's memory; exits 1 on any error.
// With --url the testers work against a server (or load balancer) started by
// the caller: a tester sent back to the sign-in page, as after its server
// went away, signs in again and goes on; that counts as a sign-out, not an
// error. --report FILE writes each tester's session cookies and sign-outs.
// --tls drives the server as deployed, over TLS (a throw-away certificate).
// --runs adds a second pass in which --run-testers more testers each send a
// --run-rows file through the run item over and over; it fails when the small
// uploads' p99 latency there exceeds twice that of the plain pass.

import fs from 'node:fs';
import { parseArgs } from 'node:util';
import { HOST_PAGE, Session } from '../../tests/browser/harness/client.mjs';
import { goodRows } from '../../tests/browser/harness/csv.mjs';
import { Stack } from '../../tests/browser/harness/stack.mjs';
import { checkBadRows, quantile, testerFile } from './workload.mjs';

const { values: opts } = parseArgs({
  options: {
    sessions: { type: 'string', default: '50' },
    duration: { type: 'string', default: '60' },
    rows: { type: 'string', default: '100' },
    threads: { type: 'string' },
    url: { type: 'string' },
    report: { type: 'string' },
    tls: { type: 'boolean', default: false },
    runs: { type: 'boolean', default: false },
    'run-testers': { type: 'string', default: '3' },
    'run-rows': { type: 'string', default: '20000' },
  },
});
const SESSIONS = Number(opts.sessions);
const DURATION_MS = Number(opts.duration) * 1000;
const ROWS = Number(opts.rows);
const RUN_TESTERS = Number(opts['run-testers']);
const RUN_ROWS = Number(opts['run-rows']);
// The small uploads' p99 with runs going may be at most this multiple of the plain pass's.
const RUN_P99_LIMIT = 2;
const USER = process.env.QUORAX_DEMO_USER || 'demo';
const PASSWORD = process.env.QUORAX_DEMO_PASSWORD || 'demo';

// Errors and testers over the whole invocation; requests, uploads and runs per pass.
const stats = { requests: 0, uploads: [], runs: 0, errors: [], testers: [] };
const SESSION_COOKIE = 'QuoraxSession';

// Runs one step of `requests` requests and counts them.
function step(requests, call) {
  stats.requests += requests;
  return call();
}

function fail(id, what) {
  stats.errors.push(`tester ${id}: ${what}`);
}

// Signs `session` in; returns null, or what went wrong. The start page must
// be the sign-in form and the answer the upload form.
async function signIn(session) {
  try {
    const answer = await step(2, () => session.signIn(USER, PASSWORD));
    if (answer.status !== 200 || !answer.text.includes('name="csvfile"')) {
      return `sign-in answered ${answer.status} ${answer.location}`;
    }
    return null;
  } catch (error) {
    return `sign-in: ${error.message}`;
  }
}

// Whether `page` sends the tester back to the start page (its session is gone).
const signedOut = (page) => page.status === 302 && new URL(page.location, 'http://x').pathname === HOST_PAGE;

// One tester: signs in, then until the deadline returns to the upload form and
// verifies its file, checking every results page. Against --url, a tester
// sent back to the start page signs in again.
async function tester(id, baseUrl, good, deadline) {
  const session = new Session(baseUrl);
  const file = testerFile(id, ROWS, good);
  const record = { id, sessions: [], signOuts: 0 };
  stats.testers.push(record);
  const begin = async () => {
    const problem = await signIn(session);
    record.sessions.push(session.cookies.get(SESSION_COOKIE) || '');
    if (problem) fail(id, problem);
    return !problem;
  };
  if (!(await begin())) return;
  let atForm = true; // a sign-in answers with the upload form
  while (Date.now() < deadline) {
    try {
      const form = atForm ? null : await step(1, () => session.uploadForm());
      const page = form && form.status !== 200 ? form : await step(1, () => session.upload(file.text));
      atForm = false;
      if (opts.url && signedOut(page)) {
        record.signOuts += 1;
        if (!(await begin())) return;
        atForm = true;
        continue;
      }
      if (page === form) {
        fail(id, `upload form answered ${form.status}`);
        continue;
      }
      stats.uploads.push(page.ms);
      const problem = checkBadRows(page, file);
      if (problem) fail(id, problem);
    } catch (error) {
      fail(id, error.message);
    }
  }
}

// The summary a finished run's results show for `file`, verified.
const runSummary = (file) =>
  `${file.rows} rows read: ${file.rows - file.bad.length} passed, ${file.bad.length} rejected, 0 database failure, 0 not processed.`;

// One tester sending its large file through the run item until the deadline:
// per run the upload form, the post, the status until the run ends, and the
// results page holding the last row, which must count exactly the file's
// rejected rows. Status polls are not counted as requests.
async function runTester(id, baseUrl, file, deadline) {
  const session = new Session(baseUrl, { timeoutMs: 120_000 });
  const problem = await signIn(session);
  if (problem) return fail(id, problem);
  let atForm = true;
  while (Date.now() < deadline) {
    try {
      const form = atForm ? null : await step(1, () => session.uploadForm());
      atForm = false;
      if (form && form.status !== 200) {
        fail(id, `upload form answered ${form.status}`);
        continue;
      }
      const start = await step(1, () => session.startRun(file.text));
      if (start.status !== 302 || !start.location.includes('WCI=RunProgress')) {
        fail(id, `the run item answered ${start.status} ${start.location}`);
        continue;
      }
      const status = await session.finishedRun();
      if (status.stage !== 'done' || status.done !== file.rows) {
        fail(id, `run ended ${status.stage}, ${status.done} of ${file.rows} rows: ${status.text}`);
        continue;
      }
      stats.runs += 1;
      const page = await step(1, () => session.runResults(file.rows));
      if (page.status !== 200 || !page.text.includes(runSummary(file)) || !page.text.includes(`<td>${file.rows}</td>`)) {
        fail(id, `results page answered ${page.status}: not the last row under "${runSummary(file)}"`);
      }
    } catch (error) {
      fail(id, error.message);
    }
  }
}

const stack = opts.url
  ? { url: opts.url, server: null, close: async () => {} }
  : await Stack.start({ ownCluster: true, tls: opts.tls, deployed: opts.tls, serverArgs: [
      // Every tester signs in as the one demo user.
      '--max-sessions-per-user', '1000',
      ...(opts.threads ? ['--threads', opts.threads] : []),
    ] });
const rss = () => stack.server?.rssKiB() ?? '-';
let exitCode = 1;

// One pass of --duration: the small-upload testers, and `runTesters` sending
// runs beside them. Prints its figures; returns the small uploads' p99 in ms.
async function pass(label, baseUrl, good, runTesters) {
  stats.requests = 0;
  stats.uploads = [];
  stats.runs = 0;
  const rssStart = rss();
  const started = performance.now();
  const deadline = Date.now() + DURATION_MS;
  let rssWarm = null;
  const warm = setTimeout(() => (rssWarm = rss()), Math.min(10_000, DURATION_MS / 4));
  const runFile = runTesters > 0 ? testerFile(SESSIONS + 1, RUN_ROWS, good) : null;
  await Promise.all([
    ...Array.from({ length: SESSIONS }, (_, i) => tester(i + 1, baseUrl, good, deadline)),
    ...Array.from({ length: runTesters }, (_, i) => runTester(SESSIONS + i + 1, baseUrl, runFile, deadline)),
  ]);
  clearTimeout(warm);
  const seconds = (performance.now() - started) / 1000;
  const rssEnd = rss();
  const uploads = [...stats.uploads].sort((a, b) => a - b);
  const size = testerFile(1, ROWS, good).text.length;
  console.log(`${label}: ${SESSIONS} testers, ${ROWS}-row files (${size} bytes), ${seconds.toFixed(1)} s, ${new URL(baseUrl).protocol}`);
  if (runFile) {
    console.log(
      `runs: ${runTesters} testers, ${RUN_ROWS}-row files (${runFile.text.length} bytes): ${stats.runs} runs, ` +
        `${((stats.runs * RUN_ROWS) / seconds).toFixed(0)} rows/s`,
    );
  }
  console.log(`requests: ${stats.requests} (${(stats.requests / seconds).toFixed(1)}/s)`);
  console.log(
    `uploads: ${uploads.length} (${(uploads.length / seconds).toFixed(1)}/s, ` +
      `${((uploads.length * ROWS) / seconds).toFixed(0)} rows/s); latency ms p50 ${quantile(uploads, 0.5).toFixed(1)}, ` +
      `p99 ${quantile(uploads, 0.99).toFixed(1)}, max ${uploads.at(-1)?.toFixed(1)}`,
  );
  if (stack.server) console.log(`server RSS KiB: start ${rssStart}, after warm-up ${rssWarm ?? '-'}, end ${rssEnd}`);
  return uploads.length > 0 ? quantile(uploads, 0.99) : NaN;
}

try {
  const good = goodRows();
  const baseUrl = opts.tls && !opts.url ? stack.secureUrl : stack.url;
  const plainP99 = await pass('load', baseUrl, good, 0);
  let withinLimit = true;
  if (opts.runs) {
    const runsP99 = await pass('load with runs', baseUrl, good, RUN_TESTERS);
    const ratio = runsP99 / plainP99;
    withinLimit = ratio <= RUN_P99_LIMIT;
    console.log(`small uploads' p99 with runs / without: ${ratio.toFixed(2)} (at most ${RUN_P99_LIMIT} allowed)`);
  }
  const signOuts = stats.testers.reduce((sum, t) => sum + t.signOuts, 0);
  if (opts.url) console.log(`sign-outs: ${signOuts} (${stats.testers.filter((t) => t.signOuts).length} testers)`);
  console.log(`errors: ${stats.errors.length}`);
  for (const error of stats.errors.slice(0, 10)) console.log(`  ${error}`);
  if (opts.report) fs.writeFileSync(opts.report, JSON.stringify({ errors: stats.errors, testers: stats.testers }));
  const alive = !stack.server || stack.server.alive();
  if (!alive) console.log('the server is no longer running');
  exitCode = stats.errors.length === 0 && !Number.isNaN(plainP99) && withinLimit && alive ? 0 : 1;
} finally {
  await stack.close();
}
process.exit(exitCode);
