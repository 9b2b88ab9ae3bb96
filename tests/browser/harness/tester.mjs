// A tester at a browser for the tests of one describe block: a server of its
// own, over plain HTTP or as deployed over TLS, and one page in a fresh
// browser profile, opened before the block's tests and closed after them;
// with the steps every browser test takes on that page. Uploaded files and
// screenshots go to artifacts/, named by suite and transport so that the plain
// and the TLS run keep theirs apart.

import fs from 'node:fs';
import path from 'node:path';
import { after, before } from 'node:test';
import { fileURLToPath } from 'node:url';
import { openBrowser } from './browser.mjs';
import { Stack } from './stack.mjs';

export const artifacts = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../artifacts');
export const USER = process.env.QUORAX_DEMO_USER || 'demo';
export const PASSWORD = process.env.QUORAX_DEMO_PASSWORD || 'demo';

// Returns the tester of the enclosing describe block; its stack, origin,
// browser and page are set once the block's first before hook has run.
// `serverArgs` are passed to the server.
export function useTester(suite, { tls, serverArgs = [] }) {
  const mode = tls ? 'tls' : 'plain';
  let shots = 0;
  const tester = {
    // Fills the sign-in form shown and sends it; resolves once `arrived` has,
    // by default once the next page has loaded.
    async signIn(user = USER, password = PASSWORD, arrived = () => tester.page.waitForLoadState('load')) {
      await tester.page.locator('#uid').fill(user);
      await tester.page.locator('#pwd').fill(password);
      await Promise.all([arrived(), tester.page.getByRole('button', { name: 'Sign in' }).click()]);
    },

    // Chooses `file` in the upload form and sends it with `button`.
    async submitFile(file, button) {
      const { page } = tester;
      await page.locator('input[name="csvfile"]').setInputFiles(file);
      await Promise.all([page.waitForLoadState('load'), page.getByRole('button', { name: button }).click()]);
      await page.waitForLoadState('load');
    },

    bodyText: () => tester.page.locator('body').innerText(),

    // Writes `text` to a file for the upload form and returns its path.
    uploadFile(name, text, encoding = 'latin1') {
      const file = path.join(artifacts, `${suite}-${mode}-${name}`);
      fs.writeFileSync(file, Buffer.from(text, encoding));
      return file;
    },

    // Numbered, so that the screenshots sort in the order they were taken.
    screenshot: (name) =>
      tester.page.screenshot({
        path: path.join(artifacts, `${suite}-${mode}-${String(++shots).padStart(2, '0')}-${name}.png`),
        fullPage: true,
      }),
  };

  before(async () => {
    fs.mkdirSync(artifacts, { recursive: true });
    tester.stack = await Stack.start({ logDir: artifacts, tls, deployed: tls, serverArgs });
    tester.origin = tls ? tester.stack.secureUrl : tester.stack.url;
    tester.browser = await openBrowser();
    tester.page = await tester.browser.context.newPage();
  });

  after(async () => {
    if (tester.browser) await tester.browser.close();
    if (tester.stack) await tester.stack.close();
  });

  return tester;
}
