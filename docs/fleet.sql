-- The usable machine keys that two or more machines of a fleet share, read
-- from the "keys" of version 2 identities documents (what quorvex-capture.exe
-- --json writes): the groups of quorvex-replay --keys --json's "shared", in
-- the same order when the documents are named in file-name order. The
-- documents are the files the variable "documents" names, a path or a glob:
--
--   duckdb -c "SET VARIABLE documents = 'share/*.json'" -c ".read docs/fleet.sql"
--
-- Values are compared by the tools' one rule: as bytes, without the blanks
-- at either end (space, tab, CR, LF, NUL); for the UUID kinds also without
-- one pair of enclosing braces (and the blanks inside them) and a leading
-- "GPU-" in any case, and ignoring ASCII case. Every value is taken as upper-case hexadecimal, whichever way its
-- document writes it (a string, or {"hex": ...} for bytes that are not
-- UTF-8), so that no byte is lost or decoded on the way.
WITH documents AS (
  SELECT filename AS capture, keys
  FROM read_json(getvariable('documents'), filename = true,
                 columns = {keys: 'STRUCT(kind VARCHAR, "value" JSON, quality VARCHAR)[]'})
), usable AS (
  SELECT capture, position, key.kind AS kind, key."value" AS "value",
         CASE WHEN json_type(key."value") = 'OBJECT' THEN key."value" ->> 'hex'
              ELSE hex(encode(key."value" ->> '$')) END AS bytes
  FROM (SELECT capture, unnest(keys) AS key, generate_subscripts(keys, 1) AS position
        FROM documents)
  WHERE key.quality = 'usable'
), trimmed AS (
  -- A hex text has an even length, so a run of pairs at either end starts on a pair.
  SELECT *, regexp_replace(regexp_replace(bytes, '^(?:20|09|0D|0A|00)+', ''),
                           '(?:20|09|0D|0A|00)+$', '') AS trimmed
  FROM usable
), bare AS (
  -- A UUID without "{" (7B) and "}" (7D) around it and the blanks inside
  -- them, then without a leading "GPU-" in any case (47|67 50|70 55|75 2D).
  SELECT *, CASE WHEN kind IN ('gpu-uuid', 'system-uuid') THEN
              regexp_replace(regexp_replace(regexp_replace(
                regexp_replace(trimmed, '^7B(.*)7D$', '\1'),
                '^(?:20|09|0D|0A|00)+', ''), '(?:20|09|0D|0A|00)+$', ''),
                '^(?:47|67)(?:50|70)(?:55|75)2D', '')
            ELSE trimmed END AS bare
  FROM trimmed
), compared AS (
  -- A to Z (41 to 5A) as a to z (61 to 7A): the first digit two higher.
  SELECT *, CASE WHEN kind IN ('gpu-uuid', 'system-uuid') THEN
              array_to_string(list_transform(regexp_extract_all(bare, '..'), lambda p:
                CASE WHEN (p[1] = '4' AND p <> '40') OR (p[1] = '5' AND p <= '5A')
                     THEN chr(ascii(p[1]) + 2) || p[2] ELSE p END), '')
            ELSE bare END AS comparable
  FROM bare
)
SELECT kind,
       arg_min("value", struct_pack(c := capture, p := position)) AS "value",
       list(DISTINCT capture ORDER BY capture) AS captures
FROM compared
GROUP BY kind, comparable
HAVING count(DISTINCT capture) >= 2
ORDER BY min(struct_pack(c := capture, p := position));
