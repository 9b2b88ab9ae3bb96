// PostgreSQL stopped while testers are importing: the rows imported before the
// stop stay recorded, each interrupted run reports the database failure and
// marks the rest as not processed, the server keeps serving, a sign-in reports
// the connection failure, and after PostgreSQL is started again everything
// works without restarting the server.

import { Session } from '../../tests/browser/harness/client.mjs';
import { csvFile, freshRows } from '../../tests/browser/harness/csv.mjs';
import { GREEN, parseResults, RED, YELLOW } from './results.mjs';

const TESTERS = 4;
const NOTES = 8;
const DAY = 86_400_000;

// Import files of distinct rows for each tester, as large as an upload may be.
function importFiles(good, round) {
  let rows = 50;
  while (csvFile(good.headers, freshRows(good, rows + 10)).length < 31_000) rows += 10;
  return Array.from({ length: TESTERS }, (_, k) => {
    const first = new Date(Date.UTC(1960, 0, 1) + (round * TESTERS + k) * 1000 * DAY);
    const data = freshRows(good, rows, first).map((row, i) => {
      row[NOTES] = `stop${round}-t${k}-r${i + 1}`;
      return row;
    });
    return { text: csvFile(good.headers, data), rows: data.length };
  });
}

// Where the run behind an import answer stopped: the row number of the
// database failure (rows + 1 when every row was imported, 1 when the
// connection was refused) and the last row with an outcome, or an
// explanation of what is wrong with the page. A commit lost in flight leaves
// its rows not known whether recorded (-260), each with its own outcome,
// before any row that failed.
function stoppedAt(answer, file) {
  if (answer.status === 302 && /[?&]s=4$/.test(answer.location)) return { row: 1, last: 1 };
  if (answer.status !== 200) return { problem: `status ${answer.status}` };
  const results = parseResults(answer.text);
  if (results.successNotice === 'All rows have been imported successfully') return { row: file.rows + 1, last: file.rows + 1 };
  const failed = results.rows[0];
  if (!failed || failed.colour !== YELLOW || !failed.outcome.includes('A Database error occured here.')) {
    return { problem: `first bad row is not the database failure: ${failed?.outcome.slice(0, 80)}` };
  }
  const rowOf = (r) => Number(/-r(\d+)$/.exec(r.cells[NOTES])[1]);
  let outcomes = 0;
  while (outcomes < results.rows.length && results.rows[outcomes].outcome.startsWith('(-260)<BR>')) outcomes++;
  if (outcomes < results.rows.length && results.rows[outcomes].outcome.includes('A Database error occured here.')) outcomes++;
  const row = rowOf(failed);
  const last = rowOf(results.rows[outcomes - 1]);
  const rest = results.rows.slice(outcomes);
  const marked = rest.every(
    (r) => r.colour === YELLOW && r.outcome.startsWith(`Not imported or tested due to previous database error on row ${last}<BR>`),
  );
  if (rest.length !== file.rows - last || !marked) return { problem: `rows after ${last} are not all marked not processed` };
  const [code, , text] = failed.outcome.split('<BR>');
  return { row, last, databaseText: `${code} ${text || '(no database text)'}` };
}

// One round: imports started together, PostgreSQL stopped after `delayMs`.
async function round(stack, ctx, files, delayMs) {
  const testers = await Promise.all(files.map(() => ctx.signedIn(stack.url)));
  const imports = testers.map((t, k) => t.upload(files[k].text, { importMode: true }));
  await new Promise((resolve) => setTimeout(resolve, delayMs));
  await stack.db.runAsync('stop');
  const answers = await Promise.all(imports);
  return { stops: answers.map((answer, k) => stoppedAt(answer, files[k])), testers };
}

// Follows a redirect to the start page and returns its visible words.
async function startPageWords(session, answer, ctx) {
  if (answer.status !== 302) return '';
  const target = new URL(answer.location);
  return ctx.pageWords((await session.get(target.pathname + target.search)).text, 4000);
}

// While the database is down: pages are served, and an upload and a sign-in
// each report the failure. `tester` has just seen a results page.
async function checkWhileDown(stack, ctx, tester) {
  ctx.check(await ctx.serving(stack.url), 'the start page is served while PostgreSQL is down');
  await tester.uploadForm();
  const upload = await tester.upload(ctx.testerFile(1, 10).text);
  ctx.check(
    /[?&]s=4$/.test(upload.location) &&
      (await startPageWords(tester, upload, ctx)).includes('The connection to the database has been lost. Please try again.'),
    'an upload while PostgreSQL is down reports the lost connection',
    `${upload.status} ${upload.location} ${upload.status === 302 ? '' : ctx.pageWords(upload.text)}`,
  );
  const session = new Session(stack.url);
  const signIn = await session.signIn(ctx.user, ctx.password);
  const message = /Unhandled Exception\. \(80004005:[^)]+\)\./.exec(await startPageWords(session, signIn, ctx));
  ctx.check(
    /[?&]s=2$/.test(signIn.location) && message !== null,
    'a sign-in while PostgreSQL is down reports the connection failure',
    `${signIn.status} ${signIn.location} ${message?.[0] ?? ''}`,
  );
}

// After the restart: rows before the failure are recorded (a second
// verification flags them), rows after the last outcome are not; rows not
// known whether recorded may be either.
async function checkRecorded(stack, ctx, file, stop) {
  const session = await ctx.signedIn(stack.url);
  await session.upload(file.text);
  const rows = parseResults((await session.view('a')).text).rows;
  const before = rows.slice(0, stop.row - 1).every((r) => r.colour === RED && r.outcome.startsWith('(-128)'));
  const after = rows.slice(stop.last).every((r) => r.colour === GREEN);
  ctx.check(
    rows.length === file.rows && before && after,
    `rows 1 to ${stop.row - 1} stay recorded and rows after ${stop.last} were not`,
  );
}

export async function databaseStopped(stack, ctx) {
  const good = ctx.goodRows();
  const probeFile = importFiles(good, 5)[0];
  const probe = await ctx.signedIn(stack.url);
  const verify = await probe.upload(probeFile.text);
  let delay = verify.ms * 0.5;
  let stops = [];
  let testers = [];
  let files = [];
  for (let attempt = 0; attempt < 5; attempt++) {
    files = importFiles(good, attempt);
    ({ stops, testers } = await round(stack, ctx, files, delay));
    if (stops.some((s) => s.problem || (s.row > 1 && s.row <= files[0].rows))) break;
    await stack.db.runAsync('start');
    delay = stops.every((s) => s.row === 1) ? delay * 2 : delay / 2;
  }
  ctx.check(
    stops.every((s) => !s.problem),
    'every import answered with a results page or the connection-lost redirect',
    stops.map((s) => s.problem || `stopped at row ${s.row} of ${files[0].rows}`).join('; '),
  );
  const interrupted = stops.map((s, k) => ({ ...s, file: files[k] })).filter((s) => s.row > 1 && s.row <= s.file.rows);
  ctx.check(
    interrupted.length > 0,
    'PostgreSQL stopped in the middle of an import',
    interrupted.map((s) => `row ${s.row}: ${s.databaseText}`).join('; '),
  );
  await checkWhileDown(stack, ctx, testers[Math.max(0, stops.findIndex((s) => s.row > 1))]);
  const pid = stack.server.pid;
  await stack.db.runAsync('start');
  const after = await ctx.signedIn(stack.url).then(
    () => true,
    () => false,
  );
  ctx.check(after && stack.server.pid === pid, 'sign-in works again after PostgreSQL restarts, same server process');
  for (const stop of interrupted) await checkRecorded(stack, ctx, stop.file, stop);
}
