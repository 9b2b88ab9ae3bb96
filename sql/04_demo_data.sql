-- Demo data, enough to meet every verdict flag, and the demo login demo/demo
-- (a member of quorax_testers; for local use only).
SET ROLE quorax_owner;

INSERT INTO tcdb.areas (area_id, name) VALUES
  (1, 'Sign-in'), (2, 'Reports'), (3, 'Administration'), (4, 'Mobile');

INSERT INTO tcdb.test_cases (test_case_id, area_id, title)
SELECT n, CASE WHEN n <= 12 THEN 1 WHEN n <= 24 THEN 2 WHEN n <= 34 THEN 3 ELSE 4 END,
       format('Test case %s', n)
  FROM generate_series(1, 44) AS n;
-- Ids at and beyond the 16-bit boundary.
INSERT INTO tcdb.test_cases (test_case_id, area_id, title) VALUES
  (32767, 2, 'Monthly report totals'), (32768, 2, 'Yearly report totals'),
  (40000, 1, 'Sign-in after password change');

INSERT INTO tcdb.versions (name) VALUES ('1.0'), ('1.1'), ('2.0'), ('2.1'), ('3.0-beta');
INSERT INTO tcdb.platforms (name) VALUES
  ('Windows 10'), ('Windows 11'), ('macOS 14'), ('Ubuntu 22.04'), ('Android 14'), ('iOS 17'), ('Linux');
INSERT INTO tcdb.browsers (name) VALUES ('Chrome'), ('Firefox'), ('Edge'), ('Safari');
INSERT INTO tcdb.testers (name) VALUES ('alice'), ('bob'), ('carol'), ('dave'), ('o''brien');

-- Sign-in and Reports run on the desktop browsers ("Linux" is the platform a
-- CI job names when it imports its runner reports), Administration on
-- Windows with Chrome and Edge only, Mobile on the phones.
INSERT INTO tcdb.area_combinations (area_id, platform_id, browser_id)
SELECT a.area_id, p.platform_id, b.browser_id
  FROM tcdb.areas a, tcdb.platforms p, tcdb.browsers b
 WHERE (a.name IN ('Sign-in', 'Reports') AND (
          (p.name IN ('Windows 10', 'Windows 11') AND b.name IN ('Chrome', 'Firefox', 'Edge'))
       OR (p.name = 'macOS 14' AND b.name IN ('Chrome', 'Firefox', 'Safari'))
       OR (p.name IN ('Ubuntu 22.04', 'Linux') AND b.name IN ('Chrome', 'Firefox'))))
    OR (a.name = 'Administration' AND p.name IN ('Windows 10', 'Windows 11')
        AND b.name IN ('Chrome', 'Edge'))
    OR (a.name = 'Mobile' AND (
          (p.name = 'Android 14' AND b.name IN ('Chrome', 'Firefox'))
       OR (p.name = 'iOS 17' AND b.name IN ('Safari', 'Chrome'))));

-- Executions already recorded, for the duplicate flag.
INSERT INTO tcdb.results (test_case_id, test_date, version_id, platform_id, browser_id, result,
                          tester_id, pr, notes, entered_by)
SELECT r.tc, r.d::date, v.version_id, p.platform_id, b.browser_id, r.res, t.tester_id, r.pr,
       r.notes, 'demo data'
  FROM (VALUES
    (1, '2024-03-01', '2.0', 'Windows 11', 'Chrome', 'P', 'alice', NULL, NULL),
    (13, '2024-03-02', '2.1', 'macOS 14', 'Safari', 'F', 'bob', 'PR-1042', 'Export button missing'),
    (35, '2024-03-04', '2.1', 'Android 14', 'Chrome', 'U', 'carol', NULL, 'Device not available')
  ) AS r (tc, d, ver, plat, brow, res, tester, pr, notes)
  JOIN tcdb.versions v ON v.name = r.ver
  JOIN tcdb.platforms p ON p.name = r.plat
  JOIN tcdb.browsers b ON b.name = r.brow
  JOIN tcdb.testers t ON t.name = r.tester;

RESET ROLE;

DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'demo') THEN
    CREATE ROLE demo LOGIN;
  END IF;
  ALTER ROLE demo LOGIN PASSWORD 'demo' CONNECTION LIMIT 20;
END $$;
GRANT quorax_testers TO demo;
