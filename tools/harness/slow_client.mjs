// Clients that send their request one byte per second, some in the header and
// some in the body, while ordinary testers keep verifying files. The host must
// time the slow requests out and the testers must not notice them.

import net from 'node:net';

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Opens a connection that sends `head` at once and then `trickle` one byte per
// second. Resolves with { seconds, answer } once the server closes the
// connection, or { seconds: null } when `limitMs` passes first.
function trickle(port, head, trickleBytes, limitMs) {
  return new Promise((resolve) => {
    const started = Date.now();
    const socket = net.connect(port, '127.0.0.1');
    let answer = '';
    let sent = 0;
    let timer;
    const finish = (closed) => {
      clearInterval(timer);
      clearTimeout(limit);
      socket.destroy();
      resolve({ seconds: closed ? (Date.now() - started) / 1000 : null, answer: answer.split('\r\n')[0] });
    };
    const limit = setTimeout(() => finish(false), limitMs);
    socket.on('data', (data) => (answer += data.toString('latin1')));
    socket.on('close', () => finish(true));
    socket.on('error', () => {});
    socket.on('connect', () => {
      socket.write(head);
      timer = setInterval(() => {
        if (sent < trickleBytes.length && !socket.destroyed) socket.write(trickleBytes.subarray(sent, ++sent));
      }, 1000);
    });
  });
}

// Ordinary testers verifying until `until` resolves; returns latencies and errors.
async function ordinaryTesters(stack, ctx, count, until) {
  const latencies = [];
  const errors = [];
  let done = false;
  until.then(() => (done = true));
  const good = ctx.goodRows();
  await Promise.all(
    Array.from({ length: count }, async (_, i) => {
      const file = ctx.testerFile(i + 1, 100, good);
      try {
        const session = await ctx.signedIn(stack.url);
        let first = true;
        while (!done) {
          if (!first) await session.uploadForm();
          first = false;
          const page = await session.upload(file.text);
          latencies.push(page.ms);
          const problem = ctx.checkBadRows(page, file);
          if (problem) errors.push(problem);
        }
      } catch (error) {
        errors.push(error.message);
      }
    }),
  );
  return { latencies: latencies.sort((a, b) => a - b), errors };
}

export async function slowClient(stack, ctx, opts) {
  const count = Number(opts['slow-clients']);
  const limitMs = Number(opts['slow-limit']) * 1000;
  const baseline = await ordinaryTesters(stack, ctx, 4, sleep(5000));
  const body = Buffer.from('--B\r\nContent-Disposition: form-data; name="csvfile"\r\n\r\n' + 'x'.repeat(5000));
  const bodyHead =
    'POST /Quorax.asp?WCI=ImportCSV&WCU= HTTP/1.1\r\nHost: 127.0.0.1\r\n' +
    `Content-Type: multipart/form-data; boundary=B\r\nContent-Length: ${body.length}\r\n\r\n`;
  const headerBytes = Buffer.from('GET /Quorax.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ' + 'y'.repeat(5000));
  const slow = Promise.all(
    Array.from({ length: count }, (_, i) =>
      i % 2 === 0 ? trickle(stack.server.port, bodyHead, body, limitMs) : trickle(stack.server.port, '', headerBytes, limitMs),
    ),
  );
  const during = await ordinaryTesters(stack, ctx, 4, slow);
  const ended = await slow;
  const p99 = (run) => ctx.quantile(run.latencies, 0.99);
  ctx.check(
    ended.every((e) => e.seconds !== null),
    `${count} clients sending one byte per second were cut off by the host`,
    ended.map((e) => `${e.seconds ?? '-'} s ${e.answer || '(closed)'}`).join('; '),
  );
  ctx.check(
    during.errors.length === 0 && during.latencies.length > 0 && p99(during) < Math.max(2000, 5 * p99(baseline)),
    'testers were not held up by the slow clients',
    `${during.latencies.length} uploads, p50 ${ctx.quantile(during.latencies, 0.5).toFixed(0)} ms, ` +
      `p99 ${p99(during).toFixed(0)} ms (alone: p50 ${ctx.quantile(baseline.latencies, 0.5).toFixed(0)} ms, ` +
      `p99 ${p99(baseline).toFixed(0)} ms), errors ${during.errors.length} ${during.errors.slice(0, 2).join('; ')}`,
  );
}
