// The server's database connection ended by an administrator
// (pg_terminate_backend) at random points of 5,000-row imports made with the
// command-line client. After each run the client's report is checked against
// the rows in the database, row by row: every row reported imported is
// recorded, no row reported not processed or failed is, and the rows whose
// fate is not known are at most one transaction's worth.

import { execFile } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { csvFile, freshRows, parseCsv } from '../../tests/browser/harness/csv.mjs';

const ROWS = 5000;
const RUNS = 20;
const TRANSACTION_ROWS = 200; // rows per transaction of a server import
const NOTES = 8;
const NOT_KNOWN = '-260';

// Runs the command-line client; resolves with its exit status and output.
function runClient(binary, args, env) {
  return new Promise((resolve) => {
    execFile(binary, args, { env, timeout: 300_000, maxBuffer: 16 << 20 }, (error, stdout, stderr) =>
      resolve({ status: error ? (error.code ?? -1) : 0, stdout, stderr }),
    );
  });
}

// The import file of run `run`: ROWS rows the database accepts, each with
// the note "kill<run>-r<n>" so that the database can be asked for it.
function importFile(good, run) {
  const rows = freshRows(good, ROWS, new Date(Date.UTC(1700, 0, 1))).map((row, i) => {
    row[NOTES] = `kill${run}-r${i + 1}`;
    return row;
  });
  return csvFile(good.headers, rows);
}

// Compares the client's report (results.csv format) of run `run` with the
// rows recorded. Returns counts by outcome and a list of contradictions.
function compare(report, recorded) {
  const table = parseCsv(report);
  const counts = { ok: 0, 'not processed': 0, 'database failure': 0, 'not known': 0, other: 0 };
  const wrong = [];
  for (const row of table.rows) {
    const [outcome, code] = row.slice(-3);
    const note = row[NOTES];
    const present = recorded.has(note);
    if (outcome === 'database failure' && code === NOT_KNOWN) {
      counts['not known']++;
    } else if (outcome in counts) {
      counts[outcome]++;
      if (present !== (outcome === 'ok')) wrong.push(`${note} reported ${outcome} but ${present ? 'recorded' : 'missing'}`);
    } else {
      counts.other++;
      wrong.push(`${note} reported ${outcome} ${code}`);
    }
  }
  if (table.rows.length !== ROWS) wrong.push(`the report holds ${table.rows.length} rows`);
  return { counts, wrong };
}

export async function killedConnection(stack, ctx) {
  const good = ctx.goodRows();
  const client = path.join(path.dirname(stack.server.binary), '../cli/quorax');
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quorax-kill.'));
  const env = { ...process.env, QUORAX_PASSWORD: ctx.password };
  const terminate =
    "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE application_name = 'quorax' " +
    `AND usename = '${ctx.user}'`;
  const totals = { ok: 0, 'not processed': 0, 'database failure': 0, 'not known': 0, other: 0 };
  let fullMs = 0;
  let interrupted = 0;
  let mostNotKnown = 0;
  const problems = [];
  let run = 0;
  try {
    // A kill that lands before the import starts (during the client's sign-in)
    // only ends an idle connection, which the server replaces unnoticed: runs
    // go on until RUNS of them were interrupted, or twice that many ran.
    for (; run === 0 || (interrupted < RUNS && run <= 2 * RUNS); run++) {
      const file = path.join(dir, `run${run}.csv`);
      const report = path.join(dir, `run${run}-report.csv`);
      fs.writeFileSync(file, importFile(good, run), 'latin1');
      const args = ['import', file, '--url', `${stack.url}/Quorax.asp`, '--user', ctx.user, '--quiet', '--report', report];
      const started = performance.now();
      const running = runClient(client, args, env);
      // Run 0 is not interrupted: it measures how long an import takes.
      if (run > 0) {
        await new Promise((resolve) => setTimeout(resolve, fullMs * (0.05 + 0.9 * Math.random())));
        await stack.db.runAsync('psql', '-tAc', terminate);
      }
      const result = await running;
      if (run === 0) fullMs = performance.now() - started;
      const recorded = new Set(
        stack.db.sql(`SELECT notes FROM tcdb.results WHERE notes LIKE 'kill${run}-r%'`).split('\n').filter(Boolean),
      );
      const { counts, wrong } = compare(fs.readFileSync(report, 'latin1'), recorded);
      if (run > 0) {
        for (const [outcome, n] of Object.entries(counts)) totals[outcome] += n;
        if (counts.ok < ROWS) interrupted++;
      }
      mostNotKnown = Math.max(mostNotKnown, counts['not known']);
      if (run === 0 && (result.status !== 0 || counts.ok !== ROWS)) wrong.push(`the uninterrupted import ended ${result.status}`);
      if (counts['not known'] > TRANSACTION_ROWS) wrong.push(`${counts['not known']} rows not known`);
      problems.push(...wrong.slice(0, 3).map((w) => `run ${run}: ${w}`));
      stack.db.sql(`DELETE FROM tcdb.results WHERE notes LIKE 'kill${run}-r%'`);
    }
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
  console.log(
    `     ${run - 1} runs of ${ROWS} rows (uninterrupted ${Math.round(fullMs)} ms), ${interrupted} interrupted: ` +
      `${totals.ok} imported, ${totals['database failure']} database failure, ${totals['not known']} not known ` +
      `(at most ${mostNotKnown} in a run), ${totals['not processed']} not processed`,
  );
  ctx.check(problems.length === 0, 'every report matches the rows recorded, row by row', problems.slice(0, 6).join('; '));
  ctx.check(interrupted > 0, 'the connection was ended in the middle of imports', `${interrupted} of ${run - 1} runs`);
}
