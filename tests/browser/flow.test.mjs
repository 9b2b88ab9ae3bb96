// A tester's whole job in headless Chromium against the real server and
// database, in debug mode over plain HTTP and as deployed over TLS: sign in, verify a mixed file, read
// the bad rows and their reasons, switch views, download errors.csv, upload
// the corrected rows, import them, and log out. A screenshot of every page
// goes to artifacts/.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { before, describe, it } from 'node:test';
import { accessibilityFindings, readResultRows } from './harness/browser.mjs';
import { HOST_PAGE } from './harness/client.mjs';
import { csvLine, expectedDownload, freshRows, goodRows, parseCsv, randomPastDay, readExample } from './harness/csv.mjs';
import { repoRoot } from './harness/stack.mjs';
import { artifacts, PASSWORD, USER, useTester } from './harness/tester.mjs';

const RED = 'rgb(221, 0, 0)';
const GREEN = 'rgb(0, 221, 0)';
const FLAG_MESSAGES = [
  'Missing parameter or NULL passed in a required field.',
  'TestcaseID does not exist.',
  'TestDate is in the future.',
  'Version was not found.',
  'Platform/Browser combination invalid for the area that the test case is in.',
  "Invalid result (not 'P', 'F' or 'U').",
  'Tester not found.',
  'Entry possibly exists. Manual verification and entry required.',
];

for (const tls of [false, true]) describe(`a tester in the browser over ${tls ? 'TLS' : 'plain HTTP'}`, () => {
  const tester = useTester('flow', { tls });
  const { bodyText, screenshot, signIn, submitFile, uploadFile } = tester;
  let page;
  let origin;
  let browser;
  before(() => ({ page, origin, browser } = tester));
  const mixed = parseCsv(readExample('mixed.csv'));
  const state = {};

  async function followLink(name) {
    await page.getByRole('link', { name, exact: true }).click();
    await page.waitForLoadState('load');
  }

  it('shows the refusal on the sign-in page for a wrong password', async () => {
    await page.goto(origin + HOST_PAGE);
    await signIn(USER, `${PASSWORD}-wrong`, () => page.waitForURL(/[?&]s=1$/));
    await screenshot('wrong-password');
    assert.match(await bodyText(), /Authentication Failed\. Access Denied\./);
    assert.equal(await page.locator('input[name="csvfile"]').count(), 0);
    assert.deepEqual(await accessibilityFindings(page), [], 'sign-in page');
  });

  it('signs the demo user in and reaches the upload form', async () => {
    await signIn();
    await page.locator('input[name="csvfile"]').waitFor();
    await screenshot('upload-form');
    assert.equal(await page.getByRole('button', { name: 'Verify' }).count(), 1);
    assert.equal(await page.getByRole('button', { name: 'Import' }).count(), 1);
    assert.deepEqual(await accessibilityFindings(page), [], 'upload form');
  });

  it('verifies the mixed example and shows its bad rows in red with their reasons', async () => {
    await submitFile(path.join(repoRoot, 'examples/mixed.csv'), 'Verify');
    await screenshot('bad-rows');
    const text = await bodyText();
    assert.match(text, /Display Mode: Bad Rows/);
    assert.match(text, /Operation Mode: Verify/);
    const rows = await readResultRows(page);
    assert.ok(rows.length > 0, 'the mixed example has bad rows');
    assert.ok(rows.length < mixed.rows.length, 'the mixed example has good rows too');
    for (const row of rows) {
      assert.equal(row.background, RED, `row ${row.cells.join(',')}`);
      const code = Number(/^\((-\d+)\)/.exec(row.text)?.[1]);
      assert.ok(code < 0 && code >= -256, `reason starts with its code: ${row.text}`);
      FLAG_MESSAGES.forEach((message, bit) => {
        assert.equal(row.text.includes(message), (-code & (1 << bit)) !== 0, `${message} for code ${code}`);
      });
    }
    state.badRows = rows.map((r) => r.cells);
    assert.match(
      text,
      new RegExp(`${mixed.rows.length} rows read: ${mixed.rows.length - rows.length} passed, ${rows.length} rejected, 0 database failure, 0 not processed\\.`),
    );
    assert.equal(await page.locator('.bar span').count(), 2);
    assert.deepEqual(await accessibilityFindings(page), [], 'results page');
  });

  it('shows every row in the all-rows view, the same rows as the file, each once', async () => {
    await followLink('Display All Rows');
    await screenshot('all-rows');
    assert.match(await bodyText(), /Display Mode: All Rows/);
    const rows = await readResultRows(page);
    assert.deepEqual(
      rows.map((r) => r.cells),
      mixed.rows.map((r) => r.slice(0, mixed.headers.length)),
    );
    for (const row of rows) assert.ok([RED, GREEN].includes(row.background), row.background);
    assert.deepEqual(
      rows.filter((r) => r.background === RED).map((r) => r.cells),
      state.badRows,
      'the bad-rows view showed exactly the red rows',
    );
    state.badRowNumbers = rows.flatMap((r, i) => (r.background === RED ? [i + 1] : []));
    state.goodRows = rows.filter((r) => r.background === GREEN).map((r) => r.cells);
  });

  it('shows only the verified rows in the good-rows view', async () => {
    await followLink('Display Good Rows');
    await screenshot('good-rows');
    assert.match(await bodyText(), /Display Mode: Good Rows/);
    const rows = await readResultRows(page);
    assert.deepEqual(
      rows.map((r) => r.cells),
      state.goodRows,
    );
    for (const row of rows) {
      assert.equal(row.background, GREEN);
      assert.equal(row.text.trim(), 'Verified successfully.');
    }
  });

  it('returns to the bad rows through their link', async () => {
    await followLink('Display Bad Rows');
    assert.match(await bodyText(), /Display Mode: Bad Rows/);
    assert.deepEqual(
      (await readResultRows(page)).map((r) => r.cells),
      state.badRows,
    );
  });

  it('downloads the bad rows as errors.csv with the header line and the bad rows, every field quoted', async () => {
    const download = new Promise((resolve) => {
      page.on('download', resolve);
      browser.context.on('page', (popup) => popup.on('download', resolve));
    });
    await page.getByRole('link', { name: 'Download Bad Rows' }).click();
    const file = await download;
    assert.equal(file.suggestedFilename(), 'errors.csv');
    const bytes = fs.readFileSync(await file.path());
    fs.writeFileSync(path.join(artifacts, 'errors.csv'), bytes);
    assert.deepEqual(bytes, expectedDownload(mixed, state.badRowNumbers));
    state.errorsCsv = bytes.toString('latin1');
    for (const popup of browser.context.pages()) if (popup !== page) await popup.close();
  });

  it('verifies and then imports the corrected file with complete success', async () => {
    await followLink('Return to Main Menu');
    await page.locator('input[name="csvfile"]').waitFor();
    const downloaded = parseCsv(state.errorsCsv);
    const good = goodRows();
    let corrected;
    // Rows already recorded by an earlier run against the same database are
    // flagged, so a few fresh dates are tried before giving up.
    for (let attempt = 0; attempt < 3; attempt++) {
      const rows = freshRows(good, downloaded.rows.length, randomPastDay());
      corrected = uploadFile('corrected.csv', csvLine(downloaded.headers) + rows.map(csvLine).join(''));
      await submitFile(corrected, 'Verify');
      if ((await bodyText()).includes('All rows have been verified and are Ok')) break;
      await followLink('Return to Main Menu');
    }
    await screenshot('corrected-verified');
    assert.match(await bodyText(), /All rows have been verified and are Ok/);

    await followLink('Return to Main Menu');
    await submitFile(corrected, 'Import');
    await screenshot('corrected-imported');
    const text = await bodyText();
    assert.match(text, /Operation Mode: Import/);
    assert.match(text, /All rows have been imported successfully/);
    assert.equal(await page.getByRole('link', { name: 'Download Bad Rows' }).count(), 0);
    state.corrected = corrected;
  });

  it('flags the imported rows as already recorded when they come again', async () => {
    await followLink('Return to Main Menu');
    await submitFile(state.corrected, 'Verify');
    await screenshot('already-recorded');
    const rows = await readResultRows(page);
    assert.equal(rows.length, parseCsv(fs.readFileSync(state.corrected, 'latin1')).rows.length);
    for (const row of rows) {
      assert.equal(row.background, RED);
      assert.match(row.text, /Entry possibly exists\. Manual verification and entry required\./);
    }
  });

  it('shows markup from the file as text and never runs it', async () => {
    const dialogs = [];
    page.on('dialog', (dialog) => {
      dialogs.push(dialog.message());
      dialog.dismiss();
    });
    const good = goodRows();
    const row = freshRows(good, 1)[0];
    const hostile = [...row];
    hostile[6] = '<img src=x onerror=alert(1)>';
    hostile[8] = '<script>alert(2)</script>';
    const file = uploadFile('markup.csv', csvLine(good.headers) + csvLine(row) + csvLine(hostile));
    await followLink('Return to Main Menu');
    await submitFile(file, 'Verify');
    await followLink('Display All Rows');
    await screenshot('markup-as-text');
    const rows = await readResultRows(page);
    assert.deepEqual(rows[1].cells, hostile);
    assert.equal(await page.locator('td script, td img').count(), 0);
    assert.deepEqual(dialogs, []);
  });

  it('shows all 300 rows of a larger file, its results page well over 16 KB', async () => {
    const good = goodRows();
    const rows = freshRows(good, 300).map((row, i) => (i % 10 ? row : Object.assign(row, { 5: 'X' })));
    const file = uploadFile('large.csv', csvLine(good.headers) + rows.map(csvLine).join(''));
    await followLink('Return to Main Menu');
    await submitFile(file, 'Verify');
    await followLink('Display All Rows');
    assert.ok((await page.content()).length > 64 * 1024);
    assert.deepEqual(
      (await readResultRows(page)).map((r) => r.cells),
      rows.map((r) => r.slice(0, good.headers.length)),
    );
  });

  it('refuses a file the database cannot store and leads back to the upload form', async () => {
    const good = goodRows();
    const row = freshRows(good, 1)[0];
    row[8] = 'Zażółć';
    const file = uploadFile('polish.csv', csvLine(good.headers) + csvLine(row), 'utf8');
    await followLink('Return to Main Menu');
    await submitFile(file, 'Verify');
    await screenshot('refused-upload');
    assert.match(await bodyText(), /cannot store in data row 1, column 9/);
    await followLink('Back to the upload form');
    await page.locator('input[name="csvfile"]').waitFor();
  });

  it('fixes a rejected row in place, verifies it again and imports the run without a new upload', async () => {
    const good = goodRows();
    const rows = freshRows(good, 3);
    rows[1][5] = 'X';
    await submitFile(uploadFile('fix-in-place.csv', csvLine(good.headers) + rows.map(csvLine).join('')), 'Verify');
    assert.match(await bodyText(), /3 rows read: 2 passed, 1 rejected/);
    await followLink('Fix bad rows');
    await screenshot('fix-view');
    assert.equal(await page.getByRole('textbox', { name: /of row (1|3)$/ }).count(), 0, 'only the bad row');
    assert.deepEqual(await accessibilityFindings(page), [], 'fix view');
    await page.getByRole('textbox', { name: 'Result of row 2', exact: true }).fill('P');
    await Promise.all([page.waitForLoadState('load'), page.getByRole('button', { name: 'Verify again' }).click()]);
    await page.waitForLoadState('load');
    await screenshot('fixed-verified');
    let text = await bodyText();
    assert.match(text, /All rows have been verified and are Ok/);
    assert.match(text, /3 rows read: 3 passed, 0 rejected/);
    await followLink('Display All Rows');
    assert.deepEqual((await readResultRows(page)).map((r) => r.cells[5]), ['P', 'P', 'P']);

    await Promise.all([page.waitForLoadState('load'), page.getByRole('button', { name: 'Import', exact: true }).click()]);
    await page.waitForLoadState('load');
    await screenshot('fixed-imported');
    text = await bodyText();
    assert.match(text, /Operation Mode: Import/);
    assert.match(text, /All rows have been imported successfully/);
    assert.equal(await page.getByRole('button', { name: 'Import', exact: true }).count(), 0);
    await followLink('Return to Main Menu');
  });

  it('logs out with the logged-out message and keeps the results page closed', async () => {
    await Promise.all([page.waitForURL(/[?&]s=5$/), page.getByRole('link', { name: 'Log out' }).click()]);
    await screenshot('logged-out');
    assert.match(await bodyText(), /You have been logged out\./);
    await page.goto(`${origin}${HOST_PAGE}?WCI=ImportDone&WCU=&d=a`);
    assert.equal(await page.locator('#uid').count(), 1, 'the results page sends back to the sign-in page');
    assert.equal((await readResultRows(page)).length, 0);
  });
});
