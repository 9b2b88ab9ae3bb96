// Headless Chromium from the Debian package, in a fresh profile that is
// deleted again when the browser closes.

import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const FLAGS = [
  '--headless',
  '--no-sandbox',
  '--disable-gpu',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
  '--no-first-run',
  '--disable-quic',
];

// Returns { context, close } for a new browser profile; it accepts the
// server's self-signed certificate.
export async function openBrowser() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quorax-chromium.'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.QUORAX_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: FLAGS,
    acceptDownloads: true,
    ignoreHTTPSErrors: true,
    viewport: { width: 1366, height: 768 },
  });
  context.setDefaultTimeout(15_000);
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

const AXE_SOURCE = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');

// The accessibility findings of the page shown, one line per rule and element.
// axe is evaluated by the browser's debugging protocol rather than added as a
// script tag: the pages' Content-Security-Policy rightly allows no script.
export async function accessibilityFindings(page) {
  await page.evaluate(AXE_SOURCE);
  const result = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
  return result.violations.flatMap((v) => v.nodes.map((n) => `${v.id}: ${n.target.join(' ')}`));
}

// What the results table shows, read from the page: for every drawn row its
// data cells (as text, an empty cell as ""), the outcome cell's background
// colour and text.
export function readResultRows(page) {
  return page.$$eval('td[bgcolor]', (outcomeCells) =>
    outcomeCells.map((td) => ({
      cells: [...td.parentElement.cells]
        .slice(0, -1)
        .map((c) => (c.textContent === '\u00a0' ? '' : c.textContent)),
      background: getComputedStyle(td).backgroundColor,
      text: td.innerText,
    })),
  );
}
