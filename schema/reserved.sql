-- Reserved rows the household works rely on: the operation kinds 7777 (household works)
-- and 7778 (average piece rate), the pseudo product 7777 they are booked on, and one
-- operation with one norm (the price of an hour) for each kind.
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item)
VALUES (7777, 'Хоз. работы', '', 6, 0, NULL);

INSERT INTO accounts_dep.vid_oper (id, vid) VALUES
    (7777, 'Хозяйственные работы'),
    (7778, 'Среднесдельная оплата');

WITH o AS (
    INSERT INTO accounts_dep.oper (vid, naimen, i_id, cena, cena_new) VALUES
        (7777, 0, 7777, 0, 0),
        (7778, 0, 7777, 0, 0)
    RETURNING id, vid
)
INSERT INTO accounts_dep.norm (o_id, norma, price, prize)
SELECT id, 1, CASE vid WHEN 7777 THEN 165.5 ELSE 190 END, 0 FROM o;
