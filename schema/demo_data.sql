-- Demo and benchmark data for the reference database of tabel.
--
-- Run once as sys on a database freshly loaded with schema.sql and reserved.sql:
--   psql -v ON_ERROR_STOP=1 -f schema/demo_data.sql                 demo: 150 workers, 6 months
--   psql -v ON_ERROR_STOP=1 -v size=bench -f schema/demo_data.sql   bench: 300 workers, 5 years
--
-- Deterministic: every choice comes from a hash of the row's own key (worker, calendar day,
-- line number), never from random(), so two loads on the same day give the same rows, and a
-- given worker and date get the same journal lines whatever the day of the load. Dates run
-- up to and including today. Everything is generated set-based.

\set ON_ERROR_STOP on
\if :{?size}
\else
\set size demo
\endif
SELECT :'size' = 'bench' AS is_bench, :'size' IN ('demo', 'bench') AS size_known \gset
\if :size_known
\else
-- fails with the message as the bad value
SELECT ('demo_data.sql: size must be demo or bench, not ' || :'size')::integer;
\endif

-- Sizes. Lines per worker and working day: none with probability zero_pct, otherwise
-- line_min .. line_min + line_span - 1. Household works fall on days without journal lines.
\if :is_bench
\set n_people 20000
\set n_workers 300
\set period '5 years'
\set zero_pct 10
\set line_min 3
\set line_span 6
\else
\set n_people 3000
\set n_workers 150
\set period '6 months'
\set zero_pct 25
\set line_min 1
\set line_span 3
\endif

SET client_min_messages = warning;
SET datestyle = 'ISO, DMY';
BEGIN;
SET LOCAL work_mem = '256MB';

-- Non-negative 31-bit hash of a key text; the source of every choice below.
CREATE FUNCTION pg_temp.h(text) RETURNS bigint LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT hashtext($1)::bigint & 2147483647 $$;

------------------------------------------------------------------------------------------
-- People of the enterprise
------------------------------------------------------------------------------------------

-- Names are "Surname Name Patronymic". Person i gets the name combination (i * 7919) mod
-- (surnames * names * patronymics), a bijection, so no two people share a name.
CREATE TEMP TABLE name_list AS
SELECT ARRAY['Иванов', 'Петров', 'Смирнов', 'Кузнецов', 'Попов', 'Васильев', 'Соколов',
             'Михайлов', 'Новиков', 'Федоров', 'Морозов', 'Волков', 'Алексеев', 'Лебедев',
             'Семенов', 'Егоров', 'Павлов', 'Козлов', 'Степанов', 'Николаев', 'Орлов',
             'Андреев', 'Макаров', 'Никитин', 'Захаров', 'Зайцев', 'Соловьев', 'Борисов',
             'Яковлев', 'Григорьев', 'Романов', 'Воробьев', 'Сергеев', 'Кузьмин', 'Фролов',
             'Александров', 'Дмитриев', 'Королев', 'Гусев', 'Киселев', 'Ильин', 'Максимов',
             'Поляков', 'Сорокин', 'Виноградов', 'Ковалев', 'Белов', 'Медведев', 'Антонов',
             'Тарасов', 'Жуков', 'Баранов', 'Филиппов', 'Комаров', 'Давыдов', 'Беляев',
             'Высоцкий', 'Каменский', 'Шевченко', 'Бондаренко', 'Черных', 'Полянский',
             'Громов', 'Щербаков', 'Калинин', 'Мельников', 'Рыбаков', 'Суханов', 'Логинов',
             'Крылов']::text[] AS surname,
       ARRAY['Александр', 'Алексей', 'Андрей', 'Анатолий', 'Борис', 'Вадим', 'Валерий',
             'Василий', 'Виктор', 'Владимир', 'Геннадий', 'Георгий', 'Григорий', 'Дмитрий',
             'Евгений', 'Иван', 'Игорь', 'Константин', 'Леонид', 'Максим', 'Михаил',
             'Николай', 'Олег', 'Павел', 'Петр', 'Роман', 'Сергей', 'Станислав', 'Юрий',
             'Федор']::text[] AS male_name,
       ARRAY['Анна', 'Валентина', 'Галина', 'Дарья', 'Екатерина', 'Елена', 'Ирина', 'Лариса',
             'Людмила', 'Марина', 'Мария', 'Надежда', 'Наталья', 'Нина', 'Ольга', 'Светлана',
             'Татьяна', 'Юлия', 'Любовь', 'Вера', 'Зоя', 'Лидия', 'Оксана', 'Раиса', 'Тамара',
             'Алла', 'Алена', 'Ксения', 'Полина', 'Евгения']::text[] AS female_name,
       ARRAY['Александрович', 'Алексеевич', 'Андреевич', 'Анатольевич', 'Борисович',
             'Васильевич', 'Викторович', 'Владимирович', 'Геннадьевич', 'Григорьевич',
             'Дмитриевич', 'Евгеньевич', 'Иванович', 'Игоревич', 'Константинович',
             'Леонидович', 'Михайлович', 'Николаевич', 'Олегович', 'Павлович', 'Петрович',
             'Романович', 'Сергеевич', 'Степанович', 'Юрьевич', 'Федорович', 'Валерьевич',
             'Вячеславович', 'Семенович', 'Ильич']::text[] AS male_patronymic,
       ARRAY['Александровна', 'Алексеевна', 'Андреевна', 'Анатольевна', 'Борисовна',
             'Васильевна', 'Викторовна', 'Владимировна', 'Геннадьевна', 'Григорьевна',
             'Дмитриевна', 'Евгеньевна', 'Ивановна', 'Игоревна', 'Константиновна',
             'Леонидовна', 'Михайловна', 'Николаевна', 'Олеговна', 'Павловна', 'Петровна',
             'Романовна', 'Сергеевна', 'Степановна', 'Юрьевна', 'Федоровна', 'Валерьевна',
             'Вячеславовна', 'Семеновна', 'Ильинична']::text[] AS female_patronymic;

-- Female form of a surname: -ий becomes -ая, -ов/-ев/-ин add -а, the rest do not change.
CREATE FUNCTION pg_temp.female_surname(text) RETURNS text LANGUAGE sql IMMUTABLE STRICT
AS $$ SELECT CASE WHEN $1 LIKE '%ий' THEN left($1, -2) || 'ая'
                  WHEN $1 ~ '(ов|ев|ин)$' THEN $1 || 'а'
                  ELSE $1 END $$;

INSERT INTO cmn_contractor.person (id, s_caption, s_code)
SELECT i,
       CASE WHEN male THEN n.surname[s + 1] || ' ' || n.male_name[f + 1] || ' ' || n.male_patronymic[p + 1]
            ELSE pg_temp.female_surname(n.surname[s + 1]) || ' ' || n.female_name[f + 1] || ' '
                 || n.female_patronymic[p + 1] END,
       i::text
FROM name_list n,
     LATERAL (SELECT cardinality(n.surname) AS ns, cardinality(n.male_name) AS nf,
                     cardinality(n.male_patronymic) AS np) z,
     generate_series(1, :n_people) i,
     LATERAL (SELECT (i::bigint * 7919) % (z.ns * z.nf * z.np) AS c) cc,
     LATERAL (SELECT cc.c % z.np AS p, (cc.c / z.np) % z.nf AS f, cc.c / (z.np * z.nf) AS s,
                     pg_temp.h('gender:' || i) % 100 < 65 AS male) k
ORDER BY 1;
SELECT setval('cmn_contractor.person_id_seq', (SELECT max(id) FROM cmn_contractor.person)::bigint);

------------------------------------------------------------------------------------------
-- Lookup lists of the worker dialog
------------------------------------------------------------------------------------------

INSERT INTO cmn_department.department (id, id_branch, id_parent, s_code, s_caption, s_description)
SELECT i, 1, NULL, lpad(i::text, 2, '0'), name, ''
FROM unnest(ARRAY['Цех №1', 'Цех №2', 'Механический цех', 'Сварочный цех', 'Малярный участок',
                  'Сборочный участок', 'Заготовительный участок', 'Участок упаковки'])
     WITH ORDINALITY AS t(name, i)
ORDER BY 1;
SELECT setval('cmn_department.department_id_seq', (SELECT max(id) FROM cmn_department.department)::bigint);

INSERT INTO hrms_staffpos.staffpos (id, id_department, s_code, s_caption, d_begin, d_end, s_description)
SELECT i, dep, lpad(i::text, 3, '0'), name, date '2015-01-01', NULL, ''
FROM (VALUES (1, 'Слесарь-сборщик', 6), (2, 'Маляр', 5), (3, 'Токарь', 3), (4, 'Фрезеровщик', 3),
             (5, 'Электросварщик', 4), (6, 'Газорезчик', 7), (7, 'Штамповщик', 7), (8, 'Гибщик', 7),
             (9, 'Сверловщик', 3), (10, 'Резчик металла', 7), (11, 'Упаковщик', 8),
             (12, 'Мастер участка', 1), (13, 'Кладовщик', 2), (14, 'Контролер ОТК', 2),
             (15, 'Подсобный рабочий', 1)) AS t(i, name, dep)
ORDER BY 1;
SELECT setval('hrms_staffpos.staffpos_id_seq', (SELECT max(id) FROM hrms_staffpos.staffpos)::bigint);

INSERT INTO adm_role.roles (id, s_name, s_caption, d_begin, d_end, b_active)
SELECT i, name, caption, date '2015-01-01', NULL, '1'
FROM (VALUES (1, 'admin', 'Администратор'), (2, 'buh', 'Бухгалтерия'), (3, 'master', 'Мастер участка'),
             (4, 'sklad', 'Склад'), (5, 'tabel', 'Табельщик'), (6, 'peo', 'Планово-экономический отдел'))
     AS t(i, name, caption)
ORDER BY 1;
SELECT setval('adm_role.roles_id_seq', (SELECT max(id) FROM adm_role.roles)::bigint);

------------------------------------------------------------------------------------------
-- Workers: people with a worker card, scattered among the people
------------------------------------------------------------------------------------------

CREATE TEMP TABLE worker AS
SELECT w.id::integer AS w,
       -- the usual shift: mostly the first, some the second, a few the third
       CASE WHEN pg_temp.h('shift:' || w.id) % 10 < 6 THEN 1
            WHEN pg_temp.h('shift:' || w.id) % 10 < 9 THEN 2 ELSE 3 END AS shift,
       pg_temp.h('skill:' || w.id) AS skill
FROM (SELECT id FROM cmn_contractor.person ORDER BY pg_temp.h('worker:' || id), id LIMIT :n_workers) w;

INSERT INTO accounts_dep.worker_card (id, s_staffpos_hl)
SELECT w.w, d.s_caption
FROM worker w
JOIN cmn_department.department d
  ON d.id = 1 + pg_temp.h('department:' || w.w) % (SELECT count(*) FROM cmn_department.department)
ORDER BY w.w;

------------------------------------------------------------------------------------------
-- Classifier: product groups and household works nomenclature (level 2 under level 1)
------------------------------------------------------------------------------------------

INSERT INTO cmn_classifier.item (id, id_classifier, id_level, s_code, s_caption, s_description,
                                 b_excluded, d_excluded_date, id_parent)
VALUES (1, 1, 1, '01', 'Продукция цеха', '', '0', NULL, NULL),
       (2, 1, 1, '02', 'Хозяйственные работы', '', '0', NULL, NULL);

CREATE TEMP TABLE product_group AS
SELECT (2 + g)::integer AS id, g::integer AS g, name, prefix, sizes
FROM (VALUES (1, 'Шкафы распределительные', 'ШР-', ARRAY['120.02', '120.04', '140.02', '160.03', '180.01', '200.02', '220.04', '250.01']),
             (2, 'Стеллажи', 'Стеллаж СТ-', ARRAY['1000', '1500', '2000', '2000У', '2500', '3000', '1200М', '1800М']),
             (3, 'Щиты', 'Щит ЩРН-', ARRAY['6', '9', '12', '18', '24', '36', '48', '54']),
             (4, 'Ящики', 'Ящик ЯТП-', ARRAY['0,25', '0,40', '0,63', '1,0', '1,6', '2,5', '4,0', '6,3']),
             (5, 'Кронштейны', 'Кронштейн КР-', ARRAY['100', '150', '200', '250', '300', '400', '500', '600']),
             (6, 'Корпуса', 'Корпус КМ-', ARRAY['1', '2', '3', '4', '5', '6', '7', '8']),
             (7, 'Лотки кабельные', 'Лоток ЛМ-', ARRAY['50х50', '50х100', '80х100', '100х100', '100х200', '100х300', '150х400', '200х500']),
             (8, 'Шкафы металлические', 'Шкаф ШМС-', ARRAY['1', '2', '3', '4', '5', '10', '12', '15']),
             (9, 'Пульты', 'Пульт ПУ-', ARRAY['01', '02', '03', '04', '05', '06', '07', '08']),
             (10, 'Тумбы', 'Тумба ТИ-', ARRAY['1', '2', '3', '4', '5', '6', '7', '8'])) AS t(g, name, prefix, sizes);

INSERT INTO cmn_classifier.item (id, id_classifier, id_level, s_code, s_caption, s_description,
                                 b_excluded, d_excluded_date, id_parent)
SELECT id, 1, 2, '01.' || lpad(g::text, 2, '0'), name, '', '0', NULL, 1
FROM product_group ORDER BY id;

CREATE TEMP TABLE household_item AS
SELECT (12 + i)::integer AS id, (i - 1)::integer AS idx, name
FROM unnest(ARRAY['Уборка территории', 'Уборка цеха', 'Ремонт оборудования', 'Погрузочные работы',
                  'Разгрузка металла', 'Ремонт помещений'])
     WITH ORDINALITY AS t(name, i);

INSERT INTO cmn_classifier.item (id, id_classifier, id_level, s_code, s_caption, s_description,
                                 b_excluded, d_excluded_date, id_parent)
SELECT id, 1, 2, '02.' || lpad((idx + 1)::text, 2, '0'), name, '', '0', NULL, 2
FROM household_item ORDER BY id;
SELECT setval('cmn_classifier.item_id_seq', (SELECT max(id) FROM cmn_classifier.item)::bigint);

------------------------------------------------------------------------------------------
-- Products: eight brands in each group; ids come from the goods sequence
------------------------------------------------------------------------------------------

INSERT INTO cmn_gds_and_srv.gds_and_srv (s_caption, s_description, id_msm_bs, massa, id_class_item)
SELECT g.prefix || s.size, '', 6,
       round((0.5 + pg_temp.h('massa:' || g.prefix || s.size) % 4950 / 100.0)::numeric, 2),
       g.id
FROM product_group g, unnest(g.sizes) WITH ORDINALITY AS s(size, n)
ORDER BY g.g, s.n;

------------------------------------------------------------------------------------------
-- Operation kinds. Exactly two names contain "краска" in some letter case ("Покраска ...",
-- "Окраска ..."): those are the paint kinds, whose lines carry a colour.
------------------------------------------------------------------------------------------

INSERT INTO accounts_dep.vid_oper (vid)
SELECT name
FROM unnest(ARRAY['Резка', 'Рубка листа', 'Гибка', 'Штамповка', 'Сверление', 'Фрезерование',
                  'Токарная обработка', 'Сварка', 'Зачистка сварных швов', 'Грунтовка краской ГФ-021',
                  'Покраска порошковой краской', 'Окраска эмалью (краска ПФ-115)',
                  'Слесарная доработка', 'Сборка', 'Упаковка'])
     WITH ORDINALITY AS t(name, i)
ORDER BY t.i;

DO $$
BEGIN
    IF (SELECT count(*) FROM accounts_dep.vid_oper WHERE upper(vid) LIKE '%КРАСКА%') <> 2 THEN
        RAISE EXCEPTION 'demo data: expected exactly two paint operation kinds';
    END IF;
END $$;

------------------------------------------------------------------------------------------
-- Priced operations (kind x product x kind of output) and their norms
------------------------------------------------------------------------------------------

-- About a third of the kind/product pairs exist as finished-product operations; some of
-- those also as blanks. Keys are names, not ids, so the choice does not depend on ids.
CREATE TEMP TABLE oper_new AS
SELECT v.id AS vid, g.id AS i_id, nm.naimen,
       pg_temp.h('price:' || v.vid || ':' || g.s_caption || ':' || nm.naimen) AS hp
FROM accounts_dep.vid_oper v
CROSS JOIN cmn_gds_and_srv.gds_and_srv g
CROSS JOIN (VALUES (0), (1)) nm(naimen)
WHERE v.id >= 10000 AND g.id >= 10000
  AND pg_temp.h('oper:' || v.vid || ':' || g.s_caption) % 100 < 33
  AND (nm.naimen = 0 OR pg_temp.h('blank:' || v.vid || ':' || g.s_caption) % 100 < 12);

-- Lowest norm price: log-uniform between 3.75 and 250 roubles, in steps of 5 kopecks.
ALTER TABLE oper_new ADD COLUMN base_price numeric;
UPDATE oper_new
SET base_price = greatest(3.75, round((3.75 * power(250 / 3.75, (hp % 10007) / 10006.0) * 20)::numeric) / 20);

INSERT INTO accounts_dep.oper (vid, naimen, i_id, cena, cena_new)
SELECT vid, naimen, i_id,
       CASE WHEN hp / 10007 % 10 < 7 THEN round(base_price * 0.85, 2) ELSE 0 END::double precision,
       0
FROM oper_new
ORDER BY vid, i_id, naimen;

-- One to three norms per operation, the first the cheapest; a few operations have none and
-- so cannot be picked for a journal line.
INSERT INTO accounts_dep.norm (o_id, norma, price, prize)
SELECT o.id, greatest(1, round(1800 / pr.price))::integer, pr.price::double precision,
       (pg_temp.h('prize:' || o.id || ':' || j) % 7 * 5)::integer
FROM accounts_dep.oper o
JOIN oper_new n ON (n.vid, n.i_id, n.naimen) = (o.vid, o.i_id, o.naimen)
CROSS JOIN LATERAL generate_series(0, (n.hp / 100070 % 3)::integer) j
CROSS JOIN LATERAL (SELECT least(250.00, round(n.base_price * (1 + 0.15 * j) * 20) / 20) AS price) pr
WHERE n.hp / 300210 % 100 >= 3
ORDER BY o.id, j;

------------------------------------------------------------------------------------------
-- Journal lines
------------------------------------------------------------------------------------------

-- Operations a line may use, ordered by kind so that neighbouring numbers share a kind:
-- a worker keeps to a few neighbouring kinds (his trade).
CREATE TEMP TABLE line_oper AS
SELECT (row_number() OVER (ORDER BY o.vid, g.s_caption, o.naimen, o.id) - 1)::integer AS idx,
       o.id AS o_id, o.i_id, m.price,
       upper(v.vid) LIKE '%КРАСКА%' AS paint
FROM accounts_dep.oper o
JOIN accounts_dep.vid_oper v ON v.id = o.vid
JOIN cmn_gds_and_srv.gds_and_srv g ON g.id = o.i_id
JOIN (SELECT o_id, min(price) AS price FROM accounts_dep.norm GROUP BY o_id) m ON m.o_id = o.id
WHERE o.vid >= 10000;
CREATE UNIQUE INDEX ON line_oper (idx);
SELECT count(*) AS n_line_oper FROM line_oper \gset

-- One row per worker and calendar day: how many lines in which shift, the hours of the day
-- (never more than 12 with overtime) and the overtime hours of a working day.
CREATE TEMP TABLE worker_day AS
SELECT w.w, w.shift, w.skill, x.d, x.dn, x.weekend, x.hd,
       CASE WHEN NOT x.weekend THEN CASE WHEN x.hd % 100 < :zero_pct THEN 0
                                         ELSE :line_min + x.hd / 100 % :line_span END
            WHEN x.hd % 100 < 8 THEN 1 + x.hd / 100 % 2
            ELSE 0 END::integer AS n
FROM worker w
CROSS JOIN (SELECT start + i AS d, start + i - date '2000-01-01' AS dn,
                   extract(isodow FROM start + i) >= 6 AS weekend
            FROM (SELECT (current_date - interval :'period')::date AS start) s,
                 generate_series(0, current_date - s.start) i) day
CROSS JOIN LATERAL (SELECT day.*, pg_temp.h('day:' || w.w || ':' || day.dn) AS hd) x;

ALTER TABLE worker_day ADD COLUMN line_shift integer, ADD COLUMN hours integer, ADD COLUMN overtime integer;
UPDATE worker_day
SET line_shift = CASE WHEN weekend AND hd / 1000 % 10 >= 6 THEN 4 ELSE shift END,
    hours = CASE WHEN n = 0 THEN 0
                 WHEN weekend THEN greatest(n, 4 + hd / 10000 % 5)
                 ELSE greatest(n, least(8 * n, 6 + hd / 10000 % 6)) END;
UPDATE worker_day
SET overtime = CASE WHEN NOT weekend AND n > 0 AND hours <= 10 AND hd / 100000 % 100 < 6
                    THEN 1 + hd / 10000000 % least(3, 12 - hours) ELSE 0 END;

-- Line k of a day (k < n in the day's shift, k = n the overtime line): the day's hours are
-- split evenly over its lines; each line has its own operation.
CREATE TEMP TABLE line AS
SELECT wd.w, wd.d, wd.weekend, k,
       CASE WHEN k < wd.n THEN wd.line_shift ELSE 4 END AS smena,
       CASE WHEN k < wd.n THEN wd.hours * (k + 1) / wd.n - wd.hours * k / wd.n ELSE wd.overtime END AS time,
       ((wd.skill + wd.hd % 48 + k * 5) % :n_line_oper)::integer AS idx,
       current_date - wd.d AS age,
       pg_temp.h('line:' || wd.w || ':' || wd.dn || ':' || k) AS hl,
       pg_temp.h('mark:' || wd.w || ':' || wd.dn || ':' || k) AS hm
FROM worker_day wd
CROSS JOIN LATERAL generate_series(0, wd.n + (wd.overtime > 0)::integer - 1) k
WHERE wd.n > 0;

-- Price: the lowest norm price, doubled on a day off, then raised by 1.2 in the third
-- shift or by 1.5 in overtime. Quantity: what about 180..380 roubles an hour would make.
INSERT INTO accounts_dep.smena (w_id, i_id, o_id, kol_vo, brak, data, smena, cena, color, time,
                                ok, vvod, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use)
SELECT l.w, o.i_id, o.o_id, q.kol_vo,
       CASE WHEN l.hl / 200 % 100 < 88 THEN 0 ELSE least(q.kol_vo, 1 + l.hl / 20000 % 5) END,
       l.d, l.smena,
       round((o.price * CASE WHEN l.weekend THEN 2 ELSE 1 END
                      * CASE l.smena WHEN 3 THEN 1.2 WHEN 4 THEN 1.5 ELSE 1 END)::numeric, 4)::double precision,
       CASE WHEN NOT o.paint THEN 0
            WHEN l.hm % 5 = 0 THEN 1
            ELSE (ARRAY[9016, 7035, 3020, 5015, 9005, 6005, 1015, 7024])[1 + l.hm / 5 % 8] END,
       l.time,
       CASE WHEN l.age <= 3 THEN 'no'
            WHEN l.age <= 14 THEN CASE WHEN l.hm / 40 % 100 < 40 THEN 'no' ELSE 'ok' END
            WHEN l.hm / 40 % 100 < 65 THEN 'ok'
            WHEN l.hm / 40 % 100 < 98 THEN 'да'
            WHEN l.hm / 40 % 100 < 99 THEN 'ta'
            ELSE 'no' END,
       least(l.d + (l.hl / 100000 % 3)::integer, current_date)::timestamp,
       0, 0, 0, 0, 0, 0
FROM line l
JOIN line_oper o ON o.idx = l.idx
CROSS JOIN LATERAL (SELECT least(200, greatest(1, round((180 + l.hl % 200) * l.time / o.price)))::integer AS kol_vo) q
ORDER BY l.d, l.smena, l.w, l.k;

------------------------------------------------------------------------------------------
-- Household works records
------------------------------------------------------------------------------------------

-- Some days without journal lines are household works days: one record, sometimes two.
-- Kind 7777 is paid at the reserved hourly norm (doubled on a day off, raised by 1.2 at
-- night); kind 7778 at the worker's average piece rate of the month for one product group
-- he worked on, as the average piece-rate computation gives it.
CREATE TEMP TABLE month_group AS
SELECT s.w_id, extract(year FROM s.data)::integer AS y, extract(month FROM s.data)::integer AS m,
       g.id_class_item::integer AS grp,
       sum((s.kol_vo - s.brak) * (s.cena + s.cena * 0)) AS earn0,
       sum((s.kol_vo - s.brak) * (s.cena + s.cena * 1)) AS earn1,
       sum(s.time) AS hours
FROM accounts_dep.smena s
JOIN cmn_gds_and_srv.gds_and_srv g ON g.id = s.i_id
GROUP BY 1, 2, 3, 4;
ALTER TABLE month_group ADD COLUMN rn integer, ADD COLUMN cnt integer;
UPDATE month_group mg
SET rn = r.rn, cnt = r.cnt
FROM (SELECT w_id, y, m, grp,
             row_number() OVER (PARTITION BY w_id, y, m ORDER BY grp) AS rn,
             count(*) OVER (PARTITION BY w_id, y, m) AS cnt
      FROM month_group) r
WHERE (r.w_id, r.y, r.m, r.grp) = (mg.w_id, mg.y, mg.m, mg.grp);
CREATE INDEX ON month_group (w_id, y, m, rn);
CREATE TEMP TABLE month_worked AS SELECT DISTINCT w_id, y, m, cnt FROM month_group;

SELECT min(n.price) AS household_price
FROM accounts_dep.norm n JOIN accounts_dep.oper o ON o.id = n.o_id
WHERE o.vid = 7777 \gset

CREATE TEMP TABLE household AS
SELECT wd.w, wd.d, wd.weekend, j, r.records,
       pg_temp.h('household:' || wd.w || ':' || wd.dn || ':' || j) AS hj
FROM worker_day wd
CROSS JOIN LATERAL (SELECT pg_temp.h('household:' || wd.w || ':' || wd.dn) AS hf) f
CROSS JOIN LATERAL (SELECT CASE WHEN f.hf / 100 % 10 < 2 THEN 2 ELSE 1 END AS records) r
CROSS JOIN LATERAL generate_series(1, r.records) j
WHERE wd.n = 0 AND f.hf % 100 < CASE WHEN wd.weekend THEN 2 ELSE 6 END;

INSERT INTO accounts_dep.fatigue (id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price,
                                  i_holiday, i_night)
SELECT CASE WHEN mg.grp IS NULL THEN hi.id ELSE mg.grp END,
       CASE WHEN mg.grp IS NULL THEN 7777 ELSE 7778 END,
       x.w, x.d, extract(month FROM x.d)::integer, extract(year FROM x.d)::integer, 1,
       1 + x.hj / 1000 % CASE x.records WHEN 1 THEN 8 ELSE 4 END,
       CASE WHEN mg.grp IS NULL
            THEN round(:household_price * CASE WHEN x.weekend THEN 2 ELSE 1 END
                                        * CASE WHEN x.night THEN 1.2 ELSE 1 END, 4)
            WHEN mg.hours = 0 THEN 0
            ELSE (CASE WHEN x.weekend THEN mg.earn1 ELSE mg.earn0 END / mg.hours)::numeric(10, 2) END,
       x.weekend::integer, x.night::integer
FROM (SELECT h.*, h.hj / 10 % 100 < 15 AS night, h.hj % 10 >= 6 AS piece_rate FROM household h) x
JOIN household_item hi ON hi.idx = x.hj / 10000 % (SELECT count(*) FROM household_item)
LEFT JOIN month_worked mw
       ON x.piece_rate AND (mw.w_id, mw.y, mw.m) = (x.w, extract(year FROM x.d)::integer, extract(month FROM x.d)::integer)
LEFT JOIN month_group mg
       ON (mg.w_id, mg.y, mg.m, mg.rn) = (mw.w_id, mw.y, mw.m, 1 + (x.hj / 100000 % mw.cnt)::integer)
ORDER BY x.d, x.w, x.j;

------------------------------------------------------------------------------------------
-- Monthly timesheet: shift rows from the journal, household rows from the records
------------------------------------------------------------------------------------------

CREATE TEMP TABLE timesheet_day AS
SELECT w_id, smena::integer AS smena, extract(month FROM data)::integer AS month,
       extract(year FROM data)::integer AS year, 0 AS i_type, NULL::integer AS i_night,
       extract(day FROM data)::integer AS dday, time AS hrs
FROM accounts_dep.smena
UNION ALL
SELECT id_p::integer, 0, i_mnth, i_year, id_o::integer, i_night, extract(day FROM d_date)::integer, cnt
FROM accounts_dep.fatigue;

INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, i_type, i_night,
    d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16,
    d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31)
SELECT w_id, smena, month, year, i_type, i_night,
    sum(hrs) FILTER (WHERE dday = 1), sum(hrs) FILTER (WHERE dday = 2),
    sum(hrs) FILTER (WHERE dday = 3), sum(hrs) FILTER (WHERE dday = 4),
    sum(hrs) FILTER (WHERE dday = 5), sum(hrs) FILTER (WHERE dday = 6),
    sum(hrs) FILTER (WHERE dday = 7), sum(hrs) FILTER (WHERE dday = 8),
    sum(hrs) FILTER (WHERE dday = 9), sum(hrs) FILTER (WHERE dday = 10),
    sum(hrs) FILTER (WHERE dday = 11), sum(hrs) FILTER (WHERE dday = 12),
    sum(hrs) FILTER (WHERE dday = 13), sum(hrs) FILTER (WHERE dday = 14),
    sum(hrs) FILTER (WHERE dday = 15), sum(hrs) FILTER (WHERE dday = 16),
    sum(hrs) FILTER (WHERE dday = 17), sum(hrs) FILTER (WHERE dday = 18),
    sum(hrs) FILTER (WHERE dday = 19), sum(hrs) FILTER (WHERE dday = 20),
    sum(hrs) FILTER (WHERE dday = 21), sum(hrs) FILTER (WHERE dday = 22),
    sum(hrs) FILTER (WHERE dday = 23), sum(hrs) FILTER (WHERE dday = 24),
    sum(hrs) FILTER (WHERE dday = 25), sum(hrs) FILTER (WHERE dday = 26),
    sum(hrs) FILTER (WHERE dday = 27), sum(hrs) FILTER (WHERE dday = 28),
    sum(hrs) FILTER (WHERE dday = 29), sum(hrs) FILTER (WHERE dday = 30),
    sum(hrs) FILTER (WHERE dday = 31)
FROM timesheet_day
GROUP BY w_id, smena, month, year, i_type, i_night
ORDER BY year, month, w_id, smena, i_type, i_night;

COMMIT;
ANALYZE;
