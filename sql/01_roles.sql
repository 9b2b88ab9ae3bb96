-- Roles and database privileges of the test-case database. Roles belong to the
-- whole cluster, so this file may meet them already created.
--   quorax_owner    owns the tables and the procedures; cannot log in.
--   quorax_testers  the group of testers: may connect and CALL verify_result
--                   and insert_result, and nothing else.
-- A tester is a login in quorax_testers with a connection limit of its own
-- (a group's limit does not bind its members), as 04_demo_data.sql makes demo:
--   CREATE ROLE name LOGIN PASSWORD '...' CONNECTION LIMIT 20 IN ROLE quorax_testers;
-- 20 is the server's default cap of signed-in sessions per user, each with at
-- most one request and so one database connection at a time; it keeps one
-- login from taking every connection the cluster has for the other testers.
DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quorax_owner') THEN
    CREATE ROLE quorax_owner NOLOGIN;
  END IF;
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quorax_testers') THEN
    CREATE ROLE quorax_testers NOLOGIN;
  END IF;
  EXECUTE format('ALTER DATABASE %I OWNER TO quorax_owner', current_database());
  EXECUTE format('REVOKE ALL ON DATABASE %I FROM PUBLIC', current_database());
  EXECUTE format('GRANT CONNECT ON DATABASE %I TO quorax_testers', current_database());
END $$;

REVOKE ALL ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO quorax_testers;
ALTER DEFAULT PRIVILEGES FOR ROLE quorax_owner REVOKE EXECUTE ON ROUTINES FROM PUBLIC;

-- Large objects belong to no schema, so the grants above do not reach them,
-- and PUBLIC may call the functions that create, fill and read them. Only the
-- administrator keeps them.
DO $$
DECLARE
  f regprocedure;
BEGIN
  FOR f IN SELECT oid::regprocedure FROM pg_proc
           WHERE pronamespace = 'pg_catalog'::regnamespace
             AND (proname LIKE 'lo\_%' OR proname IN ('loread', 'lowrite')) LOOP
    EXECUTE format('REVOKE EXECUTE ON FUNCTION %s FROM PUBLIC', f);
  END LOOP;
END $$;
