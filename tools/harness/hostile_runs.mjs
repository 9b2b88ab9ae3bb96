// Hostile files sent through the run item by a signed-in tester, one table:
// each must end (read, refused or cancelled) within its time, grow the
// server's resident memory by at most its bound while it goes, and leave the
// server serving. A case with `cancelAfterMs` is cancelled that long after it
// started, and its run must be over within a second of the cancel.

import { address } from '../../tests/browser/harness/client.mjs';
import { csvFile, freshRows } from '../../tests/browser/harness/csv.mjs';

const MiB = 1 << 20;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A multipart form of the run item: the file part "csvfile" and the run's fields.
function runForm(file, filename, fields) {
  const boundary = '----QuoraxHostileRun';
  const parts = Object.entries(fields).map(
    ([name, value]) => `--${boundary}\r\nContent-Disposition: form-data; name="${name}"\r\n\r\n${value}\r\n`,
  );
  const head = `${parts.join('')}--${boundary}\r\nContent-Disposition: form-data; name="csvfile"; filename="${filename}"\r\n\r\n`;
  const body = Buffer.concat([Buffer.from(head, 'latin1'), Buffer.from(file), Buffer.from(`\r\n--${boundary}--\r\n`)]);
  return { body, contentType: `multipart/form-data; boundary=${boundary}` };
}

const junit = (cases) => `<?xml version="1.0"?>\n<testsuite name="s" tests="1">\n${cases}</testsuite>\n`;
const xmlText = (text) => text.replaceAll('&', '&amp;').replaceAll('<', '&lt;').replaceAll('"', '&quot;');

// A Robot report of `tests` tests inside one suite whose name is `suiteName`.
function robot(suiteName, tests) {
  const test = (i) => `<test name="C${i + 1} t"><status status="PASS"/></test>`;
  return `<?xml version="1.0"?>\n<robot generated="20240402 10:00:00.000"><suite name="${xmlText(suiteName)}">${Array.from(
    { length: tests },
    (_, i) => test(i),
  ).join('')}</suite></robot>\n`;
}

// Cucumber JSON: one feature with `tags` tags and `scenarios` scenarios (which inherit the tags).
function cucumberTags(tags, scenarios) {
  const tagList = Array.from({ length: tags }, (_, i) => ({ name: `@tag${i}` }));
  const elements = Array.from({ length: scenarios }, (_, i) => ({
    name: `C${(i % 50) + 1} s${i}`,
    type: 'scenario',
    steps: [{ result: { status: 'passed' } }],
  }));
  return JSON.stringify([{ name: 'f', uri: 'f.feature', tags: tagList, elements }]);
}

function cases(ctx) {
  const good = ctx.goodRows();
  const oneCase = junit(Array.from({ length: 1_000_000 }, (_, i) => `<testcase name="C1 t${i}"/>\n`).join(''));
  return [
    {
      name: 'pattern (a|b)* on a test name of 20,000 letters',
      file: junit(`<testcase name="C1 ${'a'.repeat(20_000)}"/>\n`),
      filename: 'long.xml',
      pattern: '(a|b)*',
    },
    {
      name: 'pattern (a*)*b on a 26-letter name',
      file: junit(`<testcase name="${'a'.repeat(26)}"/>\n<testcase name="C2 ok"/>\n`),
      filename: 'nested.xml',
      pattern: '(a*)*b',
    },
    { name: 'a 1 MB suite name shared by 2,500 tests', file: robot('S'.repeat(MiB), 2500), filename: 'output.xml' },
    { name: '20 MB of [ as JSON', file: '['.repeat(20 * MiB), filename: 'deep.json' },
    { name: '8 MB of empty XML elements', file: `<testsuite>${'<a/>'.repeat(2 * MiB)}</testsuite>`, filename: 'empty.xml' },
    { name: 'a feature of 4,000 tags over 4,000 scenarios', file: cucumberTags(4000, 4000), filename: 'tags.json', cancelAfterMs: 300 },
    { name: 'one case with 1,000,000 tests', file: oneCase, filename: 'one-case.xml', resultsMs: 1000 },
    { name: 'the same report cancelled while it is read', file: oneCase, filename: 'one-case.xml', cancelAfterMs: 300 },
    { name: '100,000 rows cancelled while they are sent', file: csvFile(good.headers, freshRows(good, 100_000)), filename: 'big.csv', cancelAfterMs: 1500 },
    { name: 'a NUL byte in a CSV cell', file: csvWithNul(good), filename: 'nul.csv', badRows: 1 },
  ];
}

// Three good rows, the second with a NUL byte in its notes.
function csvWithNul(good) {
  const rows = freshRows(good, 3);
  rows[1][8] = 'b\u0000c';
  return csvFile(good.headers, rows);
}

// The server's resident memory sampled every 50 ms until `done` settles; returns the peak in KiB.
async function peakWhile(server, done) {
  let peak = server.rssKiB();
  let over = false;
  done.finally(() => (over = true));
  while (!over) {
    peak = Math.max(peak, server.rssKiB());
    await sleep(50);
  }
  return Math.max(peak, server.rssKiB());
}

async function runCase(stack, ctx, c) {
  const session = await ctx.signedIn(stack.url);
  const form = runForm(c.file, c.filename, {
    version: '1.0',
    platform: 'Linux',
    browser: 'Chromium',
    tester: ctx.user,
    casepattern: c.pattern || '',
  });
  const before = stack.server.rssKiB();
  const started = Date.now();
  const run = (async () => {
    const answer = await session.request('POST', address('StartRun'), {
      body: form.body,
      headers: { 'Content-Type': form.contentType },
    });
    if (answer.status >= 500) throw new Error(`the run item answered ${answer.status}`);
    let cancelledAt = null;
    for (;;) {
      const status = await session.runStatus();
      if (status.finished) return { status, cancelledAt };
      if (c.cancelAfterMs && cancelledAt === null && Date.now() - started >= c.cancelAfterMs) {
        cancelledAt = Date.now();
        await session.request('POST', address('CancelRun'), { body: '', headers: { 'Content-Type': 'text/plain' } });
      }
      if (Date.now() - started > 60_000) throw new Error('the run did not end within 60 s');
      await sleep(50);
    }
  })();
  const peak = await peakWhile(stack.server, run);
  const { status, cancelledAt } = await run;
  const grewMiB = (peak - before) / 1024;
  const boundMiB = (8 * c.file.length) / MiB + 64;
  let ok = grewMiB <= boundMiB && stack.server.alive();
  let detail = `${status.stage} in ${Date.now() - started} ms, grew ${grewMiB.toFixed(0)} MiB (bound ${boundMiB.toFixed(0)})`;
  if (cancelledAt !== null) {
    const cancelMs = Date.now() - cancelledAt;
    ok &&= cancelMs <= 1000;
    detail += `, over ${cancelMs} ms after Cancel`;
  }
  if (c.resultsMs) {
    const page = await session.runResults();
    ok &&= page.status === 200 && page.ms <= c.resultsMs;
    detail += `, results page ${page.status} in ${page.ms.toFixed(0)} ms`;
  }
  if (c.badRows !== undefined) {
    ok &&= status.stage === 'done' && status.done === 3;
    detail += `, ${status.done} of ${status.total} rows judged`;
  }
  return { ok, detail };
}

export async function hostileRuns(stack, ctx) {
  for (const c of cases(ctx)) {
    let result;
    try {
      result = await runCase(stack, ctx, c);
    } catch (error) {
      result = { ok: false, detail: error.message };
    }
    ctx.check(result.ok && (await ctx.serving(stack.url)), c.name, result.detail);
  }
}
