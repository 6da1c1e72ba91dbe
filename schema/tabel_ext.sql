-- tabel's optional extension: access roles decided by the server, month close and change history.
--
-- Everything lives in the schema tabel_ext, owned by the NOLOGIN role tabel_ext_owner; the
-- enterprise's tables get triggers and grants and nothing else (no column, no constraint).
-- Installing is an explicit act, by the owner of the enterprise tables (or a superuser):
--
--     psql "service=tabel" -v ON_ERROR_STOP=1 -f tabel_ext.sql
--
-- or with `tabel --install-extension DATABASE SERVER`. The file is idempotent: running it again
-- changes nothing, and running it over an older version brings that version up to this one. It
-- never takes over a schema, table or function of tabel_ext that belongs to another role.
--
-- What it enforces, for every client (this program, older builds, psql, other programs):
-- * the access roles: the NOLOGIN group roles tabel_full, tabel_office, tabel_masters and
--   tabel_warehouse hold exactly the privileges their role needs in the program. A login is given
--   the roles it may take (GRANT tabel_masters TO login); logins are NOINHERIT, so a session has
--   a role's privileges only after SET ROLE, which the program does for the code typed at login;
-- * no journal line, household record or timesheet row dated in a closed month is added, changed
--   (also moved into or out of the month) or deleted; the error's SQLSTATE is TB001. Nothing a
--   client sets skips the check;
-- * only members of tabel_full and tabel_office close a month, only tabel_full reopens one;
-- * every insert, update and delete of a journal line (accounts_dep.smena) and of a household
--   record (accounts_dep.fatigue) is kept in tabel_ext.history, which cannot be changed afterwards;
-- * every change of a journal line, household record or timesheet row is told to the listening
--   workstations on the channel tabel_changes when it commits, in the program's own payloads
--   (db/Changes.h: "j2026-03-05/1", "f2026-03-05/1", "t2026-03/1"), one per notification, so a
--   payload the program sends too arrives once.
--
-- Who did it: the login (session_user) and the access role it has taken (the role set by SET
-- ROLE, which the server lets a session set only to a role its login is a member of), with the
-- client's address. The workstation's name (the setting tabel.station) is kept as information.
--
-- Every SECURITY DEFINER function pins its search_path (pg_catalog, pg_temp), so no object a
-- caller creates (in its temporary schema, say) is ever resolved inside it, and is executable only
-- by the group roles that need it.

SET client_min_messages = warning;

-- The roles. Created where the installer may create roles; elsewhere the administrator creates
-- them first (CREATE ROLE tabel_full NOLOGIN; ...).
DO $roles$
DECLARE
    r text;
    found_role pg_catalog.pg_roles;
BEGIN
    FOREACH r IN ARRAY ARRAY['tabel_ext_owner', 'tabel_full', 'tabel_office', 'tabel_masters', 'tabel_warehouse'] LOOP
        SELECT * INTO found_role FROM pg_catalog.pg_roles WHERE rolname = r;
        IF NOT FOUND THEN
            IF NOT (SELECT rolsuper OR rolcreaterole FROM pg_catalog.pg_roles WHERE rolname = current_user) THEN
                RAISE EXCEPTION USING ERRCODE = 'TB005',
                    MESSAGE = format('Роли %s нет, а у роли %s нет права создавать роли. Создайте её: CREATE ROLE %s NOLOGIN.', r, current_user, r);
            END IF;
            EXECUTE format('CREATE ROLE %I NOLOGIN NOINHERIT', r);
        ELSIF found_role.rolsuper OR found_role.rolcanlogin THEN
            RAISE EXCEPTION USING ERRCODE = 'TB005',
                MESSAGE = format('Роль %s уже есть и может входить в базу или является суперпользователем: это не группа tabel. Ничего не установлено.', r);
        END IF;
    END LOOP;
    -- The installer acts as the extension's owner to create its objects.
    IF NOT (SELECT rolsuper FROM pg_catalog.pg_roles WHERE rolname = current_user)
       AND NOT pg_catalog.pg_has_role(current_user, 'tabel_ext_owner', 'MEMBER') THEN
        EXECUTE format('GRANT tabel_ext_owner TO %I', current_user);
    END IF;
END
$roles$;

-- Nothing of another role's is taken over: the schema and everything in it must belong to the
-- extension's owner, or to the installer (an older version installed by it), which hands it over.
DO $owners$
DECLARE
    foreign_objects text;
BEGIN
    SELECT string_agg(what, ', ') INTO foreign_objects FROM (
        SELECT 'схема tabel_ext (' || nspowner::regrole::text || ')' AS what
        FROM pg_catalog.pg_namespace WHERE nspname = 'tabel_ext'
          AND nspowner NOT IN ('tabel_ext_owner'::regrole, current_user::regrole)
        UNION ALL
        SELECT c.oid::regclass::text || ' (' || c.relowner::regrole::text || ')'
        FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
        WHERE n.nspname = 'tabel_ext' AND c.relowner NOT IN ('tabel_ext_owner'::regrole, current_user::regrole)
        UNION ALL
        SELECT p.oid::regprocedure::text || ' (' || p.proowner::regrole::text || ')'
        FROM pg_catalog.pg_proc p JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace
        WHERE n.nspname = 'tabel_ext' AND p.proowner NOT IN ('tabel_ext_owner'::regrole, current_user::regrole)
        UNION ALL
        SELECT t.oid::regtype::text || ' (' || t.typowner::regrole::text || ')'
        FROM pg_catalog.pg_type t JOIN pg_catalog.pg_namespace n ON n.oid = t.typnamespace
        WHERE n.nspname = 'tabel_ext' AND t.typrelid = 0 AND t.typelem = 0
          AND t.typowner NOT IN ('tabel_ext_owner'::regrole, current_user::regrole)
    ) f;
    IF foreign_objects IS NOT NULL THEN
        RAISE EXCEPTION USING ERRCODE = 'TB005',
            MESSAGE = 'В схеме tabel_ext есть объекты другой роли: ' || foreign_objects
                      || '. Установка не присваивает чужие объекты; ничего не установлено.';
    END IF;
END
$owners$;

-- The triggers of older versions go first: their functions are replaced below.
DROP TRIGGER IF EXISTS tabel_ext_guard ON accounts_dep.smena;
DROP TRIGGER IF EXISTS tabel_ext_guard ON accounts_dep.fatigue;
DROP TRIGGER IF EXISTS tabel_ext_guard ON accounts_dep.h_tabel;
DROP TRIGGER IF EXISTS tabel_ext_history ON accounts_dep.smena;
DROP TRIGGER IF EXISTS tabel_ext_history ON accounts_dep.fatigue;

CREATE SCHEMA IF NOT EXISTS tabel_ext AUTHORIZATION tabel_ext_owner;
ALTER SCHEMA tabel_ext OWNER TO tabel_ext_owner;
DO $handover$
DECLARE
    o record;
BEGIN
    FOR o IN SELECT c.oid::regclass AS name FROM pg_catalog.pg_class c
             WHERE c.relnamespace = 'tabel_ext'::regnamespace AND c.relkind = 'r'
               AND c.relowner <> 'tabel_ext_owner'::regrole LOOP
        EXECUTE format('ALTER TABLE %s OWNER TO tabel_ext_owner', o.name);
    END LOOP;
    FOR o IN SELECT p.oid::regprocedure AS name FROM pg_catalog.pg_proc p
             WHERE p.pronamespace = 'tabel_ext'::regnamespace AND p.proowner <> 'tabel_ext_owner'::regrole LOOP
        EXECUTE format('ALTER FUNCTION %s OWNER TO tabel_ext_owner', o.name);
    END LOOP;
END
$handover$;

-- What the extension's own functions read and write of the enterprise's tables, as its owner.
GRANT USAGE ON SCHEMA accounts_dep TO tabel_ext_owner;
GRANT SELECT ON accounts_dep.smena, accounts_dep.fatigue TO tabel_ext_owner;
GRANT SELECT, INSERT, UPDATE ON accounts_dep.h_tabel, accounts_dep.ver TO tabel_ext_owner;

-- From here on the objects are made by their owner.
SET ROLE tabel_ext_owner;

-- The version of this file. The program compares it with the version its build needs.
CREATE OR REPLACE FUNCTION tabel_ext.version() RETURNS integer
LANGUAGE sql IMMUTABLE AS 'SELECT 3';

-- The closed months: a row per month that is closed now.
CREATE TABLE IF NOT EXISTS tabel_ext.closed_month (
    year      integer NOT NULL,
    month     integer NOT NULL CHECK (month BETWEEN 1 AND 12),
    closed_at timestamptz NOT NULL DEFAULT now(),
    role      text NOT NULL,
    station   text NOT NULL,
    reason    text NOT NULL DEFAULT '',
    PRIMARY KEY (year, month)
);

-- Every close and reopen, append-only.
CREATE TABLE IF NOT EXISTS tabel_ext.close_log (
    id      bigint PRIMARY KEY GENERATED ALWAYS AS IDENTITY,
    at      timestamptz NOT NULL DEFAULT now(),
    action  text NOT NULL CHECK (action IN ('close', 'reopen')),
    year    integer NOT NULL,
    month   integer NOT NULL,
    role    text NOT NULL,
    station text NOT NULL,
    reason  text NOT NULL DEFAULT ''
);

-- The change history of journal lines and household records, append-only. For an update,
-- old_values and new_values hold only the columns that changed.
CREATE TABLE IF NOT EXISTS tabel_ext.history (
    id         bigint PRIMARY KEY GENERATED ALWAYS AS IDENTITY,
    at         timestamptz NOT NULL DEFAULT clock_timestamp(),
    tx         bigint NOT NULL DEFAULT txid_current(),
    tbl        text NOT NULL CHECK (tbl IN ('smena', 'fatigue')),
    action     text NOT NULL CHECK (action IN ('insert', 'update', 'delete')),
    rec_id     integer NOT NULL,
    rec_date   date,
    rec_worker integer,
    old_values jsonb,
    new_values jsonb,
    role       text NOT NULL,
    station    text NOT NULL
);
CREATE INDEX IF NOT EXISTS history_record ON tabel_ext.history (tbl, rec_id, id);
CREATE INDEX IF NOT EXISTS history_date ON tabel_ext.history (rec_date);

-- Version 3: who, as the server knows it. "role" keeps the words the windows show (the access
-- role and the login); login and db_role keep the names themselves.
ALTER TABLE tabel_ext.closed_month ADD COLUMN IF NOT EXISTS login text, ADD COLUMN IF NOT EXISTS db_role text;
ALTER TABLE tabel_ext.close_log ADD COLUMN IF NOT EXISTS login text, ADD COLUMN IF NOT EXISTS db_role text;
ALTER TABLE tabel_ext.history ADD COLUMN IF NOT EXISTS login text, ADD COLUMN IF NOT EXISTS db_role text;

-- A row per month that a close or a reopen has touched: a transaction whose snapshot is older
-- than its statement (REPEATABLE READ, SERIALIZABLE) meets a close it cannot see through it.
CREATE TABLE IF NOT EXISTS tabel_ext.month_guard (
    k integer PRIMARY KEY -- year * 100 + month
);

-- The older versions' functions that version 3 no longer has.
DROP FUNCTION IF EXISTS tabel_ext.hold_open(integer);
DROP FUNCTION IF EXISTS tabel_ext.guard_smena();
DROP FUNCTION IF EXISTS tabel_ext.guard_fatigue();
DROP FUNCTION IF EXISTS tabel_ext.guard_h_tabel();
DROP FUNCTION IF EXISTS tabel_ext.record_change();

-- Who writes: the access role taken, in the windows' words, with the login; the workstation as
-- information. The role is the one SET ROLE took: the server allows it only to members, and a
-- SECURITY DEFINER function does not change it.
-- Plain SQL, so that the triggers' statements take it in as an expression: it runs inside the
-- pinned search_path of the functions that call it, and names everything from pg_catalog.
CREATE OR REPLACE FUNCTION tabel_ext.actor()
RETURNS TABLE (role text, station text, login text, db_role text)
LANGUAGE sql STABLE AS $$
    SELECT CASE s.taken
               WHEN 'tabel_full' THEN 'полный доступ'
               WHEN 'tabel_office' THEN 'бюджетный отдел'
               WHEN 'tabel_masters' THEN 'мастер'
               WHEN 'tabel_warehouse' THEN 'склад'
               WHEN 'none' THEN 'вне программы'
               ELSE 'вне программы, роль ' || s.taken
           END || ' (' || session_user || ')',
           coalesce(nullif(pg_catalog.current_setting('tabel.station', true), ''),
                    nullif(pg_catalog.current_setting('application_name', true), ''), 'без имени')
               || coalesce(' [' || pg_catalog.host(pg_catalog.inet_client_addr()) || ']', ''),
           session_user::text,
           CASE s.taken WHEN 'none' THEN session_user::text ELSE s.taken END
    FROM (SELECT pg_catalog.current_setting('role') AS taken) s
$$;

CREATE OR REPLACE FUNCTION tabel_ext.actor_role() RETURNS text
LANGUAGE sql STABLE SET search_path = pg_catalog, pg_temp AS 'SELECT role FROM tabel_ext.actor()';

CREATE OR REPLACE FUNCTION tabel_ext.actor_station() RETURNS text
LANGUAGE sql STABLE SET search_path = pg_catalog, pg_temp AS 'SELECT station FROM tabel_ext.actor()';

-- Whether the session has taken (or, as its own login, holds) one of the given access roles.
CREATE OR REPLACE FUNCTION tabel_ext.acts_as(roles text[]) RETURNS boolean
LANGUAGE sql STABLE SET search_path = pg_catalog, pg_temp AS $$
    SELECT EXISTS (SELECT 1 FROM unnest(roles) r
                   WHERE pg_has_role(CASE current_setting('role') WHEN 'none' THEN session_user
                                     ELSE current_setting('role') END, r, 'USAGE'))
$$;

-- Refuses a write into a closed month: the first closed one of the months given.
CREATE OR REPLACE FUNCTION tabel_ext.refuse_closed(y1 integer, m1 integer, y2 integer, m2 integer) RETURNS void
LANGUAGE plpgsql VOLATILE SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    c tabel_ext.closed_month;
BEGIN
    SELECT * INTO c FROM tabel_ext.closed_month
    WHERE (year = y1 AND month = m1) OR (year = y2 AND month = m2)
    ORDER BY year, month LIMIT 1;
    IF FOUND THEN
        RAISE EXCEPTION USING
            ERRCODE = 'TB001',
            MESSAGE = format('Месяц %s закрыт: %s, %s, %s. Ничего не записано.',
                             to_char(make_date(c.year, c.month, 1), 'MM.YYYY'), c.role, c.station,
                             to_char(c.closed_at, 'DD.MM.YYYY HH24:MI')),
            DETAIL = format('closed_month=%s-%s', c.year, lpad(c.month::text, 2, '0')),
            HINT = 'Открыть месяц заново может только полный доступ, в окне "Закрытие месяцев".';
    END IF;
END
$$;

-- Kept for callers of version 1's first form: refuses a write into (y, m) when it is closed.
CREATE OR REPLACE FUNCTION tabel_ext.check_month_open(y integer, m integer) RETURNS void
LANGUAGE plpgsql VOLATILE SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF y IS NULL OR m IS NULL THEN
        RETURN;
    END IF;
    PERFORM pg_advisory_xact_lock_shared(7010, y * 100 + m);
    PERFORM tabel_ext.refuse_closed(y, m, y, m);
END
$$;

CREATE OR REPLACE FUNCTION tabel_ext.is_month_closed(y integer, m integer) RETURNS boolean
LANGUAGE sql STABLE SET search_path = pg_catalog, pg_temp AS $$
    SELECT EXISTS (SELECT 1 FROM tabel_ext.closed_month WHERE year = y AND month = m)
$$;

-- Makes sure the months (keys year * 100 + month, in any order, NULLs ignored) are open for the rest
-- of the transaction: takes their locks shared and refuses when one is closed. A close takes a
-- month's lock exclusively: it waits for the writes in progress, and a write that comes during a
-- close waits for it and then sees the month closed. Called once per statement, by the triggers
-- below, inside their pinned search_path (so it has no SET clause of its own, which would cost
-- every statement a settings save and restore); there is nothing a session could set to skip it.
CREATE OR REPLACE FUNCTION tabel_ext.hold_months(ks integer[]) RETURNS void
LANGUAGE plpgsql VOLATILE AS $$
DECLARE
    k integer;
    c tabel_ext.closed_month;
BEGIN
    -- Each month once, in order (so two statements never take the same locks in turns).
    ks := ARRAY(SELECT DISTINCT x FROM unnest(ks) x WHERE x IS NOT NULL ORDER BY 1);
    IF cardinality(ks) = 0 THEN
        RETURN;
    END IF;
    FOREACH k IN ARRAY ks LOOP
        PERFORM pg_advisory_xact_lock_shared(7010, k);
    END LOOP;
    IF current_setting('transaction_isolation') <> 'read committed' THEN
        -- The transaction's snapshot may be older than a close that committed meanwhile. Where a
        -- close or reopen has written the month's guard row since, writing it fails here.
        BEGIN
            INSERT INTO tabel_ext.month_guard (k) SELECT unnest(ks) ON CONFLICT DO NOTHING;
        EXCEPTION WHEN serialization_failure THEN
            RAISE EXCEPTION USING
                ERRCODE = 'TB001',
                MESSAGE = 'Месяц закрыт или открыт заново после начала этой транзакции. Ничего не записано.';
        END;
    END IF;
    SELECT * INTO c FROM tabel_ext.closed_month WHERE year * 100 + month = ANY (ks) ORDER BY year, month LIMIT 1;
    IF FOUND THEN
        PERFORM tabel_ext.refuse_closed(c.year, c.month, c.year, c.month);
    END IF;
END
$$;

-- The month key (year * 100 + month) of a date, or of the month and year given where there is
-- no date (a household record's own); NULL where there is neither.
CREATE OR REPLACE FUNCTION tabel_ext.month_key(d date, y integer DEFAULT NULL, m integer DEFAULT NULL)
RETURNS integer
LANGUAGE sql IMMUTABLE AS $$
    SELECT coalesce(extract(year FROM d)::integer, y) * 100 + coalesce(extract(month FROM d)::integer, m)
$$;

-- The columns an update changed, before and after; NULL, NULL where it changed none.
CREATE OR REPLACE FUNCTION tabel_ext.changed_columns(before jsonb, after jsonb)
RETURNS TABLE (old_values jsonb, new_values jsonb)
LANGUAGE sql IMMUTABLE AS $$
    SELECT pg_catalog.jsonb_object_agg(e.key, before -> e.key), pg_catalog.jsonb_object_agg(e.key, e.value)
    FROM pg_catalog.jsonb_each(after) e WHERE (before -> e.key) IS DISTINCT FROM e.value
$$;

-- The statement-level triggers of the journal lines and the household records: the months the
-- statement touched (where rows left and where they came to) must be open, and its rows go into
-- the history, once per statement. They run as the extension's owner, who alone writes the
-- history.
CREATE OR REPLACE FUNCTION tabel_ext.smena_written() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF TG_OP = 'INSERT' THEN
        PERFORM tabel_ext.hold_months(ARRAY(SELECT tabel_ext.month_key(data) FROM new_rows));
        INSERT INTO tabel_ext.history (tbl, action, rec_id, rec_date, rec_worker, old_values, new_values,
                                       role, station, login, db_role)
        SELECT 'smena', 'insert', n.id, n.data, n.w_id, NULL, to_jsonb(n), a.role, a.station, a.login, a.db_role
        FROM new_rows n, tabel_ext.actor() a ORDER BY n.id;
    ELSIF TG_OP = 'UPDATE' THEN
        PERFORM tabel_ext.hold_months(ARRAY(SELECT tabel_ext.month_key(data) FROM old_rows
                                            UNION ALL SELECT tabel_ext.month_key(data) FROM new_rows));
        INSERT INTO tabel_ext.history (tbl, action, rec_id, rec_date, rec_worker, old_values, new_values,
                                       role, station, login, db_role)
        SELECT 'smena', 'update', n.id, n.data, n.w_id, d.old_values, d.new_values, a.role, a.station, a.login,
               a.db_role
        FROM old_rows o JOIN new_rows n ON n.id = o.id
        CROSS JOIN LATERAL tabel_ext.changed_columns(to_jsonb(o), to_jsonb(n)) d
        CROSS JOIN tabel_ext.actor() a
        WHERE d.new_values IS NOT NULL ORDER BY n.id;
    ELSE
        PERFORM tabel_ext.hold_months(ARRAY(SELECT tabel_ext.month_key(data) FROM old_rows));
        INSERT INTO tabel_ext.history (tbl, action, rec_id, rec_date, rec_worker, old_values, new_values,
                                       role, station, login, db_role)
        SELECT 'smena', 'delete', o.id, o.data, o.w_id, to_jsonb(o), NULL, a.role, a.station, a.login, a.db_role
        FROM old_rows o, tabel_ext.actor() a ORDER BY o.id;
    END IF;
    RETURN NULL;
END
$$;

-- A household record's month is its date's, or its own month and year where it has no date.
CREATE OR REPLACE FUNCTION tabel_ext.fatigue_written() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF TG_OP = 'INSERT' THEN
        PERFORM tabel_ext.hold_months(ARRAY(SELECT tabel_ext.month_key(d_date, i_year, i_mnth) FROM new_rows));
        INSERT INTO tabel_ext.history (tbl, action, rec_id, rec_date, rec_worker, old_values, new_values,
                                       role, station, login, db_role)
        SELECT 'fatigue', 'insert', n.id, n.d_date, n.id_p::integer, NULL, to_jsonb(n), a.role, a.station,
               a.login, a.db_role
        FROM new_rows n, tabel_ext.actor() a ORDER BY n.id;
    ELSIF TG_OP = 'UPDATE' THEN
        PERFORM tabel_ext.hold_months(ARRAY(SELECT tabel_ext.month_key(d_date, i_year, i_mnth) FROM old_rows
                                            UNION ALL
                                            SELECT tabel_ext.month_key(d_date, i_year, i_mnth) FROM new_rows));
        INSERT INTO tabel_ext.history (tbl, action, rec_id, rec_date, rec_worker, old_values, new_values,
                                       role, station, login, db_role)
        SELECT 'fatigue', 'update', n.id, n.d_date, n.id_p::integer, d.old_values, d.new_values, a.role,
               a.station, a.login, a.db_role
        FROM old_rows o JOIN new_rows n ON n.id = o.id
        CROSS JOIN LATERAL tabel_ext.changed_columns(to_jsonb(o), to_jsonb(n)) d
        CROSS JOIN tabel_ext.actor() a
        WHERE d.new_values IS NOT NULL ORDER BY n.id;
    ELSE
        PERFORM tabel_ext.hold_months(ARRAY(SELECT tabel_ext.month_key(d_date, i_year, i_mnth) FROM old_rows));
        INSERT INTO tabel_ext.history (tbl, action, rec_id, rec_date, rec_worker, old_values, new_values,
                                       role, station, login, db_role)
        SELECT 'fatigue', 'delete', o.id, o.d_date, o.id_p::integer, to_jsonb(o), NULL, a.role, a.station,
               a.login, a.db_role
        FROM old_rows o, tabel_ext.actor() a ORDER BY o.id;
    END IF;
    RETURN NULL;
END
$$;

CREATE OR REPLACE FUNCTION tabel_ext.h_tabel_written() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF TG_OP = 'INSERT' THEN
        PERFORM tabel_ext.hold_months(ARRAY(SELECT year * 100 + month FROM new_rows));
    ELSIF TG_OP = 'UPDATE' THEN
        PERFORM tabel_ext.hold_months(ARRAY(SELECT year * 100 + month FROM old_rows
                                            UNION ALL SELECT year * 100 + month FROM new_rows));
    ELSE
        PERFORM tabel_ext.hold_months(ARRAY(SELECT year * 100 + month FROM old_rows));
    END IF;
    RETURN NULL;
END
$$;

-- The day hours that a save of a journal line writes: the worker's shift row of the month gets,
-- in the day's column, the journal's hours of that worker, shift and day, and nothing else. The
-- roles that add lines need no right to write timesheet rows. create_row: a missing row is
-- created (with 0 where the day has no hours); otherwise only an existing row is written, and a
-- day without hours becomes empty. The locks are the program's own (month shared, then the row).
CREATE OR REPLACE FUNCTION tabel_ext.write_day_hours(w integer, s integer, d date, create_row boolean)
RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    y integer := extract(year FROM d);
    m integer := extract(month FROM d);
    col text := 'd' || extract(day FROM d)::integer;
    tim integer;
BEGIN
    IF w IS NULL OR s IS NULL OR d IS NULL THEN
        RETURN;
    END IF;
    PERFORM pg_advisory_xact_lock_shared(7002, hashtext(y || '-' || m));
    PERFORM pg_advisory_xact_lock(7001, hashtext(w || '/' || s || '/' || y || '-' || m));
    SELECT sum(time) INTO tim FROM accounts_dep.smena WHERE w_id = w AND smena = s AND data = d;
    IF NOT create_row THEN
        EXECUTE format('UPDATE accounts_dep.h_tabel SET %I = $1 WHERE w_id = $2 AND smena = $3 AND month = $4 '
                       'AND year = $5', col)
            USING nullif(tim, 0), w, s, m, y;
    ELSIF EXISTS (SELECT 1 FROM accounts_dep.h_tabel WHERE w_id = w AND smena = s AND month = m AND year = y) THEN
        EXECUTE format('UPDATE accounts_dep.h_tabel SET %I = $1 WHERE w_id = $2 AND smena = $3 AND month = $4 '
                       'AND year = $5', col)
            USING coalesce(tim, 0), w, s, m, y;
    ELSE
        EXECUTE format('INSERT INTO accounts_dep.h_tabel (smena, w_id, month, year, %I) VALUES ($1, $2, $3, $4, $5)',
                       col)
            USING s, w, m, y, coalesce(tim, 0);
    END IF;
END
$$;

-- The same for a household record: the worker's household row of the kind (7777, 7778) and of
-- day or night gets the day's sum of his records; a missing row is created (create_row) only
-- where the day has hours.
CREATE OR REPLACE FUNCTION tabel_ext.write_household_hours(w integer, k integer, n integer, d date,
                                                           create_row boolean)
RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    y integer := extract(year FROM d);
    m integer := extract(month FROM d);
    col text := 'd' || extract(day FROM d)::integer;
    tim integer;
BEGIN
    IF w IS NULL OR k IS NULL OR n IS NULL OR d IS NULL THEN
        RETURN;
    END IF;
    PERFORM pg_advisory_xact_lock_shared(7002, hashtext(y || '-' || m));
    PERFORM pg_advisory_xact_lock(7001, hashtext('h/' || w || '/' || k || '/' || n || '/' || y || '-' || m));
    SELECT sum(f.cnt) INTO tim FROM accounts_dep.fatigue f
    WHERE f.id_p = w AND f.id_o = k AND f.i_night = n AND f.d_date = d;
    IF EXISTS (SELECT 1 FROM accounts_dep.h_tabel
               WHERE w_id = w AND i_type = k AND month = m AND year = y AND i_night = n) THEN
        EXECUTE format('UPDATE accounts_dep.h_tabel SET %I = $1 WHERE w_id = $2 AND i_type = $3 AND month = $4 '
                       'AND year = $5 AND i_night = $6', col)
            USING nullif(tim, 0), w, k, m, y, n;
    ELSIF create_row AND coalesce(tim, 0) <> 0 THEN
        EXECUTE format('INSERT INTO accounts_dep.h_tabel (i_type, w_id, month, year, %I, i_night) '
                       'VALUES ($1, $2, $3, $4, $5, $6)', col)
            USING k, w, m, y, tim, n;
    END IF;
END
$$;

-- The build check: the record of the newest build, raised to the caller's build where that is
-- newer. It runs at the login window, before the session has taken an access role, so it is the
-- one function every login may call; it raises the record only for a login that holds one of
-- the access roles, and for everyone else only reads it.
CREATE OR REPLACE FUNCTION tabel_ext.check_build(build_d integer, build_t integer)
RETURNS TABLE (d integer, t integer, delim text, raised boolean)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
#variable_conflict use_column
DECLARE
    r record;
    may_raise boolean := EXISTS (SELECT 1 FROM unnest(ARRAY['tabel_full', 'tabel_office', 'tabel_masters',
                                                           'tabel_warehouse']) g
                                 WHERE pg_has_role(session_user, g, 'MEMBER'));
BEGIN
    SELECT v.ctid AS row, coalesce(v.d, 0) AS d, coalesce(v.t, 0) AS t, v.delim INTO r
    FROM accounts_dep.ver v LIMIT 1;
    IF NOT FOUND THEN
        IF may_raise THEN
            INSERT INTO accounts_dep.ver (d, t, delim) VALUES (build_d, build_t, '.');
            RETURN QUERY SELECT build_d, build_t, '.'::text, true;
        END IF;
        RETURN;
    END IF;
    IF may_raise AND (r.d < build_d OR (r.d = build_d AND r.t < build_t)) THEN
        UPDATE accounts_dep.ver v SET d = build_d, t = build_t WHERE v.ctid = r.row;
        RETURN QUERY SELECT build_d, build_t, r.delim::text, true;
        RETURN;
    END IF;
    RETURN QUERY SELECT r.d::integer, r.t::integer, r.delim::text, false;
END
$$;

-- Tell the listening workstations what a row's change touched: its old place and its new one.
CREATE OR REPLACE FUNCTION tabel_ext.notify_smena() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    IF TG_OP <> 'INSERT' THEN
        PERFORM pg_notify('tabel_changes', 'j' || to_char(OLD.data, 'YYYY-MM-DD') || '/' || coalesce(OLD.smena::text, '*'));
    END IF;
    IF TG_OP <> 'DELETE' THEN
        PERFORM pg_notify('tabel_changes', 'j' || to_char(NEW.data, 'YYYY-MM-DD') || '/' || coalesce(NEW.smena::text, '*'));
    END IF;
    RETURN NULL;
END
$$;

CREATE OR REPLACE FUNCTION tabel_ext.notify_fatigue() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    IF TG_OP <> 'INSERT' THEN
        PERFORM pg_notify('tabel_changes', 'f' || coalesce(to_char(OLD.d_date, 'YYYY-MM-DD'),
                          to_char(OLD.i_year, 'FM0000') || '-' || to_char(OLD.i_mnth, 'FM00')) || '/'
                          || coalesce(OLD.i_smena::text, '*'));
    END IF;
    IF TG_OP <> 'DELETE' THEN
        PERFORM pg_notify('tabel_changes', 'f' || coalesce(to_char(NEW.d_date, 'YYYY-MM-DD'),
                          to_char(NEW.i_year, 'FM0000') || '-' || to_char(NEW.i_mnth, 'FM00')) || '/'
                          || coalesce(NEW.i_smena::text, '*'));
    END IF;
    RETURN NULL;
END
$$;

CREATE OR REPLACE FUNCTION tabel_ext.notify_h_tabel() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    IF TG_OP <> 'INSERT' THEN
        PERFORM pg_notify('tabel_changes', 't' || to_char(OLD.year, 'FM0000') || '-' || to_char(OLD.month, 'FM00')
                          || '/' || coalesce(OLD.smena::text, '*'));
    END IF;
    IF TG_OP <> 'DELETE' THEN
        PERFORM pg_notify('tabel_changes', 't' || to_char(NEW.year, 'FM0000') || '-' || to_char(NEW.month, 'FM00')
                          || '/' || coalesce(NEW.smena::text, '*'));
    END IF;
    RETURN NULL;
END
$$;

-- The history and the close log are append-only: no update, no delete, no truncate.
CREATE OR REPLACE FUNCTION tabel_ext.refuse_change() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    RAISE EXCEPTION USING ERRCODE = 'TB002', MESSAGE = format('Журнал %s только дополняется.', TG_TABLE_NAME);
END
$$;

-- Closing and reopening. Who may is the server's to say: the members of tabel_full and
-- tabel_office close, only tabel_full reopens, whatever a session has set.
CREATE OR REPLACE FUNCTION tabel_ext.close_month(y integer, m integer, why text DEFAULT '') RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    a record;
BEGIN
    IF NOT tabel_ext.acts_as(ARRAY['tabel_full', 'tabel_office']) THEN
        RAISE EXCEPTION USING ERRCODE = 'TB003', MESSAGE = 'Закрыть месяц могут полный доступ и бюджетный отдел.';
    END IF;
    PERFORM pg_advisory_xact_lock(7010, y * 100 + m);
    IF tabel_ext.is_month_closed(y, m) THEN
        RETURN;
    END IF;
    SELECT * INTO a FROM tabel_ext.actor();
    INSERT INTO tabel_ext.month_guard (k) VALUES (y * 100 + m) ON CONFLICT (k) DO UPDATE SET k = EXCLUDED.k;
    INSERT INTO tabel_ext.closed_month (year, month, role, station, reason, login, db_role)
    VALUES (y, m, a.role, a.station, coalesce(why, ''), a.login, a.db_role);
    INSERT INTO tabel_ext.close_log (action, year, month, role, station, reason, login, db_role)
    VALUES ('close', y, m, a.role, a.station, coalesce(why, ''), a.login, a.db_role);
END
$$;

CREATE OR REPLACE FUNCTION tabel_ext.reopen_month(y integer, m integer, why text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    a record;
BEGIN
    IF NOT tabel_ext.acts_as(ARRAY['tabel_full']) THEN
        RAISE EXCEPTION USING ERRCODE = 'TB003', MESSAGE = 'Открыть закрытый месяц может только полный доступ.';
    END IF;
    IF coalesce(btrim(why), '') = '' THEN
        RAISE EXCEPTION USING ERRCODE = 'TB004', MESSAGE = 'Укажите причину, по которой месяц открывается заново.';
    END IF;
    PERFORM pg_advisory_xact_lock(7010, y * 100 + m);
    DELETE FROM tabel_ext.closed_month WHERE year = y AND month = m;
    IF FOUND THEN
        SELECT * INTO a FROM tabel_ext.actor();
        INSERT INTO tabel_ext.month_guard (k) VALUES (y * 100 + m) ON CONFLICT (k) DO UPDATE SET k = EXCLUDED.k;
        INSERT INTO tabel_ext.close_log (action, year, month, role, station, reason, login, db_role)
        VALUES ('reopen', y, m, a.role, a.station, btrim(why), a.login, a.db_role);
    END IF;
END
$$;

RESET ROLE;

-- Triggers: dropped and made anew, so an upgrade always leaves exactly this file's set. A trigger
-- with transition tables serves one event: three per table.
DO $triggers$
DECLARE
    tbl text;
    ev text;
BEGIN
    FOREACH tbl IN ARRAY ARRAY['smena', 'fatigue', 'h_tabel'] LOOP
        FOREACH ev IN ARRAY ARRAY['insert', 'update', 'delete'] LOOP
            EXECUTE format('DROP TRIGGER IF EXISTS %I ON accounts_dep.%I', 'tabel_ext_' || ev, tbl);
            EXECUTE format('CREATE TRIGGER %I AFTER %s ON accounts_dep.%I REFERENCING %s '
                           'FOR EACH STATEMENT EXECUTE FUNCTION tabel_ext.%I()',
                           'tabel_ext_' || ev, upper(ev), tbl,
                           CASE ev WHEN 'insert' THEN 'NEW TABLE AS new_rows'
                                   WHEN 'update' THEN 'OLD TABLE AS old_rows NEW TABLE AS new_rows'
                                   ELSE 'OLD TABLE AS old_rows' END,
                           tbl || '_written');
        END LOOP;
    END LOOP;
END
$triggers$;

-- The program's own sessions (tabel.notifies = program) tell what they changed with their
-- commit themselves: for them the notify triggers are not even called.
DROP TRIGGER IF EXISTS tabel_ext_notify ON accounts_dep.smena;
CREATE TRIGGER tabel_ext_notify AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.smena
    FOR EACH ROW WHEN (pg_catalog.current_setting('tabel.notifies', true) IS DISTINCT FROM 'program')
    EXECUTE FUNCTION tabel_ext.notify_smena();
DROP TRIGGER IF EXISTS tabel_ext_notify ON accounts_dep.fatigue;
CREATE TRIGGER tabel_ext_notify AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.fatigue
    FOR EACH ROW WHEN (pg_catalog.current_setting('tabel.notifies', true) IS DISTINCT FROM 'program')
    EXECUTE FUNCTION tabel_ext.notify_fatigue();
DROP TRIGGER IF EXISTS tabel_ext_notify ON accounts_dep.h_tabel;
CREATE TRIGGER tabel_ext_notify AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.h_tabel
    FOR EACH ROW WHEN (pg_catalog.current_setting('tabel.notifies', true) IS DISTINCT FROM 'program')
    EXECUTE FUNCTION tabel_ext.notify_h_tabel();

DROP TRIGGER IF EXISTS tabel_ext_append_only ON tabel_ext.history;
CREATE TRIGGER tabel_ext_append_only BEFORE UPDATE OR DELETE ON tabel_ext.history
    FOR EACH ROW EXECUTE FUNCTION tabel_ext.refuse_change();
DROP TRIGGER IF EXISTS tabel_ext_append_only_truncate ON tabel_ext.history;
CREATE TRIGGER tabel_ext_append_only_truncate BEFORE TRUNCATE ON tabel_ext.history
    FOR EACH STATEMENT EXECUTE FUNCTION tabel_ext.refuse_change();
DROP TRIGGER IF EXISTS tabel_ext_append_only ON tabel_ext.close_log;
CREATE TRIGGER tabel_ext_append_only BEFORE UPDATE OR DELETE ON tabel_ext.close_log
    FOR EACH ROW EXECUTE FUNCTION tabel_ext.refuse_change();
DROP TRIGGER IF EXISTS tabel_ext_append_only_truncate ON tabel_ext.close_log;
CREATE TRIGGER tabel_ext_append_only_truncate BEFORE TRUNCATE ON tabel_ext.close_log
    FOR EACH STATEMENT EXECUTE FUNCTION tabel_ext.refuse_change();

-- The extension's own schema: its tables are read by the access roles only and written only by
-- its functions; no function runs for PUBLIC but the version and the build check.
REVOKE ALL ON ALL TABLES IN SCHEMA tabel_ext FROM PUBLIC;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA tabel_ext FROM PUBLIC;
GRANT USAGE ON SCHEMA tabel_ext TO PUBLIC;
GRANT EXECUTE ON FUNCTION tabel_ext.version(), tabel_ext.check_build(integer, integer) TO PUBLIC;
GRANT SELECT ON tabel_ext.closed_month, tabel_ext.close_log, tabel_ext.history
    TO tabel_full, tabel_office, tabel_masters, tabel_warehouse;
GRANT EXECUTE ON FUNCTION tabel_ext.is_month_closed(integer, integer), tabel_ext.check_month_open(integer, integer),
    tabel_ext.refuse_closed(integer, integer, integer, integer), tabel_ext.actor(), tabel_ext.actor_role(),
    tabel_ext.actor_station()
    TO tabel_full, tabel_office, tabel_masters, tabel_warehouse;
GRANT EXECUTE ON FUNCTION tabel_ext.close_month(integer, integer, text) TO tabel_full, tabel_office;
GRANT EXECUTE ON FUNCTION tabel_ext.reopen_month(integer, integer, text) TO tabel_full;
GRANT EXECUTE ON FUNCTION tabel_ext.write_day_hours(integer, integer, date, boolean) TO tabel_full, tabel_masters;
GRANT EXECUTE ON FUNCTION tabel_ext.write_household_hours(integer, integer, integer, date, boolean)
    TO tabel_full, tabel_office, tabel_masters, tabel_warehouse;

-- The access roles on the enterprise's tables, from what each role does in the program's windows:
-- * every role reads the journal, the catalogues the journal and its pickers show, the
--   timesheets and the reports' tables; and keeps household records (the household works
--   window is open to every role; their day hours go through write_household_hours);
-- * full access writes everything the windows write: the catalogues (workers, products,
--   operation kinds, operations and norms), journal lines, timesheet rebuilds;
-- * the foremen add journal lines (their day hours go through write_day_hours), and change and
--   delete none;
-- * the warehouse changes a line's confirmation mark and nothing else of it;
-- * the budget office writes no journal line and no catalogue.
-- The build record is written through check_build only.
DO $grants$
DECLARE
    readers constant text := 'tabel_full, tabel_office, tabel_masters, tabel_warehouse';
    seq text;
BEGIN
    EXECUTE 'GRANT USAGE ON SCHEMA accounts_dep, cmn_contractor, cmn_gds_and_srv, cmn_classifier, adm_role, '
            'hrms_staffpos, cmn_department TO ' || readers;
    EXECUTE 'GRANT SELECT ON accounts_dep.smena, accounts_dep.h_tabel, accounts_dep.fatigue, accounts_dep.oper, '
            'accounts_dep.norm, accounts_dep.vid_oper, accounts_dep.worker_card, accounts_dep.izdel, '
            'accounts_dep.person, accounts_dep.ver, cmn_contractor.person, cmn_gds_and_srv.gds_and_srv, '
            'cmn_classifier.item, adm_role.roles, hrms_staffpos.staffpos, cmn_department.department TO ' || readers;
    EXECUTE 'GRANT INSERT, UPDATE, DELETE ON accounts_dep.fatigue TO ' || readers;
    GRANT INSERT, UPDATE, DELETE ON accounts_dep.smena, accounts_dep.h_tabel, accounts_dep.oper, accounts_dep.norm,
        accounts_dep.vid_oper, accounts_dep.worker_card, accounts_dep.person, cmn_gds_and_srv.gds_and_srv
        TO tabel_full;
    GRANT INSERT, UPDATE ON cmn_contractor.person TO tabel_full;
    -- The sequences that the defaults of the tables full access inserts into draw from.
    FOR seq IN SELECT DISTINCT d.refobjid::regclass::text
               FROM pg_catalog.pg_attrdef ad
               JOIN pg_catalog.pg_depend d ON d.classid = 'pg_catalog.pg_attrdef'::regclass AND d.objid = ad.oid
                                          AND d.refclassid = 'pg_catalog.pg_class'::regclass
               JOIN pg_catalog.pg_class c ON c.oid = d.refobjid AND c.relkind = 'S'
               WHERE ad.adrelid IN ('cmn_contractor.person'::regclass, 'cmn_gds_and_srv.gds_and_srv'::regclass)
    LOOP
        EXECUTE format('GRANT USAGE ON SEQUENCE %s TO tabel_full', seq);
    END LOOP;
    GRANT INSERT ON accounts_dep.smena TO tabel_masters;
    GRANT UPDATE (ok) ON accounts_dep.smena TO tabel_warehouse;
END
$grants$;
