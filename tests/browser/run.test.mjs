// Files the plain upload cannot take, sent from the upload form in headless
// Chromium over plain HTTP and TLS: a 50,000-row file verified in the
// background with its progress bar and paged results, a runner's report with
// the run's fields, a run cancelled part way, and an import stopped by a
// database failure. Screenshots go to artifacts/.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { before, describe, it } from 'node:test';
import { accessibilityFindings } from './harness/browser.mjs';
import { HOST_PAGE } from './harness/client.mjs';
import { csvFile, goodRows, parseCsv } from './harness/csv.mjs';
import { repoRoot } from './harness/stack.mjs';
import { PASSWORD, USER, useTester } from './harness/tester.mjs';

const LARGE_ROWS = 50_000;

for (const tls of [false, true]) describe(`a run from the browser over ${tls ? 'TLS' : 'plain HTTP'}`, () => {
  const tester = useTester('run', { tls });
  const { bodyText, screenshot, uploadFile } = tester;
  let stack;
  let page;
  let large;

  // The upload form, from the results of the last run unless already shown.
  async function uploadForm() {
    if ((await page.locator('input[name="csvfile"]').count()) === 0) {
      await page.getByRole('link', { name: 'Send another file' }).click();
    }
    await page.locator('input[name="csvfile"]').waitFor();
  }

  // Chooses `file` in the upload form, waits for the form to say which way it
  // goes, lets `fill` complete the form and sends it with `button`.
  async function sendFile(file, route, { fill = async () => {}, button = 'Verify' } = {}) {
    await uploadForm();
    await page.locator('input[name="csvfile"]').setInputFiles(file);
    await page.locator('#route').filter({ hasText: route }).waitFor();
    await fill();
    await page.getByRole('button', { name: button }).click();
    await page.getByRole('progressbar').waitFor();
  }

  // Signs in as `user` in a new session.
  async function signIn(user, password) {
    await page.context().clearCookies();
    await page.goto(tester.origin + HOST_PAGE);
    await tester.signIn(user, password);
  }

  before(async () => {
    ({ stack, page } = tester);
    await signIn(USER, PASSWORD);
    const good = goodRows();
    const rows = Array.from({ length: LARGE_ROWS }, (_, i) => good.rows[i % good.rows.length]);
    large = uploadFile('large-run.csv', csvFile(good.headers, rows));
  });

  it('verifies 50,000 rows with a progress bar and pages through the results', async () => {
    await sendFile(large, /larger than the upload limit/);
    await screenshot('progress');
    const bar = page.getByRole('progressbar');
    assert.equal(await bar.getAttribute('aria-valuemin'), '0');
    assert.deepEqual(await accessibilityFindings(page), [], 'progress page');
    await page.waitForURL(/WCI=RunResults/, { timeout: 120_000 });
    assert.match(await bodyText(), new RegExp(`${LARGE_ROWS} rows read: \\d+ passed, \\d+ rejected, 0 database failure, 0 not processed\\.`));
    assert.match(await bodyText(), /Page 1 of 250/);
    await page.getByRole('link', { name: 'Next page' }).click();
    assert.match(await bodyText(), /Page 2 of 250/);
    assert.equal(await page.locator('tr:nth-child(2) td').first().innerText(), '201');
    await page.getByLabel('Go to data row').fill('12345');
    await page.getByRole('button', { name: 'Go' }).click();
    await screenshot('paged-results');
    assert.match(await bodyText(), /Page 62 of 250/);
    assert.equal(await page.locator('td', { hasText: /^12345$/ }).count(), 1);
    assert.ok((await page.content()).length < 1024 * 1024);
    assert.deepEqual(await accessibilityFindings(page), [], 'paged results');
  });

  it('reads a runner report with the run fields the form asks for, and keeps them', async () => {
    const report = path.join(repoRoot, 'examples/real-runners/pytest.xml');
    const expected = parseCsv(fs.readFileSync(path.join(repoRoot, 'examples/real-runners/pytest.expected.csv'), 'utf8'));
    await sendFile(report, /test runner's report/, {
      fill: async () => {
        await page.getByLabel('Product version').fill('2.1');
        await page.getByLabel('Platform').fill('Linux');
        await page.getByLabel('Browser').fill('Chrome');
        await page.getByLabel('Tester').fill('alice');
        await page.getByLabel('Test date').fill('2024-06-03');
        await screenshot('report-form');
      },
    });
    await page.waitForURL(/WCI=RunResults/, { timeout: 60_000 });
    const n = expected.rows.length;
    assert.match(await bodyText(), new RegExp(`${n} rows? read: ${n} passed, 0 rejected`));
    assert.match(await bodyText(), /tests? maps? to no test case/);
    assert.equal(await page.locator('th', { hasText: /^Test$/ }).count(), 1);
    assert.equal(await page.locator('td', { hasText: /^test_shop\.test_login_C1$/ }).count(), 1);
    assert.equal(await page.locator('summary', { hasText: /^3 tests$/ }).count(), 1, "case 2's three tests listed");
    const download = page.waitForEvent('download');
    await page.getByRole('link', { name: 'Download results.csv' }).click();
    const results = parseCsv(fs.readFileSync(await (await download).path(), 'utf8').replace(/^\uFEFF/, ''));
    assert.equal(results.rows.length, n);
    const names = results.headers.map((h) => h.replace(/^"(.*)"$/, '$1'));
    assert.deepEqual(names.slice(-4), ['Test', 'Outcome', 'Code', 'Reasons']);
    await uploadForm();
    assert.equal(await page.getByLabel('Tester').inputValue(), 'alice');
  });

  it('cancels a run part way and says where it stopped', async () => {
    await sendFile(large, /larger than the upload limit/);
    await page.getByRole('button', { name: 'Cancel' }).click();
    await page.waitForURL(/WCI=RunResults/, { timeout: 60_000 });
    await screenshot('cancelled');
    assert.match(await bodyText(), /The run was cancelled (after data row [\d,]+|before any row was sent); [\d,]+ rows/);
    assert.match(await bodyText(), /[1-9]\d* not processed\./);
  });

  // quorax_test's insert_result (tests/database/fixtures.sql) logs the note
  // of a row whose Tester is 'log', and of one whose Tester is 'log-fail'
  // too before it raises; the failing row's log entry goes with it.
  it('stops an import at a database failure and keeps exactly the rows before it', async () => {
    stack.db.run('psql', '-f', path.join(repoRoot, 'tests/database/fixtures.sql'));
    const prefix = `stop-${tls ? 'tls' : 'plain'}-${Date.now()}-r`;
    const good = goodRows();
    const rows = Array.from({ length: 2000 }, (_, i) => {
      const row = [...good.rows[i % good.rows.length]];
      row[6] = i + 1 === 1500 ? 'log-fail' : 'log';
      row[8] = `${prefix}${i + 1}`;
      return row;
    });
    const file = uploadFile('import-stop.csv', csvFile(good.headers, rows));
    await signIn('quorax_test', 'quorax_test');
    await sendFile(file, /larger than the upload limit/, { button: 'Import' });
    await page.waitForURL(/WCI=RunResults/, { timeout: 60_000 });
    await screenshot('import-stopped');
    const text = await bodyText();
    assert.match(text, /^2000 rows read: 1499 passed, 0 rejected, 1 database failure, 500 not processed\.$/m);
    assert.match(text, /^The run stopped at the database failure in data row 1,500; 500 rows after it were not processed\.$/m);
    const recorded = stack.db.sql(
      `SELECT count(*), count(DISTINCT note), max(substring(note FROM '[0-9]+$')::int) ` +
        `FROM quorax_test.call_log WHERE note LIKE '${prefix}%'`,
    );
    assert.equal(recorded, '1499|1499|1499', 'rows logged, distinct rows, highest row');
    await signIn(USER, PASSWORD); // for any test after this one
  });

  // 'log-reject' rejects a row (-64); corrected to 'log' it passes.
  it('fixes a run\'s bad rows in the page, verifies them again and imports the run as it now stands', async () => {
    const good = goodRows();
    const bad = new Set([10, 950]);
    const rows = Array.from({ length: 1000 }, (_, i) => {
      const row = [...good.rows[i % good.rows.length]];
      row[6] = bad.has(i + 1) ? 'log-reject' : 'log';
      row[8] = `fix-${tls ? 'tls' : 'plain'}-${Date.now()}-r${i + 1}`;
      return row;
    });
    const file = uploadFile('fix-run.csv', csvFile(good.headers, rows));
    await signIn('quorax_test', 'quorax_test');
    await sendFile(file, /larger than the upload limit/);
    await page.waitForURL(/WCI=RunResults/, { timeout: 60_000 });
    assert.match(await bodyText(), /^1000 rows read: 998 passed, 2 rejected, 0 database failure, 0 not processed\.$/m);
    await page.getByRole('link', { name: 'Fix bad rows' }).click();
    for (const row of bad) await page.getByLabel(`Tester of row ${row}`).fill('log');
    await screenshot('fix-view');
    assert.deepEqual(await accessibilityFindings(page), [], 'fix view');
    await page.getByRole('button', { name: 'Verify again' }).click();
    assert.match(await bodyText(), /^1000 rows read: 1000 passed, 0 rejected, 0 database failure, 0 not processed\.$/m);
    await page.getByRole('button', { name: 'Import' }).click();
    await page.waitForURL(/WCI=RunResults/, { timeout: 60_000 });
    assert.match(await bodyText(), /^1000 rows read: 1000 passed, 0 rejected/m);
    assert.equal(await page.getByRole('button', { name: 'Import' }).count(), 0, 'an import offers no second import');
    await signIn(USER, PASSWORD);
  });
});
