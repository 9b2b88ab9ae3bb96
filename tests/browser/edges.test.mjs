// What a tester meets at the edges, in headless Chromium against the real
// server and database, over plain HTTP and as deployed over TLS: a damaged
// file whose errors.csv loses no row, a double click on Import, a file too
// large, a phone-sized screen, a shared browser and a session that ended.
// Screenshots go to artifacts/.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import { before, describe, it } from 'node:test';
import { address, HOST_PAGE } from './harness/client.mjs';
import { csvFile, csvLine, freshRows, goodRows, randomPastDay } from './harness/csv.mjs';
import { PASSWORD, USER, useTester } from './harness/tester.mjs';

// Short enough to wait out, long enough for every other step.
const SESSION_SECONDS = 6;

for (const tls of [false, true]) describe(`the edges of a tester's run over ${tls ? 'TLS' : 'plain HTTP'}`, () => {
  const tester = useTester('edges', { tls, serverArgs: ['--session-timeout', String(SESSION_SECONDS)] });
  const { bodyText, screenshot, signIn, submitFile, uploadFile } = tester;
  let page;
  let origin;
  let browser;
  before(() => ({ page, origin, browser } = tester));

  async function download(link) {
    const started = new Promise((resolve) => {
      page.once('download', resolve);
      browser.context.once('page', (popup) => popup.once('download', resolve));
    });
    await page.getByRole('link', { name: link }).click();
    const file = await started;
    const bytes = fs.readFileSync(await file.path());
    for (const popup of browser.context.pages()) if (popup !== page) await popup.close();
    return bytes;
  }

  it('shows Log out only once signed in', async () => {
    await page.goto(origin + HOST_PAGE);
    assert.equal(await page.getByRole('link', { name: 'Log out' }).count(), 0);
    await signIn();
    assert.equal(await page.getByRole('link', { name: 'Log out' }).count(), 1);
  });

  it('says why a damaged file stopped and hands back its unread rows in errors.csv', async () => {
    const good = goodRows();
    const rows = freshRows(good, 6, randomPastDay());
    rows[3][6] = 'nobody';
    rows[5][8] = 'after the damage';
    const broken = `${rows[4][0]},"${rows[4].slice(1).join(',')}\r\n`;
    const rest = broken + csvFile(good.headers, [rows[5]]).split('\r\n')[1] + '\r\n';
    const text = csvFile(good.headers, rows.slice(0, 4)) + rest;
    await submitFile(uploadFile('damaged.csv', text), 'Verify');
    await screenshot('damaged-file');
    const shown = await bodyText();
    assert.match(shown, /2 rows were not read, from line 6 on: the quote opened on line 6 is never closed\./);
    assert.match(shown, /4 rows read: 3 passed, 1 rejected, 0 database failure, 0 not processed; 2 rows not read\./);
    assert.equal(await page.locator('.bar .unread').count(), 1);
    const bytes = await download('Download Bad Rows');
    assert.equal(bytes.toString('latin1'), csvLine(good.headers) + csvLine(rows[3]) + rest);
  });

  it('keeps its links in view on a 390 px screen while the table scrolls sideways', async () => {
    await page.setViewportSize({ width: 390, height: 844 });
    await screenshot('narrow-results');
    const fits = await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth);
    assert.ok(fits, 'the page itself does not scroll sideways');
    const rows = page.locator('.rows');
    assert.ok(await rows.evaluate((el) => el.scrollWidth > el.clientWidth), 'the table scrolls inside the page');
    for (const name of ['Download Bad Rows', 'Return to Main Menu', 'Log out']) {
      const box = await page.getByRole('link', { name }).boundingBox();
      assert.ok(box && box.x >= 0 && box.x + box.width <= 390, `${name} is in view`);
    }
    await page.setViewportSize({ width: 1366, height: 768 });
  });

  it('disables the buttons and says what runs while an upload is under way', async () => {
    await page.getByRole('link', { name: 'Return to Main Menu' }).click();
    const good = goodRows();
    await page.locator('input[name="csvfile"]').setInputFiles(uploadFile('held.csv', csvFile(good.headers, good.rows)));
    // The page's own handler runs first; this one keeps the upload from leaving.
    await page.evaluate(() => document.getElementById('upload').addEventListener('submit', (e) => e.preventDefault()));
    await page.getByRole('button', { name: 'Verify' }).click();
    assert.equal(await page.locator('#upload-status').innerText(), 'Verifying… please wait for the results.');
    assert.equal(await page.locator('button:disabled').count(), 2);
    await screenshot('upload-running');
    await page.reload();
    await page.locator('input[name="csvfile"]').waitFor();
  });

  it('answers a second Import sent 100 ms after the first with the first one results', async () => {
    const good = goodRows();
    const file = uploadFile('double.csv', csvFile(good.headers, freshRows(good, 3, randomPastDay())));
    await page.locator('input[name="csvfile"]').setInputFiles(file);
    // The first submission goes out beside the page, in the same session, so
    // that the page's click is the second one and shows what it was answered.
    const first = page.request.post(origin + address('ImportCSV', 'i=1'), {
      multipart: { csvfile: { name: 'double.csv', mimeType: 'text/csv', buffer: fs.readFileSync(file) } },
    });
    await new Promise((resolve) => setTimeout(resolve, 100));
    await page.getByRole('button', { name: 'Import' }).click();
    assert.equal((await first).status(), 200);
    await page.getByText('Operation Mode: Import').waitFor();
    const shown = await bodyText();
    assert.match(shown, /All rows have been imported successfully/);
    assert.doesNotMatch(shown, /Entry possibly exists/);
  });

  it('refuses a file too large for the upload in the site layout when a browser without scripts sends it', async () => {
    await page.getByRole('link', { name: 'Return to Main Menu' }).click();
    const large = uploadFile('large.csv', 'x'.repeat(70_000));
    await page.locator('input[name="csvfile"]').setInputFiles(large);
    // The page's script would send it as a run; the form alone uploads it.
    await page.evaluate(() => document.getElementById('upload').submit());
    await page.getByRole('heading', { name: 'The file is too large' }).waitFor();
    await page.setViewportSize({ width: 390, height: 844 });
    await screenshot('too-large');
    await page.setViewportSize({ width: 1366, height: 768 });
    assert.match(await bodyText(), /Quorax[\s\S]*The file is too large[\s\S]*at most 32,767 bytes/);
    await page.getByRole('link', { name: 'Back to the upload form' }).click();
    await page.locator('input[name="csvfile"]').waitFor();
  });

  it('leaves nothing of the last run to whoever signs in next on the same browser', async () => {
    for (const [user, password] of [['mallory', 'guess'], [USER, PASSWORD]]) {
      await page.goto(origin + HOST_PAGE);
      await signIn(user, password);
      const answer = await page.request.get(origin + address('ExportCSV'));
      assert.match(await answer.text(), /There are no bad rows to download/, user);
    }
  });

  it('says that the session ended and signs in again to the upload form', async () => {
    const good = goodRows();
    await page.locator('input[name="csvfile"]').setInputFiles(uploadFile('late.csv', csvFile(good.headers, good.rows)));
    await new Promise((resolve) => setTimeout(resolve, (SESSION_SECONDS + 2) * 1000));
    await page.setViewportSize({ width: 390, height: 844 });
    await page.getByRole('button', { name: 'Verify' }).click();
    await page.waitForURL(/[?&]s=7$/);
    await screenshot('session-ended');
    await page.setViewportSize({ width: 1366, height: 768 });
    assert.match(await bodyText(), new RegExp(`Your session ended after ${SESSION_SECONDS} seconds without activity\\. Sign in again\\.`));
    await signIn();
    await page.locator('input[name="csvfile"]').waitFor();
  });
});
