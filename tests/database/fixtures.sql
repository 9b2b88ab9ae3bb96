-- Test roles and procedures, loaded by the database tests as the administrator.
-- Several test processes may load it at once; the lock makes them take turns.
SELECT pg_advisory_lock(72610);

DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quorax_test') THEN
    CREATE ROLE quorax_test LOGIN;
  END IF;
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quorax_test_bare') THEN
    CREATE ROLE quorax_test_bare LOGIN;
  END IF;
END $$;
ALTER ROLE quorax_test LOGIN PASSWORD 'quorax_test';
ALTER ROLE quorax_test_bare LOGIN PASSWORD 'quorax_test';
GRANT quorax_testers TO quorax_test, quorax_test_bare;
ALTER ROLE quorax_test SET search_path = quorax_test, public;
ALTER ROLE quorax_test_bare SET search_path = quorax_test_nothing;

CREATE SCHEMA IF NOT EXISTS quorax_test;
GRANT USAGE ON SCHEMA quorax_test TO quorax_test;

-- Calls of the shadowing verify_result that asked to be logged, in the order
-- they ran and committed.
CREATE TABLE IF NOT EXISTS quorax_test.call_log (id serial PRIMARY KEY, note varchar);
GRANT INSERT, SELECT, DELETE ON quorax_test.call_log TO quorax_test;
GRANT USAGE ON ALL SEQUENCES IN SCHEMA quorax_test TO quorax_test;

-- Shadows the real verify_result for quorax_test; "Tester" chooses the answer.
-- 'log' records "Notes" in call_log and verifies; 'log-reject' records it and
-- rejects the row (-64); 'log-fail' records it and then fails; 'log-die'
-- records it and ends its own server process.
CREATE OR REPLACE PROCEDURE quorax_test.verify_result(
  OUT "RetVal" integer, IN "TestCaseID" integer, IN "TestDate" varchar, IN "Version" varchar,
  IN "Platform" varchar, IN "Browser" varchar, IN "Result" varchar, IN "Tester" varchar,
  IN "PR" character, IN "Notes" varchar)
LANGUAGE plpgsql AS $$
BEGIN
  CASE "Tester"
    WHEN 'null-verdict' THEN "RetVal" := NULL;
    WHEN 'big-verdict' THEN "RetVal" := 40000;
    WHEN 'positive-verdict' THEN "RetVal" := 5;
    WHEN 'lowest-verdict' THEN "RetVal" := -32768;
    WHEN 'log' THEN
      INSERT INTO quorax_test.call_log (note) VALUES ("Notes");
      "RetVal" := 0;
    WHEN 'log-reject' THEN
      INSERT INTO quorax_test.call_log (note) VALUES ("Notes");
      "RetVal" := -64;
    WHEN 'log-fail' THEN
      INSERT INTO quorax_test.call_log (note) VALUES ("Notes");
      RAISE EXCEPTION 'refused %', "Notes";
    WHEN 'log-die' THEN
      INSERT INTO quorax_test.call_log (note) VALUES ("Notes");
      PERFORM pg_terminate_backend(pg_backend_pid());
      PERFORM pg_sleep(5);
    ELSE
      -- Reports the values exactly as they arrived.
      RAISE EXCEPTION 'received %|%|%|%|%|%|%|%|%', coalesce("TestCaseID"::text, 'NULL'),
        "TestDate", "Version", "Platform", "Browser", "Result", "Tester", "PR", "Notes";
  END CASE;
END $$;

-- Shadows the real insert_result for quorax_test with the same answers.
CREATE OR REPLACE PROCEDURE quorax_test.insert_result(
  OUT "RetVal" integer, IN "TestCaseID" integer, IN "TestDate" varchar, IN "Version" varchar,
  IN "Platform" varchar, IN "Browser" varchar, IN "Result" varchar, IN "Tester" varchar,
  IN "PR" character, IN "Notes" varchar)
LANGUAGE plpgsql AS $$
BEGIN
  CALL quorax_test.verify_result("RetVal", "TestCaseID", "TestDate", "Version", "Platform",
                                 "Browser", "Result", "Tester", "PR", "Notes");
END $$;

-- A logged note ending in 'die-at-commit' ends its server process when its
-- transaction commits, after the client has sent the commit.
CREATE OR REPLACE FUNCTION quorax_test.die_at_commit() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
  PERFORM pg_terminate_backend(pg_backend_pid());
  PERFORM pg_sleep(5);
  RETURN NULL;
END $$;
DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_trigger WHERE tgname = 'call_log_die_at_commit') THEN
    CREATE CONSTRAINT TRIGGER call_log_die_at_commit AFTER INSERT ON quorax_test.call_log
      DEFERRABLE INITIALLY DEFERRED FOR EACH ROW WHEN (NEW.note LIKE '%die-at-commit')
      EXECUTE FUNCTION quorax_test.die_at_commit();
  END IF;
END $$;

CREATE OR REPLACE PROCEDURE quorax_test.echo(OUT "Out" varchar, IN "In" varchar)
LANGUAGE plpgsql AS $$ BEGIN "Out" := "In"; END $$;

CREATE OR REPLACE PROCEDURE quorax_test.unrepresentable(OUT "Out" varchar)
LANGUAGE plpgsql AS $$ BEGIN "Out" := chr(256) || 'x' || chr(8364) || chr(128512); END $$;

CREATE OR REPLACE PROCEDURE quorax_test.two_outputs(
  IN "A" integer, OUT "Sum" integer, IN "B" integer, OUT "Text" varchar)
LANGUAGE plpgsql AS $$ BEGIN "Sum" := "A" + "B"; "Text" := format('%s+%s', "A", "B"); END $$;

CREATE OR REPLACE PROCEDURE quorax_test.prepared_count(OUT "Count" integer)
LANGUAGE plpgsql AS $$
BEGIN
  SELECT count(*) INTO "Count" FROM pg_prepared_statements;
END $$;

GRANT EXECUTE ON ALL ROUTINES IN SCHEMA quorax_test TO quorax_test;

SELECT pg_advisory_unlock(72610);
