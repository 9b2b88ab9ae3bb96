// Hostile requests below the application, and crowds, as one table: each case
// runs over plain HTTP and, where marked, over TLS, must get what it expects
// (a status, or a bound) and leave the server running. A server found stopped
// is started again, so that the later cases still tell their own story.

import fs from 'node:fs';
import path from 'node:path';
import { address, HOST_PAGE, Session } from '../../tests/browser/harness/client.mjs';
import { Connection } from './connection.mjs';

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const MiB = 1 << 20;

const get = (target) => `GET ${target} HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n`;

// The head of a chunked upload post, and a whole one with one chunk, a chunk
// extension and a trailer field.
const CHUNKED_HEAD =
  `POST ${address('ImportCSV')} HTTP/1.1\r\nHost: 127.0.0.1\r\n` +
  'Content-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n';
const chunked = ({ extension = '', trailer = '' }) =>
  `${CHUNKED_HEAD}5${extension}\r\nhello\r\n0\r\n${trailer && `${trailer}\r\n`}\r\n`;

// A case that sends `request` on a new connection and expects one of `statuses`.
const answers = (request, statuses) => async (stack, secure) => {
  const connection = await Connection.open(stack, secure);
  const answer = await connection.exchange(request);
  connection.close();
  return { ok: statuses.includes(answer?.status), detail: answer ? `answered ${answer.status}` : 'no answer' };
};

// A case that sends HEAD `target` and then GET /healthz on the same
// connection: the first answer (one of `statuses`) has no body, so the
// second parses.
const headThenGet = (target, statuses) => async (stack, secure) => {
  const connection = await Connection.open(stack, secure);
  const head = await connection.exchange(`HEAD ${target} HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n`, 'HEAD');
  const next = head && (await connection.exchange(get('/healthz')));
  connection.close();
  return {
    ok: statuses.includes(head?.status) && next?.status === 200 && next.body === 'ok',
    detail: `HEAD ${head?.status ?? 'no answer'}, then ${next ? `${next.status} ${next.head.split('\r\n')[0]}` : 'nothing'}`,
  };
};

// Three connections each sending 50 MB of chunk-extension bytes: the server's
// resident memory must not grow by more than 20 MiB.
async function extensionFlood(stack, secure) {
  const before = stack.server.rssKiB();
  let peak = before;
  const sampler = setInterval(() => {
    try {
      peak = Math.max(peak, stack.server.rssKiB());
    } catch {
      // the process is gone; the case reports that
    }
  }, 100);
  const block = Buffer.alloc(MiB, 'e');
  await Promise.all(
    [1, 2, 3].map(async () => {
      const connection = await Connection.open(stack, secure);
      connection.socket.write(`${CHUNKED_HEAD}1;`);
      await connection.stream(block, 50);
      connection.close();
    }),
  );
  clearInterval(sampler);
  const grown = (peak - before) / 1024;
  return { ok: grown <= 20, detail: `RSS ${(before / 1024).toFixed(0)} MiB, grew by ${grown.toFixed(0)} MiB at most` };
}

// Testers signing in at once from one address: each must reach the upload
// form. Their kept-alive connections are left to close (after 4 s idle)
// before the next case.
const signInBurst = (count) => async (stack, secure, ctx) => {
  const sessions = Array.from({ length: count }, () => new Session(secure ? stack.secureUrl : stack.url));
  const answers = await Promise.all(sessions.map((s) => s.signIn(ctx.user, ctx.password).catch((e) => ({ status: e.message }))));
  await sleep(5000);
  const reached = answers.filter((a) => a.status === 200 && a.text.includes('name="csvfile"')).length;
  const others = [...new Set(answers.filter((a) => a.status !== 200).map((a) => a.status))];
  return { ok: reached === count, detail: `${reached} of ${count} reached the upload form ${others.join(', ')}` };
};

// `total` requests over `connections` keep-alive connections from each of
// `addresses`; returns the count of each status (0: no answer).
async function crowd(stack, secure, { addresses = ['127.0.0.1'], connections, total, request }) {
  const statuses = {};
  const each = Math.ceil(total / (addresses.length * connections));
  await Promise.all(
    addresses.flatMap((from) =>
      Array.from({ length: connections }, async () => {
        const connection = await Connection.open(stack, secure, from).catch(() => null);
        for (let i = 0; i < each; i++) {
          const status = connection ? ((await connection.exchange(request))?.status ?? 0) : 0;
          statuses[status] = (statuses[status] || 0) + 1;
          if (status === 0) break;
        }
        connection?.close();
      }),
    ),
  );
  return statuses;
}

// A tester holds a guest session (the start page) while more cookie-less
// clients than the server keeps sessions for arrive from other addresses; the
// tester's sign-in must still succeed.
async function guestFlood(stack, secure, ctx) {
  const tester = new Session(secure ? stack.secureUrl : stack.url);
  if ((await tester.get(HOST_PAGE)).status !== 200) return { ok: false, detail: 'no start page' };
  const addresses = ['127.0.0.2', '127.0.0.3', '127.0.0.4', '127.0.0.5'];
  const flood = await crowd(stack, secure, { addresses, connections: 8, total: 12_000, request: get(HOST_PAGE) });
  const form = new URLSearchParams({ uid: ctx.user, pwd: ctx.password }).toString();
  const answer = await tester.request('POST', address('SubmitCSV'), {
    body: form,
    headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
  });
  return {
    ok: answer.status === 200 && answer.text.includes('name="csvfile"'),
    detail: `flood answers ${JSON.stringify(flood)}; sign-in answered ${answer.status} ${answer.location}`,
  };
}

// 1,000 database health probes in a burst from an address of their own: each
// answers 200 or 503, and the server opens few database connections for them
// (counted by PostgreSQL, which logs every connection it receives while this
// case runs).
async function probeStorm(stack, secure) {
  const log = path.join(stack.db.pgdata, 'server.log');
  const received = () => (fs.readFileSync(log, 'latin1').match(/connection received: host=/g) || []).length;
  await stack.db.runAsync('psql', '-tAc', 'ALTER SYSTEM SET log_connections = on');
  await stack.db.runAsync('psql', '-tAc', 'SELECT pg_reload_conf()');
  let statuses;
  let opened;
  try {
    await sleep(500);
    const before = received();
    statuses = await crowd(stack, secure, {
      addresses: ['127.0.0.9'],
      connections: 20,
      total: 1000,
      request: get('/healthz?db=1'),
    });
    await sleep(500);
    opened = received() - before;
  } finally {
    await stack.db.runAsync('psql', '-tAc', 'ALTER SYSTEM RESET log_connections');
    await stack.db.runAsync('psql', '-tAc', 'SELECT pg_reload_conf()');
  }
  const answered = (statuses[200] || 0) + (statuses[503] || 0);
  return {
    ok: answered === 1000 && opened <= 50,
    detail: `answers ${JSON.stringify(statuses)}; ${opened} database connections opened`,
  };
}

const TRAILER = 65_600;
const CASES = [
  { name: `a chunked post with a ${TRAILER}-byte trailer value: 431 or 400`, tls: true,
    run: answers(chunked({ trailer: `X-Note: ${'v'.repeat(TRAILER)}` }), [400, 431]) },
  { name: `a chunked post with a ${TRAILER}-byte trailer name: 431 or 400`, tls: true,
    run: answers(chunked({ trailer: `${'n'.repeat(TRAILER)}: v` }), [400, 431]) },
  { name: 'a chunk extension over 4 KiB: 400', tls: true, run: answers(chunked({ extension: `;e=${'x'.repeat(4200)}` }), [400]) },
  { name: '3 connections sending 50 MB of chunk extensions each: RSS grows at most 20 MiB', tls: false, run: extensionFlood },
  { name: 'HEAD of the host page: no body, the next response parses', tls: true, run: headThenGet(HOST_PAGE, [200, 405]) },
  { name: 'HEAD of an unknown path: no body, the next response parses', tls: true, run: headThenGet('/no-such-page', [404, 405]) },
  { name: '60 testers signing in at once from one address all reach the upload form', tls: true, run: signInBurst(60) },
  { name: 'a guest flood from other addresses leaves a waiting tester able to sign in', tls: false, run: guestFlood },
  { name: '1,000 database health probes at once: all answered, few database connections', tls: false, run: probeStorm },
];

export async function hostileRequests(stack, ctx) {
  for (const c of CASES) {
    for (const secure of c.tls ? [false, true] : [false]) {
      let outcome;
      try {
        outcome = await c.run(stack, secure, ctx);
      } catch (error) {
        outcome = { ok: false, detail: error.message };
      }
      await sleep(200); // a process that aborts takes a moment to be seen stopped
      const running = stack.server.alive() && (await ctx.serving(stack.url));
      ctx.check(outcome.ok && running, `${c.name}${secure ? ' (TLS)' : ''}`,
        `${outcome.detail}${running ? '' : '; the server stopped and is started again'}`);
      if (!running) {
        await stack.server.stop();
        await stack.server.start();
      }
    }
  }
}
