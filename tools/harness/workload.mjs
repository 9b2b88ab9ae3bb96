// Upload files whose outcome is known in advance, and the check that a
// results page shows exactly that outcome, so that many testers working at
// once can each tell whether they got their own results.

import { csvFile, freshRows, goodRows } from '../../tests/browser/harness/csv.mjs';
import { parseResults, RED } from './results.mjs';

const NOTES = 8;
const RESULT = 5;

// A file of `rows` rows for tester `id`: every row carries "t<id>-r<n>" in its
// notes, and the rows whose number has the same last digit as `id` have an
// invalid result, so the database rejects exactly those (flag 32).
export function testerFile(id, rows, good = goodRows()) {
  if (good.headers.length <= NOTES) throw new Error('examples/good.csv needs the nine columns');
  const data = freshRows(good, rows).map((row, i) => {
    row[NOTES] = `t${id}-r${i + 1}`;
    if ((i + 1) % 10 === id % 10) row[RESULT] = 'X';
    return row;
  });
  const bad = data.filter((row) => row[RESULT] === 'X').map((row) => row[NOTES]);
  return { text: csvFile(good.headers, data), bad, rows: data.length };
}

// Returns null when `page` (the answer to an upload in verify mode) is the
// bad-rows view of exactly `expected`'s rejected rows, else what is wrong.
export function checkBadRows(page, expected) {
  if (page.status !== 200) return `status ${page.status} ${page.location}`;
  const results = parseResults(page.text);
  if (results.view !== 'Bad Rows' || results.mode !== 'Verify') return `view ${results.view}, mode ${results.mode}`;
  const notes = results.rows.map((row) => row.cells[NOTES]);
  if (notes.join() !== expected.bad.join()) return `rows ${notes.slice(0, 4).join()}... instead of ${expected.bad.slice(0, 4).join()}...`;
  const wrong = results.rows.find((row) => row.colour !== RED || !row.outcome.startsWith('(-32)'));
  if (wrong) return `row ${wrong.cells[NOTES]} has ${wrong.colour} ${wrong.outcome.slice(0, 40)}`;
  if (!results.downloadLinked) return 'the download link is missing';
  return null;
}

// Returns the value at quantile q (0..1) of the sorted numbers.
export function quantile(sorted, q) {
  if (sorted.length === 0) return NaN;
  return sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
}

// Markup of a page reduced to its visible words, for reports.
export const pageWords = (html, max = 160) =>
  html
    .replace(/<head>[\s\S]*?<\/head>/i, ' ')
    .replace(/<[^>]*>/g, ' ').replace(/&nbsp;?/g, ' ').replace(/\s+/g, ' ').trim().slice(0, max);
