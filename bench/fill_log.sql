-- Fills the logtab of a new log with :n generated contacts for measuring the command line:
--   sqlite3 backup.sqlite -cmd "CREATE TEMP TABLE size(n); INSERT INTO size VALUES (1000000);" < bench/fill_log.sql
-- VHF and microwave bands, 6-character locators, one contact in twenty with a callsign already
-- worked, ten years of dates.
CREATE TEMP TABLE prefix (k INTEGER PRIMARY KEY, prefix TEXT, entity TEXT);
INSERT INTO prefix (k, prefix, entity) VALUES
  (0, 'DL', 'DL Fed. Rep. of Germany'), (1, 'DK', 'DL Fed. Rep. of Germany'), (2, 'OK', 'OK Czech Republic'),
  (3, 'OL', 'OK Czech Republic'), (4, 'SP', 'SP Poland'), (5, 'G', 'G England'), (6, 'F', 'F France'),
  (7, 'I', 'I Italy'), (8, 'PA', 'PA Netherlands'), (9, 'ON', 'ON Belgium'), (10, 'OE', 'OE Austria'),
  (11, 'HB9', 'HB Switzerland'), (12, 'OZ', 'OZ Denmark'), (13, 'SM', 'SM Sweden'), (14, 'LA', 'LA Norway'),
  (15, 'S5', 'S5 Slovenia'), (16, '9A', '9A Croatia'), (17, 'HA', 'HA Hungary');
BEGIN;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < (SELECT n FROM size))
INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, DXCC, QSL, Nam, Band, mode, QRB, QTF, Comment, Prop)
SELECT date('2014-01-01', '+' || (abs(random()) % 3650) || ' days'),
       printf('%02d:%02d', abs(random()) % 24, abs(random()) % 60),
       CASE WHEN abs(random()) % 20 = 0 THEN prefix || '1' || char(65 + i % 26, 65 + i / 26 % 26)
            ELSE prefix || (abs(random()) % 10) || char(65 + abs(random()) % 26, 65 + abs(random()) % 26,
                                                          65 + abs(random()) % 26) END,
       char(73 + abs(random()) % 3, 77 + abs(random()) % 4, 48 + abs(random()) % 10, 48 + abs(random()) % 10,
            65 + abs(random()) % 24, 65 + abs(random()) % 24),
       '59' || printf('%03d', i % 1000), '59' || printf('%03d', abs(random()) % 1000), entity,
       substr('QQNYD', 1 + abs(random()) % 5, 1), 'Op',
       CASE abs(random()) % 10 WHEN 0 THEN '50' WHEN 1 THEN '432' WHEN 2 THEN '432' WHEN 3 THEN '1296'
            WHEN 4 THEN '2320' WHEN 5 THEN '10368' ELSE '144' END,
       CASE abs(random()) % 3 WHEN 0 THEN 'CW' ELSE 'SSB' END,
       abs(random()) % 1000, abs(random()) % 360, '', substr('TrTrTrEsRsAuMs', 1 + 2 * (abs(random()) % 7), 2)
FROM n JOIN prefix ON prefix.k = n.i % 18;
COMMIT;
