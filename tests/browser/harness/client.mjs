// An HTTP client that behaves like one browser tab: it keeps its own session
// cookie, never follows redirects by itself, and builds upload bodies the way
// a browser does. Bodies are Windows-1252 bytes; `text` reads them one
// character per byte.

import crypto from 'node:crypto';

export const HOST_PAGE = '/Quorax.asp';
export const address = (item, extra = '') => `${HOST_PAGE}?WCI=${item}&WCU=${extra ? `&${extra}` : ''}`;

// Builds a multipart/form-data body with one file part "csvfile" holding
// `content` (a Buffer or a latin1 string), as a browser sends a file upload.
export function multipartUpload(content, { filename = 'results.csv', field = 'csvfile' } = {}) {
  const boundary = `----QuoraxFormBoundary${crypto.randomBytes(8).toString('hex')}`;
  const head = Buffer.from(
    `--${boundary}\r\nContent-Disposition: form-data; name="${field}"; filename="${filename}"\r\n` +
      'Content-Type: text/csv\r\n\r\n',
    'latin1',
  );
  const tail = Buffer.from(`\r\n--${boundary}--\r\n`, 'latin1');
  const body = Buffer.concat([head, Buffer.isBuffer(content) ? content : Buffer.from(content, 'latin1'), tail]);
  return { body, contentType: `multipart/form-data; boundary=${boundary}` };
}

export class Session {
  constructor(baseUrl, { timeoutMs = 30_000 } = {}) {
    this.baseUrl = baseUrl;
    this.timeoutMs = timeoutMs;
    this.cookies = new Map();
  }

  // Sends one request; returns { status, headers, body (Buffer), text, location, ms }.
  async request(method, path, { body, headers = {} } = {}) {
    const cookie = [...this.cookies].map(([k, v]) => `${k}=${v}`).join('; ');
    const started = performance.now();
    const response = await fetch(this.baseUrl + path, {
      method,
      body,
      redirect: 'manual',
      headers: { ...headers, ...(cookie ? { Cookie: cookie } : {}) },
      signal: AbortSignal.timeout(this.timeoutMs),
    });
    for (const line of response.headers.getSetCookie()) {
      const [pair] = line.split(';');
      const eq = pair.indexOf('=');
      this.cookies.set(pair.slice(0, eq).trim(), pair.slice(eq + 1).trim());
    }
    const bytes = Buffer.from(await response.arrayBuffer());
    return {
      status: response.status,
      headers: response.headers,
      body: bytes,
      text: bytes.toString('latin1'),
      location: response.headers.get('location') || '',
      ms: performance.now() - started,
    };
  }

  get(path) {
    return this.request('GET', path);
  }

  // Opens the start page and posts the sign-in form; returns the answer to the post.
  async signIn(user, password) {
    const start = await this.get(HOST_PAGE);
    if (start.status !== 200) throw new Error(`start page answered ${start.status}`);
    const form = new URLSearchParams({ uid: user, pwd: password }).toString();
    return this.request('POST', address('SubmitCSV'), {
      body: form,
      headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
    });
  }

  // Posts a file to the upload item (import when importMode); returns the answer.
  upload(content, { importMode = false } = {}) {
    const { body, contentType } = multipartUpload(content);
    return this.postUpload(body, contentType, { importMode });
  }

  postUpload(body, contentType, { importMode = false } = {}) {
    return this.request('POST', address('ImportCSV', importMode ? 'i=1' : ''), {
      body,
      headers: { 'Content-Type': contentType },
    });
  }

  // Posts a file of any size to the run item (import when importMode); the
  // answer is a redirect to the run's progress page, or a refusal.
  startRun(content, { importMode = false } = {}) {
    const { body, contentType } = multipartUpload(content);
    return this.request('POST', address('StartRun', importMode ? 'i=1' : ''), {
      body,
      headers: { 'Content-Type': contentType },
    });
  }

  // The session's run as the status item reports it (its JSON, parsed).
  async runStatus() {
    const answer = await this.get(address('RunStatus'));
    if (answer.status !== 200) throw new Error(`run status answered ${answer.status} ${answer.location}`);
    return JSON.parse(answer.text);
  }

  // Asks for the run's status every `everyMs` until it has finished; returns the last status.
  async finishedRun(everyMs = 100) {
    for (;;) {
      const status = await this.runStatus();
      if (status.finished) return status;
      await new Promise((resolve) => setTimeout(resolve, everyMs));
    }
  }

  // The page of the finished run's results that holds data row `row`.
  runResults(row = 1) {
    return this.get(address('RunResults', `row=${row}`));
  }

  // Returns to the upload form from a results page.
  uploadForm() {
    return this.get(address('SubmitCSV'));
  }

  view(code) {
    return this.get(address('ImportDone', `d=${code}`));
  }

  download() {
    return this.get(address('ExportCSV'));
  }
}
