// CSV as the server reads and writes it, kept independent of the server's
// code so that tests can predict its pages and downloads: the header line is
// split at commas without quote processing, data fields may be quoted, and
// the writer quotes every field and ends every line with CR LF.

import fs from 'node:fs';
import path from 'node:path';
import { repoRoot } from './stack.mjs';

// Reads `text` (one character per byte). Returns { headers, rows, complete };
// rows stop at the first malformed one, as the server's reader does.
export function parseCsv(text) {
  const lineEnd = text.includes('\r\n') ? '\r\n' : '\n';
  const first = text.indexOf(lineEnd);
  if (first < 0) return { headers: [], rows: [], complete: false };
  const headers = text.slice(0, first).split(',');
  const rows = [];
  let pos = first + lineEnd.length;
  while (pos < text.length - 1) {
    const row = [];
    for (let col = 0; col < headers.length; col++) {
      const field = readField(text, pos, col === headers.length - 1, lineEnd);
      if (!field) return { headers, rows, complete: false };
      row.push(field.value);
      pos = field.next;
    }
    rows.push(row);
  }
  return { headers, rows, complete: rows.length > 0 };
}

function readField(text, pos, last, lineEnd) {
  const delimiter = last ? lineEnd : ',';
  if (text[pos] === '"') {
    let value = '';
    let p = pos + 1;
    for (;;) {
      const close = text.indexOf('"', p);
      if (close < 0) return null;
      value += text.slice(p, close);
      if (text[close + 1] === '"') {
        value += '"';
        p = close + 2;
        continue;
      }
      if (!text.startsWith(delimiter, close + 1)) return null;
      return { value, next: close + 1 + delimiter.length };
    }
  }
  const end = text.indexOf(lineEnd, pos);
  const comma = text.indexOf(',', pos);
  if (end < 0) return null;
  if (last) return comma >= 0 && comma < end ? null : { value: text.slice(pos, end), next: end + lineEnd.length };
  if (comma < 0 || end < comma) return null;
  return { value: text.slice(pos, comma), next: comma + 1 };
}

// One line as the server's writer emits it.
export const csvLine = (fields) => `${fields.map((f) => `"${f.replaceAll('"', '""')}"`).join(',')}\r\n`;

// The bytes of the bad-row download: the header line and the given rows.
export const expectedDownload = (table, rowNumbers) =>
  Buffer.from(csvLine(table.headers) + rowNumbers.map((r) => csvLine(table.rows[r - 1])).join(''), 'latin1');

// An upload file: header line as given, data fields quoted only where they
// must be (a comma, quote or line break inside), CR LF line ends.
const field = (f) => (/[",\r\n]/.test(f) ? `"${f.replaceAll('"', '""')}"` : f);
export const csvFile = (headers, rows) =>
  [headers.join(','), ...rows.map((r) => r.map(field).join(','))].map((line) => `${line}\r\n`).join('');

export function readExample(name) {
  return fs.readFileSync(path.join(repoRoot, 'examples', name)).toString('latin1');
}

// The rows of examples/good.csv, which the demo database accepts as they are.
export function goodRows() {
  const table = parseCsv(readExample('good.csv'));
  if (!table.complete || table.rows.length === 0) throw new Error('examples/good.csv has no complete rows');
  return table;
}

// Formats `date` the way `sample` (a date cell of an example file) is written.
export function formatDateLike(date, sample) {
  const yyyy = String(date.getUTCFullYear());
  const mm = String(date.getUTCMonth() + 1).padStart(2, '0');
  const dd = String(date.getUTCDate()).padStart(2, '0');
  if (/^\d{1,2}\/\d{1,2}\/\d{4}$/.test(sample)) return `${mm}/${dd}/${yyyy}`;
  return `${yyyy}-${mm}-${dd}`;
}

// A random day from 1950 on, so that rows built with it are unlikely to have
// been recorded by an earlier run against the same database, and early
// enough that `following` more days end before 2019: a date in the future is
// refused.
export function randomPastDay(following = 0) {
  const start = Date.UTC(1950, 0, 1);
  const days = Math.floor(Math.random() * Math.max(1, 25_000 - following));
  return new Date(start + days * 86_400_000);
}

// `count` rows that the demo database accepts and has not recorded yet: the
// good example rows repeated, row i dated `firstDay` + i days.
export function freshRows(table, count, firstDay = randomPastDay(count)) {
  const rows = [];
  for (let i = 0; i < count; i++) {
    const row = [...table.rows[i % table.rows.length]];
    const day = new Date(firstDay.getTime() + i * 86_400_000);
    row[1] = formatDateLike(day, row[1]);
    rows.push(row);
  }
  return rows;
}
