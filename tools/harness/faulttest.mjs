// Fault test against the real server (plain and TLS listeners) and a
// throw-away database on the loopback: hostile uploads, hostile requests and
// crowds below the application (requests.mjs), clients that send their body
// one byte per second, PostgreSQL stopped in the middle of imports, and the
// server's database connection ended at random points of large imports.
// Prints what each check saw; exits 1 when any check fails.

import { parseArgs } from 'node:util';
import { HOST_PAGE, Session } from '../../tests/browser/harness/client.mjs';
import { goodRows } from '../../tests/browser/harness/csv.mjs';
import { Stack } from '../../tests/browser/harness/stack.mjs';
import { hostileUploads } from './hostile.mjs';
import { hostileRuns } from './hostile_runs.mjs';
import { hostileRequests } from './requests.mjs';
import { slowClient } from './slow_client.mjs';
import { killedConnection } from './killed_connection.mjs';
import { databaseStopped } from './stopped_database.mjs';
import { checkBadRows, pageWords, quantile, testerFile } from './workload.mjs';

const { values: opts } = parseArgs({
  options: {
    'slow-clients': { type: 'string', default: '8' },
    'slow-limit': { type: 'string', default: '90' },
    only: { type: 'string' },
  },
});

const failures = [];
const USER = process.env.QUORAX_DEMO_USER || 'demo';
const PASSWORD = process.env.QUORAX_DEMO_PASSWORD || 'demo';

// Records a check's outcome and prints it.
function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? ` - ${detail}` : ''}`);
  if (!ok) failures.push(what);
}

// A new tester who has signed in and stands on the upload form.
async function signedIn(baseUrl) {
  const session = new Session(baseUrl);
  const answer = await session.signIn(USER, PASSWORD);
  if (answer.status !== 200) throw new Error(`sign-in answered ${answer.status} ${answer.location}`);
  return session;
}

// Whether the server still answers the start page.
async function serving(baseUrl) {
  try {
    return (await new Session(baseUrl, { timeoutMs: 5000 }).get(HOST_PAGE)).status === 200;
  } catch {
    return false;
  }
}

const context = {
  check,
  signedIn,
  serving,
  goodRows,
  testerFile,
  checkBadRows,
  pageWords,
  quantile,
  user: USER,
  password: PASSWORD,
};

const stack = await Stack.start({ ownCluster: true, tls: true });
try {
  const phases = {
    hostile: hostileUploads,
    runs: hostileRuns,
    requests: hostileRequests,
    slow: slowClient,
    database: databaseStopped,
    killed: killedConnection,
  };
  for (const [name, phase] of Object.entries(phases)) {
    if (opts.only && opts.only !== name) continue;
    console.log(`-- ${name}`);
    await phase(stack, context, opts);
    check(stack.server.alive() && (await serving(stack.url)), `server still serving after ${name}`);
  }
} catch (error) {
  check(false, 'fault test ran to the end', error.stack);
} finally {
  await stack.close();
}
console.log(failures.length === 0 ? 'fault test: all checks passed' : `fault test: ${failures.length} checks failed`);
process.exit(failures.length === 0 ? 0 : 1);
