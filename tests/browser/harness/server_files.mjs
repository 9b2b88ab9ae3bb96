// The files a server run needs: its settings file and, for TLS, a throw-away
// certificate.

import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

// Writes the settings file for a debug-mode server on plain HTTP, or for one
// as deployed (https addresses, the plain listener only redirects), and
// returns a function that restores what was there before.
export function writeSettings(file, dsn, deployed) {
  const previous = fs.existsSync(file) ? fs.readFileSync(file) : null;
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(
    file,
    [
      '# Written by the end-to-end harness for one run.',
      'BaseDir=/',
      deployed ? 'Secure=Y' : 'Debug=Y',
      `DSN=${dsn}`,
      'BuildVer=e2e',
      'BuildDate=01/01/2024',
      '',
    ].join('\r\n'),
  );
  return () => (previous === null ? fs.rmSync(file, { force: true }) : fs.writeFileSync(file, previous));
}

// Makes a self-signed certificate for 127.0.0.1 in a new temporary folder;
// returns { dir, cert, key }.
export function selfSigned() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quorax-tls.'));
  const cert = path.join(dir, 'cert.pem');
  const key = path.join(dir, 'key.pem');
  const made = spawnSync(
    'openssl',
    ['req', '-x509', '-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:P-256', '-nodes', '-days', '1',
      '-subj', '/CN=127.0.0.1', '-addext', 'subjectAltName=IP:127.0.0.1', '-keyout', key, '-out', cert],
    { encoding: 'utf8' },
  );
  if (made.status !== 0) throw new Error(`openssl could not make a certificate: ${made.stderr}`);
  return { dir, cert, key };
}
