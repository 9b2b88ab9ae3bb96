-- Roles and database privileges of the test-case database. Roles belong to the
-- whole cluster, so this file may meet them already created.
--   quorax_owner    owns the tables and the procedures; cannot log in.
--   quorax_testers  the group of testers: may connect and CALL verify_result
--                   and insert_result, and nothing else.
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
