// Starts what an end-to-end run needs on the loopback: a PostgreSQL cluster
// (its own, or the caller's when QUORAX_PGPORT and QUORAX_PGDATA are set), the
// settings file the server was built to read, and the server on a free port,
// with a TLS listener on another one when asked (a throw-away self-signed
// certificate made by openssl). Everything started here is stopped by
// Stack.close(); a settings file that existed before is put back.

import { execFile, spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { selfSigned, writeSettings } from './server_files.mjs';

export const repoRoot = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');

// Returns a TCP port on 127.0.0.1 that was free a moment ago.
export function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A PostgreSQL cluster driven through scripts/db.
export class Database {
  constructor({ pgdata, port, owned }) {
    this.pgdata = pgdata;
    this.port = port;
    this.owned = owned;
  }

  env() {
    return { ...process.env, QUORAX_PGDATA: this.pgdata, QUORAX_PGPORT: String(this.port) };
  }

  // Runs scripts/db with the given arguments; raises with its output on failure.
  run(...args) {
    const result = spawnSync(path.join(repoRoot, 'scripts/db'), args, {
      env: this.env(),
      encoding: 'utf8',
      timeout: 120_000,
    });
    if (result.status !== 0) {
      throw new Error(`scripts/db ${args.join(' ')} failed (${result.status}): ${result.stderr}${result.stdout}`);
    }
    return result.stdout;
  }

  // Like run, without blocking the caller's event loop.
  runAsync(...args) {
    return new Promise((resolve, reject) => {
      execFile(path.join(repoRoot, 'scripts/db'), args, { env: this.env(), timeout: 120_000 }, (error, stdout, stderr) =>
        error ? reject(new Error(`scripts/db ${args.join(' ')} failed: ${stderr}${stdout}`)) : resolve(stdout),
      );
    });
  }

  dsn() {
    return process.env.QUORAX_DSN || this.run('dsn').trim();
  }

  stop() {
    this.run('stop');
  }

  start() {
    this.run('start');
  }

  // Runs one SQL statement as the administrator and returns its unaligned output.
  sql(statement) {
    return this.run('psql', '-tAc', statement).trim();
  }

  // The caller's cluster when its environment is given (and ownCluster is not
  // asked for); otherwise a new one in a temporary folder on a free port.
  static async open({ ownCluster = false } = {}) {
    const { QUORAX_PGPORT: port, QUORAX_PGDATA: pgdata } = process.env;
    if (!ownCluster && port && pgdata) {
      const db = new Database({ pgdata, port: Number(port), owned: false });
      db.run('init');
      return db;
    }
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quorax-e2e-pg.'));
    const db = new Database({ pgdata: dir, port: await freePort(), owned: true });
    try {
      db.run('init');
    } catch (error) {
      db.destroy();
      throw error;
    }
    return db;
  }

  destroy() {
    if (!this.owned) return;
    spawnSync(path.join(repoRoot, 'scripts/db'), ['destroy'], { env: this.env(), timeout: 60_000 });
    fs.rmSync(this.pgdata, { recursive: true, force: true });
  }
}

// The server process on 127.0.0.1:port, and with TLS on tlsPort when given;
// its standard error goes to logFile.
export class Server {
  constructor({ binary, port, tlsPort, certificate, logFile, args = [] }) {
    this.binary = binary;
    this.port = port;
    this.tlsPort = tlsPort;
    this.logFile = logFile;
    this.args = tlsPort
      ? [...args, '--tls-listen', `127.0.0.1:${tlsPort}`, '--tls-cert', certificate.cert, '--tls-key', certificate.key]
      : args;
    this.url = `http://127.0.0.1:${port}`;
    this.secureUrl = tlsPort ? `https://127.0.0.1:${tlsPort}` : null;
  }

  async start() {
    if (!fs.existsSync(this.binary)) throw new Error(`server binary ${this.binary} not found (build it first)`);
    const log = fs.openSync(this.logFile, 'a');
    this.process = spawn(
      this.binary,
      ['--listen', `127.0.0.1:${this.port}`, '--templates', path.join(repoRoot, 'templates'), ...this.args],
      { stdio: ['ignore', log, log] },
    );
    fs.closeSync(log);
    this.exited = new Promise((resolve) => this.process.once('exit', (code, signal) => resolve({ code, signal })));
    const deadline = Date.now() + 20_000;
    while (Date.now() < deadline) {
      if (this.process.exitCode !== null || this.process.signalCode !== null) break;
      try {
        await fetch(`${this.url}/Quorax.asp`, { redirect: 'manual', signal: AbortSignal.timeout(2000) });
        return;
      } catch {
        await sleep(100);
      }
    }
    const tail = fs.readFileSync(this.logFile, 'utf8').split('\n').slice(-20).join('\n');
    await this.stop();
    throw new Error(`the server did not start on ${this.url}:\n${tail}`);
  }

  get pid() {
    return this.process.pid;
  }

  // Whether the process is still running.
  alive() {
    return this.process.exitCode === null && this.process.signalCode === null;
  }

  // Resident memory of the server in KiB, from /proc.
  rssKiB() {
    const status = fs.readFileSync(`/proc/${this.pid}/status`, 'utf8');
    return Number(/VmRSS:\s+(\d+)/.exec(status)[1]);
  }

  // Stops the server with SIGTERM (SIGKILL after 10 s); returns how it ended.
  async stop() {
    if (!this.process) return null;
    if (this.alive()) {
      this.process.kill('SIGTERM');
      const timer = setTimeout(() => this.process.kill('SIGKILL'), 10_000);
      const ended = await this.exited;
      clearTimeout(timer);
      return ended;
    }
    return this.exited;
  }
}

// The settings path the binary was built to read, from the CMake cache of its
// build folder; <repo>/var/test/Quorax.cfg when there is no cache to read.
function builtSettingsPath(binary) {
  const cache = path.join(path.dirname(binary), '../../CMakeCache.txt');
  const line = fs.existsSync(cache) && /^QUORAX_SETTINGS_FILE:\w+=(.*)$/m.exec(fs.readFileSync(cache, 'utf8'));
  return line ? line[1] : path.join(repoRoot, 'var/test/Quorax.cfg');
}

// Database, settings file and server together. With `tls` the server also
// listens with TLS (secureUrl), and this process's HTTPS clients accept the
// throw-away certificate; `deployed` (with `tls`) turns debug mode off, so
// that only the TLS listener serves pages.
export class Stack {
  static async start({ ownCluster = false, serverArgs = [], logDir, tls = false, deployed = false } = {}) {
    const stack = new Stack();
    const binary = process.env.QUORAX_SERVER || path.join(repoRoot, 'build/src/web/quorax-server');
    const settings = process.env.QUORAX_SETTINGS_FILE || builtSettingsPath(binary);
    const dir = logDir || path.join(path.dirname(settings), 'logs');
    fs.mkdirSync(dir, { recursive: true });
    try {
      stack.db = await Database.open({ ownCluster });
      stack.restoreSettings = writeSettings(settings, stack.db.dsn(), deployed);
      if (tls) {
        stack.certificate = selfSigned();
        // This process talks only to the loopback server it started.
        process.env.NODE_TLS_REJECT_UNAUTHORIZED = '0';
      }
      stack.server = new Server({
        binary,
        port: await freePort(),
        tlsPort: tls ? await freePort() : undefined,
        certificate: stack.certificate,
        logFile: path.join(dir, `server-${process.pid}.log`),
        args: serverArgs,
      });
      await stack.server.start();
      for (const signal of ['SIGINT', 'SIGTERM']) {
        process.once(signal, () => stack.close().finally(() => process.exit(130)));
      }
    } catch (error) {
      await stack.close();
      throw error;
    }
    return stack;
  }

  get url() {
    return this.server.url;
  }

  get secureUrl() {
    return this.server.secureUrl;
  }

  async close() {
    if (this.server) await this.server.stop();
    if (this.restoreSettings) this.restoreSettings();
    if (this.db) this.db.destroy();
    if (this.certificate) fs.rmSync(this.certificate.dir, { recursive: true, force: true });
  }
}
