-- verify_result and insert_result: the verdict on one uploaded row.
--
-- Both take parameter 1 OUT "RetVal" and the nine values of the row, and set
-- "RetVal" to 0 or to minus the sum of these flags:
--     1 a required value is missing ("TestCaseID", "TestDate", "Version",
--       "Platform", "Browser", "Result", "Tester"; NULL, blank, or a date
--       that does not parse)
--     2 no such test case            4 the date lies in the future
--     8 no such version             16 platform/browser not valid for the
--                                      test case's area
--    32 result not P, F or U        64 no such tester
--   128 the same test case, date, version, platform, browser and tester is
--       already recorded
-- Text values arrive with every apostrophe doubled (all but "Result"); the
-- doubling is undone before anything is compared or stored. insert_result
-- records the row only when the verdict is 0.
SET ROLE quorax_owner;

CREATE FUNCTION tcdb.undouble(value text) RETURNS text
LANGUAGE sql IMMUTABLE AS $$ SELECT replace(value, '''''', '''') $$;

CREATE FUNCTION tcdb.blank(value text) RETURNS boolean
LANGUAGE sql IMMUTABLE AS $$ SELECT coalesce(btrim(value), '') = '' $$;

-- The date in `value` (ISO, or month/day/year), or NULL when it does not parse
-- or is not a finite date.
CREATE FUNCTION tcdb.parse_date(value text) RETURNS date
LANGUAGE plpgsql STABLE SET datestyle = 'ISO, MDY' AS $$
DECLARE
  d date;
BEGIN
  IF tcdb.blank(value) THEN
    RETURN NULL;
  END IF;
  d := btrim(value)::date;
  RETURN CASE WHEN isfinite(d) THEN d END;
EXCEPTION WHEN data_exception THEN
  RETURN NULL;
END $$;

CREATE TYPE tcdb.row_verdict AS (
  flags integer,
  test_case_id integer,
  test_date date,
  version_id integer,
  platform_id integer,
  browser_id integer,
  result char(1),
  tester_id integer
);

-- The flags of one row (values already undoubled) and the keys it refers to.
CREATE FUNCTION tcdb.judge_row(p_test_case_id integer, p_test_date text, p_version text,
                               p_platform text, p_browser text, p_result text, p_tester text)
RETURNS tcdb.row_verdict
LANGUAGE plpgsql STABLE SET search_path = tcdb, pg_temp AS $$
DECLARE
  v row_verdict;
  area integer;
BEGIN
  v.flags := 0;
  v.test_date := parse_date(p_test_date);
  IF p_test_case_id IS NULL OR v.test_date IS NULL OR blank(p_version) OR blank(p_platform)
     OR blank(p_browser) OR blank(p_result) OR blank(p_tester) THEN
    v.flags := v.flags | 1;
  END IF;

  IF p_test_case_id IS NOT NULL THEN
    SELECT tc.test_case_id, tc.area_id INTO v.test_case_id, area
      FROM test_cases tc WHERE tc.test_case_id = p_test_case_id;
    IF NOT FOUND THEN
      v.flags := v.flags | 2;
    END IF;
  END IF;

  IF v.test_date > current_date THEN
    v.flags := v.flags | 4;
  END IF;

  IF NOT blank(p_version) THEN
    SELECT x.version_id INTO v.version_id FROM versions x WHERE lower(x.name) = lower(btrim(p_version));
    IF NOT FOUND THEN
      v.flags := v.flags | 8;
    END IF;
  END IF;

  IF area IS NOT NULL AND NOT blank(p_platform) AND NOT blank(p_browser) THEN
    SELECT p.platform_id INTO v.platform_id FROM platforms p WHERE lower(p.name) = lower(btrim(p_platform));
    SELECT b.browser_id INTO v.browser_id FROM browsers b WHERE lower(b.name) = lower(btrim(p_browser));
    IF NOT EXISTS (SELECT FROM area_combinations c
                    WHERE c.area_id = area AND c.platform_id = v.platform_id
                      AND c.browser_id = v.browser_id) THEN
      v.flags := v.flags | 16;
    END IF;
  END IF;

  IF NOT blank(p_result) THEN
    IF p_result IN ('P', 'F', 'U') THEN
      v.result := p_result;
    ELSE
      v.flags := v.flags | 32;
    END IF;
  END IF;

  IF NOT blank(p_tester) THEN
    SELECT t.tester_id INTO v.tester_id FROM testers t WHERE lower(t.name) = lower(btrim(p_tester));
    IF NOT FOUND THEN
      v.flags := v.flags | 64;
    END IF;
  END IF;

  IF EXISTS (SELECT FROM results r
              WHERE r.test_case_id = v.test_case_id AND r.test_date = v.test_date
                AND r.version_id = v.version_id AND r.platform_id = v.platform_id
                AND r.browser_id = v.browser_id AND r.tester_id = v.tester_id) THEN
    v.flags := v.flags | 128;
  END IF;
  RETURN v;
END $$;

CREATE PROCEDURE public.verify_result(
  OUT "RetVal" integer, IN "TestCaseID" integer, IN "TestDate" varchar, IN "Version" varchar,
  IN "Platform" varchar, IN "Browser" varchar, IN "Result" varchar, IN "Tester" varchar,
  IN "PR" character, IN "Notes" varchar)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = tcdb, pg_temp AS $$
DECLARE
  v row_verdict;
BEGIN
  v := judge_row("TestCaseID", undouble("TestDate"), undouble("Version"), undouble("Platform"),
                 undouble("Browser"), "Result", undouble("Tester"));
  "RetVal" := -v.flags;
END $$;

CREATE PROCEDURE public.insert_result(
  OUT "RetVal" integer, IN "TestCaseID" integer, IN "TestDate" varchar, IN "Version" varchar,
  IN "Platform" varchar, IN "Browser" varchar, IN "Result" varchar, IN "Tester" varchar,
  IN "PR" character, IN "Notes" varchar)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = tcdb, pg_temp AS $$
DECLARE
  v row_verdict;
BEGIN
  v := judge_row("TestCaseID", undouble("TestDate"), undouble("Version"), undouble("Platform"),
                 undouble("Browser"), "Result", undouble("Tester"));
  IF v.flags <> 0 THEN
    "RetVal" := -v.flags;
    RETURN;
  END IF;
  BEGIN
    INSERT INTO results (test_case_id, test_date, version_id, platform_id, browser_id, result,
                         tester_id, pr, notes)
    VALUES (v.test_case_id, v.test_date, v.version_id, v.platform_id, v.browser_id, v.result,
            v.tester_id, nullif(undouble(rtrim("PR")), ''), nullif(undouble("Notes"), ''));
    "RetVal" := 0;
  EXCEPTION WHEN unique_violation THEN
    -- Another upload recorded the same execution between the check and the insert.
    "RetVal" := -128;
  END;
END $$;

REVOKE ALL ON ALL FUNCTIONS IN SCHEMA tcdb FROM PUBLIC;
REVOKE ALL ON PROCEDURE public.verify_result, public.insert_result FROM PUBLIC;
GRANT EXECUTE ON PROCEDURE public.verify_result, public.insert_result TO quorax_testers;

RESET ROLE;
