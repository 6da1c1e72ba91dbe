-- tabel's optional extension: month close and change history.
--
-- Everything lives in the schema tabel_ext; the enterprise's tables get triggers and nothing else
-- (no column, no constraint). Installing is an explicit act, either by the administrator:
--
--     psql -h SERVER -U <owner> -d vemor_erp -v ON_ERROR_STOP=1 -f tabel_ext.sql
--
-- or with `tabel --install-extension DATABASE SERVER`. The file is idempotent: running it again
-- changes nothing, and running it over an older version brings that version up to this one.
--
-- What it enforces, for every client (this program, older builds, psql, other programs):
-- * no journal line, household record or timesheet row dated in a closed month is added, changed
--   (also moved into or out of the month) or deleted; the error's SQLSTATE is TB001;
-- * every insert, update and delete of a journal line (accounts_dep.smena) and of a household
--   record (accounts_dep.fatigue) is kept in tabel_ext.history, which cannot be changed afterwards;
-- * every change of a journal line, household record or timesheet row is told to the listening
--   workstations on the channel tabel_changes when it commits, in the program's own payloads
--   (db/Changes.h: "j2026-03-05/1", "f2026-03-05/1", "t2026-03/1"), one per notification, so a
--   payload the program sends too arrives once.
--
-- Who did it: all workstations log in as one database user, so the triggers record the access
-- role and the workstation that the program puts into the session (the settings tabel.role and
-- tabel.station, and application_name), and the client's address.

SET client_min_messages = warning;

CREATE SCHEMA IF NOT EXISTS tabel_ext;

-- The version of this file. The program compares it with the version its build needs.
CREATE OR REPLACE FUNCTION tabel_ext.version() RETURNS integer
LANGUAGE sql IMMUTABLE AS 'SELECT 2';

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

-- The role and the workstation of the session that writes. PL/pgSQL rather than SQL functions:
-- a trigger calls them on every write, and PL/pgSQL keeps its plans between calls.
CREATE OR REPLACE FUNCTION tabel_ext.actor_role() RETURNS text
LANGUAGE plpgsql STABLE AS $$
BEGIN
    RETURN CASE coalesce(current_setting('tabel.role', true), '')
               WHEN 'full' THEN 'полный доступ'
               WHEN 'office' THEN 'бюджетный отдел'
               WHEN 'masters' THEN 'мастер'
               WHEN 'warehouse' THEN 'склад'
               ELSE 'вне программы (' || session_user || ')'
           END;
END
$$;

CREATE OR REPLACE FUNCTION tabel_ext.actor_station() RETURNS text
LANGUAGE plpgsql STABLE AS $$
BEGIN
    RETURN coalesce(nullif(current_setting('tabel.station', true), ''),
                    nullif(current_setting('application_name', true), ''), 'без имени')
           || coalesce(' [' || host(inet_client_addr()) || ']', '');
END
$$;

-- Refuses a write into a closed month. A write holds its months' locks shared until its
-- transaction ends, and a close takes the month's lock exclusively: a close waits for the saves
-- in progress, and a save that began after the close waits for it and then sees the month closed.
-- Raised by the guards below only when one of the months is closed.
CREATE OR REPLACE FUNCTION tabel_ext.refuse_closed(y1 integer, m1 integer, y2 integer, m2 integer) RETURNS void
LANGUAGE plpgsql VOLATILE AS $$
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
LANGUAGE plpgsql VOLATILE AS $$
BEGIN
    IF y IS NULL OR m IS NULL THEN
        RETURN;
    END IF;
    PERFORM pg_advisory_xact_lock_shared(7010, y * 100 + m);
    PERFORM tabel_ext.refuse_closed(y, m, y, m);
END
$$;

CREATE OR REPLACE FUNCTION tabel_ext.is_month_closed(y integer, m integer) RETURNS boolean
LANGUAGE sql STABLE AS $$
    SELECT EXISTS (SELECT 1 FROM tabel_ext.closed_month WHERE year = y AND month = m)
$$;

-- Makes sure the month (key year * 100 + month) is open for the rest of the transaction: takes
-- its lock shared and refuses when the month is closed. A month found open is remembered in a
-- transaction-local setting, so the further rows of the same transaction (the day hours after
-- the line, a rebuild's hundreds of rows) cost an expression, not a query: the lock held until
-- the transaction ends keeps it open meanwhile.
DROP FUNCTION IF EXISTS tabel_ext.hold_open(integer);
CREATE FUNCTION tabel_ext.hold_open(k integer) RETURNS boolean
LANGUAGE plpgsql VOLATILE AS $$
DECLARE
    done text;
    locked boolean;
BEGIN
    IF k IS NULL OR pg_catalog.current_setting('tabel_ext.open_' || k, true) = 'yes' THEN
        RETURN true;
    END IF;
    locked := pg_catalog.pg_advisory_xact_lock_shared(7010, k) IS NULL;
    IF EXISTS (SELECT 1 FROM tabel_ext.closed_month WHERE year = k / 100 AND month = k % 100) THEN
        PERFORM tabel_ext.refuse_closed(k / 100, k % 100, k / 100, k % 100);
    END IF;
    done := pg_catalog.set_config('tabel_ext.open_' || k, 'yes', true);
    RETURN true;
END
$$;

-- The guards run on every write of the three tables: the month the row leaves and the month
-- it comes to must be open. They call hold_open in an assignment, not a PERFORM: an assignment
-- of a plain expression is evaluated in place, a PERFORM is a query of its own.
CREATE OR REPLACE FUNCTION tabel_ext.guard_smena() RETURNS trigger
LANGUAGE plpgsql AS $$
DECLARE
    ok boolean;
BEGIN
    IF TG_OP <> 'INSERT' THEN
        ok := tabel_ext.hold_open((extract(year FROM OLD.data) * 100 + extract(month FROM OLD.data))::integer);
    END IF;
    IF TG_OP <> 'DELETE' THEN
        ok := tabel_ext.hold_open((extract(year FROM NEW.data) * 100 + extract(month FROM NEW.data))::integer);
        RETURN NEW;
    END IF;
    RETURN OLD;
END
$$;

-- A household record's month is its date's, or its own month and year where it has no date.
CREATE OR REPLACE FUNCTION tabel_ext.guard_fatigue() RETURNS trigger
LANGUAGE plpgsql AS $$
DECLARE
    ok boolean;
BEGIN
    IF TG_OP <> 'INSERT' THEN
        ok := tabel_ext.hold_open(coalesce(extract(year FROM OLD.d_date)::integer, OLD.i_year) * 100
                                    + coalesce(extract(month FROM OLD.d_date)::integer, OLD.i_mnth));
    END IF;
    IF TG_OP <> 'DELETE' THEN
        ok := tabel_ext.hold_open(coalesce(extract(year FROM NEW.d_date)::integer, NEW.i_year) * 100
                                    + coalesce(extract(month FROM NEW.d_date)::integer, NEW.i_mnth));
        RETURN NEW;
    END IF;
    RETURN OLD;
END
$$;

CREATE OR REPLACE FUNCTION tabel_ext.guard_h_tabel() RETURNS trigger
LANGUAGE plpgsql AS $$
DECLARE
    ok boolean;
BEGIN
    IF TG_OP <> 'INSERT' THEN
        ok := tabel_ext.hold_open(OLD.year * 100 + OLD.month);
    END IF;
    IF TG_OP <> 'DELETE' THEN
        ok := tabel_ext.hold_open(NEW.year * 100 + NEW.month);
        RETURN NEW;
    END IF;
    RETURN OLD;
END
$$;

-- Records one change of a journal line or a household record. Runs as the extension's owner,
-- so the history can be written by the triggers although the workstations may not write it.
-- No SET search_path clause: a function-level setting is applied and undone on every call,
-- which on a trigger costs a save more than the history itself; every name is qualified.
CREATE OR REPLACE FUNCTION tabel_ext.record_change() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER AS $$
DECLARE
    o jsonb;
    n jsonb;
    j jsonb;
    k text;
    changed_old jsonb := '{}';
    changed_new jsonb := '{}';
BEGIN
    IF TG_OP <> 'INSERT' THEN o := pg_catalog.to_jsonb(OLD); END IF;
    IF TG_OP <> 'DELETE' THEN n := pg_catalog.to_jsonb(NEW); END IF;
    j := coalesce(n, o);
    IF TG_OP = 'UPDATE' THEN
        FOR k IN SELECT pg_catalog.jsonb_object_keys(n) LOOP
            IF (o -> k) IS DISTINCT FROM (n -> k) THEN
                changed_old := changed_old || pg_catalog.jsonb_build_object(k, o -> k);
                changed_new := changed_new || pg_catalog.jsonb_build_object(k, n -> k);
            END IF;
        END LOOP;
        IF changed_new = '{}' THEN
            RETURN NULL;
        END IF;
        o := changed_old;
        n := changed_new;
    END IF;
    INSERT INTO tabel_ext.history (tbl, action, rec_id, rec_date, rec_worker, old_values, new_values, role, station)
    VALUES (TG_TABLE_NAME, pg_catalog.lower(TG_OP), (j ->> 'id')::integer,
            coalesce(j ->> 'data', j ->> 'd_date')::date, coalesce(j ->> 'w_id', j ->> 'id_p')::integer, o, n,
            -- tabel_ext.actor_role() and actor_station(), written out: no function call per row
            CASE coalesce(pg_catalog.current_setting('tabel.role', true), '')
                WHEN 'full' THEN 'полный доступ'
                WHEN 'office' THEN 'бюджетный отдел'
                WHEN 'masters' THEN 'мастер'
                WHEN 'warehouse' THEN 'склад'
                ELSE 'вне программы (' || session_user || ')'
            END,
            coalesce(nullif(pg_catalog.current_setting('tabel.station', true), ''),
                     nullif(pg_catalog.current_setting('application_name', true), ''), 'без имени')
                || coalesce(' [' || pg_catalog.host(pg_catalog.inet_client_addr()) || ']', ''));
    RETURN NULL;
END
$$;

ALTER FUNCTION tabel_ext.record_change() RESET ALL;

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

-- Closing and reopening, with the role check that the program also makes before it asks.
CREATE OR REPLACE FUNCTION tabel_ext.close_month(y integer, m integer, why text DEFAULT '') RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF coalesce(current_setting('tabel.role', true), '') NOT IN ('full', 'office') THEN
        RAISE EXCEPTION USING ERRCODE = 'TB003', MESSAGE = 'Закрыть месяц могут полный доступ и бюджетный отдел.';
    END IF;
    PERFORM pg_advisory_xact_lock(7010, y * 100 + m);
    -- Writes later in this same transaction are checked again.
    PERFORM pg_catalog.set_config('tabel_ext.open_' || (y * 100 + m), '', true);
    IF tabel_ext.is_month_closed(y, m) THEN
        RETURN;
    END IF;
    INSERT INTO tabel_ext.closed_month (year, month, role, station, reason)
    VALUES (y, m, tabel_ext.actor_role(), tabel_ext.actor_station(), coalesce(why, ''));
    INSERT INTO tabel_ext.close_log (action, year, month, role, station, reason)
    VALUES ('close', y, m, tabel_ext.actor_role(), tabel_ext.actor_station(), coalesce(why, ''));
END
$$;

CREATE OR REPLACE FUNCTION tabel_ext.reopen_month(y integer, m integer, why text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF coalesce(current_setting('tabel.role', true), '') <> 'full' THEN
        RAISE EXCEPTION USING ERRCODE = 'TB003', MESSAGE = 'Открыть закрытый месяц может только полный доступ.';
    END IF;
    IF coalesce(btrim(why), '') = '' THEN
        RAISE EXCEPTION USING ERRCODE = 'TB004', MESSAGE = 'Укажите причину, по которой месяц открывается заново.';
    END IF;
    PERFORM pg_advisory_xact_lock(7010, y * 100 + m);
    DELETE FROM tabel_ext.closed_month WHERE year = y AND month = m;
    IF FOUND THEN
        INSERT INTO tabel_ext.close_log (action, year, month, role, station, reason)
        VALUES ('reopen', y, m, tabel_ext.actor_role(), tabel_ext.actor_station(), btrim(why));
    END IF;
END
$$;

-- Triggers: dropped and made anew, so an upgrade always leaves exactly this file's set.
DROP TRIGGER IF EXISTS tabel_ext_guard ON accounts_dep.smena;
CREATE TRIGGER tabel_ext_guard BEFORE INSERT OR UPDATE OR DELETE ON accounts_dep.smena
    FOR EACH ROW EXECUTE FUNCTION tabel_ext.guard_smena();
DROP TRIGGER IF EXISTS tabel_ext_guard ON accounts_dep.fatigue;
CREATE TRIGGER tabel_ext_guard BEFORE INSERT OR UPDATE OR DELETE ON accounts_dep.fatigue
    FOR EACH ROW EXECUTE FUNCTION tabel_ext.guard_fatigue();
DROP TRIGGER IF EXISTS tabel_ext_guard ON accounts_dep.h_tabel;
CREATE TRIGGER tabel_ext_guard BEFORE INSERT OR UPDATE OR DELETE ON accounts_dep.h_tabel
    FOR EACH ROW EXECUTE FUNCTION tabel_ext.guard_h_tabel();

DROP TRIGGER IF EXISTS tabel_ext_history ON accounts_dep.smena;
CREATE TRIGGER tabel_ext_history AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.smena
    FOR EACH ROW EXECUTE FUNCTION tabel_ext.record_change();
DROP TRIGGER IF EXISTS tabel_ext_history ON accounts_dep.fatigue;
CREATE TRIGGER tabel_ext_history AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.fatigue
    FOR EACH ROW EXECUTE FUNCTION tabel_ext.record_change();

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

-- The workstations read everything and write the closed months only through the functions.
-- (Where they log in as the extension's owner or as a superuser, these grants change nothing:
-- only the append-only triggers above stand between them and the history.)
REVOKE ALL ON ALL TABLES IN SCHEMA tabel_ext FROM PUBLIC;
GRANT USAGE ON SCHEMA tabel_ext TO PUBLIC;
GRANT SELECT ON ALL TABLES IN SCHEMA tabel_ext TO PUBLIC;
