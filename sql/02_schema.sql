-- The tables of the test-case database, in the schema tcdb, which only its
-- owner can reach. Names of platforms, browsers, versions and testers are
-- unique without regard to case, as the procedures look them up that way.
CREATE SCHEMA tcdb AUTHORIZATION quorax_owner;
SET ROLE quorax_owner;

CREATE TABLE tcdb.areas (
  area_id integer PRIMARY KEY,
  name text NOT NULL UNIQUE
);

CREATE TABLE tcdb.test_cases (
  test_case_id integer PRIMARY KEY,
  area_id integer NOT NULL REFERENCES tcdb.areas,
  title text NOT NULL
);

CREATE TABLE tcdb.versions (
  version_id integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  name text NOT NULL
);
CREATE UNIQUE INDEX versions_name ON tcdb.versions (lower(name));

CREATE TABLE tcdb.platforms (
  platform_id integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  name text NOT NULL
);
CREATE UNIQUE INDEX platforms_name ON tcdb.platforms (lower(name));

CREATE TABLE tcdb.browsers (
  browser_id integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  name text NOT NULL
);
CREATE UNIQUE INDEX browsers_name ON tcdb.browsers (lower(name));

-- The platform/browser combinations on which the test cases of an area run.
CREATE TABLE tcdb.area_combinations (
  area_id integer NOT NULL REFERENCES tcdb.areas,
  platform_id integer NOT NULL REFERENCES tcdb.platforms,
  browser_id integer NOT NULL REFERENCES tcdb.browsers,
  PRIMARY KEY (area_id, platform_id, browser_id)
);

CREATE TABLE tcdb.testers (
  tester_id integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  name text NOT NULL
);
CREATE UNIQUE INDEX testers_name ON tcdb.testers (lower(name));

-- One recorded test execution. The unique key is what makes a second upload
-- of the same execution a suspected duplicate.
CREATE TABLE tcdb.results (
  result_id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  test_case_id integer NOT NULL REFERENCES tcdb.test_cases,
  test_date date NOT NULL,
  version_id integer NOT NULL REFERENCES tcdb.versions,
  platform_id integer NOT NULL REFERENCES tcdb.platforms,
  browser_id integer NOT NULL REFERENCES tcdb.browsers,
  result char(1) NOT NULL CHECK (result IN ('P', 'F', 'U')),
  tester_id integer NOT NULL REFERENCES tcdb.testers,
  pr text,
  notes text,
  entered_by text NOT NULL DEFAULT session_user,
  entered_at timestamptz NOT NULL DEFAULT now(),
  UNIQUE (test_case_id, test_date, version_id, platform_id, browser_id, tester_id)
);

RESET ROLE;
