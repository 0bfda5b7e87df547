-- The tags that stand in two or more machine fingerprints made under one
-- key (what quorvex-replay --fingerprint and quorvex-capture.exe
-- --fingerprint write): one identifier that two machines carry. Those are
-- clones of one disk image or virtual machine, or parts moved from one
-- machine to another, which a licence server should see: docs/fingerprints.md.
-- The fingerprints are the files the variable "fingerprints" names, a path or
-- a glob, each one machine's fingerprint document, as a server that keeps a
-- machine's enrolled fingerprint as a file of its own keeps them:
--
--   duckdb -c "SET VARIABLE fingerprints = 'enrolled/*.json'" -c ".read docs/fingerprints.sql"
--
-- A server that keeps them in a table puts that table in the first step's
-- place. Tags are compared as the text they are: the tools write each tag
-- in one spelling, 32 lower-case hexadecimal digits. Each group is one
-- (kind, tag) with the fingerprints that carry it, the groups in the order of
-- their first fingerprint, then kind and tag.
WITH fingerprints AS (
  SELECT filename AS fingerprint, components
  FROM read_json(getvariable('fingerprints'), filename = true,
                 columns = {components: 'STRUCT(kind VARCHAR, tag VARCHAR)[]'})
), tags AS (
  SELECT fingerprint, component.kind AS kind, component.tag AS tag
  FROM (SELECT fingerprint, unnest(components) AS component FROM fingerprints)
)
SELECT kind, tag, count(DISTINCT fingerprint) AS machines,
       list(DISTINCT fingerprint ORDER BY fingerprint) AS fingerprints
FROM tags
GROUP BY kind, tag
HAVING count(DISTINCT fingerprint) >= 2
ORDER BY min(fingerprint), kind, tag;
