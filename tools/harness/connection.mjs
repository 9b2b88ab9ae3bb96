// A raw HTTP/1.1 connection to the server under test, plain or TLS, for
// requests no ordinary client would send.

import { once } from 'node:events';
import net from 'node:net';
import tls from 'node:tls';

// One connection to the server's plain or TLS listener, from `localAddress`
// when given, reading the responses framed by Content-Length.
export class Connection {
  static open(stack, secure, localAddress) {
    const options = { host: '127.0.0.1', port: secure ? stack.server.tlsPort : stack.server.port, localAddress };
    const socket = secure ? tls.connect({ ...options, rejectUnauthorized: false }) : net.connect(options);
    return new Promise((resolve, reject) => {
      socket.once(secure ? 'secureConnect' : 'connect', () => resolve(new Connection(socket)));
      socket.once('error', reject);
    });
  }

  constructor(socket) {
    this.socket = socket;
    this.buffer = Buffer.alloc(0);
    this.closed = false;
    this.wake = () => {};
    socket.on('data', (data) => {
      this.buffer = Buffer.concat([this.buffer, data]);
      this.wake();
    });
    this.ended = new Promise((resolve) =>
      socket.on('close', () => {
        this.closed = true;
        this.wake();
        resolve();
      }),
    );
    socket.on('error', () => {});
  }

  // Waits for more bytes; false once the connection is closed or after 10 s of silence.
  more() {
    if (this.closed) return Promise.resolve(false);
    return new Promise((resolve) => {
      const timer = setTimeout(() => resolve(false), 10_000);
      this.wake = () => {
        clearTimeout(timer);
        resolve(true);
      };
    });
  }

  // The next response ({ status, head, body }; status 0 when the bytes are no
  // response), with no body after a HEAD; null when the connection ends first.
  async response(method = 'GET') {
    for (;;) {
      const end = this.buffer.indexOf('\r\n\r\n');
      if (end >= 0 || this.buffer.length > 64 * 1024) {
        const head = this.buffer.subarray(0, Math.max(end, 0)).toString('latin1');
        const status = /^HTTP\/1\.[01] (\d{3}) /.exec(head);
        if (!status) return { status: 0, head: JSON.stringify(this.buffer.subarray(0, 40).toString('latin1')) };
        const length = method === 'HEAD' ? 0 : Number(/\r\ncontent-length: *(\d+)/i.exec(head)?.[1] ?? 0);
        if (this.buffer.length >= end + 4 + length) {
          const body = this.buffer.subarray(end + 4, end + 4 + length).toString('latin1');
          this.buffer = this.buffer.subarray(end + 4 + length);
          return { status: Number(status[1]), head, body };
        }
      }
      if (!(await this.more())) return null;
    }
  }

  async exchange(request, method = 'GET') {
    this.socket.write(request);
    return this.response(method);
  }

  // Writes `count` copies of `block`, waiting while the server does not read;
  // stops early when the server closes the connection.
  async stream(block, count) {
    for (let i = 0; i < count && !this.closed; i++) {
      if (!this.socket.write(block)) await Promise.race([once(this.socket, 'drain'), this.ended]);
    }
  }

  close() {
    this.socket.destroy();
  }
}
