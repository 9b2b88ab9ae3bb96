// Reads the load test's --report of a scale test (scripts/scaletest) in which
// server s1 was killed and started again while s2 ran on, and checks that
// sessions followed their servers: every tester first signed in on s1 was sent
// to the sign-in page and signed in again, no tester on s2 was ever signed
// out, and both servers had testers. Prints one line per check; exits 1 when
// one fails.
//
//   node tools/harness/scale_sessions.mjs REPORT.json

import fs from 'node:fs';

const { testers } = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
// HAProxy prefixes the session cookie with the server's name and "~".
const server = (cookie) => cookie.split('~')[0];
const on = (name) => testers.filter((t) => server(t.sessions[0]) === name);
const killed = on('s1');
const survivors = on('s2');
const lost = killed.filter((t) => t.signOuts === 0).length;
const disturbed = survivors.filter((t) => t.signOuts > 0).length;
const laterServers = [...new Set(killed.flatMap((t) => t.sessions.slice(1).map(server)))];

console.log(`testers: ${killed.length} on s1 (killed), ${survivors.length} on s2`);
console.log(
  `${lost ? 'FAIL' : 'ok:  '} s1's testers were sent to the sign-in page and signed in again ` +
    `(${killed.length - lost} of ${killed.length}; sessions afterwards on ${laterServers})`,
);
console.log(`${disturbed ? 'FAIL' : 'ok:  '} s2's testers were never signed out (${disturbed} were)`);
process.exit(lost || disturbed || killed.length === 0 || survivors.length === 0 ? 1 : 0);
