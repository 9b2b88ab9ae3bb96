// Reads the results page's fragment back into data: the view and mode
// headings, each drawn row's cells and outcome cell, and whether the
// download link is live.

export const GREEN = '#00DD00';
export const RED = '#DD0000';
export const YELLOW = '#DDDD00';

const ROW =
  /<TR>\r\n((?:<TD VALIGN="TOP">[\s\S]*?<\/TD>\r\n)*)<TD BGCOLOR=(#[0-9A-F]{6}) VALIGN="TOP">([\s\S]*?)<\/TD><\/TR>\r\n/g;
const CELL = /<TD VALIGN="TOP">([\s\S]*?)<\/TD>\r\n/g;

// The text a browser shows for a cell written by the results page.
export function cellText(html) {
  if (html === '&nbsp') return '';
  return html.replaceAll('&lt;', '<').replaceAll('&gt;', '>').replaceAll('&quot;', '"').replaceAll('&amp;', '&');
}

// Returns { view, mode, rows: [{ cells, colour, outcome }], downloadLinked, successNotice }.
export function parseResults(html) {
  const view = /<B>Display Mode: ([^<]*)<\/B>/.exec(html)?.[1] ?? null;
  const mode = /<B>Operation Mode: ([^<]*)<\/B>/.exec(html)?.[1] ?? null;
  const rows = [...html.matchAll(ROW)].map(([, cells, colour, outcome]) => ({
    cells: [...cells.matchAll(CELL)].map(([, cell]) => cellText(cell)),
    colour,
    outcome,
  }));
  return {
    view,
    mode,
    rows,
    downloadLinked: /<A HREF="[^"]*WCI=ExportCSV[^"]*" TARGET="anewwin">Download Bad Rows<\/A>/.test(html),
    successNotice: /<B>(All rows have been (?:imported successfully|verified and are Ok))<\/B>/.exec(html)?.[1] ?? null,
  };
}
